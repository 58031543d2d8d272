// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinereport.h"

#include "protocol/duzudozuzesession.h"
#include "protocol/duzudozuzetimelinesvg.h"

#include <QSaveFile>

QString DuzUdozuzeTimelineReport::title(const DuzUdozuzeSession &session)
{
    const DuzUdozuzeWorkstationTable &table = session.workstations();
    return session.timeline().ownKnown()
        ? QStringLiteral("Timeline of workstation %1 of %2")
              .arg(QString::number(table.row(0).workstation), table.ownGroupName())
        : QStringLiteral("Timeline");
}

bool DuzUdozuzeTimelineReport::wantsImage(const QString &path)
{
    return path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
}

QString DuzUdozuzeTimelineReport::write(const QString &path, const DuzUdozuzeSession &session)
{
    const DuzUdozuzeTimeline &timeline = session.timeline();
    if (!timeline.started())
        return QStringLiteral("nothing was heard");
    DuzUdozuzeTimelineSvg::Options options;
    const DuzUdozuzeSourceTraits &source = session.workstations().source();
    options.title = title(session) + QStringLiteral(", ")
        + (source.title.isEmpty() ? QStringLiteral("live") : source.title);
    QByteArray bytes = DuzUdozuzeTimelineSvg::write(timeline, options);
    if (wantsImage(path) && !png(bytes, bytes))
        return QStringLiteral("PNG is not available in this build");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

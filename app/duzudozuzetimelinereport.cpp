// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinereport.h"

#include "protocol/duzudozuzesession.h"
#include "protocol/duzudozuzetimelinesvg.h"

#include <QSaveFile>

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
    const DuzUdozuzeWorkstationTable &table = session.workstations();
    const QString of = source.title.isEmpty() ? QStringLiteral("live") : source.title;
    options.title = timeline.ownKnown()
        ? QStringLiteral("Timeline of workstation %1 of %2, %3")
              .arg(QString::number(table.row(0).workstation), table.ownGroupName(), of)
        : QStringLiteral("Timeline, %1").arg(of);
    QByteArray bytes = DuzUdozuzeTimelineSvg::write(timeline, options);
    if (wantsImage(path) && !png(bytes, bytes))
        return QStringLiteral("PNG is not available in this build");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

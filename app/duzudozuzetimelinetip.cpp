// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinetip.h"

#include "common/duzudozuzelogline.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

using Timeline = DuzUdozuzeTimeline;

QString tr(const char *text)
{
    return QCoreApplication::translate("DuzUdozuzeTimelineTip", text);
}

QString time(const Timeline &timeline, qint64 clock)
{
    return DuzUdozuzeLogLine::timeText(timeline.wallOf(clock));
}

// An end at the present is the present's, open.
QString until(const Timeline &timeline, qint64 clock)
{
    return clock < 0 || clock >= timeline.now() ? tr("now") : time(timeline, clock);
}

} // namespace

QString DuzUdozuzeTimelineTip::span(const Timeline &timeline, int lane, const Timeline::Span &span)
{
    return tr("%1: %2\n%3 to %4\n%5")
        .arg(QString::number(timeline.lane(lane).workstation),
             QLatin1String(Timeline::roleName(span.role)), time(timeline, span.from),
             until(timeline, span.until), Timeline::causeText(span.cause));
}

QString DuzUdozuzeTimelineTip::warnings(const Timeline &timeline, qint64 clock, qint64 pixel)
{
    QStringList texts;
    for (const Timeline::Warning &warning : timeline.warnings()) {
        const qint64 end = warning.until < 0 ? timeline.now() : warning.until;
        if (warning.from <= clock + pixel && end >= clock)
            texts.append(tr("%1\n%2 to %3")
                             .arg(warning.text, time(timeline, warning.from),
                                  until(timeline, warning.until)));
    }
    return texts.join(QStringLiteral("\n\n"));
}

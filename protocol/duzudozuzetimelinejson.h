// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINEJSON_H
#define DUZUDOZUZETIMELINEJSON_H

#include <QJsonObject>

class DuzUdozuzeTimeline;

// The timeline of a range as one JSON object, for scripts (/api/v1/timeline):
// the range, what was dropped for the timeline's bounds, the lanes as they are
// drawn with the spans that meet the range (cut at its ends), the warnings
// that meet it (whole, "until" null while in force), and the events: the
// spans a datagram began within the range, oldest first. Times are ISO 8601
// in UTC; texts from the network with their control characters escaped, as
// the log has them. The timeline keeps a day at most, MaxSpans spans and
// MaxWarnings warnings: so much, at most, an answer holds.
namespace DuzUdozuzeTimelineJson {

struct Range
{
    qint64 from; // source clock, ms
    qint64 until;
};

// The range of the wall times given (ms since the epoch, -1: not given) on the
// source clock: by default the length up to now, or from the time given on;
// clamped to the times kept.
[[nodiscard]] Range range(const DuzUdozuzeTimeline &timeline, qint64 fromWall, qint64 untilWall,
                          qint64 length);

// At most maxSpans spans (-1: every one): the rest are left out, counted as
// "spansLeftOut", the lanes in their order, so that no answer holds the
// event loop up for long.
[[nodiscard]] QJsonObject timeline(const DuzUdozuzeTimeline &timeline, const Range &range,
                                   int maxSpans = -1);

} // namespace DuzUdozuzeTimelineJson

#endif // DUZUDOZUZETIMELINEJSON_H

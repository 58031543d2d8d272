// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzetimelinejson.h"

#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogline.h"
#include "protocol/duzudozuzetimeline.h"
#include "protocol/duzudozuzetimelinesvg.h"

#include <QJsonArray>

#include <algorithm>
#include <limits>

namespace {

using Timeline = DuzUdozuzeTimeline;

QString text(const QString &raw)
{
    return DuzUdozuzeLogLine::escapedCharacters(raw);
}

const char *kindName(DuzUdozuzeWarningLog::Kind kind)
{
    switch (kind) {
    case DuzUdozuzeWarningLog::Kind::TwoMasters:
        return "two masters";
    case DuzUdozuzeWarningLog::Kind::Flapping:
        return "flapping";
    case DuzUdozuzeWarningLog::Kind::NoMaster:
        return "no master";
    case DuzUdozuzeWarningLog::Kind::Silence:
        break;
    }
    return "silence";
}

struct Event
{
    qint64 time;
    int lane;
    Timeline::Span span;
};

} // namespace

DuzUdozuzeTimelineJson::Range DuzUdozuzeTimelineJson::range(const Timeline &timeline,
                                                            qint64 fromWall, qint64 untilWall,
                                                            qint64 length)
{
    const qint64 first = timeline.first();
    const qint64 now = timeline.now();
    qint64 until = untilWall >= 0 ? timeline.clockOf(untilWall) : now;
    qint64 from = fromWall >= 0 ? timeline.clockOf(fromWall) : until - length;
    from = std::clamp(from, first, now);
    until = std::clamp(until, from, now);
    return {from, until};
}

QJsonObject DuzUdozuzeTimelineJson::timeline(const Timeline &timeline, const Range &range,
                                             int maxSpans)
{
    qint64 budget = maxSpans < 0 ? std::numeric_limits<qint64>::max() : maxSpans;
    qint64 leftOut = 0;
    const auto iso
        = [&timeline](qint64 clock) { return DuzUdozuzeTimelineSvg::isoTime(timeline, clock); };
    std::vector<Event> events;
    QJsonArray lanes;
    for (const Timeline::LaneGroup &group : timeline.laneGroups()) {
        for (const int lane : group.lanes) {
            // An empty range (one outside the times kept) meets no span.
            const std::vector<Timeline::Span> spans = range.until > range.from
                ? timeline.spans(lane, range.from, range.until)
                : std::vector<Timeline::Span>();
            if (spans.empty())
                continue;
            if (qint64(spans.size()) > budget) {
                leftOut += qint64(spans.size());
                continue;
            }
            budget -= qint64(spans.size());
            QJsonArray array;
            for (const Timeline::Span &span : spans) {
                array.append(QJsonObject {
                    {QStringLiteral("role"), QLatin1String(Timeline::roleName(span.role))},
                    {QStringLiteral("from"), iso(std::max(span.from, range.from))},
                    {QStringLiteral("until"), iso(std::min(span.until, range.until))},
                    {QStringLiteral("cause"), Timeline::causeText(span.cause)}});
                if (span.cause.reason == Timeline::Reason::Datagram && span.from >= range.from
                    && span.from < range.until)
                    events.push_back({span.from, lane, span});
            }
            const Timeline::Lane &of = timeline.lane(lane);
            lanes.append(QJsonObject {{QStringLiteral("group"), text(of.group())},
                                      {QStringLiteral("workstation"), of.workstation},
                                      {QStringLiteral("own"), of.own},
                                      {QStringLiteral("spans"), array}});
        }
    }

    QJsonArray warnings;
    for (const Timeline::Warning &warning : timeline.warnings()) {
        const qint64 end = warning.until >= 0 ? warning.until : timeline.now();
        if (range.until <= range.from || end < range.from || warning.from >= range.until)
            continue;
        warnings.append(QJsonObject {
            {QStringLiteral("kind"), QLatin1String(kindName(warning.kind))},
            {QStringLiteral("text"), text(warning.text)},
            {QStringLiteral("from"), iso(warning.from)},
            {QStringLiteral("until"),
             warning.until >= 0 ? QJsonValue(iso(warning.until)) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("endText"), text(warning.endText)}});
    }

    std::stable_sort(events.begin(), events.end(),
                     [](const Event &a, const Event &b) { return a.time < b.time; });
    QJsonArray changes;
    for (const Event &event : events) {
        const Timeline::Lane &of = timeline.lane(event.lane);
        changes.append(QJsonObject {
            {QStringLiteral("time"), iso(event.time)},
            {QStringLiteral("group"), text(of.group())},
            {QStringLiteral("workstation"), of.workstation},
            {QStringLiteral("code"), text(event.span.cause.codeText())},
            {QStringLiteral("sender"), duzUdozuzeIpv4Text(event.span.cause.address)},
            {QStringLiteral("answered"), event.span.cause.answered},
            {QStringLiteral("role"), QLatin1String(Timeline::roleName(event.span.role))}});
    }

    return {{QStringLiteral("from"), iso(range.from)},
            {QStringLiteral("until"), iso(range.until)},
            {QStringLiteral("dropped"),
             QJsonObject {{QStringLiteral("spans"), double(timeline.droppedSpans())},
                          {QStringLiteral("warnings"), double(timeline.droppedWarnings())}}},
            {QStringLiteral("spansLeftOut"), double(leftOut)},
            {QStringLiteral("lanes"), lanes},
            {QStringLiteral("warnings"), warnings},
            {QStringLiteral("events"), changes}};
}

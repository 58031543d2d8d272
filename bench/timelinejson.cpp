// SPDX-License-Identifier: MIT
// What /api/v1/timeline and /api/v1/timeline.svg cost at the timeline's
// bound: 1,000 workstations in 10 groups, each heard every 15 minutes, a
// master and an unhealthy one by turns (its claim lapsing, its row going
// stale in between: three spans a datagram), until the timeline holds its
// MaxSpans spans, in about 12 hours. The whole range is written as JSON and
// as SVG, and the last hour as JSON; the medians of the rounds, and the
// sizes.
//
// usage: timelinejson [ROUNDS]

#include "protocol/duzudozuzestatusdatagram.h"
#include "protocol/duzudozuzetimeline.h"
#include "protocol/duzudozuzetimelinejson.h"
#include "protocol/duzudozuzetimelinesvg.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QElapsedTimer>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Groups = 10;
constexpr int PerGroup = 100;
constexpr qint64 Start = 1765000000000; // wall ms

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(const char *what, int rounds, const std::function<QByteArray()> &write)
{
    std::vector<double> times;
    qsizetype size = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        size = write().size();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("%-22s %8.1f ms  %6.2f MB\n", what, median(times), size / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    qint64 now = 0;
    DuzUdozuzeWorkstationTable table([&now] { return duzUdozuzeSourceMs(now); },
                                     [&now] { return duzUdozuzeWallMs(Start + now); });
    table.setOwnIdentity(QStringLiteral("north"), QStringLiteral("Fire"), 7, 0);
    DuzUdozuzeTimeline timeline(QStringLiteral("north"), QStringLiteral("Fire"), 7, 0);
    timeline.start(now, Start, true);
    DuzUdozuzeStatusDatagram datagram;
    datagram.system = QStringLiteral("north");
    datagram.alarmSystem = QStringLiteral("Fire");
    datagram.code = QStringLiteral("NA");
    for (int second = 0; timeline.spanCount() < DuzUdozuzeTimeline::MaxSpans; second += 900) {
        for (int i = 0; i < Groups * PerGroup; ++i) {
            now = qint64(second) * 1000 + i;
            datagram.workstation = 100 + i % PerGroup;
            datagram.channel = i / PerGroup + 1;
            datagram.healthWord = (second / 900) % 2 ? QStringLiteral("BAD") : QStringLiteral("OK");
            table.update(datagram, quint32(0x0A000000 + i), 40000);
            timeline.advance(now, Start + now);
            timeline.received(now);
            timeline.heard(table, table.updated(), now);
        }
    }
    std::printf("%d spans, %d lanes, %.1f h\n", timeline.spanCount(), timeline.laneCount(),
                (timeline.now() - timeline.first()) / 3.6e6);
    const auto json = [&timeline](qint64 length, int maxSpans = -1) {
        const DuzUdozuzeTimelineJson::Range range
            = DuzUdozuzeTimelineJson::range(timeline, -1, -1, length);
        return QJsonDocument(DuzUdozuzeTimelineJson::timeline(timeline, range, maxSpans))
            .toJson(QJsonDocument::Compact);
    };
    measure("JSON, all kept", rounds, [&] { return json(DuzUdozuzeTimeline::MaxAge); });
    // As the HTTP view answers: at most 10,000 spans.
    measure("JSON, all kept, 10,000 spans answered", rounds,
            [&] { return json(DuzUdozuzeTimeline::MaxAge, 10000); });
    measure("JSON, the last hour", rounds, [&] { return json(3600 * 1000); });
    measure("SVG, all kept", rounds, [&] {
        return DuzUdozuzeTimelineSvg::write(timeline, {QStringLiteral("bench"), -1, -1, 1200});
    });
    measure("SVG, all kept, 10,000 spans answered", rounds, [&] {
        return DuzUdozuzeTimelineSvg::write(timeline,
                                            {QStringLiteral("bench"), -1, -1, 1200, 10000});
    });
    measure("SVG, the last 15 min", rounds, [&] {
        return DuzUdozuzeTimelineSvg::write(
            timeline, {QStringLiteral("bench"), timeline.now() - 15 * 60 * 1000, -1, 1200});
    });
    return 0;
}

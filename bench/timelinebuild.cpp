// SPDX-License-Identifier: MIT
// What the timeline costs a fleet: 1,000 workstations in 10 groups of 100,
// each heard once a second for 24 hours, the master of each group handing
// over to the next workstation once an hour. The same datagrams go through
// the workstation table alone and through the table with the timeline, in
// turns; the difference is the timeline's time a datagram, and its heap is
// what it holds at the end.
//
// usage: timelinebuild [HOURS [ROUNDS]]

#include "protocol/duzudozuzestatusdatagram.h"
#include "protocol/duzudozuzetimeline.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

constexpr int Groups = 10;
constexpr int PerGroup = 100;
constexpr qint64 Start = 1765000000000; // wall ms

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

struct Result
{
    double seconds;
    size_t heap;
    int spans;
    int lanes;
    quint64 dropped;
};

Result run(qint64 hours, bool withTimeline)
{
    qint64 now = 0;
    DuzUdozuzeWorkstationTable table([&now] { return duzUdozuzeSourceMs(now); },
                                     [&now] { return duzUdozuzeWallMs(Start + now); });
    table.setOwnIdentity(QStringLiteral("north"), QStringLiteral("Fire"), 7, 0);
    // The datagrams of each workstation, made once: a master's and a slave's.
    std::vector<DuzUdozuzeStatusDatagram> claim(Groups * PerGroup), slave(Groups * PerGroup);
    for (int i = 0; i < Groups * PerGroup; ++i) {
        for (auto *datagram : {&claim[size_t(i)], &slave[size_t(i)]}) {
            datagram->system = QStringLiteral("north");
            datagram->alarmSystem = QStringLiteral("Fire");
            datagram->workstation = 100 + i;
            datagram->channel = i / PerGroup + 1;
            datagram->healthWord = QStringLiteral("OK");
        }
        claim[size_t(i)].code = QStringLiteral("NA");
        slave[size_t(i)].code = QStringLiteral("NC");
    }
    const size_t before = heapInUse();
    auto timeline = withTimeline ? std::make_unique<DuzUdozuzeTimeline>(
                        QStringLiteral("north"), QStringLiteral("Fire"), 7, 0)
                                 : nullptr;
    if (timeline)
        timeline->start(now, Start, true);
    QElapsedTimer timer;
    timer.start();
    const qint64 seconds = hours * 3600;
    for (qint64 second = 0; second < seconds; ++second) {
        const int master = int(second / 3600) % PerGroup;
        for (int i = 0; i < Groups * PerGroup; ++i) {
            now = second * 1000 + i;
            const bool claims = i % PerGroup == master;
            table.update(claims ? claim[size_t(i)] : slave[size_t(i)], quint32(0x0A000000 + i),
                         40000);
            // As the session tells it: the time, a datagram, its row.
            if (timeline) {
                timeline->advance(now, Start + now);
                timeline->received(now);
                timeline->heard(table, table.updated(), now);
            }
        }
        for (const auto &event : table.tick()) {
            if (timeline)
                timeline->warned(event, now);
        }
    }
    const double elapsed = timer.nsecsElapsed() / 1e9;
    Result result {elapsed, heapInUse() - before, 0, 0, 0};
    if (timeline) {
        result.spans = timeline->spanCount();
        result.lanes = timeline->laneCount();
        result.dropped = timeline->droppedSpans();
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 hours = argc > 1 ? std::atoll(argv[1]) : 24;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::vector<double> without, with;
    Result last {};
    Result base {};
    for (int round = 0; round < rounds; ++round) {
        base = run(hours, false);
        without.push_back(base.seconds);
        last = run(hours, true);
        with.push_back(last.seconds);
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double datagrams = double(hours) * 3600 * Groups * PerGroup;
    const double tableNs = median(without) / datagrams * 1e9;
    const double withNs = median(with) / datagrams * 1e9;
    std::printf("%lld h, %.0f datagrams, %d rounds\n", static_cast<long long>(hours), datagrams,
                rounds);
    std::printf("table alone       %.1f ns a datagram\n", tableNs);
    std::printf("table + timeline  %.1f ns a datagram (timeline %.1f ns)\n", withNs,
                withNs - tableNs);
    // The table's own heap grows the same in both runs.
    std::printf("timeline holds    %d spans, %d lanes, %llu dropped; heap %.3f MB\n", last.spans,
                last.lanes, static_cast<unsigned long long>(last.dropped),
                (double(last.heap) - double(base.heap)) / 1e6);
    return 0;
}

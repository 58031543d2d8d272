// SPDX-License-Identifier: MIT
// pacedsender PORT COUNT RATE [SENDERS [MASTERS]]: sends COUNT status
// datagrams to 127.0.0.1:PORT at RATE a second (0: as fast as the socket takes
// them), then prints the rate it kept. With SENDERS, the datagrams come from
// workstations 1 to SENDERS in turn, each announcing itself master (NA); with
// MASTERS, only the first MASTERS do, and the others call for one (NC).

#include "net/duzudozuzesocketdevice.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char *argv[])
{
    if (argc < 4 || argc > 6) {
        std::fprintf(stderr, "usage: pacedsender PORT COUNT RATE [SENDERS [MASTERS]]\n");
        return 2;
    }
    const auto port = quint16(std::atoi(argv[1]));
    const long count = std::atol(argv[2]);
    const double rate = std::atof(argv[3]);
    const int senders = argc >= 5 ? std::max(1, std::atoi(argv[4])) : 1;
    const int masters = argc == 6 ? std::atoi(argv[5]) : senders;
    std::vector<QByteArray> payloads;
    for (int workstation = 1; workstation <= senders; ++workstation) {
        payloads.push_back(DuzUdozuzeStatusDatagram::format(
            workstation <= masters ? QStringLiteral("NA") : QStringLiteral("NC"),
            QStringLiteral("north"), QStringLiteral("Fire"), senders == 1 ? 2 : workstation, 3,
            true));
    }

    using Clock = std::chrono::steady_clock;
    DuzUdozuzeSocketDevice device;
    const quint32 loopback = 0x7F000001;
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < count; ++i) {
        if (rate > 0) {
            const Clock::time_point due = start
                + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(double(i) / rate));
            Clock::time_point now = Clock::now();
            if (due - now > std::chrono::microseconds(300))
                std::this_thread::sleep_for(due - now - std::chrono::microseconds(200));
            while (Clock::now() < due) { }
        }
        while (device.writeDatagram(payloads[size_t(i % senders)], loopback, port) < 0) {
            if (!device.wouldBlock()) {
                std::fprintf(stderr, "pacedsender: %s\n",
                             device.errorString().toLocal8Bit().constData());
                return 1;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("sent %ld in %.3f s, %.0f a second\n", count, seconds, double(count) / seconds);
    return 0;
}

// SPDX-License-Identifier: MIT
// capturemaker PATH COUNT [SENDERS [JUMPS]]: writes a pcap file, as tcpdump
// -w would on an Ethernet, of COUNT status datagrams to port 9208, 1 ms
// apart, from workstations 1 to SENDERS (100, at most 65535) in turn, at
// 10.0.0.N (N counting to 254 and again): workstation 1 the master ("NA"),
// the others its slaves ("NC"). With JUMPS, the capture's clock jumps that
// many times, evenly, ten years each, forward and back in turn.

#include "protocol/duzudozuzestatusdatagram.h"
#include "tests/capturesupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char *argv[])
{
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: capturemaker PATH COUNT [SENDERS [JUMPS]]\n");
        return 2;
    }
    const long count = std::atol(argv[2]);
    const int senders = argc >= 4 ? std::clamp(std::atoi(argv[3]), 1, 65535) : 100;
    const long jumps = argc == 5 ? std::clamp(std::atol(argv[4]), 0L, count) : 0;
    QList<QByteArray> packets;
    for (int workstation = 1; workstation <= senders; ++workstation) {
        packets.append(
            ethernet(0x0800)
            + ipv4Udp(DuzUdozuzeStatusDatagram::format(
                          workstation == 1 ? QStringLiteral("NA") : QStringLiteral("NC"),
                          QStringLiteral("north"), QStringLiteral("Fire"), workstation, 3, true),
                      (workstation - 1) % 254 + 1));
    }

    std::FILE *file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "capturemaker: %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    constexpr long Start = 1700000000;
    constexpr long Decade = 10L * 365 * 24 * 60 * 60;
    QByteArray buffer;
    const auto writeOut = [&buffer, file] {
        const bool written = std::fwrite(buffer.constData(), 1, size_t(buffer.size()), file)
            == size_t(buffer.size());
        buffer.clear();
        return written;
    };
    DuzUdozuzeCaptureWriter::appendFileHeader(buffer, DLT_EN10MB);
    bool written = true;
    for (long i = 0; written && i < count; ++i) {
        // The jumps so far: odd, a decade on; even, back again.
        const long jumped = jumps > 0 ? i * (jumps + 1) / count : 0;
        const DuzUdozuzeWallUs time(std::chrono::seconds(Start + i / 1000 + (jumped % 2) * Decade)
                                    + std::chrono::milliseconds(i % 1000));
        DuzUdozuzeCaptureWriter::appendPacket(buffer, time, packets.at(i % senders));
        if (buffer.size() >= 1 << 20)
            written = writeOut();
    }
    written = written && writeOut();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "capturemaker: %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}

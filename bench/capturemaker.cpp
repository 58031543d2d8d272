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
#include <cstdio>
#include <cstdlib>

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

    pcap_t *dead = pcap_open_dead(DLT_EN10MB, 65535);
    pcap_dumper_t *dumper = pcap_dump_open(dead, argv[1]);
    if (!dumper) {
        std::fprintf(stderr, "capturemaker: %s\n", pcap_geterr(dead));
        return 1;
    }
    constexpr long Start = 1700000000;
    constexpr long Decade = 10L * 365 * 24 * 60 * 60;
    for (long i = 0; i < count; ++i) {
        const QByteArray &bytes = packets.at(i % senders);
        pcap_pkthdr header {};
        // The jumps so far: odd, a decade on; even, back again.
        const long jumped = jumps > 0 ? i * (jumps + 1) / count : 0;
        header.ts.tv_sec = Start + i / 1000 + (jumped % 2) * Decade;
        header.ts.tv_usec = (i % 1000) * 1000;
        header.caplen = header.len = bpf_u_int32(bytes.size());
        pcap_dump(reinterpret_cast<u_char *>(dumper), &header,
                  reinterpret_cast<const u_char *>(bytes.constData()));
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
    return 0;
}

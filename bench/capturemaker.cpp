// SPDX-License-Identifier: MIT
// capturemaker PATH COUNT [SENDERS]: writes a pcap file, as tcpdump -w would
// on an Ethernet, of COUNT status datagrams to port 9208, 1 ms apart, from
// workstations 1 to SENDERS (100) in turn: workstation 1 the master ("NA"),
// the others its slaves ("NC").

#include "protocol/duzudozuzestatusdatagram.h"

#include <pcap/pcap.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void put16(std::vector<uchar> &bytes, size_t at, int value)
{
    bytes[at] = uchar(value >> 8);
    bytes[at + 1] = uchar(value);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: capturemaker PATH COUNT [SENDERS]\n");
        return 2;
    }
    const long count = std::atol(argv[2]);
    const int senders = argc == 4 ? std::max(1, std::atoi(argv[3])) : 100;
    // Ethernet, IPv4 and UDP headers, then the datagram, for each sender.
    std::vector<std::vector<uchar>> packets;
    for (int workstation = 1; workstation <= senders; ++workstation) {
        const QByteArray payload = DuzUdozuzeStatusDatagram::format(
            workstation == 1 ? QStringLiteral("NA") : QStringLiteral("NC"), QStringLiteral("north"),
            QStringLiteral("Fire"), workstation, 3, true);
        std::vector<uchar> bytes(14 + 20 + 8 + size_t(payload.size()));
        put16(bytes, 12, 0x0800);
        bytes[14] = 0x45;
        put16(bytes, 16, 28 + int(payload.size()));
        bytes[22] = 64;
        bytes[23] = 17;
        const uchar addresses[8]
            = {10, 0, uchar(workstation >> 8), uchar(workstation), 10, 0, 255, 255};
        std::copy(addresses, addresses + 8, bytes.begin() + 26);
        put16(bytes, 34, 40000);
        put16(bytes, 36, 9208);
        put16(bytes, 38, 8 + int(payload.size()));
        std::copy(payload.begin(), payload.end(), bytes.begin() + 42);
        packets.push_back(std::move(bytes));
    }

    pcap_t *dead = pcap_open_dead(DLT_EN10MB, 65535);
    pcap_dumper_t *dumper = pcap_dump_open(dead, argv[1]);
    if (!dumper) {
        std::fprintf(stderr, "capturemaker: %s\n", pcap_geterr(dead));
        return 1;
    }
    constexpr long Start = 1700000000;
    for (long i = 0; i < count; ++i) {
        const std::vector<uchar> &bytes = packets[size_t(i % senders)];
        pcap_pkthdr header {};
        header.ts.tv_sec = Start + i / 1000;
        header.ts.tv_usec = (i % 1000) * 1000;
        header.caplen = header.len = bpf_u_int32(bytes.size());
        pcap_dump(reinterpret_cast<u_char *>(dumper), &header, bytes.data());
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
    return 0;
}

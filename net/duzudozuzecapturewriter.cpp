// SPDX-License-Identifier: MIT
#include "net/duzudozuzecapturewriter.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr quint8 PacketHost = 0; // received
constexpr quint8 PacketOutgoing = 4; // sent
// Raw IP is DLT_RAW to libpcap on Linux, and another number in a file.
constexpr quint32 LinkTypeRaw = 101;

void put16(uchar *at, quint32 value)
{
    at[0] = uchar(value >> 8);
    at[1] = uchar(value);
}

void put32(uchar *at, quint32 value)
{
    put16(at, value >> 16);
    put16(at + 2, value);
}

} // namespace

void DuzUdozuzeCaptureWriter::putFileHeader(char *at, int linkType)
{
    struct
    {
        quint32 magic = 0xA1B2C3D4;
        quint16 major = 2;
        quint16 minor = 4;
        qint32 zone = 0;
        quint32 accuracy = 0;
        quint32 snapshot = SnapshotLength;
        quint32 linkType = 0;
    } header;
    header.linkType = linkType == DLT_RAW ? LinkTypeRaw : quint32(linkType);
    static_assert(sizeof header == FileHeaderSize);
    std::memcpy(at, &header, FileHeaderSize);
}

void DuzUdozuzeCaptureWriter::putRecordHeader(char *at, DuzUdozuzeWallUs time, qint64 captured,
                                              qint64 length)
{
    const auto [seconds, micros] = duzUdozuzeSecondsAndMicros(time);
    const quint32 header[4]
        = {quint32(seconds), quint32(micros), quint32(captured), quint32(length)};
    std::memcpy(at, header, RecordHeaderSize);
}

void DuzUdozuzeCaptureWriter::putDatagram(char *at, const DuzUdozuzeWireDatagram &datagram)
{
    constexpr qint64 Headers = CookedSize + Ipv4UdpSize;
    const qint64 captured = datagram.payload.size();
    putRecordHeader(at, datagram.time, Headers + captured,
                    Headers + qMax<qint64>(datagram.length, captured));
    uchar *cooked = reinterpret_cast<uchar *>(at) + RecordHeaderSize;
    std::fill_n(cooked, Headers, uchar(0));
    put16(cooked, 0x0800);
    put16(cooked + 8, 0xFFFE); // ARPHRD_NONE: no link-layer address
    cooked[10] = datagram.sent ? PacketOutgoing : PacketHost;
    uchar *ip = cooked + CookedSize;
    ip[0] = 0x45;
    put16(ip + 2, quint32(qMin<qint64>(Ipv4UdpSize + datagram.length, 0xFFFF)));
    ip[8] = 64; // time to live
    ip[9] = 17; // UDP
    put32(ip + 12, datagram.source);
    put32(ip + 16, datagram.destination);
    quint32 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum += quint32(ip[i] << 8 | ip[i + 1]);
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    put16(ip + 10, ~sum & 0xFFFF);
    uchar *udp = ip + 20;
    put16(udp, datagram.sourcePort);
    put16(udp + 2, datagram.destinationPort);
    put16(udp + 4, quint32(qMin<qint64>(8 + datagram.length, 0xFFFF)));
    std::memcpy(cooked + Headers, datagram.payload.data(), size_t(captured));
}

void DuzUdozuzeCaptureWriter::appendFileHeader(QByteArray &buffer, int linkType)
{
    const qsizetype at = buffer.size();
    buffer.resize(at + FileHeaderSize);
    putFileHeader(buffer.data() + at, linkType);
}

void DuzUdozuzeCaptureWriter::appendPacket(QByteArray &buffer, DuzUdozuzeWallUs time,
                                           QByteArrayView bytes)
{
    const qsizetype at = buffer.size();
    buffer.resize(at + RecordHeaderSize);
    putRecordHeader(buffer.data() + at, time, bytes.size(), bytes.size());
    buffer.append(bytes);
}

// SPDX-License-Identifier: MIT
#ifndef CAPTURESUPPORT_H
#define CAPTURESUPPORT_H

#include "net/duzudozuzecapturewriter.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <pcap/pcap.h>

// Capture files made by the tests, as tcpdump would write them.

inline QByteArray bigEndian16(quint16 value)
{
    const char bytes[2] = {char(value >> 8), char(value & 0xFF)};
    return QByteArray(bytes, 2);
}

// An IPv4 packet with a UDP datagram from 10.0.0.SENDER:40000 to
// 10.0.0.255:port; fragment: the flags and offset field.
inline QByteArray ipv4Udp(const QByteArray &payload, int sender = 2, quint16 port = 9208,
                          quint16 fragment = 0, char protocol = 17)
{
    const QByteArray udp = bigEndian16(40000) + bigEndian16(port)
        + bigEndian16(quint16(8 + payload.size())) + bigEndian16(0) + payload;
    const char addresses[8] = {10, 0, 0, char(sender), 10, 0, 0, char(0xFF)};
    return QByteArray("\x45\x00", 2) + bigEndian16(quint16(20 + udp.size())) + bigEndian16(1)
        + bigEndian16(fragment) + QByteArray(1, 64) + QByteArray(1, protocol) + bigEndian16(0)
        + QByteArray(addresses, 8) + udp;
}

inline QByteArray ethernet(quint16 type)
{
    return QByteArray(12, '\x11') + bigEndian16(type);
}

// The header of a Linux cooked (SLL) capture's packet.
inline QByteArray cooked(quint16 type)
{
    return QByteArray(14, '\0') + bigEndian16(type);
}

struct CapturedPacket
{
    qint64 timeUs;
    QByteArray bytes;
};

// Writes the packets to path as a pcap file of the link type.
inline bool writeCapture(const QString &path, const QList<CapturedPacket> &packets,
                         int linkType = DLT_EN10MB)
{
    QByteArray bytes;
    DuzUdozuzeCaptureWriter::appendFileHeader(bytes, linkType);
    for (const CapturedPacket &packet : packets)
        DuzUdozuzeCaptureWriter::appendPacket(
            bytes, DuzUdozuzeWallUs(std::chrono::microseconds(packet.timeUs)), packet.bytes);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush();
}

#endif // CAPTURESUPPORT_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTUREWRITER_H
#define DUZUDOZUZECAPTUREWRITER_H

#include "net/duzudozuzewiredatagram.h"

#include <QByteArray>
#include <QByteArrayView>

// Capture files as libpcap writes them (pcap 2.4, microsecond times, this
// host's byte order), made in memory: the file's header, then each packet's
// record and bytes. Writing them to a file is the caller's: the recorder
// keeps whole packets in its own buffer, the tests and the benchmarks write
// them as they come.
namespace DuzUdozuzeCaptureWriter {

constexpr qint64 FileHeaderSize = 24;
constexpr qint64 RecordHeaderSize = 16; // before each packet's bytes
constexpr qint64 CookedSize = 20; // a Linux cooked (v2) header
constexpr qint64 Ipv4UdpSize = 20 + 8;
constexpr quint32 SnapshotLength = 65535;

// The bytes of a datagram's record, its headers included.
constexpr qint64 datagramRecordSize(qint64 captured)
{
    return RecordHeaderSize + CookedSize + Ipv4UdpSize + captured;
}

// The file's header, for packets of the link type (libpcap's DLT_ number,
// written as files name it); at holds FileHeaderSize bytes.
void putFileHeader(char *at, int linkType);
// A packet's record, that its bytes follow: its time (32 bits of seconds)
// and its lengths, captured and on the wire; at holds RecordHeaderSize bytes.
void putRecordHeader(char *at, DuzUdozuzeWallUs time, qint64 captured, qint64 length);
// A datagram's whole record in a file of DLT_LINUX_SLL2, as a recording
// keeps it: the record's header, the cooked header (sent by this host or
// received), IPv4 (its checksum made) and UDP (its checksum left out), and
// the payload as captured; at holds datagramRecordSize(payload's size) bytes.
void putDatagram(char *at, const DuzUdozuzeWireDatagram &datagram);

// The same, appended to a buffer: the file's header, and a packet of bytes
// as captured whole.
void appendFileHeader(QByteArray &buffer, int linkType);
void appendPacket(QByteArray &buffer, DuzUdozuzeWallUs time, QByteArrayView bytes);

} // namespace DuzUdozuzeCaptureWriter

#endif // DUZUDOZUZECAPTUREWRITER_H

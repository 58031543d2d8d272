// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTUREREADER_H
#define DUZUDOZUZECAPTUREREADER_H

#include "net/duzudozuzewiredatagram.h"

#include <QByteArrayView>
#include <QString>

#include <cstdio>
#include <optional>

struct pcap;

// A capture file (pcap or pcapng, as tcpdump -w writes it; "-" for standard
// input), read with libpcap: the UDP datagrams over IPv4 in it, one at a
// time, with the time each was captured. Link types: Ethernet (VLAN tags
// too), Linux cooked (SLL and SLL2), raw IP and BSD loopback; a packet of
// another link type, not UDP over IPv4, or an IP fragment is skipped, and
// says why, and so is a packet a Linux cooked capture marks as sent by the
// capturing host (the answers a recording keeps). UDP checksums are not checked: a capture made on
// the sending host carries offloaded ones.
class DuzUdozuzeCaptureReader
{
public:
    using Datagram = DuzUdozuzeWireDatagram;

    enum class Result {
        Datagram, // one more datagram
        Skipped, // a packet that is none (skipReason() says why)
        End, // the end of the file
        Waiting, // following: the end of what is written so far
        Error, // the file is unreadable or cut short (error() says where)
    };

    explicit DuzUdozuzeCaptureReader(const QString &path);
    // A capture from a stream already open, which the reader closes.
    explicit DuzUdozuzeCaptureReader(FILE *file);
    ~DuzUdozuzeCaptureReader();
    DuzUdozuzeCaptureReader(const DuzUdozuzeCaptureReader &) = delete;
    DuzUdozuzeCaptureReader &operator=(const DuzUdozuzeCaptureReader &) = delete;

    bool isOpen() const { return m_pPcap != nullptr; }
    // Following a file still being written, as tail -f does: its end, or a
    // packet written only in part, is Waiting, and the next call reads on
    // from where that packet begins. A pipe is followed by its nature.
    void setFollow(bool follow) { m_bFollow = follow; }
    // Whether an error, of opening or reading, is a file that ends before
    // what it has begun: a file still being written may be read on later.
    bool cutShort() const;
    const QString &error() const { return m_strError; }
    Result next(Datagram &datagram);
    // Packets read so far, the one just read included.
    quint64 packetNumber() const { return m_nPackets; }
    const QString &skipReason() const { return m_strSkip; }

    // One packet of a link type, its first captured bytes: its UDP datagram
    // over IPv4, or nothing, with the reason in skip.
    static std::optional<Datagram> decode(int linkType, const uchar *data, qsizetype captured,
                                          QString *skip);

private:
    void opened(pcap *handle, const char *error);

    pcap *m_pPcap = nullptr;
    int m_nLinkType = 0;
    bool m_bFollow = false;
    quint64 m_nPackets = 0;
    QString m_strError;
    QString m_strSkip;
};

#endif // DUZUDOZUZECAPTUREREADER_H

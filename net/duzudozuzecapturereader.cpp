// SPDX-License-Identifier: MIT
#include "net/duzudozuzecapturereader.h"

#include <QFile>

#include <pcap/pcap.h>

namespace {

quint16 be16(const uchar *at)
{
    return quint16((at[0] << 8) | at[1]);
}

quint32 be32(const uchar *at)
{
    return (quint32(at[0]) << 24) | (quint32(at[1]) << 16) | (quint32(at[2]) << 8) | at[3];
}

constexpr quint16 EtherIpv4 = 0x0800;
constexpr quint16 EtherVlan = 0x8100;
constexpr quint16 EtherQinQ = 0x88A8;
// A Linux cooked packet's type: one the capturing host sent. Its program
// heard it, if at all, only as it came back (a broadcast does), and that is
// a packet of its own in the capture.
constexpr quint16 PacketOutgoing = 4;
const char SentHere[] = "sent by the capturing host";

} // namespace

DuzUdozuzeCaptureReader::DuzUdozuzeCaptureReader(const QString &path)
{
    char error[PCAP_ERRBUF_SIZE] = {};
    opened(path == QLatin1String("-")
               ? pcap_fopen_offline(stdin, error)
               : pcap_open_offline(QFile::encodeName(path).constData(), error),
           error);
}

DuzUdozuzeCaptureReader::DuzUdozuzeCaptureReader(FILE *file)
{
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap *handle = pcap_fopen_offline(file, error);
    // Without a handle, the stream is still the reader's to close.
    if (!handle)
        std::fclose(file);
    opened(handle, error);
}

void DuzUdozuzeCaptureReader::opened(pcap *handle, const char *error)
{
    m_pPcap = handle;
    if (!m_pPcap) {
        m_strError = QString::fromLocal8Bit(error);
        return;
    }
    m_nLinkType = pcap_datalink(m_pPcap);
}

DuzUdozuzeCaptureReader::~DuzUdozuzeCaptureReader()
{
    if (m_pPcap)
        pcap_close(m_pPcap);
}

DuzUdozuzeCaptureReader::Result DuzUdozuzeCaptureReader::next(Datagram &datagram)
{
    if (!m_pPcap)
        return Result::Error;
    pcap_pkthdr *header = nullptr;
    const uchar *data = nullptr;
    FILE *file = pcap_file(m_pPcap);
    const off_t begin = m_bFollow ? ftello(file) : -1;
    const int status = pcap_next_ex(m_pPcap, &header, &data);
    if (status != 1 && status != PCAP_ERROR_BREAK)
        m_strError = QString::fromLocal8Bit(pcap_geterr(m_pPcap));
    // Read on later from where the packet begins (the end of file is sticky
    // in stdio until cleared).
    if (begin >= 0 && (status == PCAP_ERROR_BREAK || (status != 1 && cutShort()))
        && fseeko(file, begin, SEEK_SET) == 0) {
        clearerr(file);
        return Result::Waiting;
    }
    if (status == PCAP_ERROR_BREAK)
        return Result::End;
    if (status != 1)
        return Result::Error;
    ++m_nPackets;
    const std::optional<Datagram> found
        = decode(m_nLinkType, data, qsizetype(header->caplen), &m_strSkip);
    if (!found)
        return Result::Skipped;
    datagram = *found;
    // A pcap file's seconds are unsigned 32 bits, which libpcap reads as
    // signed: from 2038-01-19 03:14:08 on they come out negative.
    qint64 seconds = header->ts.tv_sec;
    if (seconds < 0 && seconds >= -(qint64(1) << 31))
        seconds += qint64(1) << 32;
    // Beyond the years a time of day can be told for, the latest such time.
    constexpr qint64 MaxSeconds = qint64(1) << 42;
    seconds = qBound(-MaxSeconds, seconds, MaxSeconds);
    datagram.time = DuzUdozuzeWallUs(std::chrono::seconds(seconds)
                                     + std::chrono::microseconds(header->ts.tv_usec));
    return Result::Datagram;
}

// libpcap names a file that ends within a header or a packet "truncated".
bool DuzUdozuzeCaptureReader::cutShort() const
{
    return m_strError.contains(QLatin1String("truncated"));
}

std::optional<DuzUdozuzeCaptureReader::Datagram>
DuzUdozuzeCaptureReader::decode(int linkType, const uchar *data, qsizetype captured, QString *skip)
{
    const auto skipped = [skip](const char *why) {
        if (skip)
            *skip = QString::fromLatin1(why);
        return std::nullopt;
    };
    // Where the IPv4 header starts, by the link type.
    qsizetype at = 0;
    switch (linkType) {
    case DLT_EN10MB: {
        if (captured < 14)
            return skipped("a packet shorter than its Ethernet header");
        quint16 type = be16(data + 12);
        at = 14;
        while ((type == EtherVlan || type == EtherQinQ) && captured >= at + 4) {
            type = be16(data + at + 2);
            at += 4;
        }
        if (type != EtherIpv4)
            return skipped("not IPv4");
        break;
    }
    case DLT_LINUX_SLL:
        if (captured < 16)
            return skipped("a packet shorter than its cooked header");
        if (be16(data + 14) != EtherIpv4)
            return skipped("not IPv4");
        if (be16(data) == PacketOutgoing)
            return skipped(SentHere);
        at = 16;
        break;
    case DLT_LINUX_SLL2:
        if (captured < 20)
            return skipped("a packet shorter than its cooked header");
        if (be16(data) != EtherIpv4)
            return skipped("not IPv4");
        if (data[10] == PacketOutgoing)
            return skipped(SentHere);
        at = 20;
        break;
    case DLT_RAW:
    case DLT_IPV4:
        break;
    case DLT_NULL:
    case DLT_LOOP: {
        if (captured < 4)
            return skipped("a packet shorter than its loopback header");
        // The address family, in the byte order of the host that wrote it
        // (DLT_NULL) or in network order (DLT_LOOP): 2 is AF_INET.
        const quint32 family = linkType == DLT_LOOP
            ? be32(data)
            : quint32(data[0] | (data[1] << 8) | (data[2] << 16) | (quint32(data[3]) << 24));
        if (family != 2 && family != 0x02000000)
            return skipped("not IPv4");
        at = 4;
        break;
    }
    default:
        return skipped("a link type other than Ethernet, Linux cooked, raw IP or loopback");
    }

    const uchar *ip = data + at;
    const qsizetype ipCaptured = captured - at;
    if (ipCaptured < 20 || (ip[0] >> 4) != 4)
        return skipped("not IPv4");
    const qsizetype headerLength = qsizetype(ip[0] & 0x0F) * 4;
    if (headerLength < 20 || ipCaptured < headerLength + 8)
        return skipped("a packet cut short before its UDP header");
    if (ip[9] != 17)
        return skipped("not UDP");
    // More fragments, or an offset: one piece of a larger datagram.
    if ((be16(ip + 6) & 0x3FFF) != 0)
        return skipped("an IP fragment");
    const uchar *udp = ip + headerLength;
    const qsizetype udpLength = be16(udp + 4);
    Datagram datagram;
    datagram.source = be32(ip + 12);
    datagram.destination = be32(ip + 16);
    datagram.sourcePort = be16(udp);
    datagram.destinationPort = be16(udp + 2);
    datagram.length = qMax<qsizetype>(0, udpLength - 8);
    const qsizetype payloadCaptured = qMin(ipCaptured - headerLength - 8, datagram.length);
    datagram.payload = QByteArrayView(udp + 8, payloadCaptured);
    return datagram;
}

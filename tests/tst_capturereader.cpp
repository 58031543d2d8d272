// SPDX-License-Identifier: MIT
#include "net/duzudozuzecapturereader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <pcap/pcap.h>

// Status datagrams out of capture files: each link type, the packets that are
// none, and a file cut short.
class TestCaptureReader : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void readsAFile();
};

namespace {

QByteArray be16(quint16 value)
{
    const char bytes[2] = {char(value >> 8), char(value & 0xFF)};
    return QByteArray(bytes, 2);
}

// An IPv4 packet from 10.0.0.2:40000 to 10.0.0.255:9208.
QByteArray ipv4(const QByteArray &payload, quint16 fragment = 0, char protocol = 17)
{
    const QByteArray udp
        = be16(40000) + be16(9208) + be16(quint16(8 + payload.size())) + be16(0) + payload;
    return QByteArray("\x45\x00", 2) + be16(quint16(20 + udp.size())) + be16(1) + be16(fragment)
        + QByteArray(1, 64) + QByteArray(1, protocol) + be16(0)
        + QByteArray("\x0a\x00\x00\x02\x0a\x00\x00\xff", 8) + udp;
}

QByteArray ethernet(quint16 type)
{
    return QByteArray(12, '\x11') + be16(type);
}

const QByteArray Payload("NA:north:Fire:2:3:OK");

} // namespace

void TestCaptureReader::decode_data()
{
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QString>("skipped"); // empty: the datagram is found
    QTest::newRow("Ethernet") << DLT_EN10MB << ethernet(0x0800) + ipv4(Payload) << "";
    QTest::newRow("Ethernet, VLAN tag")
        << DLT_EN10MB
        << QByteArray(12, '\x11') + be16(0x8100) + be16(5) + be16(0x0800) + ipv4(Payload) << "";
    QTest::newRow("Linux cooked") << DLT_LINUX_SLL
                                  << QByteArray(14, '\0') + be16(0x0800) + ipv4(Payload) << "";
    QTest::newRow("Linux cooked 2")
        << DLT_LINUX_SLL2 << be16(0x0800) + QByteArray(18, '\0') + ipv4(Payload) << "";
    QTest::newRow("raw IP") << DLT_RAW << ipv4(Payload) << "";
    QTest::newRow("BSD loopback") << DLT_NULL << QByteArray("\x02\0\0\0", 4) + ipv4(Payload) << "";
    QTest::newRow("ARP") << DLT_EN10MB << ethernet(0x0806) + QByteArray(28, '\0') << "not IPv4";
    QTest::newRow("TCP") << DLT_EN10MB << ethernet(0x0800) + ipv4(Payload, 0, 6) << "not UDP";
    QTest::newRow("first fragment")
        << DLT_EN10MB << ethernet(0x0800) + ipv4(Payload, 0x2000) << "an IP fragment";
    QTest::newRow("later fragment")
        << DLT_EN10MB << ethernet(0x0800) + ipv4(Payload, 0x0010) << "an IP fragment";
    QTest::newRow("cut short") << DLT_EN10MB << ethernet(0x0800) + ipv4(Payload).left(24)
                               << "a packet cut short before its UDP header";
    QTest::newRow("another link type")
        << DLT_IEEE802_11 << ipv4(Payload)
        << "a link type other than Ethernet, Linux cooked, raw IP or loopback";
}

void TestCaptureReader::decode()
{
    QFETCH(int, linkType);
    QFETCH(QByteArray, packet);
    QFETCH(QString, skipped);
    QString why;
    const auto found = DuzUdozuzeCaptureReader::decode(
        linkType, reinterpret_cast<const uchar *>(packet.constData()), packet.size(), &why);
    QCOMPARE(why, skipped);
    QCOMPARE(found.has_value(), skipped.isEmpty());
    if (found) {
        QCOMPARE(found->payload, Payload);
        QCOMPARE(found->source, 0x0A000002u);
        QCOMPARE(found->destinationPort, quint16(9208));
    }
}

// A file as tcpdump writes it: the datagrams with their times; cut short, the
// packet where it ends is named.
void TestCaptureReader::readsAFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("capture.pcap"));
    pcap_t *dead = pcap_open_dead(DLT_EN10MB, 65535);
    pcap_dumper_t *dumper = pcap_dump_open(dead, QFile::encodeName(path).constData());
    QVERIFY(dumper);
    const QList<QByteArray> packets {ethernet(0x0800) + ipv4(Payload),
                                     ethernet(0x0806) + QByteArray(28, '\0'),
                                     ethernet(0x0800) + ipv4("NO:north:Fire:7:3:OK")};
    for (int i = 0; i < packets.size(); ++i) {
        pcap_pkthdr header {};
        header.ts.tv_sec = 1700000000 + i;
        header.ts.tv_usec = 250000;
        header.caplen = header.len = bpf_u_int32(packets.at(i).size());
        pcap_dump(reinterpret_cast<u_char *>(dumper), &header,
                  reinterpret_cast<const u_char *>(packets.at(i).constData()));
    }
    pcap_dump_close(dumper);
    pcap_close(dead);

    using Result = DuzUdozuzeCaptureReader::Result;
    DuzUdozuzeCaptureReader::Datagram datagram;
    {
        DuzUdozuzeCaptureReader reader(path);
        QVERIFY2(reader.isOpen(), qPrintable(reader.error()));
        QCOMPARE(reader.next(datagram), Result::Datagram);
        QCOMPARE(datagram.timeUs, 1700000000250000);
        QCOMPARE(reader.next(datagram), Result::Skipped);
        QCOMPARE(reader.skipReason(), QStringLiteral("not IPv4"));
        QCOMPARE(reader.next(datagram), Result::Datagram);
        QCOMPARE(datagram.payload, QByteArray("NO:north:Fire:7:3:OK"));
        QCOMPARE(reader.next(datagram), Result::End);
    }
    QFile file(path);
    QVERIFY(file.resize(file.size() - 10));
    DuzUdozuzeCaptureReader cut(path);
    QCOMPARE(cut.next(datagram), Result::Datagram);
    QCOMPARE(cut.next(datagram), Result::Skipped);
    QCOMPARE(cut.next(datagram), Result::Error);
    QCOMPARE(cut.packetNumber(), 2u);
    QVERIFY(!cut.error().isEmpty());
    QVERIFY(!DuzUdozuzeCaptureReader(folder.filePath(QStringLiteral("none"))).isOpen());
}

QTEST_GUILESS_MAIN(TestCaptureReader)
#include "tst_capturereader.moc"

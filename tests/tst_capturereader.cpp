// SPDX-License-Identifier: MIT
#include "capturesupport.h"
#include "net/duzudozuzecapturereader.h"

#include <QTemporaryDir>
#include <QtTest>

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

const QByteArray Payload("NA:north:Fire:2:3:OK");

} // namespace

void TestCaptureReader::decode_data()
{
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QString>("skipped"); // empty: the datagram is found
    QTest::newRow("Ethernet") << DLT_EN10MB << ethernet(0x0800) + ipv4Udp(Payload) << "";
    QTest::newRow("Ethernet, VLAN tag") << DLT_EN10MB
                                        << QByteArray(12, '\x11') + bigEndian16(0x8100)
            + bigEndian16(5) + bigEndian16(0x0800) + ipv4Udp(Payload)
                                        << "";
    QTest::newRow("Linux cooked") << DLT_LINUX_SLL
                                  << QByteArray(14, '\0') + bigEndian16(0x0800) + ipv4Udp(Payload)
                                  << "";
    QTest::newRow("Linux cooked 2")
        << DLT_LINUX_SLL2 << bigEndian16(0x0800) + QByteArray(18, '\0') + ipv4Udp(Payload) << "";
    QTest::newRow("raw IP") << DLT_RAW << ipv4Udp(Payload) << "";
    QTest::newRow("BSD loopback") << DLT_NULL << QByteArray("\x02\0\0\0", 4) + ipv4Udp(Payload)
                                  << "";
    QTest::newRow("ARP") << DLT_EN10MB << ethernet(0x0806) + QByteArray(28, '\0') << "not IPv4";
    QTest::newRow("TCP") << DLT_EN10MB << ethernet(0x0800) + ipv4Udp(Payload, 2, 9208, 0, 6)
                         << "not UDP";
    QTest::newRow("first fragment")
        << DLT_EN10MB << ethernet(0x0800) + ipv4Udp(Payload, 2, 9208, 0x2000) << "an IP fragment";
    QTest::newRow("later fragment")
        << DLT_EN10MB << ethernet(0x0800) + ipv4Udp(Payload, 2, 9208, 0x0010) << "an IP fragment";
    QTest::newRow("cut short") << DLT_EN10MB << ethernet(0x0800) + ipv4Udp(Payload).left(24)
                               << "a packet cut short before its UDP header";
    QTest::newRow("another link type")
        << DLT_IEEE802_11 << ipv4Udp(Payload)
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
        QCOMPARE(found->payload.toByteArray(), Payload);
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
    QVERIFY(writeCapture(path,
                         {{1700000000250000, ethernet(0x0800) + ipv4Udp(Payload)},
                          {1700000001250000, ethernet(0x0806) + QByteArray(28, '\0')},
                          // 2038-01-19 03:14:08.25, past 31 bits of seconds
                          {2147483648250000, ethernet(0x0800) + ipv4Udp("NO:north:Fire:7:3:OK")}}));

    using Result = DuzUdozuzeCaptureReader::Result;
    DuzUdozuzeCaptureReader::Datagram datagram;
    {
        DuzUdozuzeCaptureReader reader(path);
        QVERIFY2(reader.isOpen(), qPrintable(reader.error()));
        QCOMPARE(reader.next(datagram), Result::Datagram);
        QCOMPARE(datagram.time.time_since_epoch().count(), 1700000000250000);
        QCOMPARE(reader.next(datagram), Result::Skipped);
        QCOMPARE(reader.skipReason(), QStringLiteral("not IPv4"));
        QCOMPARE(reader.next(datagram), Result::Datagram);
        QCOMPARE(datagram.payload.toByteArray(), QByteArray("NO:north:Fire:7:3:OK"));
        QCOMPARE(datagram.time.time_since_epoch().count(), 2147483648250000);
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

// SPDX-License-Identifier: MIT
#include "capturesupport.h"
#include "common/duzudozuzesettings.h"
#include "net/duzudozuzecapturefeed.h"
#include "net/duzudozuzerecordfolder.h"
#include "protocol/duzudozuzesession.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

// The capture feed on its own: a capture, or a recording's folder, read into
// a session on the test's event loop, the session's sink recording what
// comes out. The workstation under test is number 7 of system "north",
// alarm system "Fire", channel 3; packets come from 10.0.0.N:40000; local
// time is UTC.
class TestCaptureFeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void readsToItsEnd_data();
    void readsToItsEnd();
    void linesAreTheSessions_data();
    void linesAreTheSessions();
    void claimsOnTheCaptureClock_data();
    void claimsOnTheCaptureClock();
    void heldAndResumed_data();
    void heldAndResumed();
    void handedOverInSlices();
    void traits();

private:
    // Writes the packets as a capture of the link type, cut bytes cut off its
    // end, or as a recording's one file, and starts the feed on it.
    bool start(const QList<CapturedPacket> &packets, bool recording = false,
               int linkType = DLT_EN10MB, int cut = 0);

    // What a session makes: its lines, its warnings as the console tells
    // them, the answers it sends.
    struct Made : DuzUdozuzeSession::Sink
    {
        void logLine(const QString &line) override { lines.append(line); }
        bool sendStatus(const QByteArray &datagram) override
        {
            sent.append(datagram);
            return true;
        }
        void warned(bool, const QString &text) override
        {
            warnings.append(session->timeText() + QLatin1Char(' ') + text);
        }
        void counted() override { }
        void modeChanged(bool) override { }

        DuzUdozuzeSession *session = nullptr;
        QStringList lines;
        QStringList warnings;
        QList<QByteArray> sent;
    };

    DuzUdozuzeSettings settings;
    std::unique_ptr<QTemporaryDir> folder;
    Made made;
    std::unique_ptr<DuzUdozuzeSession> session;
    std::unique_ptr<DuzUdozuzeCaptureFeed> feed;
    bool respond = false;
    QStringList tells; // what the feed told
    QList<int> ended;
};

namespace {

constexpr qint64 Start = 1700000000250000; // 2023-11-14T22:13:20.250Z, in us
constexpr qint64 Second = 1000000; // us
constexpr int Deadline = 20000; // ms

// A status datagram from workstation sender at Start + at us, on Ethernet.
CapturedPacket packet(qint64 at, const QByteArray &payload, int sender = 2, quint16 port = 9208,
                      quint16 fragment = 0)
{
    return {Start + at, ethernet(0x0800) + ipv4Udp(payload, sender, port, fragment)};
}

// Datagrams "NC:a:b:i:3:OK" a millisecond apart.
QList<CapturedPacket> numbered(int first, int count)
{
    QList<CapturedPacket> packets;
    for (int i = first; i < first + count; ++i)
        packets.append(packet(i * 1000, "NC:a:b:" + QByteArray::number(i) + ":3:OK"));
    return packets;
}

// The numbers of the lines' "NC:a:b:i:3:OK".
QList<int> numbersOf(const QStringList &lines)
{
    QList<int> numbers;
    for (const QString &line : lines)
        numbers.append(line.section(QLatin1Char(':'), 5, 5).toInt());
    return numbers;
}

// A datagram as the test hands it to a session itself.
struct Sent
{
    qint64 at; // us after Start
    QByteArray payload;
    int sender = 2;
};

} // namespace

void TestCaptureFeed::initTestCase()
{
    qputenv("TZ", "UTC");
    ::tzset();
}

void TestCaptureFeed::init()
{
    feed.reset();
    session.reset();
    made = Made();
    settings = workstationSeven();
    folder = std::make_unique<QTemporaryDir>();
    respond = false;
    tells.clear();
    ended.clear();
}

bool TestCaptureFeed::start(const QList<CapturedPacket> &packets, bool recording, int linkType,
                            int cut)
{
    settings.m_strCapturePath = recording ? folder->path() : folder->filePath("incident.pcap");
    const QString file = recording ? folder->filePath(DuzUdozuzeRecordFolder::fileName(
                             1, packets.value(0).timeUs / 1000, false))
                                   : settings.m_strCapturePath;
    QFile written(file);
    if (!writeCapture(file, packets, linkType) || !written.resize(written.size() - cut))
        return false;
    if (recording) {
        settings.m_nPort = 0;
        settings.m_bRecordingPorts = true;
    }
    session = std::make_unique<DuzUdozuzeSession>(settings, made, DuzUdozuzeSession::Time {});
    made.session = session.get();
    feed = std::make_unique<DuzUdozuzeCaptureFeed>(settings);
    session->setSource(feed->traits());
    session->setRespondAutomatically(respond);
    session->setOk(true);
    connect(feed.get(), &DuzUdozuzeSource::told, this,
            [this](const QString &text) { tells.append(text); });
    connect(feed.get(), &DuzUdozuzeSource::ended, this, [this](int code) { ended.append(code); });
    feed->start(*session, nullptr);
    return true;
}

void TestCaptureFeed::readsToItsEnd_data()
{
    QTest::addColumn<QList<CapturedPacket>>("packets");
    QTest::addColumn<int>("port"); // 0: every port
    QTest::addColumn<bool>("recording"); // read as a recording's folder, on every port it holds
    QTest::addColumn<int>("cut"); // bytes cut off the file's end
    QTest::addColumn<QStringList>("told"); // each the beginning of one; %1 the capture
    QTest::addColumn<int>("code"); // ended with
    QTest::addColumn<quint64>("read"); // packets
    QTest::addColumn<QString>("summary");

    const QByteArray status = "NA:north:Fire:5:3:OK";
    const QByteArray arp = ethernet(0x0806) + QByteArray(28, '\0');
    const QString skipped
        = QStringLiteral("duzudozuze: packets skipped in the capture, the first number %1: %2");
    QTest::newRow("each kind skipped told once")
        << QList<CapturedPacket> {packet(0, status),
                                  packet(1 * Second, status, 5, 9300),
                                  packet(2 * Second, status, 5, 9208, 0x2000),
                                  {Start + 3 * Second, arp},
                                  packet(4 * Second, status, 5, 9300),
                                  packet(5 * Second, status, 5, 9208, 0x2000),
                                  {Start + 6 * Second, arp},
                                  packet(7 * Second, status)}
        << 9208 << false << 0
        << QStringList {skipped.arg(2).arg("to another port than 9208"),
                        skipped.arg(3).arg("an IP fragment"), skipped.arg(4).arg("not IPv4")}
        << 0 << quint64(8) << "2023-11-14 22:13:20 to 22:13:27, UDP port 9208: 2 datagrams";

    const QList<CapturedPacket> ports {packet(0, status), packet(Second, status, 5, 9301),
                                       packet(2 * Second, status, 5, 9208)};
    const QString portsRead = QStringLiteral(
        "2023-11-14 22:13:20 to 22:13:22, UDP port 9208: 2 datagrams, 9301: 1 datagram");
    QTest::newRow("every port") << ports << 0 << false << 0 << QStringList() << 0 << quint64(3)
                                << portsRead;
    const QString holds = QStringLiteral(
        "duzudozuze: read on UDP port %1, a port the recording holds (/port= chooses one)");
    QTest::newRow("a recording, each port it holds told once")
        << ports << 0 << true << 0 << QStringList {holds.arg(9208), holds.arg(9301)} << 0
        << quint64(3) << portsRead;

    QTest::newRow("a jump of 56 years")
        << QList<CapturedPacket> {{5 * Second, ethernet(0x0800) + ipv4Udp(status)},
                                  {1796000000 * Second, ethernet(0x0800) + ipv4Udp(status)}}
        << 9208 << false << 0
        << QStringList {"duzudozuze: the capture's clock jumps from 1970-01-01T00:00:05.000Z to "
                        "2026-11-30T00:53:20.000Z at packet 2"}
        << 0 << quint64(2)
        << "1970-01-01 00:00:05 to 2026-11-30 00:53:20, UDP port 9208: 2 datagrams";

    // Two hours forth and back, again and again: the first jumps told, the
    // last of them saying that no more are.
    QList<CapturedPacket> jumping;
    QStringList jumps;
    const QString there = QStringLiteral("2023-11-15T00:13:20.250Z");
    const QString back = QStringLiteral("2023-11-14T22:13:20.250Z");
    for (int i = 0; i < DuzUdozuzeCaptureFeed::MaxJumpsTold + 3; ++i) {
        jumping.append(packet(i % 2 * 7200 * Second, status));
        if (i > 0 && jumps.size() < DuzUdozuzeCaptureFeed::MaxJumpsTold) {
            jumps.append(QStringLiteral("duzudozuze: the capture's clock jumps from %1 to %2 at "
                                        "packet %3")
                             .arg(i % 2 ? back : there, i % 2 ? there : back)
                             .arg(i + 1));
        }
    }
    jumps.last() += QStringLiteral(" (further jumps are not told)");
    QTest::newRow("jumps past the most told")
        << jumping << 9208 << false << 0 << jumps << 0 << quint64(jumping.size())
        << QStringLiteral("2023-11-14 22:13:20 to 22:13:20, UDP port 9208: %1 datagrams")
               .arg(jumping.size());

    QTest::newRow("cut short in a packet")
        << numbered(0, 5) << 9208 << false << 10 << QStringList {"duzudozuze: %1: packet 5: "} << 2
        << quint64(4) << "2023-11-14 22:13:20 to 22:13:20, UDP port 9208: 4 datagrams";
    QTest::newRow("no datagram") << QList<CapturedPacket> {{Start, arp}} << 9208 << false << 0
                                 << QStringList {skipped.arg(1).arg("not IPv4")} << 0 << quint64(1)
                                 << "";
}

// Read to the end: every packet counted, what the operator should know told
// once each, the span and the ports read summed up, the end's code.
void TestCaptureFeed::readsToItsEnd()
{
    QFETCH(QList<CapturedPacket>, packets);
    QFETCH(int, port);
    QFETCH(bool, recording);
    QFETCH(int, cut);
    QFETCH(QStringList, told);
    QFETCH(QString, summary);
    settings.m_nPort = port;
    QVERIFY(start(packets, recording, DLT_EN10MB, cut));
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), Deadline);
    QCOMPARE(ended.size(), 1);
    QTEST(ended.first(), "code");
    QCOMPARE(tells.size(), told.size());
    for (qsizetype i = 0; i < told.size(); ++i) {
        const QString beginning = QString(told.at(i)).replace("%1", settings.m_strCapturePath);
        QVERIFY2(tells.at(i).startsWith(beginning), qPrintable(tells.at(i)));
    }
    const DuzUdozuzeSource::Reading reading = feed->reading();
    QVERIFY(reading.ended);
    QTEST(reading.packets, "read");
    QCOMPARE(reading.summary, summary);
    QCOMPARE(reading.span, summary.section(QLatin1Char(','), 0, 0));
}

void TestCaptureFeed::linesAreTheSessions_data()
{
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QByteArray>("header"); // the link's header of an IPv4 packet
    QTest::addColumn<QList<Sent>>("sent");
    QTest::addColumn<QString>("line"); // one of them
    QTest::addColumn<int>("notSent"); // answers decided

    const QList<Sent> incident {{0, "NC:north:Fire:2:3:OK"},
                                {1 * Second, "NA:north:Fire:5:3:OK", 5},
                                {2 * Second, "x:y"},
                                {25 * Second, "NC:north:Fire:2:3:OK"},
                                {26 * Second, QByteArray(300, 'A')}};
    QTest::newRow("Ethernet") << DLT_EN10MB << ethernet(0x0800) << incident
                              << "22:13:20.250 Received 'NC:north:Fire:2:3:OK'. 10.0.0.2:40000. "
                                 "type 0"
                              << 1;
    QTest::newRow("Linux cooked")
        << DLT_LINUX_SLL << cooked(0x0800) << incident
        << "22:13:21.250 **Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:OK'" << 1;
    // However fast its answers come, at most 10 a second of its own time,
    // the rest told at its next second.
    QList<Sent> flood {{0, "NC:north:Fire:2:3:OK"}};
    for (int i = 0; i < 25; ++i)
        flood.append({0, "NA:north:Fire:5:3:OK", 5});
    flood.append({3 * Second, "NC:north:Fire:2:3:OK"});
    QTest::newRow("an answer flood") << DLT_EN10MB << ethernet(0x0800) << flood
                                     << "22:13:21.250 14 answers suppressed: more than 10 a second"
                                     << DuzUdozuzeSession::MaxAnswersPerSecond;
    QTest::newRow("past 2038")
        << DLT_EN10MB << ethernet(0x0800)
        << QList<Sent> {{2147487309 * Second - Start, "NC:north:Fire:2:3:OK"}}
        << "04:15:09.000 Received 'NC:north:Fire:2:3:OK'. 10.0.0.2:40000. type 0" << 0;
}

// The lines are the very lines the session makes of the same bytes at the
// packets' times; the answers it decides are counted, never sent.
void TestCaptureFeed::linesAreTheSessions()
{
    QFETCH(int, linkType);
    QFETCH(QByteArray, header);
    QFETCH(QList<Sent>, sent);
    QList<CapturedPacket> packets;
    for (const Sent &datagram : sent)
        packets.append({Start + datagram.at, header + ipv4Udp(datagram.payload, datagram.sender)});
    respond = true;
    QVERIFY(start(packets, false, linkType));

    Made expected;
    DuzUdozuzeSession reference(settings, expected, {});
    expected.session = &reference;
    reference.setSource(feed->traits());
    reference.setRespondAutomatically(true);
    reference.setOk(true);
    const qint64 first = (Start + sent.first().at) / 1000;
    reference.startListening({duzUdozuzeSourceMs(first), duzUdozuzeWallMs(first)});
    for (const Sent &datagram : sent) {
        const qint64 time = (Start + datagram.at) / 1000;
        reference.receive(datagram.payload.constData(), qMin<qint64>(datagram.payload.size(), 255),
                          datagram.payload.size(), 0x0A000000 | datagram.sender, 40000,
                          {duzUdozuzeSourceMs(time), duzUdozuzeWallMs(time)});
    }

    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), Deadline);
    QCOMPARE(made.lines, expected.lines);
    QFETCH(QString, line);
    QVERIFY2(made.lines.contains(line), qPrintable(made.lines.join('\n')));
    QCOMPARE(made.sent, QList<QByteArray>());
    QTEST(int(session->counts().answersNotSent), "notSent");
    QCOMPARE(session->counts().answersSent, 0u);
}

void TestCaptureFeed::claimsOnTheCaptureClock_data()
{
    QTest::addColumn<QList<CapturedPacket>>("packets");
    QTest::addColumn<bool>("recording");
    QTest::addColumn<QStringList>("warnings");

    const auto at = [](qint64 seconds, const QByteArray &payload, int sender = 2,
                       quint16 port = 9208) {
        return CapturedPacket {seconds * Second, ethernet(0x0800) + ipv4Udp(payload, sender, port)};
    };
    // Workstation 2 claims at 02:00, then the clock steps back an hour and
    // workstation 4 claims each second: 2's claim ends 10 s on.
    QList<CapturedPacket> back {at(7200, "NA:north:Fire:2:3:OK")};
    for (int second = 0; second < 12; ++second)
        back.append(at(3600 + second, "NA:north:Fire:4:3:OK", 4));
    QTest::newRow("a step back")
        << back << false
        << QStringList {"01:00:00.000 Two masters in north/Fire channel 3: workstation 2 "
                        "(10.0.0.2) and workstation 4 (10.0.0.4)",
                        "01:00:10.000 One master again in north/Fire channel 3: workstation 4"};
    QTest::newRow("a jump of 56 years")
        << QList<CapturedPacket> {at(5, "NA:north:Fire:2:3:OK"),
                                  at(1796000000, "NA:north:Fire:4:3:OK", 4)}
        << false
        << QStringList {"00:00:35.000 Nothing heard on UDP port 9208 for 30 s",
                        "00:00:45.000 No master seen in north/Fire channel 3 for 30 s",
                        "00:01:05.000 No workstation heard in north/Fire channel 3 for 60 s",
                        "00:53:20.000 Heard again on UDP port 9208 after 1795999995 s"};
    QTest::newRow("a recording of one port")
        << QList<CapturedPacket> {packet(0, "NA:north:Fire:2:3:OK", 2, 9301),
                                  packet(40 * Second, "NA:north:Fire:2:3:OK", 2, 9301)}
        << true
        << QStringList {"22:13:50.250 Nothing heard on UDP port 9301 for 30 s",
                        "22:14:00.250 No master seen in north/Fire channel 3 for 30 s",
                        "22:14:00.250 Heard again on UDP port 9301 after 40 s",
                        "22:14:00.250 Master seen again in north/Fire channel 3"};
    QTest::newRow("a recording of two ports")
        << QList<CapturedPacket> {packet(0, "NA:north:Fire:2:3:OK", 2, 9301),
                                  packet(Second, "NA:north:Fire:2:3:OK", 2, 9208),
                                  packet(40 * Second, "NA:north:Fire:2:3:OK", 2, 9301)}
        << true
        << QStringList {"22:13:51.250 Nothing heard for 30 s",
                        "22:14:00.250 Heard again after 39 s"};
}

// The picture's clock is the capture's, advancing by its steps forward only:
// claims last 10 s of it, silence is the capture's, a recording's silence
// names its port while it holds one.
void TestCaptureFeed::claimsOnTheCaptureClock()
{
    QFETCH(QList<CapturedPacket>, packets);
    QFETCH(bool, recording);
    QVERIFY(start(packets, recording));
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), Deadline);
    QTEST(made.warnings, "warnings");
}

void TestCaptureFeed::heldAndResumed_data()
{
    QTest::addColumn<bool>("follow");
    QTest::newRow("a file") << false;
    QTest::newRow("a followed file, written while held") << true;
}

// While held nothing is handed over, whatever the reading thread brings
// meanwhile; resumed, every datagram comes, in order.
void TestCaptureFeed::heldAndResumed()
{
    QFETCH(bool, follow);
    settings.m_bFollowCapture = follow;
    const int count = follow ? 1 : 1000;
    bool held = true;
    int asked = 0;
    QVERIFY(start(numbered(0, count)));
    feed->setHold([&held, &asked] {
        ++asked;
        return held;
    });
    QTRY_VERIFY_WITH_TIMEOUT(asked > 0, Deadline);
    int written = count;
    if (follow) {
        // One more packet, its header and bytes after the file's header.
        const QString more = folder->filePath("more.pcap");
        QVERIFY(writeCapture(more, numbered(count, 1)));
        QFile source(more);
        QFile file(settings.m_strCapturePath);
        QVERIFY(source.open(QIODevice::ReadOnly) && file.open(QIODevice::Append));
        QVERIFY(file.write(source.readAll().mid(24)) > 0);
        file.close();
        ++written;
        const int before = asked;
        QTRY_VERIFY_WITH_TIMEOUT(asked > before, Deadline);
    }
    QCOMPARE(made.lines.size(), 0);
    held = false;
    feed->resume();
    QTRY_COMPARE_WITH_TIMEOUT(made.lines.size(), written, Deadline);
    QList<int> numbers;
    for (int i = 0; i < written; ++i)
        numbers.append(i);
    QCOMPARE(numbersOf(made.lines), numbers);
    QCOMPARE(ended, follow ? QList<int>() : QList<int> {0});
}

// A capture too big for one slice is handed over in several, the event loop
// turning between them.
void TestCaptureFeed::handedOverInSlices()
{
    constexpr int Count = 100000;
    QVERIFY(start(numbered(0, Count)));
    int turnsWithin = 0; // turns of the event loop after the first line, before the last
    QTimer turn;
    connect(&turn, &QTimer::timeout, this, [&] {
        if (!made.lines.isEmpty() && made.lines.size() < Count)
            ++turnsWithin;
    });
    turn.start(0);
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), Deadline);
    QCOMPARE(made.lines.size(), Count);
    QVERIFY(turnsWithin > 0);
}

// A capture says what it is: a picture of the past, its answers never sent.
void TestCaptureFeed::traits()
{
    settings.m_strCapturePath = QStringLiteral("/var/tmp/incident.pcap");
    const DuzUdozuzeCaptureFeed feed(settings);
    QCOMPARE(feed.traits().clock, DuzUdozuzeSourceTraits::Clock::Recorded);
    QCOMPARE(feed.traits().title, QStringLiteral("capture incident.pcap"));
    QCOMPARE(feed.traits().origin, settings.m_strCapturePath);
    QCOMPARE(feed.traits().answersNotSent, QStringLiteral("reading a capture"));
    QCOMPARE(feed.traits().ownRole, QStringLiteral("reading a capture"));
    QVERIFY(feed.paced());
}

QTEST_GUILESS_MAIN(TestCaptureFeed)
#include "tst_capturefeed.moc"

// SPDX-License-Identifier: MIT
#include "common/duzudozuzesettings.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzesocket.h"
#include "net/duzudozuzesocketdevice.h"
#include "protocol/duzudozuzereception.h"
#include "protocol/duzudozuzestatusdatagram.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>

// Receiving: the filters and respond checks as tables, then the whole road of
// a datagram on real sockets bound to 127.0.0.1. The workstation under test is
// number 7 of system "north", alarm system "Fire", channel 3.
class TestReception : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void monitorFilters_data();
    void monitorFilters();
    void respondChecks_data();
    void respondChecks();

    void receivedLines_data();
    void receivedLines();
    void filteredDatagramLogsNothing();
    void monitorOnlyWithoutRespondAutomatically();
    void respondChecksOnTheWire();
    void healthyMasterAnswersNo();
    void ownAnswerComesBack();
    void answerFloodIsLimited();
    void readErrorIsLoggedOnce();

private:
    std::unique_ptr<DuzUdozuzeSocket> listen(QStringList args);
    void send(const QByteArray &payload);
    QString from() const;

    HostInstallation host;
    RecordingSink sink;
    DuzUdozuzeSocketDevice sender;
    quint16 port = 0;
};

namespace {
const quint32 Loopback = 0x7F000001; // 127.0.0.1
const quint32 Loopback2 = 0x7F000002; // 127.0.0.2

DuzUdozuzeSettings ownSettings()
{
    DuzUdozuzeSettings s;
    s.m_strHxSystem = QStringLiteral("north");
    s.m_strAlarmSystem = QStringLiteral("Fire");
    s.m_nWorkstation = 7;
    s.m_nChannel = 3;
    return s;
}
} // namespace

void TestReception::initTestCase()
{
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    QVERIFY(sender.bind(Loopback, 0));
}

// Settings described as "system=RE alarm=RE ws=N ch=N" (the parts given).
void TestReception::monitorFilters_data()
{
    QTest::addColumn<QString>("systemFilter");
    QTest::addColumn<QString>("alarmFilter");
    QTest::addColumn<int>("workstationFilter");
    QTest::addColumn<int>("channelFilter");
    QTest::addColumn<QString>("datagram");
    QTest::addColumn<bool>("passes");

    QTest::newRow("defaults pass all") << ""
                                       << "" << -1 << -1 << "NA:x:y:1:2:OK" << true;
    QTest::newRow("system found anywhere") << "ort"
                                           << "" << -1 << -1 << "NA:north:y:1:2:OK" << true;
    QTest::newRow("system case-sensitive") << "North"
                                           << "" << -1 << -1 << "NA:north:y:1:2:OK" << false;
    QTest::newRow("system anchored") << "^north$"
                                     << "" << -1 << -1 << "NA:northwest:y:1:2:OK" << false;
    QTest::newRow("empty system pattern") << "<empty>"
                                          << "" << -1 << -1 << "NA:z:y:1:2:OK" << true;
    QTest::newRow("alarm system") << ""
                                  << "^Fi" << -1 << -1 << "NA:x:Fire:1:2:OK" << true;
    QTest::newRow("alarm system fails") << ""
                                        << "^Fi" << -1 << -1 << "NA:x:Gas:1:2:OK" << false;
    QTest::newRow("workstation 5 passes 5") << ""
                                            << "" << 5 << -1 << "NA:x:y:5:2:OK" << true;
    QTest::newRow("workstation 5 drops 4") << ""
                                           << "" << 5 << -1 << "NA:x:y:4:2:OK" << false;
    QTest::newRow("workstation x is 0") << ""
                                        << "" << 0 << -1 << "NA:x:y:x:2:OK" << true;
    QTest::newRow("channel 2 passes 2") << ""
                                        << "" << -1 << 2 << "NA:x:y:1:2:OK" << true;
    QTest::newRow("channel 2 drops 3") << ""
                                       << "" << -1 << 2 << "NA:x:y:1:3:OK" << false;
}

void TestReception::monitorFilters()
{
    QFETCH(QString, systemFilter);
    QFETCH(QString, alarmFilter);
    QFETCH(int, workstationFilter);
    QFETCH(int, channelFilter);
    QFETCH(QString, datagram);
    QFETCH(bool, passes);

    DuzUdozuzeSettings s;
    if (systemFilter == QLatin1String("<empty>"))
        s.m_reHxSystemFilter.setPattern(QString());
    else if (!systemFilter.isEmpty())
        s.m_reHxSystemFilter = QRegularExpression(systemFilter);
    if (!alarmFilter.isEmpty())
        s.m_reAlarmSystemFilter = QRegularExpression(alarmFilter);
    s.m_nWorkstationFilter = workstationFilter;
    s.m_nChannelFilter = channelFilter;
    const auto parsed = DuzUdozuzeStatusDatagram::parse(datagram);
    QVERIFY(parsed);
    QCOMPARE(DuzUdozuzeReception::passesMonitorFilters(*parsed, s), passes);
}

void TestReception::respondChecks_data()
{
    QTest::addColumn<QString>("datagram");
    QTest::addColumn<int>("ownChannel");
    QTest::addColumn<int>("ownWorkstation");
    QTest::addColumn<QString>("failure");

    QTest::newRow("passes") << "NA:north:Fire:2:3:OK" << 3 << 7 << "";
    QTest::newRow("system in other case") << "NA:NORTH:fire:2:3:OK" << 3 << 7 << "";
    QTest::newRow("other system") << "NA:south:Fire:2:3:OK" << 3 << 7 << "Not our HX system.";
    QTest::newRow("system is whole") << "NA:northern:Fire:2:3:OK" << 3 << 7 << "Not our HX system.";
    QTest::newRow("other alarm system")
        << "NA:north:Gas:2:3:OK" << 3 << 7 << "Not our alarm system.";
    QTest::newRow("from me") << "NA:north:Fire:7:3:OK" << 3 << 7 << "It's from me.";
    QTest::newRow("no own number") << "NA:north:Fire:-1:3:OK" << 3 << -1 << "";
    QTest::newRow("other channel") << "NA:north:Fire:2:4:OK" << 3 << 7 << "Not my channel.";
    QTest::newRow("no own channel") << "NA:north:Fire:2:4:OK" << -1 << 7 << "";
    QTest::newRow("first failure wins") << "NA:south:Gas:7:4:OK" << 3 << 7 << "Not our HX system.";
}

void TestReception::respondChecks()
{
    QFETCH(QString, datagram);
    QFETCH(int, ownChannel);
    QFETCH(int, ownWorkstation);
    QFETCH(QString, failure);
    DuzUdozuzeSettings s = ownSettings();
    s.m_nChannel = ownChannel;
    s.m_nWorkstation = ownWorkstation;
    const auto parsed = DuzUdozuzeStatusDatagram::parse(datagram);
    QVERIFY(parsed);
    const char *found = DuzUdozuzeReception::respondCheckFailure(*parsed, s);
    QCOMPARE(QString::fromLatin1(found), failure);
}

std::unique_ptr<DuzUdozuzeSocket> TestReception::listen(QStringList args)
{
    sink.lines.clear();
    // A port of its own (bound by number, so that it stays through a
    // connect and disconnect).
    args << QStringLiteral("/host=127.0.0.1") << QStringLiteral("/port=%1").arg(freePort());
    auto socket
        = std::make_unique<DuzUdozuzeSocket>(host.root(), QStringLiteral("north"), 7, args, &sink);
    port = socket->localPort();
    sink.lines.clear();
    return socket;
}

void TestReception::send(const QByteArray &payload)
{
    QCOMPARE(sender.writeDatagram(payload, Loopback, port), qint64(payload.size()));
}

QString TestReception::from() const
{
    return QStringLiteral("127.0.0.1:%1").arg(sender.localPort());
}

void TestReception::receivedLines_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("line"); // %FROM% is the sender's address and port

    QTest::newRow("current format")
        << QByteArray("NA:x:y:1:2:OK") << "Received 'NA:x:y:1:2:OK'. %FROM%. type 0";
    QTest::newRow("empty") << QByteArray("") << "Received ''. Not current format. %FROM%. type 0";
    QTest::newRow("five fields") << QByteArray("NA:x::1:2:OK")
                                 << "Received 'NA:x::1:2:OK'. Not current format. %FROM%. type 0";
    QTest::newRow("zero byte ends the text")
        << QByteArray("NA:x:y:1:2:OK\0:hidden", 21) << "Received 'NA:x:y:1:2:OK'. %FROM%. type 0";
    QTest::newRow("line ends cannot split the log")
        << QByteArray("NA:x:y:1:2:OK\r\nforged line")
        << "Received 'NA:x:y:1:2:OK\\r\\nforged line'. %FROM%. type 0";
    QTest::newRow("format directives stay text")
        << QByteArray("%n%s%n:%s%s:%d%x:1:2:%n%n")
        << "Received '%n%s%n:%s%s:%d%x:1:2:%n%n'. %FROM%. type 0";
    QTest::newRow("control bytes")
        << QByteArray("\x1b[2J\x07")
        << "Received '\\x1B[2J\\x07'. Not current format. %FROM%. type 0";
    // A datagram cut by the 255-byte buffer is not acted on, whatever its first
    // 255 bytes say.
    const QByteArray fits = "NA:x:y:1:2:" + QByteArray(244, 'K');
    QTest::newRow("255 bytes") << fits
                               << "Received '" + QString::fromLatin1(fits) + "'. %FROM%. type 0";
    const QByteArray longer = fits + 'K';
    QTest::newRow("256 bytes") << longer
                               << "Received '" + QString::fromLatin1(fits)
            + "'. Not current format. %FROM%. type 0";
    const QByteArray nineFields = "NC:a:b:1:2:" + QByteArray(244, 'K') + ":yyyyyyyy:zzzzz:w"; // 272
    QTest::newRow("nine fields, six before the cut") << nineFields
                                                     << "Received '"
            + QString::fromLatin1(nineFields.left(255)) + "'. Not current format. %FROM%. type 0";
}

void TestReception::receivedLines()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, line);
    const auto socket = listen({});
    send(payload);
    QTRY_COMPARE(sink.lines.size(), 1);
    QCOMPARE(sink.texts().constFirst(), line.replace(QLatin1String("%FROM%"), from()));
    QCOMPARE(socket->counts().received, 1u);
}

void TestReception::filteredDatagramLogsNothing()
{
    const auto socket = listen({QStringLiteral("/workstation=5")});
    QSignalSpy counts(socket.get(), &DuzUdozuzeSocket::countsChanged);
    send("NA:x:y:4:2:OK");
    send("NA:x:y:5:2:OK");
    QTRY_COMPARE(sink.lines.size(), 1);
    QCOMPARE(sink.texts().constFirst(),
             QStringLiteral("Received 'NA:x:y:5:2:OK'. %1. type 0").arg(from()));
    QCOMPARE(socket->counts().filtered, 1u);
    QCOMPARE(socket->counts().shown, 1u);
    QCOMPARE(counts.count(), 2);
}

void TestReception::monitorOnlyWithoutRespondAutomatically()
{
    const auto socket = listen({});
    send("NC:north:Fire:2:3:OK");
    send("end:of:the:test:0:0");
    QTRY_COMPARE(sink.lines.size(), 2);
    QVERIFY(!socket->isMaster());
}

void TestReception::respondChecksOnTheWire()
{
    const auto socket = listen({});
    socket->setRespondAutomatically(true);
    send("NC:south:Fire:2:3:OK");
    send("NC:north:Gas:2:3:OK");
    send("NC:north:Fire:2:4:OK");
    QTRY_COMPARE(sink.lines.size(), 6);
    const QStringList texts = sink.texts();
    QCOMPARE(texts.at(1), QStringLiteral("Not our HX system."));
    QCOMPARE(texts.at(3), QStringLiteral("Not our alarm system."));
    QCOMPARE(texts.at(5), QStringLiteral("Not my channel."));
    QVERIFY(!socket->isMaster());
}

void TestReception::healthyMasterAnswersNo()
{
    const auto socket = listen({QStringLiteral("/to=127.0.0.2")});
    DuzUdozuzeSocketDevice other;
    QVERIFY(other.bind(Loopback2, port));
    QSocketNotifier answered(other.descriptor(), QSocketNotifier::Read);
    QSignalSpy answers(&answered, &QSocketNotifier::activated);
    QSignalSpy mastership(socket.get(), &DuzUdozuzeSocket::mastershipChanged);

    socket->setRespondAutomatically(true);
    socket->setOk(true);
    send("NC:north:Fire:2:3:OK");
    QTRY_VERIFY(socket->isMaster());
    QCOMPARE(mastership.count(), 1);
    send("NA:north:Fire:2:3:OK");
    QTRY_COMPARE(sink.lines.size(), 7);
    QTRY_VERIFY(answers.count() > 0);

    char buffer[256];
    quint32 address = 0;
    quint16 answerPort = 0;
    const qint64 count = other.readDatagram(buffer, sizeof buffer, &address, &answerPort);
    QCOMPARE(QByteArray(buffer, int(count)), QByteArray("NO:north:Fire:7:3:OK"));
    QCOMPARE(answerPort, port);
    QCOMPARE(other.readDatagram(buffer, sizeof buffer, &address, &answerPort), qint64(-1));

    const QString sender = from();
    QCOMPARE(
        sink.texts(),
        QStringList({"Received 'NC:north:Fire:2:3:OK'. " + sender + ". type 0",
                     "Received Data is 'NC:north:Fire:2:3:OK'. Address " + sender + ". type 0.",
                     "Changing mastership. Going to master from mode 0. ws 0 is master. NC",
                     "Received 'NA:north:Fire:2:3:OK'. " + sender + ". type 0",
                     "Received Data is 'NA:north:Fire:2:3:OK'. Address " + sender + ". type 0.",
                     "Received NA and we're OK. We are master - tell other to go slave. "
                     "Send NO.",
                     "**Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:OK'"}));
    QCOMPARE(socket->counts().answersSent, 1u);
}

void TestReception::ownAnswerComesBack()
{
    const auto socket = listen({QStringLiteral("/to=127.0.0.1")});
    socket->setRespondAutomatically(true);
    socket->setOk(false);
    send("NC:north:Fire:2:3:OK");
    send("NA:north:Fire:2:3:Fail");
    // NC: 3 lines; NA with Fail to an unhealthy master: 3 lines and the answer;
    // the answer comes back to this socket and stops at the self check.
    QTRY_COMPARE(sink.lines.size(), 9);
    const QStringList texts = sink.texts();
    QCOMPARE(texts.at(6), QStringLiteral("**Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:Fail'"));
    QCOMPARE(texts.at(7),
             QStringLiteral("Received 'NO:north:Fire:7:3:Fail'. 127.0.0.1:%1. type 0").arg(port));
    QCOMPARE(texts.at(8), QStringLiteral("It's from me."));
    QVERIFY(socket->isMaster());
}

// A flood of "NA" sent to a healthy master draws at most the limit's answers;
// the decisions are all logged and the rest of the answers counted.
void TestReception::answerFloodIsLimited()
{
    const auto socket = listen({QStringLiteral("/to=127.0.0.2")});
    socket->setRespondAutomatically(true);
    socket->setOk(true);
    send("NC:north:Fire:2:3:OK");
    QTRY_VERIFY(socket->isMaster());
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 1000; ++i)
        send("NA:north:Fire:2:3:OK");
    QTRY_COMPARE(socket->counts().received, 1001u);
    const DuzUdozuzeSocket::Counts counts = socket->counts();
    QCOMPARE(counts.answersSent + counts.answersSuppressed, 1000u);
    QVERIFY(counts.answersSent <= 10 + 10 * quint64(clock.elapsed() / 1000 + 1));
    QCOMPARE(sink.texts().filter(QStringLiteral("Send NO.")).size(), 1000);
    // Reported in full, in a line a second at the most.
    const auto reports = [this] {
        return sink.texts().filter(QStringLiteral(" answers suppressed: more than 10 a second"));
    };
    const auto reported = [&reports] {
        quint64 sum = 0;
        for (const QString &line : reports())
            sum += line.section(QLatin1Char(' '), 0, 0).toULongLong();
        return sum;
    };
    QTRY_COMPARE(reported(), counts.answersSuppressed);
    QVERIFY(reports().size() <= clock.elapsed() / 1000 + 1);
}

void TestReception::readErrorIsLoggedOnce()
{
    const auto socket = listen({});
    const quint16 closed = freePort(); // nobody listens there
    // A datagram from this socket to the closed port comes back as a port
    // unreachable, which the next read reports instead of a byte count.
    const int descriptor = socket->socketDescriptor();
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(Loopback);
    target.sin_port = htons(closed);
    QCOMPARE(::connect(descriptor, reinterpret_cast<sockaddr *>(&target), sizeof target), 0);
    QCOMPARE(::send(descriptor, "x", 1, 0), ssize_t(1));
    QTRY_COMPARE(sink.lines.size(), 1);
    QCOMPARE(sink.texts().constFirst(), QStringLiteral("Receive error: Connection refused"));

    sockaddr unspecified {};
    unspecified.sa_family = AF_UNSPEC;
    ::connect(descriptor, &unspecified, sizeof unspecified);
    send("NA:x:y:1:2:OK");
    QTRY_COMPARE(sink.lines.size(), 2);
    QCOMPARE(sink.texts().at(1),
             QStringLiteral("Received 'NA:x:y:1:2:OK'. %1. type 0").arg(from()));
    QCOMPARE(socket->counts().received, 1u);
}

QTEST_GUILESS_MAIN(TestReception)
#include "tst_reception.moc"

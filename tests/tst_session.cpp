// SPDX-License-Identifier: MIT
#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzesession.h"
#include "protocol/duzudozuzestatusdatagram.h"
#include "testsupport.h"

#include <QRegularExpression>
#include <QtTest>

// The session on a clock the test turns, its sink recording what comes out:
// the filters and respond checks as tables, the lines of a datagram, the
// answers and their limit. The workstation under test is number 7 of system
// "north", alarm system "Fire", channel 3; datagrams come from
// 127.0.0.1:40000.
class TestSession : public QObject, public DuzUdozuzeSession::Sink
{
    Q_OBJECT

private slots:
    void init();
    void monitorFilters_data();
    void monitorFilters();
    void respondChecks_data();
    void respondChecks();
    void receivedLines_data();
    void receivedLines();
    void monitorOnlyWithoutRespondAutomatically();
    void healthyMasterAnswersNo();
    void answerFloodIsLimited();

private:
    void receive(const QByteArray &payload, qint64 length = -1);
    // The lines without the "hh:mm:ss.zzz " in front.
    QStringList texts() const;

    void logLine(const QString &line) override { lines.append(line); }
    bool sendStatus(const QByteArray &datagram) override
    {
        sent.append(datagram);
        return true;
    }
    void warned(bool, const QString &) override { }
    void counted() override { }
    void modeChanged(bool) override { }

    DuzUdozuzeSettings settings;
    DuzUdozuzeSession::Time now {{}, duzUdozuzeWallMs(1700000000000)};
    std::unique_ptr<DuzUdozuzeSession> session;
    QStringList lines;
    QList<QByteArray> sent;
};

namespace {
const QString From = QStringLiteral("127.0.0.1:40000");
} // namespace

void TestSession::init()
{
    settings = workstationSeven();
    now = {{}, duzUdozuzeWallMs(1700000000000)};
    session = std::make_unique<DuzUdozuzeSession>(settings, *this, now);
    lines.clear();
    sent.clear();
}

void TestSession::receive(const QByteArray &payload, qint64 length)
{
    session->receive(payload.constData(), payload.size(), length < 0 ? payload.size() : length,
                     0x7F000001, 40000, now);
}

QStringList TestSession::texts() const
{
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
    QStringList result;
    for (const QString &line : lines)
        result.append(QString(line).remove(time));
    return result;
}

// Settings described as "system=RE alarm=RE ws=N ch=N" (the parts given); a
// datagram that passes is logged, one that fails is dropped without a line.
void TestSession::monitorFilters_data()
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

void TestSession::monitorFilters()
{
    QFETCH(QString, systemFilter);
    QFETCH(QString, alarmFilter);
    QFETCH(int, workstationFilter);
    QFETCH(int, channelFilter);
    QFETCH(QString, datagram);
    QFETCH(bool, passes);

    if (systemFilter == QLatin1String("<empty>"))
        settings.m_reHxSystemFilter.setPattern(QString());
    else if (!systemFilter.isEmpty())
        settings.m_reHxSystemFilter = QRegularExpression(systemFilter);
    if (!alarmFilter.isEmpty())
        settings.m_reAlarmSystemFilter = QRegularExpression(alarmFilter);
    settings.m_nWorkstationFilter = workstationFilter;
    settings.m_nChannelFilter = channelFilter;
    const auto parsed = DuzUdozuzeStatusDatagram::parse(datagram);
    QVERIFY(parsed);
    session = std::make_unique<DuzUdozuzeSession>(settings, *this, now);
    receive(datagram.toLatin1());
    QCOMPARE(lines.size(), passes ? 1 : 0);
}

void TestSession::respondChecks_data()
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

void TestSession::respondChecks()
{
    QFETCH(QString, datagram);
    QFETCH(int, ownChannel);
    QFETCH(int, ownWorkstation);
    QFETCH(QString, failure);
    settings.m_nChannel = ownChannel;
    settings.m_nWorkstation = ownWorkstation;
    session = std::make_unique<DuzUdozuzeSession>(settings, *this, now);
    session->setRespondAutomatically(true);
    // Twice: the names' check is kept for the names heard last.
    receive(datagram.toLatin1());
    receive(datagram.toLatin1());
    const QStringList got = texts();
    // A datagram that fails a check goes no further: one line, no decision.
    QCOMPARE(got.at(1), failure.isEmpty() ? got.at(1) : failure);
    QCOMPARE(got.at(got.size() / 2 + 1).startsWith(QLatin1String("Received Data is")),
             failure.isEmpty());
}

void TestSession::receivedLines_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("line"); // %FROM% is the sender's address and port

    QTest::newRow("current format")
        << QByteArray("NA:x:y:1:2:OK") << "Received 'NA:x:y:1:2:OK'. %FROM%. type 0";
    QTest::newRow("empty") << QByteArray("") << "Received ''. Not current format. %FROM%. type 0";
    QTest::newRow("five fields") << QByteArray("NA:x::1:2:OK")
                                 << "Received 'NA:x::1:2:OK'. Not current format. %FROM%. type 0";
    QTest::newRow("seven fields") << QByteArray(
        "NA:x:y:1:2:OK:z") << "Received 'NA:x:y:1:2:OK:z'. Not current format. %FROM%. type 0";
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

void TestSession::receivedLines()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, line);
    // As a socket reads it: at most 255 bytes of it, its length on the wire.
    session->receive(payload.constData(), qMin<qint64>(payload.size(), 255), payload.size(),
                     0x7F000001, 40000, now);
    QCOMPARE(texts(), QStringList {line.replace(QLatin1String("%FROM%"), From)});
    QCOMPARE(session->counts().received, 1u);
}

void TestSession::monitorOnlyWithoutRespondAutomatically()
{
    receive("NC:north:Fire:2:3:OK");
    QCOMPARE(lines.size(), 1);
    QVERIFY(!session->isMaster());
}

void TestSession::healthyMasterAnswersNo()
{
    session->setRespondAutomatically(true);
    session->setOk(true);
    receive("NC:north:Fire:2:3:OK");
    receive("NA:north:Fire:2:3:OK");
    QCOMPARE(sent, QList<QByteArray> {"NO:north:Fire:7:3:OK"});
    QCOMPARE(texts(),
             QStringList({"Received 'NC:north:Fire:2:3:OK'. " + From + ". type 0",
                          "Received Data is 'NC:north:Fire:2:3:OK'. Address " + From + ". type 0.",
                          "Changing mastership. Going to master from mode 0. ws 0 is master. NC",
                          "Received 'NA:north:Fire:2:3:OK'. " + From + ". type 0",
                          "Received Data is 'NA:north:Fire:2:3:OK'. Address " + From + ". type 0.",
                          "Received NA and we're OK. We are master - tell other to go slave. "
                          "Send NO.",
                          "**Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:OK'"}));
    QCOMPARE(session->counts().answersSent, 1u);
}

// A flood of "NA" sent to a healthy master draws at most the limit's answers;
// the decisions are all logged, and the rest of the answers counted and told,
// the first at once, the others at the next second.
void TestSession::answerFloodIsLimited()
{
    session->setRespondAutomatically(true);
    session->setOk(true);
    receive("NC:north:Fire:2:3:OK");
    for (int i = 0; i < 1000; ++i)
        receive("NA:north:Fire:2:3:OK");
    QCOMPARE(sent.size(), DuzUdozuzeSession::MaxAnswersPerSecond);
    QCOMPARE(session->counts().answersSuppressed, 990u);
    QCOMPARE(texts().filter(QStringLiteral("Send NO.")).size(), 1000);
    now = {duzUdozuzeSourceMs(1000), now.wall + std::chrono::seconds(1)};
    session->advance(now);
    QCOMPARE(texts().filter(QStringLiteral(" answers suppressed: ")),
             QStringList({"1 answers suppressed: more than 10 a second",
                          "989 answers suppressed: more than 10 a second"}));
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"

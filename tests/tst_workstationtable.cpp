// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzeheadline.h"
#include "protocol/duzudozuzestatusdatagram.h"
#include "protocol/duzudozuzewarninglog.h"
#include "protocol/duzudozuzeworkstationreport.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QtTest>

// The workstation table on a clock the test turns: rows, claims, staleness,
// the warnings and the history. This workstation is number 7 of north/Fire,
// channel 3; workstation N sends from 10.0.0.N.
class TestWorkstationTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void rowsAreKeyed();
    void claimAndStale_data();
    void claimAndStale();
    void twoMasterEpisode();
    void threeMastersAreListed();
    void headlineAndAcknowledgement();
    void headlineCauseFirst_data();
    void headlineCauseFirst();
    void flappingAtTheSeventhChange();
    void noMasterAfter30Seconds();
    void silenceAndHeardAgain_data();
    void silenceAndHeardAgain();
    void ticksOnlyAtChangesMissNothing();
    void ownRowFollowsModeAndHealth();
    void boundedByTheStalest();
    void warningLogKeepsTheLast();

private:
    DuzUdozuzeWorkstationTable::Events send(const char *code, int workstation,
                                            const char *system = "north", int channel = 3);
    static QStringList texts(const DuzUdozuzeWorkstationTable::Events &events);

    qint64 now = 0; // ms on the source's clock
    qint64 wall = 0; // ms since the epoch
    std::unique_ptr<DuzUdozuzeWorkstationTable> table;
};

void TestWorkstationTable::init()
{
    now = 0;
    wall = 1700000000000;
    table = std::make_unique<DuzUdozuzeWorkstationTable>([this] { return duzUdozuzeSourceMs(now); },
                                                         [this] { return duzUdozuzeWallMs(wall); });
    table->setOwnIdentity(QStringLiteral("north"), QStringLiteral("Fire"), 7, 3);
}

DuzUdozuzeWorkstationTable::Events TestWorkstationTable::send(const char *code, int workstation,
                                                              const char *system, int channel)
{
    const auto datagram = DuzUdozuzeStatusDatagram::parse(QString::fromLatin1(
        DuzUdozuzeStatusDatagram::format(QLatin1String(code), QLatin1String(system),
                                         QStringLiteral("Fire"), workstation, channel, true)));
    return table->update(*datagram, 0x0A000000 + quint32(workstation), 9208);
}

QStringList TestWorkstationTable::texts(const DuzUdozuzeWorkstationTable::Events &events)
{
    QStringList result;
    for (const auto &event : events)
        result.append((event.raised ? QStringLiteral("+ ") : QStringLiteral("- ")) + event.text);
    return result;
}

// One row for system, alarm system and workstation in any letter case; this
// workstation's own datagrams count in its own row.
void TestWorkstationTable::rowsAreKeyed()
{
    send("NC", 2);
    send("NC", 2, "NORTH");
    send("NC", 2, "north", 4);
    send("NC", 5);
    send("NO", 7);
    // Names with a separator in them stay apart.
    for (const char *names : {"x\x1f:Fire",
                              "x:\x1f"
                              "Fire"}) {
        const QStringList fields = QString::fromLatin1(names).split(QLatin1Char(':'));
        DuzUdozuzeStatusDatagram datagram {QStringLiteral("NC"), fields.at(0), fields.at(1), 9, 3,
                                           QStringLiteral("OK")};
        table->update(datagram, 0x0A000009, 9208);
    }
    QCOMPARE(table->rowCount(), 5);
    table->clear();
    send("NC", 2);
    send("NC", 2, "NORTH");
    send("NC", 2, "north", 4);
    send("NC", 5);
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->row(1).received, 3u);
    QCOMPARE(table->row(1).channel, 4);
    QCOMPARE(table->row(0).received, 1u);
    QCOMPARE(table->row(0).lastCode, QStringLiteral("NO"));
    // The dump lists them as the window does: this one first, then by number.
    table->clear();
    send("NC", 5);
    send("NC", 2);
    QStringList numbers;
    for (const QString &line : DuzUdozuzeWorkstationReport::tableText(*table).split('\n').mid(1, 3))
        numbers.append(line.section(QLatin1Char(' '), 0, 0));
    QCOMPARE(numbers, QStringList({"7", "2", "5"}));
}

void TestWorkstationTable::claimAndStale_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<qint64>("later"); // ms after the datagram
    QTest::addColumn<bool>("claims");
    QTest::addColumn<bool>("stale");
    QTest::newRow("NA claims") << "NA" << qint64(9999) << true << false;
    QTest::newRow("for 10 s") << "NA" << qint64(10000) << false << false;
    QTest::newRow("NU claims") << "NU" << qint64(0) << true << false;
    QTest::newRow("NO claims") << "NO" << qint64(0) << true << false;
    QTest::newRow("NC does not") << "NC" << qint64(0) << false << false;
    QTest::newRow("stale at 60 s") << "NC" << qint64(60000) << false << true;
}

void TestWorkstationTable::claimAndStale()
{
    QFETCH(QString, code);
    QFETCH(qint64, later);
    QFETCH(bool, claims);
    QFETCH(bool, stale);
    send(code.toLatin1().constData(), 2);
    now += later;
    QCOMPARE(table->claimsMaster(table->row(1)), claims);
    QCOMPARE(table->isStale(table->row(1)), stale);
}

// One warning when the second claim comes, none for more claims, one line
// when the episode ends.
void TestWorkstationTable::twoMasterEpisode()
{
    QCOMPARE(texts(send("NA", 2)), QStringList());
    now = 1;
    QCOMPARE(texts(send("NA", 5)),
             QStringList {"+ Two masters in north/Fire channel 3: workstation 2 (10.0.0.2) and "
                          "workstation 5 (10.0.0.5)"});
    now = 2;
    QCOMPARE(texts(send("NA", 2)), QStringList());
    QVERIFY(table->twoMasters());
    now = 10001; // the claim of workstation 5 expires
    QCOMPARE(texts(table->tick()),
             QStringList {"- One master again in north/Fire channel 3: workstation 2"});
    QVERIFY(!table->twoMasters());
    QCOMPARE(texts(send("NA", 2, "south")), QStringList()); // another system
    // The episode stays in the warnings' log, with when it ended and how.
    QCOMPARE(table->warningLog().size(), size_t(1));
    QVERIFY(table->warningLog().front().ended >= table->warningLog().front().raised);
    QCOMPARE(table->warningLog().front().endText,
             QStringLiteral("One master again in north/Fire channel 3: workstation 2"));
    // The handovers, from the claims alone: who was master in each group.
    QStringList handovers;
    for (const auto &change : table->history())
        handovers.append(change.group + ": " + change.from + " > " + change.to);
    QCOMPARE(handovers,
             QStringList({"north/Fire channel 3: none > workstation 2",
                          "north/Fire channel 3: workstation 2 > workstations 2 and 5",
                          "north/Fire channel 3: workstations 2 and 5 > workstation 2",
                          "south/Fire channel 3: none > workstation 2"}));
}

void TestWorkstationTable::threeMastersAreListed()
{
    send("NA", 2);
    send("NA", 5);
    QCOMPARE(texts(table->ownModeChanged(true, QStringLiteral("NC"), 0x0A000002, 2)),
             QStringList());
    QCOMPARE(table->activeWarnings(),
             QStringList {"3 masters in north/Fire channel 3: workstation 7 (this "
                          "workstation), workstation 2 (10.0.0.2) and workstation 5 (10.0.0.5)"});
}

// The headline says what the warnings say, and asks for acknowledgement until
// the operator gives it; the log keeps when.
void TestWorkstationTable::headlineAndAcknowledgement()
{
    const auto headline = [this] {
        const DuzUdozuzeHeadline said = DuzUdozuzeHeadline::of(*table, true);
        return said.text + QLatin1Char('|') + said.unacknowledged;
    };
    send("NA", 2);
    QCOMPARE(headline(), QStringLiteral("Master: workstation 2|"));
    send("NA", 5);
    QCOMPARE(headline(), QStringLiteral("TWO MASTERS: 2 and 5|1 warning unacknowledged"));
    now = 10001; // the claim of workstation 5 expires: the warning ends, unacknowledged
    send("NA", 2);
    table->tick();
    QCOMPARE(headline(), QStringLiteral("Master: workstation 2|1 warning unacknowledged"));
    wall += 5000;
    QCOMPARE(table->acknowledgeWarnings(), 1);
    QCOMPARE(headline(), QStringLiteral("Master: workstation 2|"));
    QCOMPARE(table->warningLog().front().acknowledged, wall);
    QCOMPARE(DuzUdozuzeWorkstationReport::warningCell(*table, 0,
                                                      DuzUdozuzeWorkstationReport::Acknowledged),
             QDateTime::fromMSecsSinceEpoch(wall).toString(QStringLiteral("HH:mm:ss")));
    QCOMPARE(table->acknowledgeWarnings(), 0);
}

// One order, the cause before its symptoms: not listening, nothing heard, two
// or more masters, no master, flapping, the master. Steps are "ms code n";
// "own" is this workstation's change of mode. The silence time is 30 s.
void TestWorkstationTable::headlineCauseFirst_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<qint64>("at");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a master") << QStringList {"0 NA 2"} << 5000LL << true
                              << "Master: workstation 2|calm|north/Fire channel 3";
    QTest::newRow("two masters") << QStringList {"0 NA 2", "0 NA 5"} << 1000LL << true
                                 << "TWO MASTERS: 2 and 5|alarm|north/Fire channel 3";
    QTest::newRow("no master among peers")
        << QStringList {"0 NC 2", "15000 NC 2", "29000 NC 2"} << 31000LL << true
        << "NO MASTER|alarm|north/Fire channel 3";
    QTest::newRow("the claim lapsed in silence")
        << QStringList {"0 NA 2"} << 12000LL << true
        << "Nothing heard for 12 s|stale|north/Fire channel 3";
    QTest::newRow("silence over no master") << QStringList {"0 NC 2"} << 45000LL << true
                                            << "Nothing heard for 45 s|alarm|north/Fire channel 3";
    QTest::newRow("flapping over the master")
        << QStringList {"1000 own 1", "2000 own 0", "3000 own 1", "4000 own 0",
                        "5000 own 1", "6000 own 0", "7000 own 1"}
        << 7000LL << true << "FLAPPING: 7 changes in 10 min|alarm|north/Fire channel 3";
    QTest::newRow("not listening over two masters")
        << QStringList {"0 NA 2", "0 NA 5"} << 1000LL << false
        << "Not listening|alarm|north/Fire channel 3";
}

void TestWorkstationTable::headlineCauseFirst()
{
    QFETCH(QStringList, steps);
    QFETCH(qint64, at);
    QFETCH(bool, listening);
    QFETCH(QString, expected);
    table->setSilence(std::chrono::seconds(30), 9208);
    for (const QString &step : steps) {
        const QStringList words = step.split(QLatin1Char(' '));
        now = words[0].toLongLong();
        table->tick();
        if (words[1] == QLatin1String("own")) {
            table->ownModeChanged(words[2].toInt(), QStringLiteral("NC"), 0, 2);
        } else {
            table->heard();
            send(qPrintable(words[1]), words[2].toInt());
        }
    }
    for (qint64 second = now + 1000; second <= at; second += 1000) {
        now = second;
        table->tick();
    }
    now = at;
    const DuzUdozuzeHeadline said = DuzUdozuzeHeadline::of(*table, listening);
    static const char *const tones[] = {"calm", "alarm", "stale"};
    QCOMPARE(said.text + QLatin1Char('|') + QLatin1String(tones[int(said.tone)]) + QLatin1Char('|')
                 + said.group,
             expected);
}

void TestWorkstationTable::flappingAtTheSeventhChange()
{
    for (int change = 1; change <= 6; ++change) {
        now = change * 1000;
        QVERIFY(table->ownModeChanged(change % 2, QStringLiteral("NC"), 0, 2).isEmpty());
    }
    now = 7000;
    QCOMPARE(texts(table->ownModeChanged(true, QStringLiteral("NC"), 0, 2)),
             QStringList {"+ Mastership flapping: 7 changes in the last 10 minutes"});
    now = 8000; // the text follows the count
    table->ownModeChanged(false, QStringLiteral("NO"), 0, 2);
    QCOMPARE(table->activeWarnings(),
             QStringList {"Mastership flapping: 8 changes in the last 10 minutes"});
    now = 602000; // the first two changes leave the window
    QCOMPARE(texts(table->tick()),
             QStringList {"- Mastership flapping over: 6 changes in the last 10 minutes"});
    QCOMPARE(table->history().size(), size_t(8));
}

void TestWorkstationTable::noMasterAfter30Seconds()
{
    send("NC", 2);
    now = 29999;
    send("NC", 2);
    QCOMPARE(texts(table->tick()), QStringList());
    now = 30000;
    QCOMPARE(texts(table->tick()),
             QStringList {"+ No master seen in north/Fire channel 3 for 30 s"});
    now = 45000; // it counts up
    QCOMPARE(texts(table->tick()), QStringList());
    QCOMPARE(table->activeWarnings(),
             QStringList {"No master seen in north/Fire channel 3 for 45 s"});
    QCOMPARE(texts(send("NA", 2)), QStringList {"- Master seen again in north/Fire channel 3"});
}

// Nothing at all heard raises a warning at its time, and the next datagram,
// whatever it holds, ends it. Port 0 (every port, a capture's) is not named.
void TestWorkstationTable::silenceAndHeardAgain_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("raised");
    QTest::addColumn<QString>("ended");
    QTest::newRow("a port") << 9208 << "+ Nothing heard on UDP port 9208 for 30 s"
                            << "- Heard again on UDP port 9208 after 95 s";
    QTest::newRow("every port") << 0 << "+ Nothing heard for 30 s"
                                << "- Heard again after 95 s";
}

void TestWorkstationTable::silenceAndHeardAgain()
{
    QFETCH(int, port);
    QFETCH(QString, raised);
    QFETCH(QString, ended);
    table->setSilence(std::chrono::seconds(30), port);
    now = 29999;
    QCOMPARE(texts(table->tick()), QStringList());
    now = 30000;
    QCOMPARE(texts(table->tick()), QStringList {raised});
    now = 95000;
    QCOMPARE(texts(table->heard()), QStringList {ended});
}

// A clock that jumps ticks only at nextChange(): the same warnings, at the
// same ticks, as a tick every second.
void TestWorkstationTable::ticksOnlyAtChangesMissNothing()
{
    DuzUdozuzeWorkstationTable everySecond([this] { return duzUdozuzeSourceMs(now); },
                                           [this] { return duzUdozuzeWallMs(wall); });
    everySecond.setOwnIdentity(QStringLiteral("north"), QStringLiteral("Fire"), 7, 3);
    QStringList expected, got;
    for (DuzUdozuzeWorkstationTable *each : {table.get(), &everySecond})
        each->setSilence(std::chrono::seconds(30), 9208);
    // Claims, a handover, own changes enough to flap, then silence.
    const QList<std::pair<qint64, QByteArray>> script {
        {0, "NA 2"},     {1000, "NA 5"},  {2000, "own 1"}, {3000, "own 0"},
        {4000, "own 1"}, {5000, "own 0"}, {6000, "own 1"}, {7000, "own 0"},
        {8000, "own 1"}, {40000, "NC 2"}, {41000, "NC 5"}};
    qint64 tickAt = 1000;
    for (qsizetype step = 0; step <= script.size(); ++step) {
        const qint64 until = step < script.size() ? script[step].first : 800000;
        for (; tickAt <= until; tickAt += 1000) {
            now = tickAt;
            expected += texts(everySecond.tick());
            if (duzUdozuzeSourceMs(tickAt) >= table->nextChange())
                got += texts(table->tick());
        }
        if (step == script.size())
            break;
        now = until;
        const QList<QByteArray> words = script[step].second.split(' ');
        const int number = words[1].toInt();
        const QLatin1String code(words[0]);
        for (DuzUdozuzeWorkstationTable *each : {table.get(), &everySecond}) {
            QStringList &into = each == table.get() ? got : expected;
            into += texts(each->heard());
            if (code == QLatin1String("own")) {
                into += texts(each->ownModeChanged(number, QStringLiteral("NC"), 0, 2));
                continue;
            }
            const auto datagram = DuzUdozuzeStatusDatagram::parse(
                QString::fromLatin1(DuzUdozuzeStatusDatagram::format(
                    code, QStringLiteral("north"), QStringLiteral("Fire"), number, 3, true)));
            into += texts(each->update(*datagram, 0x0A000000 + quint32(number), 9208));
        }
    }
    QCOMPARE(got, expected);
    QVERIFY(expected.size() >= 6); // two masters, flapping, no master, silence, and their ends
}

void TestWorkstationTable::ownRowFollowsModeAndHealth()
{
    table->setOwnHealthy(true);
    table->ownModeChanged(true, QStringLiteral("NC"), 0x0A000002, 2);
    QVERIFY(table->claimsMaster(table->row(0)));
    QVERIFY(table->row(0).healthy);
    table->setOwnHealthy(false);
    table->ownModeChanged(false, QStringLiteral("NO"), 0x0A000005, 5);
    QVERIFY(!table->claimsMaster(table->row(0)));
    QVERIFY(!table->row(0).healthy);
    QCOMPARE(table->history().back().code, QStringLiteral("NO"));
    // Times of day are the wall clock's at the event, whatever it says later.
    const qint64 then = wall;
    wall += 3600 * 1000;
    QCOMPARE(DuzUdozuzeWorkstationReport::historyCell(*table, 0, DuzUdozuzeWorkstationReport::Time),
             QDateTime::fromMSecsSinceEpoch(then).toString(QStringLiteral("hh:mm:ss")));
    QCOMPARE(table->history().back().workstation, 5);
    QCOMPARE(table->modeChanges(), 2u);
}

// A flood of made-up workstation numbers costs at most MaxRows rows.
void TestWorkstationTable::boundedByTheStalest()
{
    const int max = DuzUdozuzeWorkstationTable::MaxRows;
    for (int workstation = 100; workstation < 100 + max; ++workstation) {
        ++now;
        send("NC", workstation);
    }
    send("NC", 100); // heard again: no longer the stalest
    send("NC", 1);
    QCOMPARE(table->rowCount(), max + 1);
    QCOMPARE(table->evicted(), 1u);
    QCOMPARE(table->row(2).workstation, 1); // in the place of workstation 101
    QCOMPARE(table->row(1).workstation, 100);
}

// A warning pushed out of the log still ends; the others end on their own
// records.
void TestWorkstationTable::warningLogKeepsTheLast()
{
    DuzUdozuzeWarningLog log;
    DuzUdozuzeWarningLog::Events events;
    constexpr auto kind = DuzUdozuzeWarningLog::Kind::Flapping;
    const quint64 first = log.raise(events, kind, QStringLiteral("first"), 1);
    const quint64 second = log.raise(events, kind, QStringLiteral("second"), 2);
    for (int more = 1; more < DuzUdozuzeWarningLog::MaxRecords; ++more)
        log.raise(events, kind, QStringLiteral("more"), 3);
    log.end(events, kind, first, QStringLiteral("first over"), 4);
    log.end(events, kind, second, QStringLiteral("second over"), 5);
    QCOMPARE(log.records().size(), size_t(DuzUdozuzeWarningLog::MaxRecords));
    QCOMPARE(log.records().front().endText, QStringLiteral("second over"));
}

QTEST_GUILESS_MAIN(TestWorkstationTable)
#include "tst_workstationtable.moc"

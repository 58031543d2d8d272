// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzemastership.h"
#include "protocol/duzudozuzetokenbucket.h"

#include <QtTest>

// Every row of the master/slave state machine.
class TestMastership : public QObject
{
    Q_OBJECT

private slots:
    void decide_data();
    void decide();
    void masterWorkstationResetOnMaster();
    void answerLimit_data();
    void answerLimit();
};

void TestMastership::decide_data()
{
    QTest::addColumn<bool>("master");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("health");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("masterAfter");
    QTest::addColumn<bool>("answer");

    QTest::newRow("A1 slave ignores NA")
        << false << false << "NA"
        << "OK" << QByteArray(" NA. We are slave. ws 0 is master") << false << false;
    QTest::newRow("A1 healthy slave too")
        << false << true << "NA"
        << "Fail" << QByteArray(" NA. We are slave. ws 0 is master") << false << false;
    QTest::newRow("A2 healthy master") << true << true << "NA"
                                       << "OK"
                                       << QByteArray("Received NA and we're OK. We are master - "
                                                     "tell other to go slave. Send NO.")
                                       << true << true;
    QTest::newRow("A2 whatever the word") << true << true << "NA"
                                          << "Fail"
                                          << QByteArray("Received NA and we're OK. We are master "
                                                        "- tell other to go slave. Send NO.")
                                          << true << true;
    QTest::newRow("A3 unhealthy master, sender OK")
        << true << false << "NA"
        << "OK"
        << QByteArray("Received NA+OK and we're not OK. Changing mastership. Going to slave "
                      "from mode 1. ws 0 is master")
        << false << false;
    QTest::newRow("A4 unhealthy master, sender Fail")
        << true << false << "NA"
        << "Fail"
        << QByteArray("Received NA and we're not OK. They are not Ok too so stay as master. "
                      "Send NO.")
        << true << true;
    QTest::newRow("A4 ok in small letters")
        << true << false << "NA"
        << "ok"
        << QByteArray("Received NA and we're not OK. They are not Ok too so stay as master. "
                      "Send NO.")
        << true << true;
    QTest::newRow("A4 OK with a line end")
        << true << false << "NA"
        << "OK\n"
        << QByteArray("Received NA and we're not OK. They are not Ok too so stay as master. "
                      "Send NO.")
        << true << true;
    QTest::newRow("U1 healthy slave") << false << true << "NU"
                                      << "Fail"
                                      << QByteArray("Changing mastership. Going to master from "
                                                    "mode 0. ws 0 is master. NU")
                                      << true << false;
    QTest::newRow("U1 healthy master") << true << true << "NU"
                                       << "Fail"
                                       << QByteArray("Changing mastership. Going to master from "
                                                     "mode 1. ws 0 is master. NU")
                                       << true << false;
    QTest::newRow("U2 unhealthy master") << true << false << "NU"
                                         << "OK"
                                         << QByteArray("Changing mastership. Going to slave from "
                                                       "mode 1. ws 0 is master. NU")
                                         << false << false;
    QTest::newRow("U3 unhealthy slave") << false << false << "NU"
                                        << "OK"
                                        << QByteArray(" NU. Someone else is master and not happy. "
                                                      "We're not happy either, nor master. Do "
                                                      "nothing.")
                                        << false << false;
    QTest::newRow("O1 master") << true << true << "NO"
                               << "OK"
                               << QByteArray("Changing mastership. Going to slave from mode 1. ws "
                                             "0 is master. NO")
                               << false << false;
    QTest::newRow("O1 slave still logs") << false << false << "NO"
                                         << "OK"
                                         << QByteArray("Changing mastership. Going to slave from "
                                                       "mode 0. ws 0 is master. NO")
                                         << false << false;
    QTest::newRow("C1 slave") << false << false << "NC"
                              << "Fail"
                              << QByteArray("Changing mastership. Going to master from mode 0. ws "
                                            "0 is master. NC")
                              << true << false;
    QTest::newRow("C1 master still logs") << true << true << "NC"
                                          << "OK"
                                          << QByteArray("Changing mastership. Going to master "
                                                        "from mode 1. ws 0 is master. NC")
                                          << true << false;
    QTest::newRow("X1 small letters")
        << true << false << "na"
        << "OK" << QByteArray(" UNKNOWN MESSAGE CODE RECEIVED 'na'") << true << false;
    QTest::newRow("X1 No") << false << true << "No"
                           << "OK" << QByteArray(" UNKNOWN MESSAGE CODE RECEIVED 'No'") << false
                           << false;
    QTest::newRow("X1 NX") << false << false << "NX"
                           << "OK" << QByteArray(" UNKNOWN MESSAGE CODE RECEIVED 'NX'") << false
                           << false;
    QTest::newRow("X1 hostile code") << true << true << "%s%n\r\nNC"
                                     << "OK"
                                     << QByteArray(" UNKNOWN MESSAGE CODE RECEIVED "
                                                   "'%s%n\\r\\nNC'")
                                     << true << false;
}

void TestMastership::decide()
{
    QFETCH(bool, master);
    QFETCH(bool, ok);
    QFETCH(QString, code);
    QFETCH(QString, health);
    QFETCH(QByteArray, line);
    QFETCH(bool, masterAfter);
    QFETCH(bool, answer);

    DuzUdozuzeMastership machine;
    if (master)
        machine.apply(machine.decide(QStringLiteral("NC"), QString()));
    machine.setOk(ok);
    QCOMPARE(machine.isMaster(), master);

    const DuzUdozuzeMastership::Step step = machine.decide(code, health);
    QCOMPARE(step.line, line);
    QCOMPARE(step.answerNo, answer);
    // Deciding changes nothing; applying does.
    QCOMPARE(machine.isMaster(), master);
    machine.apply(step);
    QCOMPARE(machine.isMaster(), masterAfter);
    QCOMPARE(machine.masterWorkstation(), 0);
    QCOMPARE(machine.isOk(), ok);
}

void TestMastership::masterWorkstationResetOnMaster()
{
    DuzUdozuzeMastership machine;
    QCOMPARE(machine.masterWorkstation(), 0);
    DuzUdozuzeMastership::Step step = machine.decide(QStringLiteral("NC"), QString());
    QCOMPARE(step.masterWorkstation, 0);
    QVERIFY(step.master);
}

// The answer limit, 10 a second in bursts of 10: which of the requests at
// these times (ms) are allowed.
void TestMastership::answerLimit_data()
{
    QTest::addColumn<QList<qint64>>("times");
    QTest::addColumn<QString>("allowed"); // one letter a request: y or n
    const QList<qint64> burst(12, 0);
    QTest::newRow("a burst of 10, then none") << burst << "yyyyyyyyyynn";
    QTest::newRow("one back after 100 ms") << burst + QList<qint64> {99, 100, 100}
                                           << "yyyyyyyyyynn"
                                              "nyn";
    QTest::newRow("ten back after a second, no more") << burst + QList<qint64>(11, 5000)
                                                      << "yyyyyyyyyynn"
                                                         "yyyyyyyyyyn";
    QTest::newRow("steady 10 a second") << QList<qint64> {0, 100, 200, 300, 400, 500} << "yyyyyy";
    QTest::newRow("a clock that steps back") << burst + QList<qint64> {-500}
                                             << "yyyyyyyyyynn"
                                                "n";
}

void TestMastership::answerLimit()
{
    QFETCH(QList<qint64>, times);
    QFETCH(QString, allowed);
    DuzUdozuzeTokenBucket bucket(10, 10);
    QString got;
    for (const qint64 time : times)
        got += bucket.take(time) ? QLatin1Char('y') : QLatin1Char('n');
    QCOMPARE(got, allowed);
}

QTEST_GUILESS_MAIN(TestMastership)
#include "tst_mastership.moc"

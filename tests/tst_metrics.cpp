// SPDX-License-Identifier: MIT
#include "common/duzudozuzesettings.h"
#include "net/duzudozuzemetrics.h"
#include "protocol/duzudozuzesession.h"
#include "testsupport.h"

#include <QtTest>

// The metrics of a session on a clock the test turns, fed datagrams as a
// socket would give them: the counts and gauges, the label values of names
// from the network, and the bound on label sets. The workstation under test
// is number 7 of system "north", alarm system "Fire", channel 3.
class TestMetrics : public QObject, public DuzUdozuzeSession::Sink
{
    Q_OBJECT

private slots:
    void init();
    void samples_data();
    void samples();
    void labelValues_data();
    void labelValues();
    void ownNameJoinsHeard();
    void labelSetsAreBounded();

private:
    void receive(const QByteArray &payload);
    // The exposition's samples, one a line, without its comments.
    QByteArrayList exposition() const;

    void logLine(const QString &) override { }
    bool sendStatus(const QByteArray &) override { return true; }
    void warned(bool, const QString &) override { }
    void counted() override { }
    void modeChanged(bool) override { }

    DuzUdozuzeSettings settings;
    DuzUdozuzeSession::Time now {{}, duzUdozuzeWallMs(1700000000000)};
    std::unique_ptr<DuzUdozuzeSession> session;
    DuzUdozuzeRecorder::Counts recorded;
};

void TestMetrics::init()
{
    settings = workstationSeven();
    now = {{}, duzUdozuzeWallMs(1700000000000)};
    session = std::make_unique<DuzUdozuzeSession>(settings, *this, now);
    session->startListening(now);
    recorded = {3, 2, 1};
}

void TestMetrics::receive(const QByteArray &payload)
{
    session->receive(payload.constData(), payload.size(), payload.size(), 0x7F000001, 40000, now);
}

QByteArrayList TestMetrics::exposition() const
{
    QByteArrayList result;
    for (const QByteArray &line :
         DuzUdozuzeMetrics::text(*session, settings, recorded, 5).split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#'))
            result.append(line);
    }
    return result;
}

// What the session went through, and a sample the exposition then has. The
// steps before the datagrams: "respond" (Respond Automatically, healthy),
// "ok", "ws5" (only workstation 5 shown); after them, "after N s", the
// clock turned a second at a time.
void TestMetrics::samples_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QByteArrayList>("datagrams");
    QTest::addColumn<QByteArray>("sample");
    const QByteArray two = "NA:north:Fire:2:3:OK", five = "NA:north:Fire:5:3:OK";
    const QByteArray call = "NC:north:Fire:2:3:OK";

    QTest::newRow("shown") << "" << QByteArrayList {two, "NA:x:y:1:2:OK"}
                           << QByteArray(R"(duzudozuze_datagrams_total{result="shown"} 2)");
    QTest::newRow("filtered") << "ws5" << QByteArrayList {two, five}
                              << QByteArray(R"(duzudozuze_datagrams_total{result="filtered"} 1)");
    QTest::newRow("not current format")
        << "" << QByteArrayList {"junk", "NA:x::1:2:OK", two}
        << QByteArray(R"(duzudozuze_datagrams_total{result="not_current_format"} 2)");
    QTest::newRow("answers sent") << "respond" << QByteArrayList {call, two}
                                  << QByteArray("duzudozuze_answers_total 1");
    QTest::newRow("answers suppressed")
        << "respond" << (QByteArrayList {call} + QByteArrayList(12, two))
        << QByteArray("duzudozuze_answers_suppressed_total 2");
    QTest::newRow("log lines dropped, as told")
        << "" << QByteArrayList() << QByteArray("duzudozuze_log_lines_dropped_total 5");
    QTest::newRow("recorded, as told")
        << "" << QByteArrayList() << QByteArray("duzudozuze_recorded_total 3");
    QTest::newRow("recording errors, as told")
        << "" << QByteArrayList() << QByteArray("duzudozuze_record_errors_total 1");
    QTest::newRow("master") << "respond" << QByteArrayList {call}
                            << QByteArray("duzudozuze_master 1");
    QTest::newRow("mode changes") << "respond" << QByteArrayList {call}
                                  << QByteArray("duzudozuze_mastership_changes_total 1");
    QTest::newRow("healthy") << "ok" << QByteArrayList() << QByteArray("duzudozuze_healthy 1");
    QTest::newRow("fresh workstations")
        << "" << QByteArrayList {two, five}
        << QByteArray(R"(duzudozuze_workstations{state="fresh"} 2)");
    QTest::newRow("stale workstations")
        << "after 61 s" << QByteArrayList {two, five}
        << QByteArray(R"(duzudozuze_workstations{state="stale"} 2)");
    QTest::newRow("claimers of a group")
        << "" << QByteArrayList {two, five}
        << QByteArray(
               R"(duzudozuze_master_claimers{system="north",alarm_system="Fire",channel="3"} 2)");
    QTest::newRow("two masters") << "" << QByteArrayList {two, five}
                                 << QByteArray("duzudozuze_two_masters 1");
    QTest::newRow("no master") << "after 45 s" << QByteArrayList {two}
                               << QByteArray("duzudozuze_no_master 1");
    QTest::newRow("silent") << "after 31 s" << QByteArrayList()
                            << QByteArray("duzudozuze_silent 1");
    QTest::newRow("who this is")
        << "" << QByteArrayList()
        << QByteArray(R"(duzudozuze_workstation_info{system="north",alarm_system="Fire",)"
                      R"(channel="3",workstation="7"} 1)");
    QTest::newRow("last datagram") << "" << QByteArrayList {two}
                                   << QByteArray("duzudozuze_last_datagram_timestamp_seconds "
                                                 "1700000000.000");
    QTest::newRow("never a datagram")
        << "" << QByteArrayList() << QByteArray("duzudozuze_last_datagram_timestamp_seconds 0.000");
    QTest::newRow("version") << "" << QByteArrayList()
                             << QByteArray(R"(duzudozuze_build_info{version=")" DUZUDOZUZE_VERSION
                                           R"("} 1)");
}

void TestMetrics::samples()
{
    QFETCH(QString, steps);
    QFETCH(QByteArrayList, datagrams);
    QFETCH(QByteArray, sample);
    if (steps == QLatin1String("ws5")) {
        settings.m_nWorkstationFilter = 5;
        session = std::make_unique<DuzUdozuzeSession>(settings, *this, now);
    }
    if (steps == QLatin1String("respond"))
        session->setRespondAutomatically(true);
    if (steps == QLatin1String("respond") || steps == QLatin1String("ok"))
        session->setOk(true);
    for (const QByteArray &datagram : datagrams)
        receive(datagram);
    if (steps.startsWith(QLatin1String("after "))) {
        for (int second = steps.mid(6).chopped(2).toInt(); second > 0; --second) {
            now = {now.clock + std::chrono::seconds(1), now.wall + std::chrono::seconds(1)};
            session->advance(now);
        }
    }
    const QByteArrayList got = exposition();
    QVERIFY2(got.contains(sample), got.join('\n').constData());
}

// A system name heard, as its bytes on the wire, and its label value as the
// exposition writes it: the format's escapes, a control character as the log
// writes it, bytes that are not UTF-8 read as Latin-1.
void TestMetrics::labelValues_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("quote") << QByteArray("a\"b") << QByteArray(R"(a\"b)");
    QTest::newRow("backslash") << QByteArray("a\\b") << QByteArray(R"(a\\b)");
    QTest::newRow("line break") << QByteArray("a\nb") << QByteArray(R"(a\nb)");
    QTest::newRow("all three") << QByteArray("a\"b\\c\nd") << QByteArray(R"(a\"b\\c\nd)");
    QTest::newRow("a terminal's escape") << QByteArray("e\x1b[31m") << QByteArray(R"(e\\x1B[31m)");
    QTest::newRow("DEL") << QByteArray("a\x7f") << QByteArray(R"(a\\x7F)");
    QTest::newRow("C1 control, read as Latin-1") << QByteArray("a\x9b") << QByteArray(R"(a\\x9B)");
    QTest::newRow("Latin-1") << QByteArray("Caf\xe9") << QByteArray("Caf\xc3\xa9");
    QTest::newRow("UTF-8") << QByteArray("\xd0\xa1\xd0\xb5") << QByteArray("\xd0\xa1\xd0\xb5");
}

void TestMetrics::labelValues()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    receive("NA:" + name + ":Fire:9:1:OK");
    const QByteArray sample = R"(duzudozuze_master_claimers{system=")" + value
        + R"(",alarm_system="Fire",channel="1"} 1)";
    const QByteArrayList got = exposition();
    QVERIFY2(got.contains(sample), got.join('\n').constData());
}

// A name Latin-1 cannot carry goes on the wire as UTF-8: heard back from
// another workstation, it is the label value of this one's own, so that the
// fleet's metrics join.
void TestMetrics::ownNameJoinsHeard()
{
    settings.m_strHxSystem = QStringLiteral("north-\u0421\u0435\u0432\u0435\u0440");
    session = std::make_unique<DuzUdozuzeSession>(settings, *this, now);
    receive("NA:" + settings.m_strHxSystem.toUtf8() + ":Fire:2:3:OK");
    const QByteArray label = R"(system=")" + settings.m_strHxSystem.toUtf8() + '"';
    const QByteArrayList got = exposition();
    QVERIFY2(got.contains("duzudozuze_master_claimers{" + label
                          + R"(,alarm_system="Fire",channel="3"} 1)"),
             got.join('\n').constData());
    QVERIFY2(got.contains("duzudozuze_workstation_info{" + label
                          + R"(,alarm_system="Fire",channel="3",workstation="7"} 1)"),
             got.join('\n').constData());
}

// Past MaxLabelSets groups, in their order, the rest are summed under
// "other": every claimer counted once.
void TestMetrics::labelSetsAreBounded()
{
    const int groups = DuzUdozuzeMetrics::MaxLabelSets + 50;
    for (int n = 0; n < groups; ++n)
        receive(QByteArray("NA:sys") + QByteArray::number(n).rightJustified(3, '0')
                + ":Fire:1:1:OK");
    QByteArrayList claimers;
    for (const QByteArray &line : exposition()) {
        if (line.startsWith("duzudozuze_master_claimers{"))
            claimers.append(line);
    }
    QCOMPARE(claimers.size(), DuzUdozuzeMetrics::MaxLabelSets + 1);
    QCOMPARE(claimers.constLast(),
             QByteArray(R"(duzudozuze_master_claimers{system="other",alarm_system="other",)"
                        R"(channel="other"} 50)"));
    QVERIFY(claimers.at(DuzUdozuzeMetrics::MaxLabelSets - 1).contains(R"(system="sys099")"));
}

QTEST_GUILESS_MAIN(TestMetrics)
#include "tst_metrics.moc"

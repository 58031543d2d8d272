// SPDX-License-Identifier: MIT
#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzeheadline.h"
#include "protocol/duzudozuzesession.h"
#include "protocol/duzudozuzetimelinejson.h"
#include "protocol/duzudozuzetimelinesvg.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

// The timeline as the session builds it, on a clock the test turns: a script
// of steps, each "SECONDS WHAT", and the lanes and warnings it leaves, each
// span "role@SECONDS" from the start ("*": this workstation answered the
// datagram that began it; "~S": shown at the wall clock's S). The
// workstation under test is number 7 of north/Fire channel 3.
class TestTimeline : public QObject, public DuzUdozuzeSession::Sink
{
    Q_OBJECT

private slots:
    void spans_data();
    void spans();
    void json_data();
    void json();

private:
    // The session after the script's steps.
    void play(DuzUdozuzeSession &session, const QStringList &script);

    void logLine(const QString &) override { }
    bool sendStatus(const QByteArray &) override { return true; }
    void warned(bool, const QString &) override { }
    void counted() override { }
    void modeChanged(bool) override { }
};

namespace {

constexpr qint64 StartWall = 1700000000000;
constexpr qint64 Hour = 3600;

QString render(const DuzUdozuzeTimeline &timeline, qint64 start)
{
    QStringList lanes;
    const qint64 offset = timeline.wallOf(start) - start;
    for (int lane = 0; lane < timeline.laneCount(); ++lane) {
        QStringList spans;
        for (const DuzUdozuzeTimeline::Span &span :
             timeline.spans(lane, timeline.first(), timeline.now() + 1)) {
            QString text = QStringLiteral("%1@%2")
                               .arg(QLatin1String(DuzUdozuzeTimeline::roleName(span.role)))
                               .arg((span.from - start) / 1000);
            if (span.cause.answered)
                text += QLatin1Char('*');
            if (timeline.wallOf(span.from) - offset != span.from)
                text += QStringLiteral("~%1").arg((timeline.wallOf(span.from) - offset - start)
                                                  / 1000);
            spans.append(text);
        }
        lanes.append(QStringLiteral("%1 %2: %3")
                         .arg(timeline.lane(lane).group())
                         .arg(timeline.lane(lane).workstation)
                         .arg(spans.join(QLatin1Char(' '))));
    }
    static const char *const Kinds[] = {"two masters", "flapping", "no master", "silence"};
    for (const DuzUdozuzeTimeline::Warning &warning : timeline.warnings()) {
        lanes.append(QStringLiteral("%1@%2-%3")
                         .arg(QLatin1String(Kinds[int(warning.kind)]))
                         .arg((warning.from - start) / 1000)
                         .arg(warning.until < 0 ? QString()
                                                : QString::number((warning.until - start) / 1000)));
    }
    if (timeline.droppedSpans() > 0)
        lanes.append(QStringLiteral("dropped %1").arg(timeline.droppedSpans()));
    return lanes.join(QStringLiteral("; "));
}

} // namespace

void TestTimeline::spans_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("lanes");
    QTest::addColumn<int>("headlineAt");
    QTest::addColumn<QString>("headline");

    const QString own = QStringLiteral("north/Fire/3 7: slave@0");
    QTest::newRow("a claim lapses, then the row goes stale")
        << QStringList {"0 NA:north:Fire:4:3:OK", "5 NC:north:Fire:4:3:OK", "100 tick"}
        << own + "; north/Fire/3 4: master@0 slave@10 unheard@65; silence@35-; no master@40-65" << 3
        << "Master: workstation 4";
    QTest::newRow("a handover") << QStringList {"0 NA:north:Fire:4:3:OK", "8 NA:north:Fire:4:3:OK",
                                                "12 NA:north:Fire:5:3:OK",
                                                "13 NC:north:Fire:4:3:OK",
                                                "20 NA:north:Fire:5:3:OK"}
                                << own
            + "; north/Fire/3 4: master@0 slave@18; north/Fire/3 5: master@12; "
              "two masters@12-18"
                                << 19 << "Master: workstation 5";
    QTest::newRow("two masters, an unhealthy one, answered")
        << QStringList {"0 auto", "0 ok", "1 NU:north:Fire:4:3:BAD", "2 NA:north:Fire:5:3:OK",
                        "3 tick"}
        << "north/Fire/3 7: slave@0 master@1; north/Fire/3 4: unhealthy@1; "
           "north/Fire/3 5: master@2*; two masters@1-"
        << 2 << "3 MASTERS: 7, 4 and 5";
    QTest::newRow("other groups have lanes of their own")
        << QStringList {"0 NA:north:Fire:4:3:OK", "1 NA:north:Gas:4:3:OK", "2 NA:NORTH:fire:4:3:OK",
                        "3 NA:north:Fire:4:2:OK"}
        << own
            + "; north/Fire/3 4: master@0 unheard@3; north/Gas/3 4: master@1; north/Fire/2 4: "
              "master@3"
        << 2 << "Master: workstation 4";
    QTest::newRow("cleared") << QStringList {"0 NA:north:Fire:4:3:OK", "4 clear",
                                             "6 NA:north:Fire:4:3:OK"}
                             << own + "; north/Fire/3 4: master@0 unheard@4 master@6" << 5
                             << "Master: none";
    QTest::newRow("the wall clock steps back")
        << QStringList {"0 NC:north:Fire:4:3:OK", "30 wall-3600", "30 NA:north:Fire:4:3:OK"}
        << own + "; north/Fire/3 4: slave@0 master@30~-3570; no master@30-30; silence@30-30" << 1
        << "Master: none";
    QTest::newRow("the wall clock set forward by decades")
        << QStringList {"0 NC:north:Fire:4:3:OK", "30 wall+1000000000", "30 NA:north:Fire:4:3:OK"}
        << own + "; north/Fire/3 4: slave@0 master@30~1000000030; no master@30-30; silence@30-30"
        << 1 << "Master: none";
    QTest::newRow("a day kept, the spans before dropped")
        << QStringList {"0 NC:north:Fire:4:3:OK", QString::number(25 * Hour) + " tick",
                        QString::number(25 * Hour) + " NA:north:Fire:4:3:OK"}
        << "north/Fire/3 7: slave@0; north/Fire/3 4: unheard@60 master@90000; silence@30-90000; "
           "dropped 1"
        << 0 << "Master: none";
}

void TestTimeline::play(DuzUdozuzeSession &session, const QStringList &script)
{
    DuzUdozuzeSession::Time now {duzUdozuzeSourceMs(1000), duzUdozuzeWallMs(StartWall)};
    session.startListening(now);
    qint64 wallStep = 0;
    for (const QString &step : script) {
        const QString what = step.section(QLatin1Char(' '), 1);
        const qint64 at = step.section(QLatin1Char(' '), 0, 0).toLongLong() * 1000;
        if (what.startsWith(QLatin1String("wall")))
            wallStep += what.mid(4).toLongLong() * 1000;
        now = {duzUdozuzeSourceMs(1000 + at), duzUdozuzeWallMs(StartWall + at + wallStep)};
        session.advance(now);
        if (what == QLatin1String("auto"))
            session.setRespondAutomatically(true);
        else if (what == QLatin1String("ok"))
            session.setOk(true);
        else if (what == QLatin1String("clear"))
            session.clearWorkstations();
        else if (what.contains(QLatin1Char(':')))
            session.receive(what.toLatin1().constData(), what.size(), what.size(), 0x7F000004, 9208,
                            now);
    }
}

void TestTimeline::spans()
{
    QFETCH(QStringList, script);
    QFETCH(QString, lanes);
    QFETCH(int, headlineAt);
    QFETCH(QString, headline);

    const DuzUdozuzeSettings settings = workstationSeven();
    DuzUdozuzeSession session(settings, *this,
                              {duzUdozuzeSourceMs(1000), duzUdozuzeWallMs(StartWall)});
    play(session, script);
    const DuzUdozuzeTimeline &timeline = session.timeline();
    QCOMPARE(render(timeline, 1000), lanes);
    // However the clocks went, the picture is of the spans, not of the
    // years the wall clock skipped.
    QVERIFY(DuzUdozuzeTimelineSvg::write(timeline, {}).size() < 100000);
    static const QRegularExpression time(QStringLiteral("^At \\d\\d:\\d\\d:\\d\\d: "));
    QCOMPARE(DuzUdozuzeHeadline::at(timeline, 1000 + headlineAt * 1000).text.remove(time),
             headline);
}

// The timeline of a range as JSON (/api/v1/timeline): each lane's spans cut
// at the range, "role@FROM-UNTIL"; the events, "CODE from WORKSTATION@S"
// ("*": answered) and the role each began (this workstation's own lane's
// too, begun by another's datagram); the warnings, whole. Times in
// seconds from the start, the range's too (-1: not given).
void TestTimeline::json_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("until");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("maxSpans");

    const QStringList handover {"0 NA:north:Fire:4:3:OK", "8 NA:north:Fire:4:3:OK",
                                "12 NA:north:Fire:5:3:OK", "13 NC:north:Fire:4:3:OK",
                                "20 NA:north:Fire:5:3:OK"};
    QTest::newRow("a handover, the last hour")
        << handover << -1 << -1
        << "0-20; 7 own: slave@0-20; 4: master@0-18 slave@18-20; 5: master@12-20; "
           "NA from 4@0 master; NA from 5@12 master; two masters@12-18"
        << -1;
    QTest::newRow("a handover, cut") << handover << 10 << 15
                                     << "10-15; 7 own: slave@10-15; 4: master@10-15; "
                                        "5: master@12-15; NA from 5@12 master; two masters@12-18"
                                     << -1;
    QTest::newRow("from alone: up to now")
        << handover << 19 << -1 << "19-20; 7 own: slave@19-20; 4: slave@19-20; 5: master@19-20"
        << -1;
    QTest::newRow("two masters, one unhealthy, answered")
        << QStringList {"0 auto", "0 ok", "1 NU:north:Fire:4:3:BAD", "2 NA:north:Fire:5:3:OK",
                        "3 tick"}
        << -1 << -1
        << "0-3; 7 own: slave@0-1 master@1-3; 4: unhealthy@1-3; 5: master@2-3; "
           "NU from 7@1 master; NU from 4@1 unhealthy; NA from 5@2* master; two masters@1-"
        << -1;
    QTest::newRow("a range before the times kept: nothing")
        << handover << -3600 << -60 << "0-0" << -1;
    QTest::newRow("at most 3 spans: the lanes past them left out")
        << handover << -1 << -1
        << "0-20; 7 own: slave@0-20; 4: master@0-18 slave@18-20; NA from 4@0 master; "
           "two masters@12-18; 1 left out"
        << 3;
}

void TestTimeline::json()
{
    QFETCH(QStringList, script);
    QFETCH(int, from);
    QFETCH(int, until);
    QFETCH(QString, expected);
    QFETCH(int, maxSpans);

    const DuzUdozuzeSettings settings = workstationSeven();
    DuzUdozuzeSession session(settings, *this,
                              {duzUdozuzeSourceMs(1000), duzUdozuzeWallMs(StartWall)});
    play(session, script);
    const DuzUdozuzeTimeline &timeline = session.timeline();
    const auto wall = [](int seconds) { return seconds == -1 ? -1 : StartWall + seconds * 1000; };
    const QJsonObject object = DuzUdozuzeTimelineJson::timeline(
        timeline, DuzUdozuzeTimelineJson::range(timeline, wall(from), wall(until), Hour * 1000),
        maxSpans);
    const auto at = [&object](const QJsonValue &iso) {
        return iso.isNull()
            ? QString()
            : QString::number(
                (QDateTime::fromString(iso.toString(), Qt::ISODate).toMSecsSinceEpoch() - StartWall)
                / 1000);
    };
    QStringList got {at(object.value(QStringLiteral("from"))) + QLatin1Char('-')
                     + at(object.value(QStringLiteral("until")))};
    for (const QJsonValue &value : object.value(QStringLiteral("lanes")).toArray()) {
        const QJsonObject lane = value.toObject();
        QStringList spans;
        for (const QJsonValue &span : lane.value(QStringLiteral("spans")).toArray()) {
            spans.append(span[QStringLiteral("role")].toString() + QLatin1Char('@')
                         + at(span[QStringLiteral("from")]) + QLatin1Char('-')
                         + at(span[QStringLiteral("until")]));
        }
        QCOMPARE(lane.value(QStringLiteral("group")).toString(), QStringLiteral("north/Fire/3"));
        got.append(QStringLiteral("%1%2: %3")
                       .arg(lane.value(QStringLiteral("workstation")).toInt())
                       .arg(lane.value(QStringLiteral("own")).toBool() ? " own" : "",
                            spans.join(QLatin1Char(' '))));
    }
    for (const QJsonValue &event : object.value(QStringLiteral("events")).toArray()) {
        QCOMPARE(event[QStringLiteral("sender")].toString(), QStringLiteral("127.0.0.4"));
        got.append(QStringLiteral("%1 from %2@%3%4 %5")
                       .arg(event[QStringLiteral("code")].toString())
                       .arg(event[QStringLiteral("workstation")].toInt())
                       .arg(at(event[QStringLiteral("time")]),
                            event[QStringLiteral("answered")].toBool() ? "*" : "",
                            event[QStringLiteral("role")].toString()));
    }
    for (const QJsonValue &warning : object.value(QStringLiteral("warnings")).toArray()) {
        got.append(warning[QStringLiteral("kind")].toString() + QLatin1Char('@')
                   + at(warning[QStringLiteral("from")]) + QLatin1Char('-')
                   + at(warning[QStringLiteral("until")]));
    }
    if (const int leftOut = object.value(QStringLiteral("spansLeftOut")).toInt())
        got.append(QStringLiteral("%1 left out").arg(leftOut));
    QCOMPARE(got.join(QStringLiteral("; ")), expected);
}

QTEST_GUILESS_MAIN(TestTimeline)
#include "tst_timeline.moc"

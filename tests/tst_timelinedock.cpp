// SPDX-License-Identifier: MIT
#include "app/duzudozuzeelidedlabel.h"
#include "app/duzudozuzelogview.h"
#include "app/duzudozuzemainwindow.h"
#include "app/duzudozuzetimelinescale.h"
#include "app/duzudozuzetimelineview.h"
#include "capturesupport.h"
#include "common/duzudozuzelogline.h"
#include "net/duzudozuzesocketdevice.h"
#include "protocol/duzudozuzestatusdatagram.h"
#include "stationsupport.h"
#include "testsupport.h"
#include "widgetsupport.h"

#include <QComboBox>
#include <QDockWidget>
#include <QTableView>
#include <QtTest>

// The window's Timeline dock: it keeps up with the datagrams, its scale
// zooms and ticks as it should, and a capture's cursor and clicks show the
// moments they are on. That it comes to rest is in tst_mainwindow's
// layoutComesToRest.
class TestTimelineDock : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keepsEveryDatagram();
    void scale_data();
    void scale();
    void cursorInACapture();
};

void TestTimelineDock::init()
{
    qputenv("HX_WORKSTATION", "3");
    qunsetenv("HX_ROOT");
    qunsetenv("HX_SYSTEM");
}

// With the timeline in sight at its closest zoom, each datagram a change of
// role: every one of them is read, at a modest rate.
void TestTimelineDock::keepsEveryDatagram()
{
    DuzUdozuzeMainWindow window({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")});
    window.resize(1280, 800);
    child<QDockWidget>(&window, "timelineDock")->raise();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    child<QComboBox>(&window, "timelineSpan")->setCurrentIndex(0);
    auto *timeline = child<DuzUdozuzeTimelineView>(&window, "timelineView");
    PaintCounter paints(timeline->viewport());
    DuzUdozuzeSocketDevice sender;
    constexpr int Count = 2000;
    for (int sent = 0; sent < Count;) {
        for (const int end = sent + 50; sent < end; ++sent)
            sender.writeDatagram(
                DuzUdozuzeStatusDatagram::format(QLatin1String(sent % 8 < 4 ? "NA" : "NC"),
                                                 QStringLiteral("north"), QStringLiteral("Fire"),
                                                 10 + sent % 4, 3, true),
                0x7F000001, boundPort(*window.station()));
        QTRY_COMPARE(window.station()->session().counts().received, quint64(sent));
    }
    QTRY_VERIFY(paints.count > 0);
    QCOMPARE(window.station()->session().timeline().laneCount(), 5);
}

// Zoom from a minute to a day about the moment under the pointer; ticks a
// label apart; spans narrower than a pixel fill their columns, one run each
// at most.
void TestTimelineDock::scale_data()
{
    QTest::addColumn<qint64>("span");
    QTest::addColumn<double>("factor");
    QTest::addColumn<qint64>("zoomed");
    QTest::addColumn<qint64>("tick");
    constexpr qint64 Minute = 60000;
    QTest::newRow("in, to a minute at most") << 80 * 1000ll << 0.5 << Minute << 5000ll;
    QTest::newRow("out, to a day at most")
        << 20 * 60 * Minute << 1.5 << 24 * 60 * Minute << 2 * 60 * Minute;
    QTest::newRow("an hour") << 30 * Minute << 2.0 << 60 * Minute << 5 * Minute;
    QTest::newRow("five minutes") << 10 * Minute << 0.5 << 5 * Minute << 30000ll;
}

void TestTimelineDock::scale()
{
    QFETCH(qint64, span);
    QFETCH(double, factor);
    QFETCH(qint64, zoomed);
    QFETCH(qint64, tick);
    DuzUdozuzeTimelineScale scale {100000000, span, 200, 1000};
    const double x = 450;
    const qint64 under = scale.clockAt(x);
    scale.zoom(factor, x);
    QCOMPARE(scale.span, zoomed);
    QVERIFY(qAbs(scale.clockAt(x) - under) <= qint64(scale.msPerPixel()) + 1);
    QCOMPARE(DuzUdozuzeTimelineScale::tickStep(scale.msPerPixel(), 80), tick);
    std::vector<quint8> columns(size_t(scale.width));
    const qint64 step = qMax<qint64>(1, scale.span / 10000);
    for (qint64 at = scale.from(); at < scale.end; at += step)
        scale.fill(columns, at, at + step, quint8(1 + (at / step) % 3));
    const auto runs = DuzUdozuzeTimelineScale::runs(columns);
    QVERIFY(std::count(columns.begin(), columns.end(), 0) == 0 && runs.size() <= columns.size());
}

// A capture with two masters: at the cursor on their moment the dock's
// headline says so; a click there takes the log to the first line after it
// and the history to the change nearest it.
void TestTimelineDock::cursorInACapture()
{
    HostInstallation host;
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    qputenv("HX_ROOT", host.root().toLocal8Bit());
    qputenv("HX_SYSTEM", "north");
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("two.pcap"));
    constexpr qint64 Time = 1700000000000000; // us
    QVERIFY(
        writeCapture(path,
                     {{Time, ethernet(0x0800) + ipv4Udp("NA:north:Fire:4:3:OK", 4)},
                      {Time + 2000000, ethernet(0x0800) + ipv4Udp("NA:north:Fire:5:3:OK", 5)},
                      {Time + 30000000, ethernet(0x0800) + ipv4Udp("NC:north:Fire:6:3:OK", 6)}}));
    DuzUdozuzeMainWindow window({QStringLiteral("/read=") + path, QStringLiteral("/port=0")});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *dock = child<QDockWidget>(&window, "timelineDock");
    dock->setFloating(true);
    dock->resize(1000, 400);
    dock->show();
    QVERIFY(QTest::qWaitForWindowExposed(dock));
    QTRY_VERIFY(
        child<QLabel>(&window, "headlineText")->text().startsWith(QLatin1String("At the end: ")));
    const DuzUdozuzeTimeline &timeline = window.station()->session().timeline();
    auto *view = child<DuzUdozuzeTimelineView>(&window, "timelineView");
    const qint64 wall = Time / 1000 + 2500;
    view->setCursor(timeline.clockOf(wall));
    QCOMPARE(child<DuzUdozuzeElidedLabel>(&window, "timelineHeadline")->fullText(),
             QStringLiteral("At %1: TWO MASTERS: 4 and 5")
                 .arg(QDateTime::fromMSecsSinceEpoch(wall).toString(QStringLiteral("HH:mm:ss"))));
    // The Workstations dock's headline and roles follow the cursor.
    QCOMPARE(child<QLabel>(&window, "headlineText")->text(),
             child<DuzUdozuzeElidedLabel>(&window, "timelineHeadline")->fullText());
    view->refresh();
    QPoint moment(int(view->scale().xOf(timeline.clockOf(Time / 1000 + 1200))), 0);
    while (view->hitAt(moment).kind != DuzUdozuzeTimelineView::Hit::Lane)
        moment.ry() += 2; // down to the first lane
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, moment);
    auto *log = child<DuzUdozuzeLogView>(&window, "m_editMain");
    const QString line = QString::fromUtf8(log->store().line(log->cursorPosition().serial));
    QVERIFY2(line.contains(QLatin1String("'NA:north:Fire:5:3:OK'")), qPrintable(line));
    QPoint five(int(view->scale().xOf(timeline.clockOf(wall))), 0);
    while (view->hitAt(five).lane < 0 || timeline.lane(view->hitAt(five).lane).workstation != 5)
        five.ry() += 2;
    // Its claim, from its datagram until it lapsed.
    QCOMPARE(view->toolTipAt(five),
             QStringLiteral("5: master\n%1 to %2\nNA from 10.0.0.5")
                 .arg(DuzUdozuzeLogLine::timeText(Time / 1000 + 2000),
                      DuzUdozuzeLogLine::timeText(Time / 1000 + 12000)));
    auto *history = child<QTableView>(&window, "historyView");
    const QModelIndexList selected = history->selectionModel()->selectedRows(0);
    QVERIFY(!selected.isEmpty()
            && selected.first().data().toString()
                == QDateTime::fromMSecsSinceEpoch(Time / 1000 + 2000).toString("HH:mm:ss"));
}

QTEST_MAIN(TestTimelineDock)
#include "tst_timelinedock.moc"

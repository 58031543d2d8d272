// SPDX-License-Identifier: MIT
#include "app/duzudozuzeacknowledgement.h"
#include "app/duzudozuzecapturebanner.h"
#include "app/duzudozuzecellstyle.h"
#include "app/duzudozuzehistorymodel.h"
#include "app/duzudozuzelogview.h"
#include "app/duzudozuzemainwindow.h"
#include "app/duzudozuzenotedialog.h"
#include "app/duzudozuzetimelineview.h"
#include "app/duzudozuzeworkstationmodel.h"
#include "capturesupport.h"
#include "net/duzudozuzesocketdevice.h"
#include "net/duzudozuzestation.h"
#include "protocol/duzudozuzestatusdatagram.h"
#include "protocol/duzudozuzeworkstationreport.h"
#include "protocol/duzudozuzeworkstationtable.h"
#include "stationsupport.h"
#include "testsupport.h"
#include "widgetsupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QtTest>

// The window: start-up with its environment and control string, the labels,
// its signals, Clear, and the boxes that feed the socket.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void bareForm();
    void formName();
    void workstationVariable_data();
    void workstationVariable();
    void defaultLabels();
    void controlStringLabels();
    void failedSetUp();
    void showsACapture();
    void respondGroupShown();
    void signalsOnCloseAndEscape();
    void signalsOnShowAndHide();
    void clearEmptiesLog();
    void respondNowDoesNothing();
    void noteKeepsWholeCharacters();
    void boxesFeedSocket();
    void operatorOptionsSetBoxes();
    void maxLinesDropsOldest();
    void statusBarShowsModeAndCounts();
    void workstationTableShowsClaims();
    void dockKeepsWhatMatters();
    void longNamesKeepTheirPlace();
    void layoutComesToRest_data();
    void layoutComesToRest();
    void trayShowsTheState();
    void layoutIsRemembered();
    void stylesReadInEveryTheme_data();
    void stylesReadInEveryTheme();

private:
    static QStringList loopback(QStringList args = {});
};

// Counts one type of event on every object of the application.
struct EventCounter : QObject
{
    explicit EventCounter(QEvent::Type type) : type(type) { qApp->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == type;
        return false;
    }
    QEvent::Type type;
    int count = 0;
};

QString labelText(QWidget *window, const char *name)
{
    return child<QLabel>(window, name)->text();
}

QStringList logLines(DuzUdozuzeMainWindow *window)
{
    window->flushLog();
    return child<DuzUdozuzeLogView>(window, "m_editMain")->toPlainText().split(QLatin1Char('\n'));
}

QStringList TestMainWindow::loopback(QStringList args)
{
    // Bound to loopback on a port of the system's choosing.
    return args << QStringLiteral("/host=127.0.0.1") << QStringLiteral("/port=0");
}

void TestMainWindow::init()
{
    qputenv("HX_WORKSTATION", "3");
    qunsetenv("HX_ROOT");
    qunsetenv("HX_SYSTEM");
}

void TestMainWindow::bareForm()
{
    DuzUdozuzeMainWindowBase form;
    for (const char *name : {"m_pqTextMyAlarmSystem", "m_pqTextAlarmSystemFilter"})
        QCOMPARE(labelText(&form, name), QStringLiteral("name"));
    for (const char *name : {"m_pqTextMyWorkstation", "m_pqTextMyChannel",
                             "m_pqTextWorkstationFilter", "m_pqTextChannelFilter", "m_pqTextPort"})
        QCOMPARE(labelText(&form, name), QStringLiteral("num"));
    for (const char *name : {"m_pqTextMyHxSystem", "m_pqTextHxSystemFilter"})
        QCOMPARE(labelText(&form, name), QStringLiteral("system"));
    QCOMPARE(labelText(&form, "textLabel7"), QStringLiteral("HX_Cystem:"));
    QCOMPARE(labelText(&form, "textLabel9"), QStringLiteral("Port:"));
    QCOMPARE(child<QGroupBox>(&form, "m_pqButtonGroupMySettings")->title(),
             QStringLiteral("My Settings"));
    QCOMPARE(child<QGroupBox>(&form, "m_pqButtonGroupFilterSettings")->title(),
             QStringLiteral("Filter Settings"));
    QCOMPARE(child<QGroupBox>(&form, "m_pqGroupRespond")->title(), QStringLiteral("Respond"));
    QCOMPARE(child<QPushButton>(&form, "m_pushClear")->text(), QStringLiteral("Clear"));
    QCOMPARE(child<QPushButton>(&form, "m_pqPushRespondNow")->text(),
             QStringLiteral("Respond Now"));
    QVERIFY(child<QCheckBox>(&form, "m_pqCheckOk")->isChecked());
    QVERIFY(!child<QCheckBox>(&form, "m_pqCheckRespondAutomatically")->isChecked());
    // The log takes no typing.
    QTest::keyClicks(child<DuzUdozuzeLogView>(&form, "m_editMain"), QStringLiteral("typed"));
    QCOMPARE(child<DuzUdozuzeLogView>(&form, "m_editMain")->toPlainText(), QString());
    QCOMPARE(form.windowTitle(), QStringLiteral("DuzUdozuze"));
    QCOMPARE(form.size(), QSize(600, 504).expandedTo(form.minimumSizeHint()));
    QVERIFY(form.statusBar());
}

void TestMainWindow::formName()
{
    QCOMPARE(DuzUdozuzeMainWindowBase().objectName(), QStringLiteral("DuzUdozuzeMainWindowBase"));
    QCOMPARE(DuzUdozuzeMainWindowBase(nullptr, "mine").objectName(), QStringLiteral("mine"));
}

void TestMainWindow::workstationVariable_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("shown");
    QTest::newRow("unset") << false << QByteArray()
                           << QStringLiteral("Not a valid workstation number: ''") << "0";
    QTest::newRow("12") << true << QByteArray("12")
                        << QStringLiteral("Not a valid channel number: ''") << "12";
    QTest::newRow("12abc") << true << QByteArray("12abc")
                           << QStringLiteral("Not a valid workstation number: '12abc'") << "0";
}

void TestMainWindow::workstationVariable()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, value);
    QFETCH(QString, firstLine);
    QFETCH(QString, shown);
    if (set)
        qputenv("HX_WORKSTATION", value);
    else
        qunsetenv("HX_WORKSTATION");
    DuzUdozuzeMainWindow window(loopback());
    QCOMPARE(logLines(&window).constFirst().mid(13), firstLine);
    QCOMPARE(labelText(&window, "m_pqTextMyWorkstation"), shown);
    QCOMPARE(window.station()->settings().m_nWorkstation, shown.toInt());
}

void TestMainWindow::defaultLabels()
{
    // No control string at all: the defaults, bound to 0.0.0.0 port 9208.
    DuzUdozuzeMainWindow window({});
    QCOMPARE(labelText(&window, "m_pqTextHxSystemFilter"), QStringLiteral(".*"));
    QCOMPARE(labelText(&window, "m_pqTextAlarmSystemFilter"), QString());
    QCOMPARE(labelText(&window, "m_pqTextWorkstationFilter"), QStringLiteral("-1"));
    QCOMPARE(labelText(&window, "m_pqTextChannelFilter"), QStringLiteral("-1"));
    QCOMPARE(labelText(&window, "m_pqTextPort"), QStringLiteral("9208"));
    QCOMPARE(labelText(&window, "m_pqTextMyChannel"), QStringLiteral("-1"));
    QCOMPARE(labelText(&window, "m_pqTextMyWorkstation"), QStringLiteral("3"));
    QVERIFY(child<QGroupBox>(&window, "m_pqGroupRespond")->isHidden());
    QVERIFY(child<QCheckBox>(&window, "m_pqCheckOk")->isChecked());
    QVERIFY(!child<QCheckBox>(&window, "m_pqCheckRespondAutomatically")->isChecked());
    QVERIFY(!window.windowIcon().pixmap(32).isNull());
}

void TestMainWindow::controlStringLabels()
{
    HostInstallation host;
    host.writeNetwork(QStringLiteral("north"), "Fire", 4);
    qputenv("HX_ROOT", host.root().toLocal8Bit());
    qputenv("HX_SYSTEM", "north");
    DuzUdozuzeMainWindow window({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0"),
                                 QStringLiteral("/workstation=me"),
                                 QStringLiteral("/hx_system=nor.h")});
    QVERIFY(window.station()->isValid());
    QCOMPARE(labelText(&window, "m_pqTextMyHxSystem"), QStringLiteral("north"));
    QCOMPARE(labelText(&window, "m_pqTextHxSystemFilter"), QStringLiteral("nor.h"));
    QCOMPARE(labelText(&window, "m_pqTextMyAlarmSystem"), QStringLiteral("Fire"));
    QCOMPARE(labelText(&window, "m_pqTextWorkstationFilter"), QStringLiteral("3"));
    QCOMPARE(labelText(&window, "m_pqTextMyChannel"), QStringLiteral("4"));
    QCOMPARE(labelText(&window, "m_pqTextChannelFilter"), QStringLiteral("4"));
    QCOMPARE(labelText(&window, "m_pqTextPort"), QStringLiteral("0"));
    const QStringList lines = logLines(&window);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0).mid(13), QStringLiteral("Workstation filter override = me"));
    QCOMPARE(lines.at(1).mid(13), QStringLiteral("HX_SYSTEM override = 'nor.h'"));
    QCOMPARE(lines.at(2).mid(13), QStringLiteral("Channel filter override = '4'"));
    QCOMPARE(lines.at(3).mid(13),
             QStringLiteral("Constructor: system is north/nor.h, Alarm System is Fire/, "
                            "Workstation is 3/3"));
    QVERIFY(lines.at(4).mid(13).startsWith(QLatin1String("List of addresses is ")));
}

void TestMainWindow::failedSetUp()
{
    DuzUdozuzeMainWindow window(loopback({QStringLiteral("/port=1"), QStringLiteral("/bogus")}));
    QVERIFY(!window.station()->isValid());
    const QStringList lines = logLines(&window);
    QCOMPARE(lines.constLast(), QStringLiteral("failed to set-up UDP system."));
    QCOMPARE(lines.at(lines.size() - 2).mid(13),
             QStringLiteral("UDP Settings not valid. Don't enable."));
    // The labels still show what the socket holds.
    QCOMPARE(labelText(&window, "m_pqTextPort"), QStringLiteral("0"));
    // No one can take it for listening: the status bar says so instead of
    // counts, and so does the Workstations dock.
    const QString notListening
        = QStringLiteral("Not listening on UDP port 0: the set-up failed, see the log");
    QCOMPARE(labelText(&window, "statusNotListening"), notListening);
    QVERIFY(child<QLabel>(&window, "statusNotListening")->isVisibleTo(&window));
    window.flushLog();
    QTRY_COMPARE(labelText(&window, "warnings"), notListening);
    QCOMPARE(labelText(&window, "headlineText"), QStringLiteral("Not listening"));
    // In the warning colour, the loudest state, focused or not.
    const QPalette headline = child<QLabel>(&window, "headlineText")->palette();
    QCOMPARE(
        headline.color(QPalette::Inactive, QPalette::WindowText),
        DuzUdozuzeCellStyle::of(DuzUdozuzeCellStyle::Kind::Warning, window.palette()).foreground);
    QCOMPARE(window.workstationModel()->index(0, DuzUdozuzeWorkstationReport::Role).data(),
             QStringLiteral("not listening"));
}

// Its lines with the capture's times, and no port: the window says so, and
// which ports the datagrams went to, read on every port.
void TestMainWindow::showsACapture()
{
    QTemporaryDir folder;
    // A name that holds a placeholder of its own is shown as it is.
    const QString path = folder.filePath(QStringLiteral("incident%1.pcap"));
    constexpr qint64 Time = 1700000000250000;
    QVERIFY(writeCapture(path,
                         {{Time, ethernet(0x0800) + ipv4Udp("NA:north:Fire:5:3:OK")},
                          {Time, ethernet(0x0800) + ipv4Udp("NC:north:Fire:6:3:OK", 3, 9301)},
                          {Time, ethernet(0x0800) + ipv4Udp("NC:north:Fire:6:3:OK", 3)},
                          {Time + 1000, ethernet(0x0806)}}));
    DuzUdozuzeMainWindow window({QStringLiteral("/read=") + path, QStringLiteral("/port=0")});
    QTRY_COMPARE(
        labelText(&window, "statusCapture"),
        QStringLiteral("Showing the capture %1, read to its end: 4 packets; %2 to %3, "
                       "UDP port 9208: 2 datagrams, 9301: 1 datagram")
            .arg(path, QDateTime::fromMSecsSinceEpoch(Time / 1000).toString("yyyy-MM-dd HH:mm:ss"),
                 QDateTime::fromMSecsSinceEpoch(Time / 1000).toString("HH:mm:ss")));
    QCOMPARE(boundPort(*window.station()), quint16(0));
    QCOMPARE(window.workstationModel()->index(0, DuzUdozuzeWorkstationReport::Role).data(),
             QStringLiteral("reading a capture"));
    // Never to be taken for the live window: a banner, the past tense, times
    // of the capture.
    const QString time = QDateTime::fromMSecsSinceEpoch(Time / 1000).toString("HH:mm:ss");
    QCOMPARE(window.findChild<DuzUdozuzeCaptureBanner *>()->text(),
             QStringLiteral("CAPTURE incident%1.pcap, ")
                 + QDateTime::fromMSecsSinceEpoch(Time / 1000).toString("yyyy-MM-dd ") + time
                 + QStringLiteral(" to ") + time);
    QTRY_VERIFY(labelText(&window, "headlineText").startsWith(QLatin1String("At the end: ")));
    QTRY_COMPARE(window.workstationModel()->index(1, DuzUdozuzeWorkstationReport::LastSeen).data(),
                 QStringLiteral("at ") + time);
    QVERIFY(window.windowTitle().endsWith(QLatin1String("capture incident%1.pcap")));
    QVERIFY(logLines(&window).contains(
        QDateTime::fromMSecsSinceEpoch(Time / 1000).toString(QStringLiteral("HH:mm:ss.zzz"))
        + QStringLiteral(" Received 'NA:north:Fire:5:3:OK'. 10.0.0.2:40000. type 0")));
}

void TestMainWindow::respondGroupShown()
{
    DuzUdozuzeMainWindow window(loopback({QStringLiteral("/respond")}));
    QVERIFY(!child<QGroupBox>(&window, "m_pqGroupRespond")->isHidden());
    QVERIFY(child<QCheckBox>(&window, "m_pqCheckOk")->isChecked());
    QVERIFY(!child<QCheckBox>(&window, "m_pqCheckRespondAutomatically")->isChecked());
    // Tab goes as the eye does: left to right.
    QCOMPARE(child<QCheckBox>(&window, "m_pqCheckRespondAutomatically")->nextInFocusChain(),
             child<QCheckBox>(&window, "m_pqCheckOk"));
}

void TestMainWindow::signalsOnCloseAndEscape()
{
    DuzUdozuzeMainWindow window(loopback());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy closed(&window, &DuzUdozuzeMainWindow::duzUdozuzeClosed);
    QSignalSpy hidden(&window, &DuzUdozuzeMainWindow::duzUdozuzeHidden);

    QTest::keyPress(&window, Qt::Key_Escape);
    QCOMPARE(closed.count(), 0);
    QTest::keyRelease(&window, Qt::Key_Escape);
    QCOMPARE(closed.count(), 1);
    QVERIFY(window.isVisible());

    QTest::keyRelease(&window, Qt::Key_A);
    QCOMPARE(closed.count(), 1);

    QVERIFY(window.close());
    QCOMPARE(closed.count(), 2);
    QCOMPARE(hidden.count(), 1);
    QVERIFY(!window.isVisible());
}

void TestMainWindow::signalsOnShowAndHide()
{
    DuzUdozuzeMainWindow window(loopback());
    QSignalSpy shown(&window, &DuzUdozuzeMainWindow::duzUdozuzeShown);
    QSignalSpy hidden(&window, &DuzUdozuzeMainWindow::duzUdozuzeHidden);
    window.show();
    QCOMPARE(shown.count(), 1);
    window.hide();
    QCOMPARE(hidden.count(), 1);
    window.show();
    window.hide();
    QCOMPARE(shown.count(), 2);
    QCOMPARE(hidden.count(), 2);
}

void TestMainWindow::clearEmptiesLog()
{
    DuzUdozuzeMainWindow window(loopback());
    window.logPrintf("first");
    QTest::mouseClick(child<QPushButton>(&window, "m_pushClear"), Qt::LeftButton);
    QCOMPARE(child<DuzUdozuzeLogView>(&window, "m_editMain")->toPlainText(), QString());
    window.logPrintf("second");
    const QStringList lines = logLines(&window);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).mid(13), QStringLiteral("second"));
}

void TestMainWindow::respondNowDoesNothing()
{
    DuzUdozuzeMainWindow window(loopback({QStringLiteral("/respond")}));
    const QString before = child<DuzUdozuzeLogView>(&window, "m_editMain")->toPlainText();
    QTest::mouseClick(child<QPushButton>(&window, "m_pqPushRespondNow"), Qt::LeftButton);
    QCOMPARE(child<DuzUdozuzeLogView>(&window, "m_editMain")->toPlainText(), before);
    QCOMPARE(window.station()->session().counts().answersSent, 0u);
}

// The limit counts UTF-16 units: a character it would halve is left out.
void TestMainWindow::noteKeepsWholeCharacters()
{
    DuzUdozuzeNoteDialog dialog(3);
    dialog.findChild<QLineEdit *>()->setText(QStringLiteral("ab\U0001F525"));
    QCOMPARE(dialog.note(), QStringLiteral("ab"));
}

void TestMainWindow::boxesFeedSocket()
{
    DuzUdozuzeMainWindow window(loopback({QStringLiteral("/respond")}));
    DuzUdozuzeStation *socket = window.station();
    // OK starts checked, so the workstation starts healthy.
    QVERIFY(socket->session().isOk());
    QVERIFY(!socket->session().respondsAutomatically());
    child<QCheckBox>(&window, "m_pqCheckRespondAutomatically")->setChecked(true);
    QVERIFY(socket->session().respondsAutomatically());
    child<QCheckBox>(&window, "m_pqCheckOk")->setChecked(false);
    QVERIFY(!socket->session().isOk());
    QVERIFY(socket->session().respondsAutomatically());
    child<QCheckBox>(&window, "m_pqCheckRespondAutomatically")->setChecked(false);
    QVERIFY(!socket->session().respondsAutomatically());
}

void TestMainWindow::operatorOptionsSetBoxes()
{
    DuzUdozuzeMainWindow window(loopback({QStringLiteral("/auto=yes"), QStringLiteral("/ok=0")}));
    QVERIFY(child<QCheckBox>(&window, "m_pqCheckRespondAutomatically")->isChecked());
    QVERIFY(!child<QCheckBox>(&window, "m_pqCheckOk")->isChecked());
    QVERIFY(window.station()->session().respondsAutomatically());
    QVERIFY(!window.station()->session().isOk());
}

void TestMainWindow::maxLinesDropsOldest()
{
    DuzUdozuzeMainWindow window(loopback({QStringLiteral("/maxlines=3")}));
    for (int i = 0; i < 10; ++i)
        window.logPrintf("line %d", i);
    const QStringList lines = logLines(&window);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0).mid(13), QStringLiteral("line 7"));
    QCOMPARE(lines.at(2).mid(13), QStringLiteral("line 9"));
}

void TestMainWindow::statusBarShowsModeAndCounts()
{
    DuzUdozuzeMainWindow window(loopback());
    const QList<QLabel *> labels = window.statusBar()->findChildren<QLabel *>();
    QStringList texts;
    for (const QLabel *label : labels)
        texts.append(label->text());
    // Respond Automatically off: it takes no part, it watches.
    QVERIFY2(texts.contains(QStringLiteral("Watching")), qPrintable(texts.join('|')));
    QVERIFY2(texts.contains(QStringLiteral("Received 0, shown 0, filtered 0, not current format "
                                           "0, answers sent 0")),
             qPrintable(texts.join('|')));
}

// Identity first, then the claim; narrowed, the dock keeps the workstation,
// the claim and when it was last heard.
void TestMainWindow::dockKeepsWhatMatters()
{
    using Report = DuzUdozuzeWorkstationReport::Column;
    DuzUdozuzeMainWindow window(loopback());
    window.resize(800, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *view = window.findChild<QTableView *>(QStringLiteral("workstationView"));
    QHeaderView *header = view->horizontalHeader();
    QList<int> order;
    for (int place = 0; place < 5; ++place)
        order.append(header->logicalIndex(place));
    QCOMPARE(order,
             QList<int>({Report::Workstation, Report::System, Report::AlarmSystem, Report::Channel,
                         Report::Role}));
    int shown = 0;
    for (int column = 0; column < header->count(); ++column)
        shown += header->isSectionHidden(column) ? 0 : header->sectionSize(column);
    QVERIFY2(shown <= view->viewport()->width() || header->hiddenSectionCount() == 8,
             qPrintable(QStringLiteral("%1 of %2").arg(shown).arg(view->viewport()->width())));
    for (const int column : {Report::Workstation, Report::Role, Report::LastSeen})
        QVERIFY(!header->isSectionHidden(column));
}

// A name from the network 230 characters long: its column is bounded and the
// others keep their place; the whole name is in the copy of its row.
void TestMainWindow::longNamesKeepTheirPlace()
{
    using Report = DuzUdozuzeWorkstationReport::Column;
    DuzUdozuzeMainWindow window(loopback());
    window.resize(1600, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resizeDocks({child<QDockWidget>(&window, "workstationsDock")}, {1200}, Qt::Horizontal);
    auto *view = child<QTableView>(&window, "workstationView");
    QHeaderView *header = view->horizontalHeader();
    QTRY_VERIFY(!header->isSectionHidden(Report::AlarmSystem));
    const QString name(230, QLatin1Char('n'));
    DuzUdozuzeSocketDevice sender;
    sender.writeDatagram(DuzUdozuzeStatusDatagram::format(QStringLiteral("NC"), name,
                                                          QStringLiteral("Fire"), 2, 3, true),
                         0x7F000001, boundPort(*window.station()));
    QTRY_VERIFY(header->sectionSize(Report::System) > 100); // fitted to the name
    QVERIFY(header->sectionSize(Report::System) < view->viewport()->width() / 3);
    QVERIFY(!header->isSectionHidden(Report::AlarmSystem));
    view->setFocus();
    view->selectRow(1);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QGuiApplication::clipboard()->text().contains(QLatin1Char('\t') + name
                                                          + QLatin1Char('\t')));
}

void TestMainWindow::layoutComesToRest_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("narrow, columns given way") << QSize(700, 420);
    QTest::newRow("usual") << QSize(1000, 600);
    QTest::newRow("wide") << QSize(1800, 1000);
}

// With two masters standing and nothing heard, the window comes to rest: no
// column fitted, no widget resized, whatever its size. A layout that fits
// columns on the resizes its own fits cause never does, and spins.
void TestMainWindow::layoutComesToRest()
{
    QFETCH(QSize, size);
    HostInstallation host;
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    qputenv("HX_ROOT", host.root().toLocal8Bit());
    qputenv("HX_SYSTEM", "north");
    DuzUdozuzeMainWindow window(loopback());
    window.resize(size);
    // The timeline in front of its tab, at the day's zoom: a pixel is more
    // than a minute, and the present moves one only now and then.
    child<QDockWidget>(&window, "timelineDock")->raise();
    child<QComboBox>(&window, "timelineSpan")->setCurrentIndex(2);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *timeline = child<DuzUdozuzeTimelineView>(&window, "timelineView");
    PaintCounter paints(timeline->viewport());
    DuzUdozuzeSocketDevice sender;
    for (const int workstation : {2, 5})
        sender.writeDatagram(
            DuzUdozuzeStatusDatagram::format(QStringLiteral("NA"), QStringLiteral("north"),
                                             QStringLiteral("Fire"), workstation, 3, true),
            0x7F000001, boundPort(*window.station()));
    QTRY_VERIFY(child<QLabel>(&window, "warnings")->isVisible());
    QTRY_VERIFY(labelText(&window, "headlineText").startsWith(QLatin1String("TWO MASTERS")));
    QTest::qWait(1500); // the second's refresh that shows them, and its fit
    int fitted = 0;
    for (auto *header : window.findChildren<QHeaderView *>())
        connect(header, &QHeaderView::sectionResized, this, [&fitted] { ++fitted; });
    EventCounter resizes(QEvent::Resize);
    QVERIFY(paints.count > 0);
    paints.count = 0;
    const auto pixel = [&window, timeline] {
        return qint64(double(window.station()->session().timeline().now())
                      / timeline->scale().msPerPixel());
    };
    const qint64 before = pixel();
    QTest::qWait(2000);
    QCOMPARE(fitted + resizes.count, 0);
    // At most a repaint for each pixel the present moved.
    QVERIFY2(paints.count <= pixel() - before, qPrintable(QString::number(paints.count)));
    // The rows the headline names, sorted under the own row, are in sight.
    auto *view = child<QTableView>(&window, "workstationView");
    QVERIFY(view->visualRect(view->model()->index(2, 0)).bottom() < view->viewport()->height());
}

void TestMainWindow::trayShowsTheState()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this platform has no system tray: the window goes without an icon there");
    DuzUdozuzeMainWindow window(loopback({QStringLiteral("/bogus")}));
    auto *tray = window.findChild<QSystemTrayIcon *>(QStringLiteral("tray"));
    QVERIFY(tray && tray->isVisible());
    QVERIFY2(tray->toolTip().endsWith(QLatin1String(":\nnot listening, the set-up failed")),
             qPrintable(tray->toolTip()));
}

// Size, docks, a column's width and toggles come back as they were left, from
// the test's own folder; a broken file is ignored.
void TestMainWindow::layoutIsRemembered()
{
    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QCoreApplication::setOrganizationName(QStringLiteral("DuzUdozuzeTest"));
    const auto unnamed = qScopeGuard([] { QCoreApplication::setOrganizationName({}); });
    int width = 0;
    {
        DuzUdozuzeMainWindow window(loopback());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(1100, 640);
        child<QDockWidget>(&window, "historyDock")->hide();
        // The first column's edge dragged 80 px to the right.
        QHeaderView *header = child<QTableView>(&window, "warningLogView")->horizontalHeader();
        width = header->sectionSize(0) + 80;
        const QPoint edge(header->sectionViewportPosition(0) + header->sectionSize(0) - 1,
                          header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
        QMouseEvent drag(QEvent::MouseMove, edge + QPoint(80, 0),
                         header->viewport()->mapToGlobal(edge + QPoint(80, 0)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(header->viewport(), &drag);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge + QPoint(80, 0));
        window.followAction()->setChecked(false);
        window.acknowledgement()->soundAction()->setChecked(true);
        // As a window saved it before it had a timeline.
        window.removeDockWidget(child<QDockWidget>(&window, "timelineDock"));
        window.close();
    }
    DuzUdozuzeMainWindow again(loopback());
    QCOMPARE(again.size(), QSize(1100, 640));
    QVERIFY(child<QDockWidget>(&again, "historyDock")->isHidden());
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again)); // and sized to the rows
    QCOMPARE(child<QTableView>(&again, "warningLogView")->horizontalHeader()->sectionSize(0),
             width);
    QVERIFY(again.followAction()->isChecked()); // never kept off
    QVERIFY(again.acknowledgement()->soundAction()->isChecked());
    QVERIFY(again.dockWidgetArea(child<QDockWidget>(&again, "timelineDock"))
            != Qt::NoDockWidgetArea);
    QFile file(QSettings().fileName());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[window]\ngeometry=@ByteArray(\xff\x01)\n[[[\x00");
    file.close();
    DuzUdozuzeMainWindow broken(loopback());
    QVERIFY(!broken.acknowledgement()->soundAction()->isChecked());
}

// Every styled text reads on its background in a light and a dark theme, the
// histories' text too (kind -1), though the dark theme dims a view's own text
// when it is not active, as Adwaita's does.
void TestMainWindow::stylesReadInEveryTheme_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<int>("kind");
    using Kind = DuzUdozuzeCellStyle::Kind;
    for (const bool dark : {false, true}) {
        for (const int kind :
             {int(Kind::Normal), int(Kind::Own), int(Kind::Stale), int(Kind::HealthyClaim),
              int(Kind::UnhealthyClaim), int(Kind::Warning), -1}) {
            QTest::addRow("%s, kind %d", dark ? "dark" : "light", kind) << dark << kind;
        }
    }
}

void TestMainWindow::stylesReadInEveryTheme()
{
    QFETCH(bool, dark);
    QFETCH(int, kind);
    QPalette palette = QApplication::style()->standardPalette();
    if (dark) {
        for (const auto &[role, colour] :
             {std::pair(QPalette::Window, QColor(0x35, 0x35, 0x35)),
              std::pair(QPalette::Base, QColor(0x2a, 0x2a, 0x2a)),
              std::pair(QPalette::Text, QColor(0xee, 0xee, 0xee)),
              std::pair(QPalette::WindowText, QColor(0xee, 0xee, 0xee))})
            palette.setColor(role, colour);
        palette.setColor(QPalette::Inactive, QPalette::Text, QColor(0x91, 0x91, 0x90));
    }
    auto style = DuzUdozuzeCellStyle::of(DuzUdozuzeCellStyle::Kind(qMax(kind, 0)), palette);
    if (kind < 0) {
        const QPalette before = QApplication::palette();
        const auto restore = qScopeGuard([&before] { QApplication::setPalette(before); });
        QApplication::setPalette(palette);
        DuzUdozuzeWorkstationTable table;
        table.ownModeChanged(true, QStringLiteral("NA"), 0x7F000001, 7);
        DuzUdozuzeHistoryModel history(table, DuzUdozuzeHistoryModel::Kind::Mastership);
        const QVariant text = history.index(0, 0).data(Qt::ForegroundRole);
        style.foreground = text.isValid() ? text.value<QColor>()
                                          : palette.color(QPalette::Inactive, QPalette::Text);
    }
    const QList<QColor> backgrounds = style.background.isValid()
        ? QList<QColor> {style.background}
        : QList<QColor> {palette.color(QPalette::Base), palette.color(QPalette::Window)};
    for (const QColor &background : backgrounds) {
        const double ratio = DuzUdozuzeCellStyle::contrast(style.foreground, background);
        QVERIFY2(ratio >= 4.5,
                 qPrintable(QStringLiteral("%1 on %2: %3")
                                .arg(style.foreground.name(), background.name())
                                .arg(ratio)));
    }
}

void TestMainWindow::workstationTableShowsClaims()
{
    DuzUdozuzeMainWindow window(loopback());
    DuzUdozuzeSocketDevice sender;
    sender.writeDatagram("NA:north:Fire:2:3:OK", 0x7F000001, boundPort(*window.station()));
    QAbstractItemModel *model = window.workstationModel();
    QTRY_COMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(1, DuzUdozuzeWorkstationReport::Role).data().toString(),
             QStringLiteral("MASTER"));
    QVERIFY(model->index(0, 0).data(Qt::FontRole).value<QFont>().bold()); // this workstation
    // A row's lines in the log: its datagrams only.
    sender.writeDatagram("NC:north:Fire:5:3:OK", 0x7F000001, boundPort(*window.station()));
    QTRY_COMPARE(model->rowCount(), 3);
    window.showLinesOf(1);
    auto *log = child<DuzUdozuzeLogView>(&window, "m_editMain");
    QTRY_VERIFY(log->filterComplete() && log->rowCount() == 1);
    QVERIFY(log->rowText(DuzUdozuzeLogRow(0)).contains(QLatin1String("'NA:north:Fire:2:3:OK'")));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

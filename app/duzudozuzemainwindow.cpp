// SPDX-License-Identifier: MIT
#include "app/duzudozuzemainwindow.h"

#include "app/duzudozuzeacknowledgement.h"
#include "app/duzudozuzecapturebanner.h"
#include "app/duzudozuzedocklayout.h"
#include "app/duzudozuzefilemenu.h"
#include "app/duzudozuzefilterstrip.h"
#include "app/duzudozuzefindbar.h"
#include "app/duzudozuzehelpmenu.h"
#include "app/duzudozuzehistorydock.h"
#include "app/duzudozuzelayoutstore.h"
#include "app/duzudozuzelogview.h"
#include "app/duzudozuzenewlinescue.h"
#include "app/duzudozuzenotedialog.h"
#include "app/duzudozuzestatusbar.h"
#include "app/duzudozuzetimelinedock.h"
#include "app/duzudozuzetray.h"
#include "app/duzudozuzeworkstationmodel.h"
#include "app/duzudozuzeworkstationsdock.h"
#include "common/duzudozuzelogline.h"
#include "common/duzudozuzelogtime.h"
#include "protocol/duzudozuzeworkstationreport.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

DuzUdozuzeMainWindow::DuzUdozuzeMainWindow(const QStringList &args, QWidget *parent,
                                           const char *name, Qt::WindowFlags fl)
    : DuzUdozuzeMainWindowBase(parent, name, fl), m_args(args)
{
    setWindowTitle(QStringLiteral("DuzUdozuze"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("duzudozuze"),
                                   QIcon(QStringLiteral(":/icons/duzudozuze.svg"))));
    createLogView();
    createMenus();

    createStation(args);
    showSettings();
    createDockWindows();
    createAcknowledgement();
    new DuzUdozuzeHelpMenu(this);
    createTray();
    bindToStation();
    showSetUp();
    watchStation();
    const bool live = m_pStation->traits().isLive();
    if (!live)
        showRecorded();
    m_pStation->start();
    startMetrics(this);
    startHttp(this);
    DuzUdozuzeLayoutStore(this).restore();
    // A window of the past opens beside the live one, never on top of it.
    if (!live)
        move(pos() + QPoint(48, 48));
    // The start-up lines are in the view when it is first shown.
    flushLog();
}

// The station goes (its owner is the later base), then the form with its
// widgets.
DuzUdozuzeMainWindow::~DuzUdozuzeMainWindow() = default;

int DuzUdozuzeMainWindow::exec()
{
    handleSignals(this);
    show();
    const int code = QCoreApplication::exec();
    return end(m_bStopped && !m_pStation->isValid() ? 1 : code, m_bStopped);
}

// A stop signal closes the window as the user would.
void DuzUdozuzeMainWindow::stop()
{
    m_bStopped = true;
    close();
    QCoreApplication::quit();
}

// In the status bar for as long as the window is open.
void DuzUdozuzeMainWindow::tellProblem(const QString &text, QLatin1String priority)
{
    DuzUdozuzeFrontEnd::tellProblem(text, priority);
    statusbar->addProblem(text);
}

void DuzUdozuzeMainWindow::createLogView()
{
    connect(m_pushClear, &QPushButton::clicked, this, &DuzUdozuzeMainWindow::clearLog);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(DuzUdozuzeLogView::RefreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &DuzUdozuzeMainWindow::refresh);
    // The find and filter bar under the log view, in the view's own layout.
    m_pFindBar = new DuzUdozuzeFindBar(m_editMain, qt_central_widget);
    m_pqLogLayout->addWidget(m_pFindBar);
    auto *strip = new DuzUdozuzeFilterStrip(qt_central_widget);
    m_pqLogLayout->insertWidget(0, strip);
    connect(m_pFindBar, &DuzUdozuzeFindBar::filterShown, strip, &DuzUdozuzeFilterStrip::showFilter);
    connect(strip, &DuzUdozuzeFilterStrip::clearWanted, m_pFindBar,
            &DuzUdozuzeFindBar::clearFilter);
    new DuzUdozuzeNewLinesCue(m_editMain);
}

void DuzUdozuzeMainWindow::createMenus()
{
    // The form keeps its size; the menu bar adds its own height.
    const int formHeight = height();
    m_pFileMenu = new DuzUdozuzeFileMenu(this, m_editMain, *this, m_args);
    createEditMenu();
    createViewMenu();
    resize(width(), formHeight + menuBar()->sizeHint().height());
}

void DuzUdozuzeMainWindow::createEditMenu()
{
    QMenu *edit = m_pqMenuEdit = menuBar()->addMenu(tr("&Edit"));
    QAction *copy = edit->addAction(tr("&Copy"), m_editMain, &DuzUdozuzeLogView::copy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(false);
    connect(m_editMain, &DuzUdozuzeLogView::copyAvailable, copy, &QAction::setEnabled);
    QAction *selectAll
        = edit->addAction(tr("Select &All"), m_editMain, &DuzUdozuzeLogView::selectAll);
    selectAll->setShortcut(QKeySequence::SelectAll);
    edit->addSeparator();
    m_pFindBar->addActionsTo(edit);
    edit->addSeparator();
    // The log is the record of what was received: it takes no typing. The
    // operator's own remarks go in as notes, marked as such.
    edit->addAction(tr("Add &Note..."), this, &DuzUdozuzeMainWindow::askForNote)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    edit->addAction(tr("C&lear Log"), this, &DuzUdozuzeMainWindow::clearLog);
    edit->addAction(tr("Clear &Workstations"), this, &DuzUdozuzeMainWindow::clearWorkstations);
}

// The docks add their own entries when they are made.
void DuzUdozuzeMainWindow::createViewMenu()
{
    m_pqMenuView = menuBar()->addMenu(tr("&View"));
    m_pqActionFollow = m_pqMenuView->addAction(tr("&Follow New Lines"));
    m_pqActionFollow->setObjectName(QStringLiteral("follow"));
    m_pqActionFollow->setCheckable(true);
    m_pqActionFollow->setChecked(true);
    connect(m_pqActionFollow, &QAction::toggled, m_editMain, &DuzUdozuzeLogView::setFollow);
    connect(m_editMain, &DuzUdozuzeLogView::followChanged, m_pqActionFollow, &QAction::setChecked);
}

void DuzUdozuzeMainWindow::createDockWindows()
{
    const DuzUdozuzeWorkstationTable &table = m_pStation->workstations();
    m_pWorkstationsDock = new DuzUdozuzeWorkstationsDock(table, this);
    connect(m_pWorkstationsDock, &DuzUdozuzeWorkstationsDock::linesOfRowWanted, this,
            &DuzUdozuzeMainWindow::showLinesOf);
    m_pHistoryDock
        = new DuzUdozuzeHistoryDock(table, DuzUdozuzeHistoryModel::Kind::Mastership, this);
    m_pWarningLogDock
        = new DuzUdozuzeHistoryDock(table, DuzUdozuzeHistoryModel::Kind::Warnings, this);
    const DuzUdozuzeTimeline &timeline = m_pStation->session().timeline();
    m_pTimelineDock = new DuzUdozuzeTimelineDock(timeline, table.source().isLive(), this);
    connect(m_pTimelineDock, &DuzUdozuzeTimelineDock::momentChosen, this,
            &DuzUdozuzeMainWindow::showMoment);
    if (!table.source().isLive())
        m_pWorkstationsDock->followCursor(*m_pTimelineDock->view(), timeline);
    DuzUdozuzeDockLayout::arrange(this, m_pqMenuView,
                                  {m_pWorkstationsDock, m_pHistoryDock, m_pWarningLogDock},
                                  {{m_pTimelineDock, m_pHistoryDock}});
}

void DuzUdozuzeMainWindow::createAcknowledgement()
{
    m_pAcknowledgement = new DuzUdozuzeAcknowledgement(m_pStation->session().workstations(), this);
    QAction *acknowledge = m_pAcknowledgement->acknowledgeAction();
    m_pqMenuEdit->addAction(acknowledge);
    m_pqMenuView->insertAction(m_pqMenuView->actions().value(1), m_pAcknowledgement->soundAction());
    m_pWorkstationsDock->setAcknowledgeAction(acknowledge);
    m_pWarningLogDock->setAcknowledgeAction(acknowledge);
    connect(m_pWarningLogDock, &DuzUdozuzeHistoryDock::acknowledgeRowWanted, m_pAcknowledgement,
            &DuzUdozuzeAcknowledgement::acknowledgeRow);
    connect(m_pAcknowledgement, &DuzUdozuzeAcknowledgement::soundFailed, statusbar,
            &DuzUdozuzeStatusBar::addProblem);
    connect(m_pAcknowledgement, &DuzUdozuzeAcknowledgement::acknowledged, this, [this](int count) {
        logPrintf("Warnings acknowledged: %d", count);
        showWarnings();
        refresh();
    });
}

// Where the desktop has one; the live window's is the program's only one.
void DuzUdozuzeMainWindow::createTray()
{
    if (QSystemTrayIcon::isSystemTrayAvailable() && m_pStation->traits().isLive())
        m_pTray = new DuzUdozuzeTray(m_pStation->isValid(), watchedText(), this);
}

// "north/Fire channel 3, UDP port 9208": what this window watches.
QString DuzUdozuzeMainWindow::watchedText() const
{
    const QString group = m_pStation->workstations().ownGroupName();
    const QString port = tr("UDP port %1").arg(m_pStation->settings().m_nPort);
    return group.isEmpty() ? port : group + QStringLiteral(", ") + port;
}

void DuzUdozuzeMainWindow::showSettings()
{
    const DuzUdozuzeSettings &s = m_pStation->settings();
    // Names from the environment and the command line are shown as they are,
    // never read as markup.
    for (QLabel *label : {m_pqTextMyHxSystem, m_pqTextHxSystemFilter, m_pqTextMyAlarmSystem,
                          m_pqTextAlarmSystemFilter})
        label->setTextFormat(Qt::PlainText);
    m_pqTextMyHxSystem->setText(s.m_strHxSystem);
    m_pqTextHxSystemFilter->setText(s.m_reHxSystemFilter.pattern());
    m_pqTextMyAlarmSystem->setText(s.m_strAlarmSystem);
    m_pqTextAlarmSystemFilter->setText(s.m_reAlarmSystemFilter.pattern());
    m_pqTextMyWorkstation->setNum(s.m_nWorkstation);
    m_pqTextWorkstationFilter->setNum(s.m_nWorkstationFilter);
    m_pqTextMyChannel->setNum(s.m_nChannel);
    m_pqTextChannelFilter->setNum(s.m_nChannelFilter);
    m_pqTextPort->setNum(s.m_nPort);
    if (!s.m_bRespond || !m_pStation->traits().sendsAnswers())
        m_pqGroupRespond->hide();
}

void DuzUdozuzeMainWindow::bindToStation()
{
    // The boxes start as the operator options say and from then on feed the
    // session's two states.
    const DuzUdozuzeSettings &settings = m_pStation->settings();
    m_pqCheckRespondAutomatically->setChecked(settings.m_bAutoRespond);
    m_pqCheckOk->setChecked(settings.m_bOkAtStart);
    DuzUdozuzeSession &session = m_pStation->session();
    connect(m_pqCheckRespondAutomatically, &QCheckBox::toggled, m_pStation.get(),
            [&session](bool on) { session.setRespondAutomatically(on); });
    connect(m_pqCheckOk, &QCheckBox::toggled, m_pStation.get(),
            [&session](bool ok) { session.setOk(ok); });
    session.setRespondAutomatically(m_pqCheckRespondAutomatically->isChecked());
    session.setOk(m_pqCheckOk->isChecked());
    m_editMain->setMaxLines(settings.m_nMaxLines);
    // Respond Now has no action yet.
    connect(m_pqPushRespondNow, &QPushButton::clicked, this, &DuzUdozuzeMainWindow::pushRespondNow);
    m_pqPushRespondNow->setEnabled(false);
    m_pqPushRespondNow->setToolTip(tr("Respond Now has no action yet"));
}

void DuzUdozuzeMainWindow::showSetUp()
{
    for (const QString &warning : m_pStation->setUpWarnings())
        statusbar->addProblem(warning);
    if (!m_pStation->isValid()) {
        m_pStation->session().workstations().setOwnListening(false);
        statusbar->showNotListening(notListeningText());
        m_pWorkstationsDock->setNotListening(notListeningText());
        m_pWorkstationsDock->refresh(false);
        m_bWarningsChanged = true;
    }
}

void DuzUdozuzeMainWindow::watchStation()
{
    DuzUdozuzeStation *station = m_pStation.get();
    connect(station, &DuzUdozuzeStation::countsChanged, this,
            &DuzUdozuzeMainWindow::scheduleRefresh);
    connect(station, &DuzUdozuzeStation::mastershipChanged, this,
            &DuzUdozuzeMainWindow::scheduleRefresh);
    // A flood of warnings costs one update a refresh.
    connect(station, &DuzUdozuzeStation::workstationWarning, this,
            [this](bool raised, const QString &text) {
                m_bWarningsChanged = true;
                scheduleRefresh();
                if (raised)
                    m_pAcknowledgement->raised();
                if (raised && m_pTray)
                    m_pTray->notifyRaised(text);
            });
    // The table is redrawn once a second, however many datagrams came: the
    // ages change with time alone, and a flood must not cost the view. The
    // warnings' texts are current then too: counts, durations, claimers.
    connect(&m_ageTimer, &QTimer::timeout, this, [this] {
        m_pWorkstationsDock->refresh(m_pStation->isValid());
        m_pTimelineDock->refresh();
        if (m_bWarningsChanged || m_pStation->workstations().warningCount() > 0)
            showWarnings();
    });
    m_ageTimer.start(1000);
    refresh();
}

QString DuzUdozuzeMainWindow::notListeningText() const
{
    return tr("Not listening on UDP port %1: the set-up failed, see the log")
        .arg(m_pStation->settings().m_nPort);
}

void DuzUdozuzeMainWindow::showWarnings()
{
    m_bWarningsChanged = false;
    const QStringList warnings = m_pStation->workstations().activeWarnings();
    m_pWorkstationsDock->showWarnings(warnings);
    statusbar->showWarnings(warnings);
    if (m_pTray)
        m_pTray->showWarnings(warnings, m_pStation->workstations().unacknowledgedWarnings());
}

DuzUdozuzeWorkstationModel *DuzUdozuzeMainWindow::workstationModel() const
{
    return m_pWorkstationsDock->model();
}

void DuzUdozuzeMainWindow::showLinesOf(int row)
{
    const DuzUdozuzeWorkstationTable &table = m_pStation->workstations();
    if (row >= 0 && row < table.rowCount())
        m_pFindBar->showOnly(DuzUdozuzeWorkstationReport::logFilter(table, row));
}

void DuzUdozuzeMainWindow::showMoment(qint64 wall)
{
    flushLog();
    m_pqActionFollow->setChecked(false); // the log stays at the moment
    m_editMain->setCursorPosition({DuzUdozuzeLogTime::firstAtOrAfter(m_editMain->store(), wall)});
    m_pHistoryDock->selectNearest(wall);
}

void DuzUdozuzeMainWindow::clearWorkstations()
{
    m_pStation->session().clearWorkstations();
    m_pWorkstationsDock->refresh(m_pStation->isValid());
    showWarnings();
}

// The view shows its lines at its next refresh, the status bar at the
// window's.
void DuzUdozuzeMainWindow::appendLine(const QString &line)
{
    m_editMain->appendLine(line);
    scheduleRefresh();
}

void DuzUdozuzeMainWindow::clearLog()
{
    m_nLinesDroppedBefore += m_editMain->linesDropped();
    m_editMain->clear();
    refresh();
}

quint64 DuzUdozuzeMainWindow::linesDropped() const
{
    return m_editMain->linesDropped();
}

quint64 DuzUdozuzeMainWindow::logLinesDropped() const
{
    return m_nLinesDroppedBefore + m_editMain->linesDropped();
}

// The operator's text as it is, in any script, and whole: only its control
// characters are escaped, so that it can never pass for a received line.
void DuzUdozuzeMainWindow::addNote(const QString &text)
{
    logLine(DuzUdozuzeLogLine::timeText() + QStringLiteral(" Note: ")
            + DuzUdozuzeLogLine::escapedCharacters(text));
}

void DuzUdozuzeMainWindow::askForNote()
{
    DuzUdozuzeNoteDialog dialog(NoteLength, this);
    if (dialog.exec() == QDialog::Accepted && !dialog.note().isEmpty())
        addNote(dialog.note());
}

// One refresh of the view and the status bar for all that happened within
// RefreshInterval, however many datagrams that was.
void DuzUdozuzeMainWindow::scheduleRefresh()
{
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void DuzUdozuzeMainWindow::flushLog()
{
    m_editMain->refresh();
}

void DuzUdozuzeMainWindow::refresh()
{
    flushLog();
    if (m_bWarningsChanged)
        showWarnings();
    m_pHistoryDock->refresh();
    m_pWarningLogDock->refresh();
    m_pTimelineDock->refresh();
    statusbar->showState(*m_pStation, m_editMain->linesDropped());
}

QString DuzUdozuzeMainWindow::saveLog(const QString &path)
{
    return m_pFileMenu->saveLog(path);
}

// The window says, for as long as it is open, that what it shows is the
// past, read from a file and not from the port, a slice at a time.
void DuzUdozuzeMainWindow::showRecorded()
{
    const DuzUdozuzeSourceTraits &traits = m_pStation->traits();
    const QString path = traits.origin;
    setWindowTitle(tr("DuzUdozuze: %1").arg(traits.title));
    statusbar->showCapture(path);
    auto *banner = new DuzUdozuzeCaptureBanner(QFileInfo(path).fileName(), this);
    m_pAcknowledgement->acknowledgeAction()->setVisible(false);
    const DuzUdozuzeSource *source = m_pStation->source();
    connect(source, &DuzUdozuzeSource::ended, this, [this, source, path, banner](int code) {
        const DuzUdozuzeSource::Reading reading = source->reading();
        statusbar->showCaptureRead(path, code == 0, reading.packets, reading.summary);
        banner->showSpan(reading.span);
        refresh();
    });
}

void DuzUdozuzeMainWindow::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit duzUdozuzeClosed();
        event->ignore();
    }
}

// A window of the past leaves the live window's layout as it was.
void DuzUdozuzeMainWindow::closeEvent(QCloseEvent *event)
{
    if (m_pStation->traits().isLive())
        DuzUdozuzeLayoutStore(this).save();
    event->accept();
    emit duzUdozuzeClosed();
}

void DuzUdozuzeMainWindow::showEvent(QShowEvent *)
{
    emit duzUdozuzeShown();
}

void DuzUdozuzeMainWindow::hideEvent(QHideEvent *)
{
    emit duzUdozuzeHidden();
}

void DuzUdozuzeMainWindow::pushRespondNow() { }

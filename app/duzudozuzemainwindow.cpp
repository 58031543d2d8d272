// SPDX-License-Identifier: MIT
#include "app/duzudozuzemainwindow.h"

#include "app/duzudozuzecellstyle.h"
#include "app/duzudozuzecolumnfitter.h"
#include "app/duzudozuzeelidedlabel.h"
#include "app/duzudozuzefindbar.h"
#include "app/duzudozuzehistorymodel.h"
#include "app/duzudozuzelogview.h"
#include "app/duzudozuzeownrowfirstproxy.h"
#include "app/duzudozuzeworkstationmodel.h"
#include "common/duzudozuzelogline.h"
#include "net/duzudozuzecapturefeed.h"
#include "net/duzudozuzecontrolstring.h"
#include "net/duzudozuzesocket.h"
#include "protocol/duzudozuzeworkstationreport.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

// Text from the network as a tooltip: shown as it is, never read as markup.
QString plainToolTip(const QString &text)
{
    return text.isEmpty()
        ? QString()
        : QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
}

} // namespace

DuzUdozuzeMainWindow::DuzUdozuzeMainWindow(const QStringList &args, QWidget *parent,
                                           const char *name, Qt::WindowFlags fl)
    : DuzUdozuzeMainWindowBase(parent, name, fl), m_args(args)
{
    setWindowTitle(QStringLiteral("DuzUdozuze"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("duzudozuze"),
                                   QIcon(QStringLiteral(":/icons/duzudozuze.svg"))));
    connect(m_pushClear, &QPushButton::clicked, this, &DuzUdozuzeMainWindow::clearLog);
    connect(m_pqPushRespondNow, &QPushButton::clicked, this, &DuzUdozuzeMainWindow::pushRespondNow);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(DuzUdozuzeLogView::RefreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &DuzUdozuzeMainWindow::refresh);
    // The find and filter bar under the log view, in the view's own layout.
    m_pFindBar = new DuzUdozuzeFindBar(m_editMain, qt_central_widget);
    m_pqLogLayout->addWidget(m_pFindBar);
    createMenus();

    createSocket(args);
    showSettings();
    createDocks();
    bindToSocket();
    if (m_pDuzUdozuzeSocket->readsCapture())
        showCapture();
    startMetrics(this);
    // The start-up lines are in the view when it is first shown.
    flushLog();
}

// The socket goes (its owner is the later base), then the form with its
// widgets.
DuzUdozuzeMainWindow::~DuzUdozuzeMainWindow() = default;

int DuzUdozuzeMainWindow::exec()
{
    handleSignals(this);
    show();
    const int code = QCoreApplication::exec();
    return end(m_bStopped && !m_pDuzUdozuzeSocket->isValid() ? 1 : code, m_bStopped);
}

// A stop signal closes the window as the user would.
void DuzUdozuzeMainWindow::stop()
{
    m_bStopped = true;
    close();
    QCoreApplication::quit();
}

void DuzUdozuzeMainWindow::tellProblem(const QString &text)
{
    DuzUdozuzeFrontEnd::tellProblem(text);
    showProblem(text);
}

// In the status bar for as long as the window is open.
void DuzUdozuzeMainWindow::showProblem(const QString &text)
{
    m_problems.append(text);
    m_pqStatusProblems->setFullText(m_problems.join(QStringLiteral("; ")));
    m_pqStatusProblems->setToolTip(plainToolTip(m_problems.join(QLatin1Char('\n'))));
    m_pqStatusProblems->show();
}

void DuzUdozuzeMainWindow::createMenus()
{
    // The form keeps its size; the menu bar adds its own height.
    const int formHeight = height();

    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open Capture..."), this, &DuzUdozuzeMainWindow::openCapture)
        ->setShortcut(QKeySequence::Open);
    QAction *save = file->addAction(tr("&Save Log..."), this, &DuzUdozuzeMainWindow::saveLogAs);
    save->setShortcut(QKeySequence::Save);
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    QAction *copy = edit->addAction(tr("&Copy"), m_editMain, &DuzUdozuzeLogView::copy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(false);
    connect(m_editMain, &DuzUdozuzeLogView::copyAvailable, copy, &QAction::setEnabled);
    QAction *selectAll
        = edit->addAction(tr("Select &All"), m_editMain, &DuzUdozuzeLogView::selectAll);
    selectAll->setShortcut(QKeySequence::SelectAll);
    edit->addSeparator();
    QAction *find = edit->addAction(tr("&Find..."), m_pFindBar, &DuzUdozuzeFindBar::open);
    find->setShortcut(QKeySequence::Find);
    QAction *next = edit->addAction(tr("Find &Next"), m_pFindBar, &DuzUdozuzeFindBar::findNext);
    next->setShortcut(QKeySequence::FindNext);
    QAction *previous
        = edit->addAction(tr("Find &Previous"), m_pFindBar, &DuzUdozuzeFindBar::findPrevious);
    previous->setShortcut(QKeySequence::FindPrevious);
    edit->addAction(tr("F&ilter..."), m_pFindBar, &DuzUdozuzeFindBar::openFilter)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    edit->addSeparator();
    // The log is the record of what was received: it takes no typing. The
    // operator's own remarks go in as notes, marked as such.
    edit->addAction(tr("Add &Note..."), this, &DuzUdozuzeMainWindow::askForNote)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    edit->addAction(tr("C&lear Log"), this, &DuzUdozuzeMainWindow::clearLog);
    edit->addAction(tr("Clear &Workstations"), this, &DuzUdozuzeMainWindow::clearWorkstations);

    m_pqMenuView = menuBar()->addMenu(tr("&View"));
    m_pqActionFollow = m_pqMenuView->addAction(tr("&Follow New Lines"));
    m_pqActionFollow->setCheckable(true);
    m_pqActionFollow->setChecked(true);
    connect(m_pqActionFollow, &QAction::toggled, m_editMain, &DuzUdozuzeLogView::setFollow);
    connect(m_editMain, &DuzUdozuzeLogView::followChanged, m_pqActionFollow, &QAction::setChecked);

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About DuzUdozuze"), this, &DuzUdozuzeMainWindow::about)
        ->setMenuRole(QAction::AboutRole);

    resize(width(), formHeight + menuBar()->sizeHint().height());
}

void DuzUdozuzeMainWindow::createDocks()
{
    const DuzUdozuzeWorkstationTable &table = m_pDuzUdozuzeSocket->workstations();
    const auto tableView = [](QAbstractItemModel *model, QWidget *parent) {
        auto *view = new QTableView(parent);
        view->setModel(model);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->verticalHeader()->hide();
        view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        // Sized to the rows in sight: a table of thousands is not measured
        // cell by cell every second.
        view->horizontalHeader()->setResizeContentsPrecision(0);
        view->horizontalHeader()->setStretchLastSection(true);
        return view;
    };

    m_pWorkstationModel = new DuzUdozuzeWorkstationModel(table, this);
    auto *sorted = new DuzUdozuzeOwnRowFirstProxy(this);
    sorted->setSourceModel(m_pWorkstationModel);
    sorted->setSortRole(DuzUdozuzeWorkstationModel::SortRole);
    auto *workstations = new QWidget;
    // However many warnings there are, a few lines that scroll.
    m_pqWarnings = new QListWidget(workstations);
    m_pqWarnings->setObjectName(QStringLiteral("warnings"));
    m_pqWarnings->setUniformItemSizes(true);
    m_pqWarnings->setTextElideMode(Qt::ElideRight);
    m_pqWarnings->setSizeAdjustPolicy(QAbstractScrollArea::AdjustIgnored);
    m_pqWarnings->setStyleSheet(warningStyle(QStringLiteral("QListWidget")));
    m_pqWarnings->hide();
    QTableView *workstationView = tableView(sorted, workstations);
    workstationView->setObjectName(QStringLiteral("workstationView"));
    workstationView->setSortingEnabled(true);
    workstationView->sortByColumn(DuzUdozuzeWorkstationReport::Workstation, Qt::AscendingOrder);
    workstationView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(workstationView, &QWidget::customContextMenuRequested, this,
            [this, workstationView, sorted](const QPoint &point) {
                const QModelIndex index = workstationView->indexAt(point);
                if (!index.isValid())
                    return;
                const int row = sorted->mapToSource(index).row();
                QMenu menu(this);
                menu.addAction(tr("Show its lines in the log"), this,
                               [this, row] { showLinesOf(row); });
                menu.exec(workstationView->viewport()->mapToGlobal(point));
            });
    auto *layout = new QVBoxLayout(workstations);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pqWarnings);
    layout->addWidget(workstationView);
    m_pqDockWorkstations = new QDockWidget(tr("Workstations"), this);
    m_pqDockWorkstations->setObjectName(QStringLiteral("workstationsDock"));
    m_pqDockWorkstations->setWidget(workstations);
    addDockWidget(Qt::RightDockWidgetArea, m_pqDockWorkstations);

    // Who is what first, whatever the width: the identity, the claim and when
    // it was last heard; the rest go as the dock narrows, least needed first.
    using Report = DuzUdozuzeWorkstationReport::Column;
    QHeaderView *header = workstationView->horizontalHeader();
    const QList<int> shownOrder {Report::Workstation, Report::System,   Report::AlarmSystem,
                                 Report::Channel,     Report::Role,     Report::LastSeen,
                                 Report::Health,      Report::LastCode, Report::Sender,
                                 Report::Received,    Report::FirstSeen};
    for (int place = 0; place < int(shownOrder.size()); ++place)
        header->moveSection(header->visualIndex(shownOrder.at(place)), place);
    new DuzUdozuzeColumnFitter(workstationView,
                               {Report::FirstSeen, Report::Received, Report::Sender,
                                Report::LastCode, Report::Health, Report::AlarmSystem,
                                Report::System, Report::Channel});

    m_pHistoryModel
        = new DuzUdozuzeHistoryModel(table, DuzUdozuzeHistoryModel::Kind::Mastership, this);
    m_pqDockHistory = new QDockWidget(tr("Mastership history"), this);
    m_pqDockHistory->setObjectName(QStringLiteral("historyDock"));
    m_pqDockHistory->setWidget(tableView(m_pHistoryModel, m_pqDockHistory));
    addDockWidget(Qt::RightDockWidgetArea, m_pqDockHistory);
    splitDockWidget(m_pqDockWorkstations, m_pqDockHistory, Qt::Vertical);
    // Every warning raised and ended, with its times, under it.
    m_pWarningLogModel
        = new DuzUdozuzeHistoryModel(table, DuzUdozuzeHistoryModel::Kind::Warnings, this);
    m_pqDockWarningLog = new QDockWidget(tr("Warnings"), this);
    m_pqDockWarningLog->setObjectName(QStringLiteral("warningLogDock"));
    m_pqDockWarningLog->setWidget(tableView(m_pWarningLogModel, m_pqDockWarningLog));
    splitDockWidget(m_pqDockHistory, m_pqDockWarningLog, Qt::Vertical);

    // The View menu shows and hides them; the form keeps its size beside them,
    // the dock as wide as its common columns where the screen has room.
    m_pqMenuView->addSeparator();
    m_pqMenuView->addAction(m_pqDockWorkstations->toggleViewAction());
    m_pqMenuView->addAction(m_pqDockHistory->toggleViewAction());
    m_pqMenuView->addAction(m_pqDockWarningLog->toggleViewAction());
    constexpr int DockWidth = 760;
    const int room = screen() ? screen()->availableGeometry().width() - width() : DockWidth;
    const int dockWidth = qBound(300, room, DockWidth);
    resize(width() + dockWidth, height());
    resizeDocks({m_pqDockWorkstations}, {dockWidth}, Qt::Horizontal);
    // Most of the height for the workstations.
    resizeDocks({m_pqDockWorkstations, m_pqDockHistory, m_pqDockWarningLog},
                {height() / 2, height() / 4, height() / 4}, Qt::Vertical);

    m_pqStatusWarnings = new DuzUdozuzeElidedLabel(statusBar());
    m_pqStatusWarnings->setObjectName(QStringLiteral("statusWarnings"));
    m_pqStatusWarnings->setStyleSheet(warningStyle(QStringLiteral("QLabel")));
    m_pqStatusWarnings->hide();
    statusBar()->addPermanentWidget(m_pqStatusWarnings, 1);
    // A flood of warnings costs one update a refresh.
    connect(m_pDuzUdozuzeSocket.get(), &DuzUdozuzeSocket::workstationWarning, this,
            [this](bool raised, const QString &text) {
                m_bWarningsChanged = true;
                scheduleRefresh();
                if (raised && m_pqTray)
                    m_pqTray->showMessage(tr("DuzUdozuze"), text, QSystemTrayIcon::Warning);
            });
    createTray();

    // The table is redrawn once a second, however many datagrams came: the
    // ages change with time alone, and a flood must not cost the view. The
    // warnings' texts are current then too: counts, durations, claimers.
    connect(&m_ageTimer, &QTimer::timeout, this, [this] {
        m_pWorkstationModel->refresh();
        if (m_bWarningsChanged || m_pDuzUdozuzeSocket->workstations().warningCount() > 0)
            showWarnings();
    });
    m_ageTimer.start(1000);
}

QString DuzUdozuzeMainWindow::notListeningText()
{
    return tr("Not listening: the set-up failed, see the log");
}

QString DuzUdozuzeMainWindow::warningStyle(const QString &widget) const
{
    return QStringLiteral("%1 { color: %2; font-weight: bold; }")
        .arg(widget,
             DuzUdozuzeCellStyle::of(DuzUdozuzeCellStyle::Kind::Warning, palette())
                 .foreground.name());
}

// Where the desktop has a tray: the state at a glance, the warnings in the
// tooltip, a notification for each warning raised, a click for the window.
void DuzUdozuzeMainWindow::createTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_pqTray = new QSystemTrayIcon(this);
    m_pqTray->setObjectName(QStringLiteral("tray"));
    connect(m_pqTray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::Trigger)
                    return;
                showNormal();
                raise();
                activateWindow();
            });
    updateTray({});
    m_pqTray->show();
}

void DuzUdozuzeMainWindow::updateTray(const QStringList &warnings)
{
    if (!m_pqTray)
        return;
    // Grey: not listening; red: a warning in force; green: all is well.
    QColor colour(0x2e, 0x9e, 0x44);
    QString tip = tr("DuzUdozuze: no warnings");
    if (!m_pDuzUdozuzeSocket->isValid()) {
        colour = QColor(0x80, 0x80, 0x80);
        tip = tr("DuzUdozuze: not listening, the set-up failed");
    } else if (!warnings.isEmpty()) {
        colour = QColor(0xd0, 0x20, 0x20);
        tip = QStringLiteral("DuzUdozuze:\n") + warnings.join(QLatin1Char('\n'));
    }
    QPixmap dot(32, 32);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(3, 3, 26, 26));
    m_pqTray->setIcon(QIcon(dot));
    m_pqTray->setToolTip(tip);
}

void DuzUdozuzeMainWindow::showWarnings()
{
    m_bWarningsChanged = false;
    const QStringList warnings = m_pDuzUdozuzeSocket->workstations().activeWarnings();
    // The dock says it too when the set-up failed (the status bar has it for
    // good already).
    QStringList listed = warnings;
    if (!m_pDuzUdozuzeSocket->isValid())
        listed.prepend(notListeningText());
    m_pqWarnings->clear();
    m_pqWarnings->addItems(listed);
    m_pqWarnings->setVisible(!listed.isEmpty());
    // As high as its lines, up to a few; more scroll.
    m_pqWarnings->setFixedHeight(m_pqWarnings->sizeHintForRow(0)
                                     * qBound(1, int(listed.size()), WarningLines)
                                 + 2 * m_pqWarnings->frameWidth());
    if (warnings.size() > 1)
        m_pqStatusWarnings->setFullText(
            tr("%1 warnings: %2").arg(warnings.size()).arg(warnings.constFirst()));
    else
        m_pqStatusWarnings->setFullText(warnings.value(0));
    m_pqStatusWarnings->setVisible(!warnings.isEmpty());
    m_pqStatusWarnings->setToolTip(plainToolTip(warnings.join(QLatin1Char('\n'))));
    updateTray(warnings);
}

// The filter for the datagrams of a workstation of the table, as the log
// quotes them: "...:system:alarm system:workstation:...".
void DuzUdozuzeMainWindow::showLinesOf(int row)
{
    const DuzUdozuzeWorkstationTable &table = m_pDuzUdozuzeSocket->workstations();
    if (row < 0 || row >= table.rowCount())
        return;
    const DuzUdozuzeWorkstationTable::Row &workstation = table.row(row);
    m_pFindBar->showOnly(
        QStringLiteral(":%1:%2:%3:")
            .arg(QString::fromLatin1(DuzUdozuzeLogLine::escaped(workstation.system)),
                 QString::fromLatin1(DuzUdozuzeLogLine::escaped(workstation.alarmSystem)),
                 QString::number(workstation.workstation)));
}

void DuzUdozuzeMainWindow::clearWorkstations()
{
    m_pDuzUdozuzeSocket->clearWorkstations();
    m_pWorkstationModel->refresh();
    showWarnings();
}

void DuzUdozuzeMainWindow::showSettings()
{
    const DuzUdozuzeSettings &s = m_pDuzUdozuzeSocket->settings();
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
    if (!s.m_bRespond)
        m_pqGroupRespond->hide();
}

void DuzUdozuzeMainWindow::bindToSocket()
{
    // The boxes start as the operator options say and from then on feed the
    // socket's two states.
    const DuzUdozuzeSettings &settings = m_pDuzUdozuzeSocket->settings();
    m_pqCheckRespondAutomatically->setChecked(settings.m_bAutoRespond);
    m_pqCheckOk->setChecked(settings.m_bOkAtStart);
    DuzUdozuzeSocket *socket = m_pDuzUdozuzeSocket.get();
    connect(m_pqCheckRespondAutomatically, &QCheckBox::toggled, socket,
            &DuzUdozuzeSocket::setRespondAutomatically);
    connect(m_pqCheckOk, &QCheckBox::toggled, socket, &DuzUdozuzeSocket::setOk);
    socket->setRespondAutomatically(m_pqCheckRespondAutomatically->isChecked());
    socket->setOk(m_pqCheckOk->isChecked());

    m_editMain->setMaxLines(settings.m_nMaxLines);

    m_pqStatusMode = new QLabel(statusBar());
    m_pqStatusCounts = new QLabel(statusBar());
    m_pqStatusDropped = new QLabel(statusBar());
    m_pqStatusDropped->hide();
    statusBar()->addWidget(m_pqStatusMode);
    statusBar()->addWidget(m_pqStatusCounts);
    statusBar()->addWidget(m_pqStatusDropped);
    // What the operator should know about the set-up, for as long as it holds.
    m_pqStatusProblems = new DuzUdozuzeElidedLabel(statusBar());
    m_pqStatusProblems->setObjectName(QStringLiteral("statusProblems"));
    m_pqStatusProblems->hide();
    statusBar()->addPermanentWidget(m_pqStatusProblems, 1);
    for (const QString &warning : socket->setUpWarnings())
        showProblem(warning);
    // Not listening is the one state an operator must never take for
    // listening: the counts give way to it, in the warning colour, for good.
    if (!socket->isValid()) {
        auto *failed = new QLabel(notListeningText(), statusBar());
        failed->setObjectName(QStringLiteral("statusNotListening"));
        failed->setStyleSheet(warningStyle(QStringLiteral("QLabel")));
        statusBar()->addWidget(failed);
        m_pqStatusCounts->hide();
        m_bWarningsChanged = true; // and the dock says so too
    }
    // Respond Now has no action yet.
    m_pqPushRespondNow->setEnabled(false);
    m_pqPushRespondNow->setToolTip(tr("Respond Now has no action yet"));
    connect(socket, &DuzUdozuzeSocket::countsChanged, this, &DuzUdozuzeMainWindow::scheduleRefresh);
    connect(socket, &DuzUdozuzeSocket::mastershipChanged, this,
            &DuzUdozuzeMainWindow::scheduleRefresh);
    refresh();
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
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Add Note"));
    auto *edit = new QLineEdit(&dialog);
    edit->setMaxLength(NoteLength);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(tr("Note (at most %L1 characters):").arg(NoteLength), &dialog));
    layout->addWidget(edit);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The limit counts UTF-16 units: a character it would halve is left out.
    QString text = edit->text();
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    if (!text.isEmpty())
        addNote(text);
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
    m_pHistoryModel->refresh();
    m_pWarningLogModel->refresh();
    if (m_pDuzUdozuzeSocket->workstations().evicted() > 0 && !m_bEvictionTold) {
        m_bEvictionTold = true;
        statusBar()->showMessage(tr("The workstation table is full (%1 rows): the stalest rows "
                                    "make room for new ones")
                                     .arg(DuzUdozuzeWorkstationTable::MaxRows),
                                 30000);
    }
    m_pqStatusMode->setText(m_pDuzUdozuzeSocket->isMaster()                    ? tr("Master")
                                : m_pDuzUdozuzeSocket->respondsAutomatically() ? tr("Slave")
                                                                               : tr("Watching"));
    m_pqStatusCounts->setText(countsText(*m_pDuzUdozuzeSocket));
    const quint64 dropped = m_editMain->linesDropped();
    m_pqStatusDropped->setVisible(dropped > 0);
    if (dropped > 0)
        m_pqStatusDropped->setText(tr("oldest %1 lines dropped").arg(dropped));
}

QString DuzUdozuzeMainWindow::saveLog(const QString &path)
{
    flushLog();
    return m_editMain->save(path);
}

void DuzUdozuzeMainWindow::saveLogAs()
{
    const QString filter = m_editMain->filterText();
    const QString title = filter.isEmpty()
        ? tr("Save Log")
        : tr("Save Log: only the lines shown, those containing \"%1\"").arg(filter);
    // A name of its own for each save, by the minute.
    const QString name = QDateTime::currentDateTime().toString(
        QStringLiteral("'duzudozuze-'yyyy-MM-dd-HHmm'.log'"));
    const QString path = QFileDialog::getSaveFileName(this, title, name,
                                                      tr("Log files (*.log *.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    const QString error = saveLog(path);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, tr("Save Log"),
                             tr("The log could not be saved to %1:\n%2").arg(path, error));
        return;
    }
    statusBar()->showMessage(tr("Saved %1 lines to %2").arg(m_editMain->rowCount()).arg(path),
                             10000);
}

// A capture opens in a window of its own: this one goes on listening.
void DuzUdozuzeMainWindow::openCapture()
{
    const QString path
        = QFileDialog::getOpenFileName(this, tr("Open Capture"), QString(),
                                       tr("Captures (*.pcap *.pcapng *.cap *.dmp);;All files (*)"));
    if (path.isEmpty())
        return;
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                 DuzUdozuzeControlString::captureArguments(m_args, path)))
        statusBar()->showMessage(tr("The capture could not be opened: the program did not start"));
}

// The window says, for as long as it is open, that what it shows comes from a
// file and not from the port; the capture is read a slice at a time.
void DuzUdozuzeMainWindow::showCapture()
{
    const QString path = m_pDuzUdozuzeSocket->settings().m_strCapturePath;
    setWindowTitle(tr("DuzUdozuze: capture %1").arg(QFileInfo(path).fileName()));
    auto *shown = new QLabel(tr("Showing the capture %1, not a live port").arg(path), statusBar());
    shown->setObjectName(QStringLiteral("statusCapture"));
    shown->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(shown);
    const DuzUdozuzeCaptureFeed *feed = startCapture(this);
    connect(feed, &DuzUdozuzeCaptureFeed::ended, this, [this, shown, feed, path](int code) {
        shown->setText((code == 0 ? tr("Showing the capture %1, read to its end: %2 packets")
                                  : tr("Showing the capture %1, read up to packet %2"))
                           .arg(path, QString::number(feed->packetsRead())));
        refresh();
    });
}

void DuzUdozuzeMainWindow::about()
{
    QMessageBox::about(this, tr("About DuzUdozuze"),
                       tr("<p><b>DuzUdozuze %1</b></p><p>Watches the status datagrams of an alarm "
                          "system's workstations and takes part in their master/slave "
                          "election.</p>")
                           .arg(QStringLiteral(DUZUDOZUZE_VERSION)));
}

void DuzUdozuzeMainWindow::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit duzUdozuzeClosed();
        event->ignore();
    }
}

void DuzUdozuzeMainWindow::closeEvent(QCloseEvent *event)
{
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

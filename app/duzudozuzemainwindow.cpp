#include "app/duzudozuzemainwindow.h"

#include "net/duzudozuzesocket.h"

#include <QCloseEvent>
#include <QKeyEvent>

DuzUdozuzeMainWindow::DuzUdozuzeMainWindow(const QStringList &args, QWidget *parent,
                                           const char *name, Qt::WindowFlags fl)
    : DuzUdozuzeMainWindowBase(parent, name, fl)
{
    setWindowTitle(QStringLiteral("DuzUdozuze"));
    connect(m_pushClear, &QPushButton::clicked, this, &DuzUdozuzeMainWindow::clearLog);
    connect(m_pqPushRespondNow, &QPushButton::clicked, this, &DuzUdozuzeMainWindow::pushRespondNow);
    // A log is not a document to undo: an undo step for every append would
    // grow without end in a monitor left running for weeks.
    m_editMain->setUndoRedoEnabled(false);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(RefreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &DuzUdozuzeMainWindow::refresh);

    createSocket(args);
    showSettings();
    bindToSocket();
    // The start-up lines are in the view when it is first shown.
    flushLog();
}

// The socket goes first (its owner is the later base), then the form with its
// widgets.
DuzUdozuzeMainWindow::~DuzUdozuzeMainWindow() = default;

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

    if (settings.m_nMaxLines > 0)
        m_editMain->setMaximumBlockCount(settings.m_nMaxLines);

    m_pqStatusMode = new QLabel(statusBar());
    m_pqStatusCounts = new QLabel(statusBar());
    statusBar()->addWidget(m_pqStatusMode);
    statusBar()->addWidget(m_pqStatusCounts);
    // What the operator should know about the set-up, for as long as it holds.
    if (!socket->sharedPortWarning().isEmpty()) {
        auto *warning = new QLabel(socket->sharedPortWarning(), statusBar());
        warning->setTextFormat(Qt::PlainText);
        statusBar()->addPermanentWidget(warning);
    }
    connect(socket, &DuzUdozuzeSocket::countsChanged, this, &DuzUdozuzeMainWindow::scheduleRefresh);
    connect(socket, &DuzUdozuzeSocket::mastershipChanged, this,
            &DuzUdozuzeMainWindow::scheduleRefresh);
    refresh();
}

// Lines gather until the next refresh.
void DuzUdozuzeMainWindow::appendLine(const QString &line)
{
    m_pendingLines.append(line);
    scheduleRefresh();
}

void DuzUdozuzeMainWindow::clearLog()
{
    m_pendingLines.clear();
    m_editMain->clear();
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
    if (m_pendingLines.isEmpty())
        return;
    m_editMain->appendPlainText(m_pendingLines.join(QLatin1Char('\n')));
    m_pendingLines.clear();
}

void DuzUdozuzeMainWindow::refresh()
{
    flushLog();
    m_pqStatusMode->setText(m_pDuzUdozuzeSocket->isMaster() ? tr("Master") : tr("Slave"));
    m_pqStatusCounts->setText(countsText(m_pDuzUdozuzeSocket->counts()));
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

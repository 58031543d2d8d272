#include "app/duzudozuzeconsole.h"

#include "app/duzudozuzesignalpipe.h"
#include "common/duzudozuzelogline.h"
#include "protocol/duzudozuzeworkstationreport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// How long the end may take to write what is still queued and the counts: a
// stop signal ends the program within a second even while nobody reads its
// output.
constexpr int FinishTime = 700; // ms
// How long a warning, or a dump asked for, may hold the event loop when
// standard error takes no more; what is left then is lost.
constexpr int WarningTime = 20; // ms
constexpr int DumpTime = 200; // ms

// Writes all of text to descriptor without ever waiting past the deadline.
void writeWithin(int descriptor, const QByteArray &text, QDeadlineTimer deadline)
{
    const int flags = ::fcntl(descriptor, F_GETFL);
    ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK);
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t written
            = ::write(descriptor, text.constData() + done, size_t(text.size() - done));
        if (written >= 0) {
            done += written;
            continue;
        }
        pollfd ready {descriptor, POLLOUT, 0};
        if ((errno != EAGAIN && errno != EINTR)
            || ::poll(&ready, 1, int(deadline.remainingTime())) <= 0)
            break;
    }
    ::fcntl(descriptor, F_SETFL, flags);
}

} // namespace

DuzUdozuzeConsole::DuzUdozuzeConsole(const QStringList &args)
{
    m_pOutputNotifier = new QSocketNotifier(STDOUT_FILENO, QSocketNotifier::Write, this);
    m_pOutputNotifier->setEnabled(false);
    connect(m_pOutputNotifier, &QSocketNotifier::activated, this, &DuzUdozuzeConsole::writeOutput);

    createSocket(args);
    // Without a box to tick, the operator options are the only way to respond.
    const DuzUdozuzeSettings &settings = m_pDuzUdozuzeSocket->settings();
    m_pDuzUdozuzeSocket->setRespondAutomatically(settings.m_bAutoRespond);
    m_pDuzUdozuzeSocket->setOk(settings.m_bOkAtStart);
    connect(m_pDuzUdozuzeSocket.get(), &DuzUdozuzeSocket::workstationWarning, this,
            &DuzUdozuzeConsole::tellWarning);
}

DuzUdozuzeConsole::~DuzUdozuzeConsole() = default;

// Warnings go to standard error the moment they are raised or end; standard
// output keeps exactly the log's lines.
void DuzUdozuzeConsole::tellWarning(bool, const QString &text)
{
    writeWithin(STDERR_FILENO,
                (DuzUdozuzeLogLine::timeText() + QLatin1Char(' ') + text).toLocal8Bit() + '\n',
                QDeadlineTimer(WarningTime));
}

void DuzUdozuzeConsole::dumpWorkstations()
{
    const DuzUdozuzeWorkstationTable &table = m_pDuzUdozuzeSocket->workstations();
    const qint64 wallNow = QDateTime::currentMSecsSinceEpoch();
    QString text = QStringLiteral("Workstations:\n")
        + DuzUdozuzeWorkstationReport::tableText(table, wallNow);
    const QStringList warnings = table.activeWarnings();
    for (const QString &warning : warnings)
        text += QStringLiteral("Warning: ") + warning + QLatin1Char('\n');
    text += QStringLiteral("Mastership history, newest first:\n")
        + DuzUdozuzeWorkstationReport::historyText(table, wallNow);
    writeWithin(STDERR_FILENO, text.toLocal8Bit(), QDeadlineTimer(DumpTime));
}

// Lines are queued at once; what one pass of the event loop made is written
// together, before the next pass.
void DuzUdozuzeConsole::appendLine(const QString &line)
{
    m_output.append(line.toLocal8Bit());
    if (!m_bWriteScheduled) {
        m_bWriteScheduled = true;
        QMetaObject::invokeMethod(this, &DuzUdozuzeConsole::writeOutput, Qt::QueuedConnection);
    }
}

void DuzUdozuzeConsole::writeOutput()
{
    m_bWriteScheduled = false;
    const DuzUdozuzeOutputQueue::State state = m_output.writeTo(STDOUT_FILENO);
    // The rest waits until standard output takes more.
    m_pOutputNotifier->setEnabled(state == DuzUdozuzeOutputQueue::State::Waiting);
    if (state == DuzUdozuzeOutputQueue::State::Closed)
        QCoreApplication::quit(); // the reader is gone
}

void DuzUdozuzeConsole::finishOutput(QDeadlineTimer deadline)
{
    while (m_output.writeTo(STDOUT_FILENO) == DuzUdozuzeOutputQueue::State::Waiting) {
        pollfd ready {STDOUT_FILENO, POLLOUT, 0};
        if (::poll(&ready, 1, int(deadline.remainingTime())) <= 0)
            break;
    }
    m_output.discard();
}

int DuzUdozuzeConsole::exec()
{
    // Standard output never blocks; its own flags come back at the end, for
    // the terminal or pipe shared with whoever started the program.
    const int outputFlags = ::fcntl(STDOUT_FILENO, F_GETFL);
    if (outputFlags != -1)
        ::fcntl(STDOUT_FILENO, F_SETFL, outputFlags | O_NONBLOCK);
    // A reader that goes away shows as a failed write, not as death by signal.
    std::signal(SIGPIPE, SIG_IGN);

    int code = 1;
    if (m_pDuzUdozuzeSocket->isValid()) {
        startMetrics(this);
        DuzUdozuzeSignalPipe signalPipe({SIGINT, SIGTERM, SIGHUP, SIGUSR1});
        connect(&signalPipe, &DuzUdozuzeSignalPipe::received, this, [this](int signalNumber) {
            if (signalNumber == SIGUSR1)
                dumpWorkstations();
            else
                QCoreApplication::quit();
        });
        code = QCoreApplication::exec();
    }
    // What is still queued, then the counts, all within the one deadline.
    const QDeadlineTimer deadline(FinishTime);
    finishOutput(deadline);
    writeMetrics();

    const QString counts = countsText(m_pDuzUdozuzeSocket->counts(), m_output.linesDropped());
    writeWithin(STDERR_FILENO, counts.toLocal8Bit() + '\n', deadline);
    if (outputFlags != -1)
        ::fcntl(STDOUT_FILENO, F_SETFL, outputFlags);
    m_pDuzUdozuzeSocket.reset();
    return code;
}

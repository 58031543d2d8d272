#include "duzudozuzeconsole.h"

#include "duzudozuzeenvironment.h"
#include "duzudozuzelogline.h"
#include "duzudozuzesocket.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A stop signal is turned into a byte on this pipe, which the event loop
// watches; nothing else is done inside the handler.
int stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
}

} // namespace

DuzUdozuzeConsole::DuzUdozuzeConsole(const QStringList &args)
{
    const DuzUdozuzeEnvironment environment = DuzUdozuzeEnvironment::read();
    if (!environment.workstationValid) {
        logPrintf("Not a valid workstation number: '%s'",
                  environment.workstationText.toLatin1().constData());
    }
    m_pDuzUdozuzeSocket = std::make_unique<DuzUdozuzeSocket>(
        environment.hxRoot, environment.hxSystem, environment.workstation, args, this);
    if (!m_pDuzUdozuzeSocket->isValid())
        writeLine(QStringLiteral("failed to set-up UDP system."));

    // Without a box to tick, the operator options are the only way to respond.
    const DuzUdozuzeSettings &settings = m_pDuzUdozuzeSocket->settings();
    m_pDuzUdozuzeSocket->setRespondAutomatically(settings.m_bAutoRespond);
    m_pDuzUdozuzeSocket->setOk(settings.m_bOkAtStart);
}

DuzUdozuzeConsole::~DuzUdozuzeConsole() = default;

void DuzUdozuzeConsole::debugMessage(int, int, const QString &, const QString &text)
{
    writeLine(text);
}

void DuzUdozuzeConsole::debugPrintf(int, int, const QString &prefix, const char *format,
                                    va_list args)
{
    writeLine(DuzUdozuzeLogLine::prefixed(prefix, format, args));
}

void DuzUdozuzeConsole::logPrintf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const QString line = DuzUdozuzeLogLine::build(format, args);
    va_end(args);
    writeLine(line);
}

void DuzUdozuzeConsole::writeLine(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void DuzUdozuzeConsole::writeCounts()
{
    const DuzUdozuzeSocket::Counts &counts = m_pDuzUdozuzeSocket->counts();
    std::fprintf(stderr,
                 "Received %llu, shown %llu, filtered %llu, not current format %llu, answers "
                 "sent %llu\n",
                 counts.received, counts.shown, counts.filtered, counts.notCurrentFormat,
                 counts.answersSent);
}

int DuzUdozuzeConsole::exec()
{
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_pqStopNotifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, this);
        connect(m_pqStopNotifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
        struct sigaction action
        {
        };
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    const int code = QCoreApplication::exec();
    writeCounts();
    m_pDuzUdozuzeSocket.reset();
    return code;
}

#include "app/duzudozuzeconsole.h"

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
    createSocket(args);
    // Without a box to tick, the operator options are the only way to respond.
    const DuzUdozuzeSettings &settings = m_pDuzUdozuzeSocket->settings();
    m_pDuzUdozuzeSocket->setRespondAutomatically(settings.m_bAutoRespond);
    m_pDuzUdozuzeSocket->setOk(settings.m_bOkAtStart);
}

DuzUdozuzeConsole::~DuzUdozuzeConsole() = default;

// Lines are written at once; what one pass of the event loop wrote reaches
// the pipe or file together, before the next pass.
void DuzUdozuzeConsole::appendLine(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    if (!m_bFlushScheduled) {
        m_bFlushScheduled = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bFlushScheduled = false;
                std::fflush(stdout);
            },
            Qt::QueuedConnection);
    }
}

int DuzUdozuzeConsole::exec()
{
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto *stop = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, this);
        connect(stop, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    const int code = QCoreApplication::exec();
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n",
                 countsText(m_pDuzUdozuzeSocket->counts()).toLocal8Bit().constData());
    m_pDuzUdozuzeSocket.reset();
    return code;
}

// SPDX-License-Identifier: MIT
#include "app/duzudozuzesignalpipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void DuzUdozuzeSignalPipe::install()
{
    std::signal(SIGPIPE, SIG_IGN);
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaction(signalNumber, &action, nullptr);
}

DuzUdozuzeSignalPipe::DuzUdozuzeSignalPipe(QObject *parent) : QObject(parent)
{
    if (signalPipe[0] < 0)
        return;
    m_pNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &DuzUdozuzeSignalPipe::readSignals);
}

DuzUdozuzeSignalPipe::~DuzUdozuzeSignalPipe() = default;

void DuzUdozuzeSignalPipe::readSignals()
{
    unsigned char numbers[64];
    ssize_t count;
    while ((count = ::read(signalPipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit requested(numbers[i] == SIGUSR1 ? Request::Dump : Request::Stop);
    }
}

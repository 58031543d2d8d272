// SPDX-License-Identifier: MIT
#include "app/duzudozuzesignalpipe.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using Request = DuzUdozuzeSignalPipe::Request;

// The console's control handler runs on a thread of its own: what it asks
// goes to the event loop's thread as a queued call.
std::mutex guard;
std::condition_variable endSeen;
std::vector<Request> waiting; // asked while there is no receiver
DuzUdozuzeSignalPipe *receiver = nullptr;
bool ended = false;

// Closing the console, logging off and shutting down end the process as
// soon as the handler returns: the end gets a few seconds to say its counts.
constexpr std::chrono::seconds EndTime {4};

void deliver(DuzUdozuzeSignalPipe *to, Request request)
{
    QMetaObject::invokeMethod(
        to, [to, request] { emit to->requested(request); }, Qt::QueuedConnection);
}

BOOL WINAPI onControl(DWORD type)
{
    const Request request = type == CTRL_BREAK_EVENT ? Request::Dump : Request::Stop;
    std::unique_lock lock(guard);
    if (receiver)
        deliver(receiver, request);
    else if (!ended)
        waiting.push_back(request);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        endSeen.wait_for(lock, EndTime, [] { return ended; });
    return TRUE;
}

} // namespace

void DuzUdozuzeSignalPipe::install()
{
    SetConsoleCtrlHandler(onControl, TRUE);
}

DuzUdozuzeSignalPipe::DuzUdozuzeSignalPipe(QObject *parent) : QObject(parent)
{
    const std::lock_guard lock(guard);
    receiver = this;
    for (const Request request : waiting)
        deliver(this, request);
    waiting.clear();
}

DuzUdozuzeSignalPipe::~DuzUdozuzeSignalPipe()
{
    const std::lock_guard lock(guard);
    receiver = nullptr;
    ended = true;
    endSeen.notify_all();
}

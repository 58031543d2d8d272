// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEQUIETTHREAD_H
#define DUZUDOZUZEQUIETTHREAD_H

#include <csignal>
#include <pthread.h>
#include <thread>
#include <utility>

// A thread that takes no signals: they are the event loop's, which turns
// them into events.
template<typename... Args> std::thread duzUdozuzeQuietThread(Args &&...args)
{
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    std::thread thread(std::forward<Args>(args)...);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return thread;
}

#endif // DUZUDOZUZEQUIETTHREAD_H

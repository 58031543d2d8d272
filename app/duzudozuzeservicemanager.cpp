// SPDX-License-Identifier: MIT
#include "app/duzudozuzeservicemanager.h"

#include <QStringList>

#include <algorithm>

#include <sys/stat.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

DuzUdozuzeServiceManager::DuzUdozuzeServiceManager(std::function<QString()> status, QObject *parent)
    : QObject(parent),
      m_status(std::move(status)),
      m_bManaged(qEnvironmentVariableIsSet("NOTIFY_SOCKET"))
{
    connect(&m_statusTimer, &QTimer::timeout, this, &DuzUdozuzeServiceManager::notifyStatus);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { notify("WATCHDOG=1"); });
}

void DuzUdozuzeServiceManager::ready()
{
    if (!m_bManaged)
        return;
    notify("READY=1\nSTATUS=" + m_status().toUtf8());
    m_statusTimer.start(StatusInterval);
    // The interval systemd asks for, when it asks this process.
    uint64_t interval = 0;
    if (sd_watchdog_enabled(0, &interval) > 0 && interval > 0) {
        notify("WATCHDOG=1");
        m_watchdog.start(pingInterval(interval));
    }
}

std::chrono::milliseconds DuzUdozuzeServiceManager::pingInterval(uint64_t interval)
{
    return std::max(MinPingInterval, std::chrono::milliseconds(interval / 2000));
}

void DuzUdozuzeServiceManager::stopping()
{
    m_statusTimer.stop();
    if (m_bManaged)
        notify("STOPPING=1");
}

void DuzUdozuzeServiceManager::notifyStatus()
{
    notify("STATUS=" + m_status().toUtf8());
}

// A failed notification changes nothing: the service runs on, and systemd
// sees what it sees.
void DuzUdozuzeServiceManager::notify(const QByteArray &state)
{
    sd_notify(0, state.constData());
}

bool DuzUdozuzeServiceManager::journalOnStandardError()
{
    const QStringList stream = qEnvironmentVariable("JOURNAL_STREAM").split(QLatin1Char(':'));
    struct stat status;
    if (stream.size() != 2 || ::fstat(STDERR_FILENO, &status) != 0)
        return false;
    bool deviceOk = false, inodeOk = false;
    const qulonglong device = stream.at(0).toULongLong(&deviceOk, 10);
    const qulonglong inode = stream.at(1).toULongLong(&inodeOk, 10);
    return deviceOk && inodeOk && device == qulonglong(status.st_dev)
        && inode == qulonglong(status.st_ino);
}

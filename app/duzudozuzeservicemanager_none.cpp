// SPDX-License-Identifier: MIT
// Where there is no systemd (Windows), there is no service manager to tell.
#include "app/duzudozuzeservicemanager.h"

#include <algorithm>

DuzUdozuzeServiceManager::DuzUdozuzeServiceManager(std::function<QString()> status, QObject *parent)
    : QObject(parent), m_status(std::move(status)), m_bManaged(false)
{ }

void DuzUdozuzeServiceManager::ready() { }

std::chrono::milliseconds DuzUdozuzeServiceManager::pingInterval(uint64_t interval)
{
    return std::max(MinPingInterval, std::chrono::milliseconds(interval / 2000));
}

void DuzUdozuzeServiceManager::stopping() { }

void DuzUdozuzeServiceManager::notifyStatus() { }

void DuzUdozuzeServiceManager::notify(const QByteArray &) { }

bool DuzUdozuzeServiceManager::journalOnStandardError()
{
    return false;
}

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESERVICEMANAGER_H
#define DUZUDOZUZESERVICEMANAGER_H

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>

// The console's handshakes with systemd when it runs as a service of
// Type=notify: READY=1 once the set-up succeeded, the counts line as STATUS=
// every StatusInterval, STOPPING=1 at a stop signal, and WATCHDOG=1 at half
// the interval systemd asks for, never more often than every MinPingInterval,
// from the event loop, so that a loop that hangs stops the pings and systemd
// restarts the service. Outside systemd (no NOTIFY_SOCKET) it does nothing at
// all.
class DuzUdozuzeServiceManager : public QObject
{
    Q_OBJECT

public:
    static constexpr int StatusInterval = 5000; // ms
    static constexpr std::chrono::milliseconds MinPingInterval {100};

    explicit DuzUdozuzeServiceManager(std::function<QString()> status, QObject *parent = nullptr);

    void ready();
    void stopping();

    // How often the watchdog is pinged when systemd expects a ping within
    // interval µs: at half of it, and never flat out, however short it is.
    static std::chrono::milliseconds pingInterval(uint64_t interval);

    // Whether standard error is a stream to the journal (JOURNAL_STREAM names
    // its device and inode), whose lines may start with their priority.
    static bool journalOnStandardError();

private:
    void notify(const QByteArray &state);
    void notifyStatus();

    std::function<QString()> m_status;
    bool m_bManaged;
    QTimer m_statusTimer;
    QTimer m_watchdog;
};

#endif // DUZUDOZUZESERVICEMANAGER_H

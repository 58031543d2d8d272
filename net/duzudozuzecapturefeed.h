// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTUREFEED_H
#define DUZUDOZUZECAPTUREFEED_H

#include "net/duzudozuzecapturesource.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class DuzUdozuzeSocket;

// Feeds the socket object the capture its settings name (/read=), read on a
// thread of its own, in slices of the event loop short enough that a front
// end stays live and a stop signal is served at once: every UDP datagram to
// the port goes through the socket's receive path with the capture's times.
// With /follow it reads on as the file grows, as tail -F does, until stopped.
class DuzUdozuzeCaptureFeed : public QObject
{
    Q_OBJECT

public:
    // The longest a slice holds the event loop, about.
    static constexpr int SliceTime = 20; // ms
    // Jumps of the capture's clock larger than this are said.
    static constexpr qint64 JumpTold = 60 * 60 * 1000; // ms
    static constexpr int MaxJumpsTold = 10;

    // The socket outlives the feed.
    explicit DuzUdozuzeCaptureFeed(DuzUdozuzeSocket *socket, QObject *parent = nullptr);
    ~DuzUdozuzeCaptureFeed() override;

    // Begins reading.
    void start();
    // While held returns true, no datagram is handled (the front end's
    // output is over its bound, say); resume() goes on.
    void setHold(std::function<bool()> held) { m_held = std::move(held); }
    void resume();
    // Packets handled so far, the last one handled included.
    quint64 packetsRead() const { return m_nPackets; }
    bool hasEnded() const { return m_bEnded; }

signals:
    // What the operator should know, once each: a kind of packet skipped, a
    // jump of the capture's clock, a file rotated, or why the capture could
    // not be read to its end.
    void told(const QString &text);
    // The end of the capture: 0 read to its end, 2 unreadable or cut short.
    void ended(int code);

private:
    void wake();
    void handle();
    void handleDatagram(const DuzUdozuzeCaptureSource::Item &item);
    void skipped(quint64 packet, const QString &why);
    void end(const QString &error);

    DuzUdozuzeSocket *m_pSocket; // not owned
    std::unique_ptr<DuzUdozuzeCaptureSource> m_pSource;
    std::deque<DuzUdozuzeCaptureSource::Item> m_items; // taken, not yet handled
    std::atomic<bool> m_bWoken {false};
    std::function<bool()> m_held;
    QStringList m_skipsTold;
    std::optional<qint64> m_nLastTime; // of the last datagram, ms since the epoch
    int m_nJumpsTold = 0;
    quint64 m_nPackets = 0;
    bool m_bEnded = false;
};

#endif // DUZUDOZUZECAPTUREFEED_H

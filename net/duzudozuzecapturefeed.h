// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTUREFEED_H
#define DUZUDOZUZECAPTUREFEED_H

#include "net/duzudozuzecapturesource.h"

#include <QMap>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class DuzUdozuzeSession;
struct DuzUdozuzeSettings;

// The session's other source: the capture the settings name (/read=), read
// on a thread of its own, handed over in slices of the event loop short
// enough that a front end stays live and a stop signal is served at once.
// Every UDP datagram to the port (port 0: to any port; a recording read
// without /port=: to any it holds, each said) goes to the session on the
// capture's clock:
// its time of day is each packet's own, and its monotonic clock advances by
// the steps forward of the packets' times only, so that a claim lasts 10 s
// of the capture's advancing time even where its clock steps back. Answers
// are decided and told, never sent. With /follow it reads on as the file
// grows, as tail -F does, until stopped.
class DuzUdozuzeCaptureFeed : public QObject
{
    Q_OBJECT

public:
    // The longest a slice holds the event loop, about.
    static constexpr int SliceTime = 20; // ms
    // Jumps of the capture's clock larger than this are said.
    static constexpr qint64 JumpTold = 60 * 60 * 1000; // ms
    static constexpr int MaxJumpsTold = 10;

    // The session and the settings outlive the feed.
    DuzUdozuzeCaptureFeed(DuzUdozuzeSession &session, const DuzUdozuzeSettings &settings,
                          QObject *parent = nullptr);
    ~DuzUdozuzeCaptureFeed() override;

    // Begins reading; with a recorder (Writer::Caller), the reading thread
    // records the datagrams it hands over.
    void start(std::shared_ptr<DuzUdozuzeRecorder> recorder = {});
    // Reads no more: the reading thread has stopped when it returns.
    void stop() { m_pSource.reset(); }
    // While held returns true, no datagram is handled (the front end's
    // output is over its bound, say); resume() goes on.
    void setHold(std::function<bool()> held) { m_held = std::move(held); }
    void resume();
    // Packets handled so far, the last one handled included.
    quint64 packetsRead() const { return m_nPackets; }
    bool hasEnded() const { return m_bEnded; }
    // What was read: the day and the span of the datagrams' times, and the
    // ports they went to ("2026-12-08 09:12:40 to 09:40:02, UDP port 9208:
    // 120 datagrams"); empty before the first.
    QString summary() const;
    // The span alone: "2026-12-09 00:24:35 to 00:24:46"; empty before the first.
    QString span() const;

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
    void handleDatagram(const DuzUdozuzeCaptureSource::Item &item, QByteArrayView payload);
    void skipped(quint64 packet, const QString &why);
    void recordingPort();
    void end(const QString &error);

    DuzUdozuzeSession &m_session;
    const DuzUdozuzeSettings &m_settings;
    std::unique_ptr<DuzUdozuzeCaptureSource> m_pSource;
    DuzUdozuzeCaptureSource::Batch m_batch; // taken, handled up to m_nNext
    size_t m_nNext = 0;
    std::atomic<bool> m_bWoken {false};
    std::function<bool()> m_held;
    QStringList m_skipsTold;
    std::optional<qint64> m_nLastTime; // of the last datagram, ms since the epoch
    qint64 m_nFirstTime = 0; // of the first datagram
    // Datagrams handled by the port they went to. A capture's datagrams go
    // to one port or few, in runs: the run of the last port is counted
    // apart, so that a datagram costs an integer's increment, not a lookup.
    QMap<int, quint64> m_ports; // before the run
    int m_nRunPort = -1;
    quint64 m_nRunCount = 0;
    qint64 m_nClock = 0; // the capture's monotonic clock, in ms
    int m_nJumpsTold = 0;
    quint64 m_nPackets = 0;
    bool m_bEnded = false;
};

#endif // DUZUDOZUZECAPTUREFEED_H

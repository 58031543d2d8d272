// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTUREFEED_H
#define DUZUDOZUZECAPTUREFEED_H

#include "net/duzudozuzecapturesource.h"
#include "net/duzudozuzesource.h"

#include <QMap>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class DuzUdozuzeSession;
struct DuzUdozuzeSettings;

// The port's peer: the capture the settings name (/read=), read
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
class DuzUdozuzeCaptureFeed : public DuzUdozuzeSource
{
    Q_OBJECT

public:
    // The longest a slice holds the event loop, about.
    static constexpr int SliceTime = 20; // ms
    // Jumps of the capture's clock larger than this are said.
    static constexpr std::chrono::milliseconds JumpTold = std::chrono::hours(1);
    static constexpr int MaxJumpsTold = 10;

    // The settings outlive the feed.
    explicit DuzUdozuzeCaptureFeed(const DuzUdozuzeSettings &settings, QObject *parent = nullptr);
    ~DuzUdozuzeCaptureFeed() override;

    // The reading thread records what it hands over: the datagrams are still
    // in its cache, and a capture can wait for the disk where the port
    // cannot.
    DuzUdozuzeRecorder::Writer recordingWriter() const override
    {
        return DuzUdozuzeRecorder::Writer::Caller;
    }
    // Begins reading.
    void start(DuzUdozuzeSession &session, std::shared_ptr<DuzUdozuzeRecorder> recorder) override;
    // Reads no more: the reading thread has stopped when it returns.
    void stop() override { m_pSource.reset(); }
    void setHold(std::function<bool()> held) override { m_held = std::move(held); }
    void resume() override;
    bool paced() const override { return true; }
    // Packets handled so far, the last one handled included; what was read:
    // the day and the span of the datagrams' times, and the ports they went
    // to ("2026-12-08 09:12:40 to 09:40:02, UDP port 9208: 120 datagrams");
    // empty before the first. What is told: a kind of packet skipped, a jump
    // of the capture's clock, a file rotated, or why the capture could not
    // be read to its end.
    Reading reading() const override;

private:
    QString span() const;
    void wake();
    void handle();
    void handleDatagram(const DuzUdozuzeCaptureSource::Item &item, QByteArrayView payload);
    void skipped(quint64 packet, const QString &why);
    void recordingPort();
    void end(const QString &error);

    DuzUdozuzeSession *m_pSession = nullptr; // from start() on
    const DuzUdozuzeSettings &m_settings;
    std::unique_ptr<DuzUdozuzeCaptureSource> m_pSource;
    DuzUdozuzeCaptureSource::Batch m_batch; // taken, handled up to m_nNext
    size_t m_nNext = 0;
    std::atomic<bool> m_bWoken {false};
    std::function<bool()> m_held;
    QStringList m_skipsTold;
    std::optional<DuzUdozuzeWallMs> m_lastTime; // of the last datagram
    DuzUdozuzeWallMs m_firstTime; // of the first datagram
    // Datagrams handled by the port they went to. A capture's datagrams go
    // to one port or few, in runs: the run of the last port is counted
    // apart, so that a datagram costs an integer's increment, not a lookup.
    QMap<int, quint64> m_ports; // before the run
    int m_nRunPort = -1;
    quint64 m_nRunCount = 0;
    DuzUdozuzeSourceMs m_clock; // the capture's monotonic clock
    int m_nJumpsTold = 0;
    quint64 m_nPackets = 0;
    bool m_bEnded = false;
};

#endif // DUZUDOZUZECAPTUREFEED_H

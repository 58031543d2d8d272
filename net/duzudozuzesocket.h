// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESOCKET_H
#define DUZUDOZUZESOCKET_H

#include "common/duzudozuzesettings.h"
#include "net/duzudozuzelinkcontext.h"
#include "net/duzudozuzerecorder.h"
#include "net/duzudozuzesocketdevice.h"
#include "protocol/duzudozuzesession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

struct IDebug;
class DuzUdozuzeRecorder;
class QSocketNotifier;

// The one object that holds what the workstation knows about itself and the
// UDP traffic it takes part in: identity, filters, socket settings, the UDP
// socket with its read notifier, and the session that holds the election.
// Its constructor does the whole set-up and logs every step through the
// sink; isValid() tells whether every step succeeded. It is the session's
// UDP source, on the live clocks, and sends its answers; reading a capture
// instead, it binds nothing and the capture feed is the session's source.
class DuzUdozuzeSocket : public QObject,
                         public DuzUdozuzeLinkContext,
                         private DuzUdozuzeSession::Sink
{
    Q_OBJECT

public:
    // How the local address list is looked up; by default the host's resolver.
    using AddressLookup = std::function<QStringList()>;
    using Counts = DuzUdozuzeSession::Counts;

    DuzUdozuzeSocket(const QString &hxRoot, const QString &hxSystem, int workstation,
                     const QStringList &args, IDebug *debug, AddressLookup addressLookup = {});
    ~DuzUdozuzeSocket() override;

    bool isValid() const { return m_bValid; }
    const DuzUdozuzeSettings &settings() const { return m_settings; }
    DuzUdozuzeSession &session() { return *m_pSession; }

    bool isMaster() const { return m_pSession->isMaster(); }
    bool isOk() const { return m_pSession->isOk(); }
    bool respondsAutomatically() const { return m_pSession->respondsAutomatically(); }
    const Counts &counts() const { return m_pSession->counts(); }
    // The bound port, or 0 while unbound.
    quint16 localPort() const;
    int socketDescriptor() const;

    // The picture of the election: who was heard, who claims master, this
    // workstation's history, the warnings in force.
    const DuzUdozuzeWorkstationTable &workstations() const { return m_pSession->workstations(); }
    void clearWorkstations() { m_pSession->clearWorkstations(); }
    // When the last datagram was received, in ms since the epoch; 0: never.
    qint64 lastDatagramTime() const { return m_pSession->lastDatagramTime(); }

    // What the operator should know about the set-up, said once at start:
    // other sockets on the port, a negative workstation number, a name sent
    // as UTF-8.
    const QStringList &setUpWarnings() const { return m_setUpWarnings; }
    // Why the answers decided are not sent; empty while they are.
    QString answersNotSentReason() const { return m_pSession->answersNotSentReason(); }

    QStringList localAddresses() const override;

    // The recording's counts (/record=); zeros without one.
    DuzUdozuzeRecorder::Counts recordCounts() const;
    // The recording (/record=), or none: a capture read records what it
    // reads on its own thread.
    const std::shared_ptr<DuzUdozuzeRecorder> &recorder() const { return m_pRecorder; }
    // Writes what waits to be recorded and closes the recording, at the end,
    // once a capture read has stopped.
    void finishRecording()
    {
        if (m_pRecorder)
            m_pRecorder->finish();
    }

    // Reading a capture (/read=) instead of the port.
    bool readsCapture() const { return !m_settings.m_strCapturePath.isEmpty(); }
    // The time of day of the lines logged now: the source's.
    QString timeText() const { return m_pSession->timeText(); }
    bool parseControlString(const QStringList &args);
    void broadcastStatus(const QString &code) { m_pSession->broadcastStatus(code); }
    void handleMessageCode(const QString &code, const QString &healthWord)
    {
        m_pSession->handleMessageCode(code, healthWord);
    }

public slots:
    // Fed by the front end: the Respond Automatically and OK boxes.
    void setRespondAutomatically(bool on) { m_pSession->setRespondAutomatically(on); }
    void setOk(bool ok) { m_pSession->setOk(ok); }

signals:
    void countsChanged();
    void mastershipChanged(bool master);
    // A warning of the workstation table was raised, or ended.
    void workstationWarning(bool raised, const QString &text);
    // The recording failed, or goes on again: the operator should know, with
    // the priority the recorder gives (DuzUdozuzeRecorder::Told).
    void recordingTold(const QString &text, int priority);

protected:
    void logLine(const QString &line) override;

private:
    void setUp(const QStringList &args);
    void setUpSocket();
    // With /record=: the folder checked, and the recording begun.
    void setUpRecorder();
    void rxData();
    // The live clocks, now.
    DuzUdozuzeSession::Time now() const;
    // The moment a datagram arrived, on the live clocks, from the system's
    // stamp (0: none, now); never later than now, nor earlier on the
    // monotonic clock than the session was told last.
    DuzUdozuzeSession::Time arrival(qint64 stampNs, DuzUdozuzeSession::Time now) const;

    bool sendStatus(const QByteArray &datagram) override;
    void warned(bool raised, const QString &text) override
    {
        emit workstationWarning(raised, text);
    }
    void counted() override { emit countsChanged(); }
    void modeChanged(bool master) override { emit mastershipChanged(master); }

    DuzUdozuzeSettings m_settings;
    std::unique_ptr<DuzUdozuzeSocketDevice> m_pSocketDevice;
    QSocketNotifier *m_pNotifier = nullptr; // child of this object
    IDebug *m_pDebug; // not owned; outlives this object
    AddressLookup m_addressLookup;
    bool m_bValid = true;
    QStringList m_setUpWarnings;
    QElapsedTimer m_clock;
    QTimer m_tick;
    qint64 m_nLastClock = 0; // the monotonic time the session was told last
    // The notifier rests after a batch read; this timer reads the next.
    QTimer m_rest;
    std::vector<DuzUdozuzeSocketDevice::Received> m_batch;
    std::unique_ptr<DuzUdozuzeSession> m_pSession;
    std::shared_ptr<DuzUdozuzeRecorder> m_pRecorder; // goes before the session and the device
    // The address bound, host order: this end of an answer recorded, and of a
    // datagram whose own destination is not known.
    quint32 m_nRecordAddress = 0;
};

#endif // DUZUDOZUZESOCKET_H

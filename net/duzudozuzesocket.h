// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESOCKET_H
#define DUZUDOZUZESOCKET_H

#include "net/duzudozuzesocketdevice.h"
#include "net/duzudozuzesource.h"
#include "protocol/duzudozuzesession.h"

#include <QElapsedTimer>
#include <QTimer>

#include <vector>

class DuzUdozuzeLinkContext;
class QSocketNotifier;
struct DuzUdozuzeSettings;

// The UDP port: the socket device bound as the settings say, its read
// notifier and the receive slot, on the live clocks, and the answers sent
// to the send address at the bound port. Its constructor sets the socket up
// and logs every step through the link; isValid() tells whether every step
// succeeded.
class DuzUdozuzeSocket : public DuzUdozuzeSource
{
    Q_OBJECT

public:
    // settings and link outlive the port.
    DuzUdozuzeSocket(const DuzUdozuzeSettings &settings, DuzUdozuzeLinkContext &link);
    ~DuzUdozuzeSocket() override;

    bool isValid() const { return m_bValid; }
    // Other sockets on the port, said once; empty: none.
    const QString &sharingWarning() const { return m_strSharingWarning; }
    // The bound port, or 0 while unbound.
    quint16 localPort() const { return m_socketDevice.localPort(); }
    qintptr socketDescriptor() const { return m_socketDevice.descriptor(); }

    // The port's datagrams are copied into the recorder's ring, and written
    // on its own thread: reception never waits for the disk.
    DuzUdozuzeRecorder::Writer recordingWriter() const override
    {
        return DuzUdozuzeRecorder::Writer::Thread;
    }
    // Listening, claims expire, rows go stale and warnings start and end with
    // time alone, from now on.
    void start(DuzUdozuzeSession &session, std::shared_ptr<DuzUdozuzeRecorder> recorder) override;
    bool send(const QByteArray &datagram) override;

private:
    void setUpSocket(DuzUdozuzeLinkContext &link);
    void rxData();
    // The live clocks, now.
    DuzUdozuzeSession::Time now() const;
    // The moment a datagram arrived, on the live clocks, from the system's
    // stamp (0: none, now); never later than now, nor earlier on the
    // monotonic clock than the session was told last.
    DuzUdozuzeSession::Time arrival(DuzUdozuzeWallNs stamp, DuzUdozuzeSession::Time now) const;

    const DuzUdozuzeSettings &m_settings;
    DuzUdozuzeLinkContext &m_link;
    DuzUdozuzeSocketDevice m_socketDevice;
    QSocketNotifier *m_pNotifier = nullptr; // child of this object
    bool m_bValid = true;
    QString m_strSharingWarning;
    DuzUdozuzeSession *m_pSession = nullptr; // from start() on
    std::shared_ptr<DuzUdozuzeRecorder> m_pRecorder;
    // The address bound, host order: this end of an answer recorded, and of a
    // datagram whose own destination is not known.
    quint32 m_nBoundAddress = 0;
    QElapsedTimer m_clock;
    QTimer m_tick;
    DuzUdozuzeSourceMs m_lastClock; // the monotonic time the session was told last
    // The notifier rests after a batch read; this timer reads the next.
    QTimer m_rest;
    std::vector<DuzUdozuzeSocketDevice::Received> m_batch;
};

#endif // DUZUDOZUZESOCKET_H

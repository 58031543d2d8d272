// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHTTPLISTENER_H
#define DUZUDOZUZEHTTPLISTENER_H

#include <QElapsedTimer>
#include <QHash>
#include <QTcpServer>
#include <QTimer>

#include <deque>

class QTcpSocket;

// The TCP side of the HTTP view, with the bounds the HTTP server itself does
// not keep: at most MaxConnections open, at most MaxHead bytes of a request
// held (a longer one is refused with 431), and a connection closed IdleTime
// after it opened or after its last answer went out, however slowly it
// trickles bytes meanwhile. When a new client comes and every place is taken,
// the connection that has waited longest for an answer makes room if it has
// waited GraceTime: half-open connections (slowloris) never shut out a client
// that asks and goes for longer than that. Until then the new client waits,
// taken from the kernel but not read, and no more are taken; the kernel holds
// the rest in the listen queue. A busy moment (many clients, the event loop
// slow to answer) thus costs them time, never their connections.
// Each connection's socket is made here, before the HTTP server sees it, so
// that the bounds watch every byte it reads.
class DuzUdozuzeHttpListener : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 64;
    static constexpr qint64 MaxHead = 8 * 1024;
    static constexpr qint64 IdleTime = 10 * 1000; // ms
    static constexpr qint64 GraceTime = 1000; // ms
    static constexpr int ListenBacklog = 256;

    explicit DuzUdozuzeHttpListener(QObject *parent = nullptr);
    ~DuzUdozuzeHttpListener() override;

    int connectionCount() const { return int(m_connections.size()); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection
    {
        qint64 lastAnswer = 0; // on m_clock, ms: when it opened or last answered
        qint64 requestBytes = 0; // of the request being read
    };

    void serve(qintptr descriptor);
    void counted(QTcpSocket *socket);
    void checkRequestSize(QTcpSocket *socket);
    void closeIdle();
    // Whether there is a place now, made if need be.
    bool makeRoom();
    void admitWaiting();
    void forget(QTcpSocket *socket);

    QElapsedTimer m_clock;
    QTimer m_sweep;
    QHash<QTcpSocket *, Connection> m_connections;
    std::deque<qintptr> m_waiting; // taken, not yet served, oldest first
};

#endif // DUZUDOZUZEHTTPLISTENER_H

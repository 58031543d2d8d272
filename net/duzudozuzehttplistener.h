// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHTTPLISTENER_H
#define DUZUDOZUZEHTTPLISTENER_H

#include <QElapsedTimer>
#include <QHash>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

// The TCP side of the HTTP view, with the bounds the HTTP server itself does
// not keep: at most MaxConnections open, at most MaxHead bytes of a request
// held (a longer one is refused with 431), and a connection closed IdleTime
// after it opened or after its last answer went out, however slowly it
// trickles bytes meanwhile. When a new client comes and every place is taken,
// the connection that has waited longest for an answer makes room: half-open
// connections (slowloris) never shut out a client that asks and goes.
// Each connection's socket is made here, before the HTTP server sees it, so
// that the bounds watch every byte it reads.
class DuzUdozuzeHttpListener : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 64;
    static constexpr qint64 MaxHead = 8 * 1024;
    static constexpr qint64 IdleTime = 10 * 1000; // ms
    static constexpr int ListenBacklog = 256;

    explicit DuzUdozuzeHttpListener(QObject *parent = nullptr);

    int connectionCount() const { return int(m_connections.size()); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection
    {
        qint64 lastAnswer = 0; // on m_clock, ms: when it opened or last answered
        qint64 requestBytes = 0; // of the request being read
    };

    void counted(QTcpSocket *socket);
    void checkRequestSize(QTcpSocket *socket);
    void closeIdle();
    void makeRoom();
    void forget(QTcpSocket *socket) { m_connections.remove(socket); }

    QElapsedTimer m_clock;
    QTimer m_sweep;
    QHash<QTcpSocket *, Connection> m_connections;
};

#endif // DUZUDOZUZEHTTPLISTENER_H

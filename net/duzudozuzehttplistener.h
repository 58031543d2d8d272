// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHTTPLISTENER_H
#define DUZUDOZUZEHTTPLISTENER_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QTcpServer>
#include <QTimer>

#include <deque>

class QSocketNotifier;
class QTcpSocket;

// The TCP side of the HTTP view, with the bounds the HTTP server itself does
// not keep: at most MaxConnections served, at most MaxHead bytes of a request
// held (a longer one is refused with 431), and a connection closed IdleTime
// after it opened or after its last answer went out, however slowly it
// trickles bytes meanwhile.
// When every place is taken, a new connection waits, taken from the kernel
// but not served, and what it has sent is looked at where it lies, unread.
// One whose request's head is whole goes ahead of all the others: it takes
// the place of the connection that has gone longest without sending a whole
// request, once that has gone StallTime (since it was taken, or last
// answered). The others take places as they are freed, oldest first, and are
// let go, several at a time, when they have waited GraceTime, or StallTime
// once MaxWaiting are waiting, so that the kernel's listen queue keeps moving.
// Half-open connections (slowloris) thus hold a client that asks up for a
// moment at most, and the datagrams not at all.
// Each connection's socket is made here, before the HTTP server sees it, so
// that the bounds watch every byte it reads.
class DuzUdozuzeHttpListener : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 64;
    static constexpr qint64 MaxHead = 8 * 1024;
    static constexpr qint64 IdleTime = 10 * 1000; // ms
    static constexpr qint64 StallTime = 100; // ms
    static constexpr qint64 GraceTime = 1000; // ms
    // With the places, well within the 1,024 descriptors a process has by
    // default.
    static constexpr int MaxWaiting = 512;
    static constexpr int ListenBacklog = 1024;

    explicit DuzUdozuzeHttpListener(QObject *parent = nullptr);
    ~DuzUdozuzeHttpListener() override;

    int connectionCount() const { return int(m_connections.size()); }
    // Whether the request being answered on socket said HTTP/1.0.
    bool isHttp10(const QTcpSocket *socket) const;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection
    {
        qint64 since = 0; // on m_clock, ms: when it was taken, or last answered
        qint64 requestBytes = 0; // of the request being read
        QByteArray lineEnd; // the last bytes of its request line, until that ends
        bool lineDone = false;
        bool http10 = false;
    };
    struct Waiting
    {
        qintptr descriptor = -1;
        qint64 since = 0; // on m_clock, ms: when it was taken
        qint64 seen = 0; // bytes it had sent at the last look
        bool whole = false; // a whole head, or more than one may hold
        QSocketNotifier *notifier = nullptr; // child of this, until its first bytes come
    };

    void serve(qintptr descriptor, qint64 since);
    void counted(QTcpSocket *socket);
    void checkRequestSize(QTcpSocket *socket);
    void sweep();
    void sweepEvery(int interval);
    // Whether there is a place now for a whole request, made if need be.
    bool makeRoom();
    // Looks at what waiting has sent; false when its client is gone.
    bool look(Waiting &waiting);
    void firstBytes(qintptr descriptor);
    void admitWaiting();
    void serveWaiting(size_t index);
    void letGo(size_t index);
    Waiting take(size_t index);
    void stopWatching(Waiting &waiting);
    void letStalledGo();
    void acceptMore();
    void forget(QTcpSocket *socket);

    QElapsedTimer m_clock;
    QTimer m_sweep;
    QHash<QTcpSocket *, Connection> m_connections;
    std::deque<Waiting> m_waiting; // oldest first
    int m_pendingBound = 0; // the server's own bound on connections not yet taken
};

#endif // DUZUDOZUZEHTTPLISTENER_H

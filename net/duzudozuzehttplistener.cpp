// SPDX-License-Identifier: MIT
#include "net/duzudozuzehttplistener.h"

#include <QTcpSocket>

#include <unistd.h>

namespace {

constexpr char TooLarge[] = "HTTP/1.1 431 Request Header Fields Too Large\r\n"
                            "Content-Length: 0\r\nConnection: close\r\n\r\n";

} // namespace

DuzUdozuzeHttpListener::DuzUdozuzeHttpListener(QObject *parent) : QTcpServer(parent)
{
    m_clock.start();
    // Room for a burst of clients while the event loop is busy with datagrams:
    // the kernel holds them until they are accepted, where Qt's 50 would
    // drop their connections and leave them to try again a second later.
    setListenBacklogSize(ListenBacklog);
    // Idle connections are looked for four times a second, and only while
    // there are any.
    m_sweep.setInterval(250);
    connect(&m_sweep, &QTimer::timeout, this, &DuzUdozuzeHttpListener::closeIdle);
}

DuzUdozuzeHttpListener::~DuzUdozuzeHttpListener()
{
    for (const qintptr descriptor : m_waiting)
        ::close(int(descriptor));
}

void DuzUdozuzeHttpListener::incomingConnection(qintptr descriptor)
{
    if (!m_sweep.isActive())
        m_sweep.start();
    if (m_waiting.empty() && makeRoom()) {
        serve(descriptor);
        return;
    }
    if (m_waiting.size() >= size_t(ListenBacklog)) {
        ::close(int(descriptor));
        return;
    }
    m_waiting.push_back(descriptor);
    pauseAccepting();
}

void DuzUdozuzeHttpListener::serve(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this); // the HTTP server deletes it when it closes
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(int(descriptor));
        delete socket;
        return;
    }
    // The socket reads no more than a request may hold: past it, the client
    // waits on its own side until the request is refused.
    socket->setReadBufferSize(MaxHead + 1);
    m_connections.insert(socket, {m_clock.elapsed(), 0});
    // Before the HTTP server's own handler, which reads every byte there is.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { counted(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        const auto found = m_connections.find(socket);
        if (found != m_connections.end())
            found->lastAnswer = m_clock.elapsed();
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
    // The HTTP server takes the socket here, and connects its handler.
    addPendingConnection(socket);
    // After its handler: what it has read of a request it has not finished.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { checkRequestSize(socket); });
}

// A place freed is given to the client that has waited longest, once the
// event loop is back from the signal that freed it.
void DuzUdozuzeHttpListener::forget(QTcpSocket *socket)
{
    if (m_connections.remove(socket) && !m_waiting.empty())
        QMetaObject::invokeMethod(this, &DuzUdozuzeHttpListener::admitWaiting,
                                  Qt::QueuedConnection);
}

void DuzUdozuzeHttpListener::admitWaiting()
{
    while (!m_waiting.empty() && makeRoom()) {
        const qintptr descriptor = m_waiting.front();
        m_waiting.pop_front();
        serve(descriptor);
    }
    if (m_waiting.empty())
        resumeAccepting();
}

// The HTTP server reads a request inside a transaction, which it commits when
// the request is whole: while one is open, every byte before this readyRead
// has been read into the request; otherwise the request starts with what is
// there now.
void DuzUdozuzeHttpListener::counted(QTcpSocket *socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    if (!socket->isTransactionStarted())
        found->requestBytes = 0;
    found->requestBytes += socket->bytesAvailable();
}

void DuzUdozuzeHttpListener::checkRequestSize(QTcpSocket *socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end() || !socket->isTransactionStarted()
        || found->requestBytes <= MaxHead) {
        return;
    }
    forget(socket);
    socket->write(TooLarge, qint64(sizeof TooLarge - 1));
    socket->disconnectFromHost();
}

void DuzUdozuzeHttpListener::closeIdle()
{
    const qint64 now = m_clock.elapsed();
    QList<QTcpSocket *> idle;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (now - it->lastAnswer >= IdleTime)
            idle.append(it.key());
    }
    for (QTcpSocket *socket : idle) {
        m_connections.remove(socket);
        socket->abort();
    }
    admitWaiting();
    if (m_connections.isEmpty() && m_waiting.empty())
        m_sweep.stop();
}

bool DuzUdozuzeHttpListener::makeRoom()
{
    if (m_connections.size() < MaxConnections)
        return true;
    auto oldest = m_connections.begin();
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->lastAnswer < oldest->lastAnswer)
            oldest = it;
    }
    if (m_clock.elapsed() - oldest->lastAnswer < GraceTime)
        return false;
    QTcpSocket *socket = oldest.key();
    m_connections.erase(oldest);
    socket->abort();
    return true;
}

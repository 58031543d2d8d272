// SPDX-License-Identifier: MIT
#include "net/duzudozuzehttplistener.h"

#include <QSocketNotifier>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char TooLarge[] = "HTTP/1.1 431 Request Header Fields Too Large\r\n"
                            "Content-Length: 0\r\nConnection: close\r\n\r\n";

// Connections are looked at four times a second, twenty while any wait.
constexpr int SweepInterval = 250; // ms
constexpr int WaitingSweepInterval = 50; // ms

// Whether bytes hold the end of a request's head: an empty line.
bool endsHead(const char *bytes, qint64 count)
{
    for (const char *at = bytes;
         (at = static_cast<const char *>(std::memchr(at, '\n', size_t(bytes + count - at))));) {
        ++at;
        if (at < bytes + count && *at == '\n')
            return true;
        if (at + 1 < bytes + count && at[0] == '\r' && at[1] == '\n')
            return true;
    }
    return false;
}

} // namespace

DuzUdozuzeHttpListener::DuzUdozuzeHttpListener(QObject *parent) : QTcpServer(parent)
{
    m_clock.start();
    m_pendingBound = maxPendingConnections();
    // Room for a burst of clients while the event loop is busy with datagrams,
    // or a crowd let go coming back: the kernel holds them until they are
    // accepted, where Qt's 50 would drop their connections and leave them to
    // try again a second later.
    setListenBacklogSize(ListenBacklog);
    // Only while there are connections.
    m_sweep.setInterval(SweepInterval);
    connect(&m_sweep, &QTimer::timeout, this, &DuzUdozuzeHttpListener::sweep);
}

DuzUdozuzeHttpListener::~DuzUdozuzeHttpListener()
{
    for (const Waiting &waiting : m_waiting)
        ::close(int(waiting.descriptor));
}

bool DuzUdozuzeHttpListener::isHttp10(const QTcpSocket *socket) const
{
    const auto found = m_connections.constFind(const_cast<QTcpSocket *>(socket));
    return found != m_connections.cend() && found->http10;
}

void DuzUdozuzeHttpListener::incomingConnection(qintptr descriptor)
{
    if (!m_sweep.isActive())
        m_sweep.start();
    const qint64 now = m_clock.elapsed();
    if (m_waiting.empty() && m_connections.size() < MaxConnections) {
        serve(descriptor, now);
        return;
    }
    m_waiting.push_back({descriptor, now});
    sweepEvery(WaitingSweepInterval);
    Waiting &waiting = m_waiting.back();
    if (!look(waiting)) {
        letGo(m_waiting.size() - 1);
    } else if (waiting.seen == 0) {
        waiting.notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
        connect(waiting.notifier, &QSocketNotifier::activated, this,
                [this, descriptor] { firstBytes(descriptor); });
    }
    admitWaiting();
}

void DuzUdozuzeHttpListener::serve(qintptr descriptor, qint64 since)
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
    Connection connection;
    connection.since = since;
    m_connections.insert(socket, connection);
    // Before the HTTP server's own handler, which reads every byte there is.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { counted(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        const auto found = m_connections.find(socket);
        if (found != m_connections.end())
            found->since = m_clock.elapsed();
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
    // The HTTP server takes the socket here, and connects its handler.
    addPendingConnection(socket);
    // After its handler: what it has read of a request it has not finished.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { checkRequestSize(socket); });
}

// A place freed goes to a waiting client once the event loop is back from
// the signal that freed it.
void DuzUdozuzeHttpListener::forget(QTcpSocket *socket)
{
    if (m_connections.remove(socket) && !m_waiting.empty())
        QMetaObject::invokeMethod(this, &DuzUdozuzeHttpListener::admitWaiting,
                                  Qt::QueuedConnection);
}

// What a waiting client has sent is peeked at, not read, so that the socket
// serving it later reads it all. Once something has come, the kernel's count
// of bytes says when more has.
bool DuzUdozuzeHttpListener::look(Waiting &waiting)
{
    char bytes[MaxHead + 1];
    const ssize_t count
        = ::recv(int(waiting.descriptor), bytes, sizeof bytes, MSG_PEEK | MSG_DONTWAIT);
    if (count < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    waiting.seen = count;
    waiting.whole = count > MaxHead || endsHead(bytes, count);
    return count > 0;
}

void DuzUdozuzeHttpListener::firstBytes(qintptr descriptor)
{
    for (size_t i = 0; i < m_waiting.size(); ++i) {
        Waiting &waiting = m_waiting[i];
        if (waiting.descriptor != descriptor)
            continue;
        if (!look(waiting)) {
            letGo(i);
            acceptMore();
        } else if (waiting.seen > 0) {
            stopWatching(waiting);
            if (waiting.whole)
                admitWaiting();
        }
        return;
    }
}

// Whole requests first, in places made for them if need be; then the others
// in the order they came, in places that are free.
void DuzUdozuzeHttpListener::admitWaiting()
{
    for (size_t i = 0; i < m_waiting.size();) {
        if (!m_waiting[i].whole) {
            ++i;
        } else if (makeRoom()) {
            serveWaiting(i);
        } else {
            break;
        }
    }
    while (!m_waiting.empty() && m_connections.size() < MaxConnections)
        serveWaiting(0);
    acceptMore();
}

void DuzUdozuzeHttpListener::serveWaiting(size_t index)
{
    const Waiting waiting = take(index);
    serve(waiting.descriptor, waiting.since);
}

void DuzUdozuzeHttpListener::letGo(size_t index)
{
    ::close(int(take(index).descriptor));
}

DuzUdozuzeHttpListener::Waiting DuzUdozuzeHttpListener::take(size_t index)
{
    Waiting waiting = m_waiting[index];
    m_waiting.erase(m_waiting.begin() + qsizetype(index));
    stopWatching(waiting);
    return waiting;
}

// The notifier goes once the event loop is back: it may be the one whose
// signal is being handled.
void DuzUdozuzeHttpListener::stopWatching(Waiting &waiting)
{
    if (!waiting.notifier)
        return;
    waiting.notifier->setEnabled(false);
    waiting.notifier->deleteLater();
    waiting.notifier = nullptr;
}

// Waiting connections without a whole request, oldest first, a quarter of
// the waiting room at each look: those that have waited GraceTime, or while
// every waiting place is taken, StallTime, so that the next in the kernel's
// queue can be looked at. A few at a time, those that come back at once
// find room in the kernel's queue.
void DuzUdozuzeHttpListener::letStalledGo()
{
    const qint64 now = m_clock.elapsed();
    const qint64 patience = m_waiting.size() >= size_t(MaxWaiting) ? StallTime : GraceTime;
    int batch = MaxWaiting / 4;
    for (size_t i = 0; i < m_waiting.size() && batch > 0;) {
        if (m_waiting[i].whole) {
            ++i;
        } else if (now - m_waiting[i].since >= patience) {
            letGo(i);
            --batch;
        } else {
            break; // the rest came later
        }
    }
}

// More are taken from the kernel while there is room for them to wait. The
// HTTP server's own bound on connections not yet taken stops its loop of
// accepting at once: pausing alone would take the rest of the kernel's queue
// first.
void DuzUdozuzeHttpListener::acceptMore()
{
    if (m_waiting.size() < size_t(MaxWaiting)) {
        setMaxPendingConnections(m_pendingBound);
        resumeAccepting();
    } else {
        setMaxPendingConnections(0);
        pauseAccepting();
    }
}

// The HTTP server reads a request inside a transaction, which it commits when
// the request is whole: while one is open, every byte before this readyRead
// has been read into the request; otherwise the request starts with what is
// there now. Its request line ends in its version.
void DuzUdozuzeHttpListener::counted(QTcpSocket *socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    if (!socket->isTransactionStarted()) {
        found->requestBytes = 0;
        found->lineEnd.clear();
        found->lineDone = false;
    }
    const qint64 count = socket->bytesAvailable();
    found->requestBytes += count;
    if (found->lineDone)
        return;
    const QByteArray seen = found->lineEnd + socket->peek(qMin(count, MaxHead + 1));
    const qsizetype end = seen.indexOf('\n');
    found->lineDone = end >= 0;
    found->http10 = found->lineDone && seen.left(end).trimmed().endsWith(" HTTP/1.0");
    found->lineEnd = found->lineDone ? QByteArray() : seen.right(16);
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

void DuzUdozuzeHttpListener::sweep()
{
    const qint64 now = m_clock.elapsed();
    QList<QTcpSocket *> idle;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (now - it->since >= IdleTime)
            idle.append(it.key());
    }
    for (QTcpSocket *socket : idle) {
        m_connections.remove(socket);
        socket->abort();
    }
    // A head may come in pieces.
    for (size_t i = 0; i < m_waiting.size();) {
        Waiting &waiting = m_waiting[i];
        int count = 0;
        if (!waiting.whole && !waiting.notifier
            && ::ioctl(int(waiting.descriptor), FIONREAD, &count) == 0 && count > waiting.seen
            && !look(waiting)) {
            letGo(i);
        } else {
            ++i;
        }
    }
    admitWaiting();
    letStalledGo();
    acceptMore();
    sweepEvery(m_waiting.empty() ? SweepInterval : WaitingSweepInterval);
    if (m_connections.isEmpty() && m_waiting.empty())
        m_sweep.stop();
}

// A timer's interval set restarts it: under a flood of connections it would
// never run out.
void DuzUdozuzeHttpListener::sweepEvery(int interval)
{
    if (m_sweep.interval() != interval)
        m_sweep.setInterval(interval);
}

// The connection that has gone longest without a whole request, if it has
// gone StallTime, is not being answered, and has nothing unread: while the
// event loop is busy, a request may wait in the kernel, whole, longer than
// that.
bool DuzUdozuzeHttpListener::makeRoom()
{
    if (m_connections.size() < MaxConnections)
        return true;
    const qint64 now = m_clock.elapsed();
    std::vector<std::pair<qint64, QTcpSocket *>> stalled;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (now - it->since >= StallTime && it.key()->bytesToWrite() == 0)
            stalled.emplace_back(it->since, it.key());
    }
    std::sort(stalled.begin(), stalled.end());
    for (const auto &[since, socket] : stalled) {
        int unread = 0;
        if (::ioctl(int(socket->socketDescriptor()), FIONREAD, &unread) != 0 || unread > 0)
            continue;
        m_connections.remove(socket);
        socket->abort();
        return true;
    }
    return false;
}

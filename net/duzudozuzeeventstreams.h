// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEEVENTSTREAMS_H
#define DUZUDOZUZEEVENTSTREAMS_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;

// The state pushed as Server-Sent Events (/api/v1/events) to pages that
// stay open, on a wall screen say: a stream gets the state as it opens, then
// an event whenever the state's JSON changes, looked at every CheckInterval
// while any stream is open (one JSON built for all of them), and a comment
// line after HeartbeatTime without either, so that its reader can tell a
// stream that lives from one that died: a frozen service keeps its
// connections open and says nothing.
// The sockets stay the listener's, whose bound on connections counts them,
// and each event or heartbeat is an answer that keeps one from being idle. A
// reader that has not taken the last event when the next is due is owed the
// newest state, sent once it has: a slow reader costs one event's bytes,
// never a queue of them.
class DuzUdozuzeEventStreams : public QObject
{
    Q_OBJECT

public:
    static constexpr int CheckInterval = 100; // ms
    static constexpr qint64 HeartbeatTime = 1000; // ms

    explicit DuzUdozuzeEventStreams(std::function<QByteArray()> state, QObject *parent = nullptr);

    // The answer on socket, its head written, is a stream from now on.
    void add(QTcpSocket *socket);
    bool contains(QTcpSocket *socket) const { return m_owed.contains(socket); }
    // The event that carries json.
    static QByteArray event(const QByteArray &json);

private:
    void check();
    void send(const QByteArray &bytes, bool heartbeat);
    void drained(QTcpSocket *socket);
    void remove(QTcpSocket *socket);

    std::function<QByteArray()> m_state;
    QByteArray m_json; // the newest state built
    QByteArray m_event; // and the event that carries it
    QElapsedTimer m_built; // when m_json was built
    QElapsedTimer m_written; // when the streams were last written to
    QTimer m_check;
    QHash<QTcpSocket *, bool> m_owed; // each stream: whether it is owed the newest state
};

#endif // DUZUDOZUZEEVENTSTREAMS_H

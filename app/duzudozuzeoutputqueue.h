#ifndef DUZUDOZUZEOUTPUTQUEUE_H
#define DUZUDOZUZEOUTPUTQUEUE_H

#include <QByteArray>

// Lines on their way to a descriptor that may not take them (a pager nobody
// reads, a stalled SSH session, a terminal stopped with Ctrl-S, a full pipe).
// They wait in memory, up to a bound, and are written as the descriptor
// accepts them, never waiting for it. When the bound is reached, lines are
// dropped whole and counted; the first line queued after a gap says how many
// went missing there.
class DuzUdozuzeOutputQueue
{
public:
    enum class State {
        Empty, // everything queued is written
        Waiting, // the descriptor takes no more for now
        Closed, // the reader is gone
        Failed, // any other error: what was queued is discarded
    };

    explicit DuzUdozuzeOutputQueue(qsizetype capacity = 64 << 20) : m_nCapacity(capacity) { }

    // Queues one line; a line break is added.
    void append(const QByteArray &line);
    // Writes what the descriptor takes without waiting.
    State writeTo(int descriptor);

    bool isEmpty() const { return m_nFirst == m_buffer.size(); }
    qsizetype bytesQueued() const { return m_buffer.size() - m_nFirst; }
    // Lines still queued, or dropped so far (for the bound, or discarded).
    quint64 linesQueued() const;
    quint64 linesDropped() const { return m_nDroppedTotal; }
    // Counts what is still queued as dropped and lets it go.
    void discard();

private:
    QByteArray m_buffer;
    qsizetype m_nFirst = 0; // bytes of m_buffer already written
    qsizetype m_nCapacity;
    quint64 m_nDroppedInGap = 0;
    quint64 m_nDroppedTotal = 0;
};

#endif // DUZUDOZUZEOUTPUTQUEUE_H

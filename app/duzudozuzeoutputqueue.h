// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEOUTPUTQUEUE_H
#define DUZUDOZUZEOUTPUTQUEUE_H

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

// Lines on their way to a descriptor that may not take them (a pager nobody
// reads, a stalled SSH session, a terminal stopped with Ctrl-S, a full pipe,
// a full file system). They wait in memory, up to a bound, and are written as
// the descriptor accepts them, never waiting for it, in pieces that end on a
// line break and that a pipe takes whole or not at all: a reader never sees
// half a line followed by something else. A line begun is finished before
// anything else is written. When the bound is reached, lines are dropped
// whole and counted; the first line queued after a gap says how many went
// missing there, and why.
class DuzUdozuzeOutputQueue
{
public:
    enum class State {
        Empty, // everything queued is written
        Waiting, // the descriptor takes no more for now
        Closed, // the reader is gone
        Failed, // any other error (a full disk, say): the lines wait as when blocked
    };

    // The buffer kept once everything is written, so that a busy stream
    // does not allocate its buffer anew for each batch of lines.
    static constexpr qsizetype KeptCapacity = 4 << 20;

    // A pipe takes a write of at most this many bytes whole (PIPE_BUF).
    static constexpr qsizetype AtomicWrite = 4096;

    // The gap line of standard output.
    static constexpr const char *OutputGapText = "%1 log lines dropped: standard output %2";

    // gapText: the line said after a gap, %1 the lines dropped, %2 what
    // happened ("was blocked", "failed (No space left on device)").
    explicit DuzUdozuzeOutputQueue(qsizetype capacity = 64 << 20,
                                   const QString &gapText = QLatin1String(OutputGapText))
        : m_nCapacity(capacity), m_strGapText(gapText)
    { }

    // Queues one line; a line break is added.
    void append(const QByteArray &line);
    // The same for text, in UTF-8, made straight into the queue.
    void append(QStringView line);
    // Text of whole lines, each ending in a line break.
    void appendLines(const QByteArray &text);
    // Writes what the descriptor takes without waiting.
    State writeTo(int descriptor);

    bool isEmpty() const { return m_nFirst == m_buffer.size(); }
    qsizetype bytesQueued() const { return m_buffer.size() - m_nFirst; }
    // Lines still queued, or dropped so far (for the bound, or discarded).
    quint64 linesQueued() const;
    quint64 linesDropped() const { return m_nDroppedTotal; }
    // Why the last write failed; empty when it did not.
    const QString &failure() const { return m_strFailure; }
    // Everything queued, taken out to be written elsewhere (a thread of its
    // own); the queue is empty after it.
    QByteArray take();
    // Counts what is still queued as dropped and lets it go.
    void discard();

private:
    // Whether size more bytes fit; counts a line dropped when they do not.
    bool fits(qsizetype size);

    QByteArray m_buffer;
    QStringEncoder m_encoder {QStringEncoder::Utf8};
    qsizetype m_nFirst = 0; // bytes of m_buffer already written
    qsizetype m_nCapacity;
    QString m_strGapText;
    QString m_strFailure; // why the last write failed; empty when it did not
    QString m_strGapCause; // what held the lines up when the gap began
    quint64 m_nDroppedInGap = 0;
    quint64 m_nDroppedTotal = 0;
};

#endif // DUZUDOZUZEOUTPUTQUEUE_H

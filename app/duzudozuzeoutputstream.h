// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEOUTPUTSTREAM_H
#define DUZUDOZUZEOUTPUTSTREAM_H

#include "app/duzudozuzeoutputqueue.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class QSocketNotifier;

// Standard output or standard error as the event loop writes it: lines are
// queued at once and written together before the next pass of the loop, as
// far as the descriptor takes them, the rest when it takes more. The
// descriptor is made non-blocking while this object lives; its own flags come
// back at the end, for the terminal or pipe shared with whoever started the
// program. On Windows, whose pipes and consoles cannot be written without
// waiting, a thread of this object's writes, and the lines wait for it.
class DuzUdozuzeOutputStream : public QObject
{
    Q_OBJECT

public:
    DuzUdozuzeOutputStream(int descriptor, qsizetype capacity, const QString &gapText,
                           QObject *parent = nullptr);
    ~DuzUdozuzeOutputStream() override;

    // Queues one line; a line break is added.
    void append(const QByteArray &line);
    void append(QStringView line);
    // Queues text of whole lines, each ending in a line break.
    void appendLines(const QByteArray &text);
    // Writes what is still queued until the deadline, then gives up on the
    // rest.
    void finish(QDeadlineTimer deadline);
    quint64 linesDropped() const;
    qsizetype bytesQueued() const;

signals:
    // The reader is gone.
    void closed();
    // Everything queued is written.
    void drained();
    // A write failed (a full disk, an I/O error): why. The lines wait, and
    // the write is tried again.
    void failed(const QString &why);

private:
    void schedule();
    void write();

    // How long a failed write (a full disk) waits before it is tried again
    // when no new line comes.
    static constexpr int RetryInterval = 1000; // ms

    int m_nDescriptor;
    int m_nFlags;
    DuzUdozuzeOutputQueue m_queue;
    QSocketNotifier *m_pNotifier = nullptr; // child of this object
    QTimer m_retry;
    bool m_bScheduled = false;
    struct Writer; // Windows: the writing thread and the queue it takes from
    std::shared_ptr<Writer> m_pWriter;
};

#endif // DUZUDOZUZEOUTPUTSTREAM_H

// SPDX-License-Identifier: MIT
#include "app/duzudozuzeoutputstream.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <limits.h>
#include <poll.h>

static_assert(DuzUdozuzeOutputQueue::AtomicWrite <= PIPE_BUF);

DuzUdozuzeOutputStream::DuzUdozuzeOutputStream(int descriptor, qsizetype capacity,
                                               const QString &gapText, QObject *parent)
    : QObject(parent),
      m_nDescriptor(descriptor),
      m_nFlags(::fcntl(descriptor, F_GETFL)),
      m_queue(capacity, gapText)
{
    if (m_nFlags != -1)
        ::fcntl(descriptor, F_SETFL, m_nFlags | O_NONBLOCK);
    m_pNotifier = new QSocketNotifier(descriptor, QSocketNotifier::Write, this);
    m_pNotifier->setEnabled(false);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &DuzUdozuzeOutputStream::write);
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryInterval);
    connect(&m_retry, &QTimer::timeout, this, &DuzUdozuzeOutputStream::write);
}

DuzUdozuzeOutputStream::~DuzUdozuzeOutputStream()
{
    if (m_nFlags != -1)
        ::fcntl(m_nDescriptor, F_SETFL, m_nFlags);
}

quint64 DuzUdozuzeOutputStream::linesDropped() const
{
    return m_queue.linesDropped();
}

qsizetype DuzUdozuzeOutputStream::bytesQueued() const
{
    return m_queue.bytesQueued();
}

void DuzUdozuzeOutputStream::append(const QByteArray &line)
{
    m_queue.append(line);
    schedule();
}

void DuzUdozuzeOutputStream::append(QStringView line)
{
    m_queue.append(line);
    schedule();
}

// What one pass of the event loop queued is written together, after it.
void DuzUdozuzeOutputStream::schedule()
{
    if (!m_bScheduled) {
        m_bScheduled = true;
        QMetaObject::invokeMethod(this, &DuzUdozuzeOutputStream::write, Qt::QueuedConnection);
    }
}

void DuzUdozuzeOutputStream::appendLines(const QByteArray &text)
{
    m_queue.appendLines(text);
    schedule();
}

void DuzUdozuzeOutputStream::write()
{
    m_bScheduled = false;
    const DuzUdozuzeOutputQueue::State state = m_queue.writeTo(m_nDescriptor);
    // The rest waits until the descriptor takes more, or a while after a
    // failure.
    m_pNotifier->setEnabled(state == DuzUdozuzeOutputQueue::State::Waiting);
    if (state == DuzUdozuzeOutputQueue::State::Failed && !m_retry.isActive())
        m_retry.start();
    if (state == DuzUdozuzeOutputQueue::State::Closed)
        emit closed();
    else if (state == DuzUdozuzeOutputQueue::State::Empty)
        emit drained();
    else if (state == DuzUdozuzeOutputQueue::State::Failed)
        emit failed(m_queue.failure());
}

void DuzUdozuzeOutputStream::finish(QDeadlineTimer deadline)
{
    while (m_queue.writeTo(m_nDescriptor) == DuzUdozuzeOutputQueue::State::Waiting) {
        pollfd ready {m_nDescriptor, POLLOUT, 0};
        if (::poll(&ready, 1, int(deadline.remainingTime())) <= 0)
            break;
    }
    m_queue.discard();
}

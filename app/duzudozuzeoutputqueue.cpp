#include "app/duzudozuzeoutputqueue.h"

#include "common/duzudozuzelogline.h"

#include <cerrno>
#include <unistd.h>

void DuzUdozuzeOutputQueue::append(const QByteArray &line)
{
    if (bytesQueued() + line.size() + 1 > m_nCapacity) {
        ++m_nDroppedInGap;
        ++m_nDroppedTotal;
        return;
    }
    if (m_nDroppedInGap > 0) {
        m_buffer += DuzUdozuzeLogLine::timeText().toLatin1() + ' '
            + QByteArray::number(m_nDroppedInGap)
            + " log lines dropped: standard output was blocked\n";
        m_nDroppedInGap = 0;
    }
    m_buffer += line;
    m_buffer += '\n';
}

DuzUdozuzeOutputQueue::State DuzUdozuzeOutputQueue::writeTo(int descriptor)
{
    while (!isEmpty()) {
        const ssize_t written
            = ::write(descriptor, m_buffer.constData() + m_nFirst, size_t(bytesQueued()));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                // What was written leaves the buffer once it is most of it.
                if (m_nFirst > m_buffer.size() / 2) {
                    m_buffer.remove(0, m_nFirst);
                    m_nFirst = 0;
                }
                return State::Waiting;
            }
            const bool closed = errno == EPIPE;
            discard();
            return closed ? State::Closed : State::Failed;
        }
        m_nFirst += written;
    }
    m_buffer.clear();
    m_nFirst = 0;
    return State::Empty;
}

quint64 DuzUdozuzeOutputQueue::linesQueued() const
{
    return quint64(QByteArrayView(m_buffer).sliced(m_nFirst).count('\n'));
}

void DuzUdozuzeOutputQueue::discard()
{
    m_nDroppedTotal += linesQueued();
    m_buffer.clear();
    m_nFirst = 0;
}

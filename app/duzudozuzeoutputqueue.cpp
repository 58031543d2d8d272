// SPDX-License-Identifier: MIT
#include "app/duzudozuzeoutputqueue.h"

#include "common/duzudozuzelogline.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool DuzUdozuzeOutputQueue::fits(qsizetype size)
{
    if (bytesQueued() + size > m_nCapacity) {
        if (m_nDroppedInGap++ == 0) {
            m_strGapCause = m_strFailure.isEmpty()
                ? QStringLiteral("was blocked")
                : QStringLiteral("failed (%1)").arg(m_strFailure);
        }
        ++m_nDroppedTotal;
        return false;
    }
    if (m_nDroppedInGap > 0) {
        m_buffer += (DuzUdozuzeLogLine::timeText() + QLatin1Char(' ')
                     + m_strGapText.arg(QString::number(m_nDroppedInGap), m_strGapCause))
                        .toUtf8()
            + '\n';
        m_nDroppedInGap = 0;
    }
    return true;
}

void DuzUdozuzeOutputQueue::append(const QByteArray &line)
{
    if (!fits(line.size() + 1))
        return;
    m_buffer += line;
    m_buffer += '\n';
}

void DuzUdozuzeOutputQueue::append(QStringView line)
{
    // Made in place at the most it can take (three bytes a UTF-16 unit), then
    // cut to what it took.
    const qsizetype before = m_buffer.size();
    m_buffer.resize(before + line.size() * 3 + 1);
    char *end = m_encoder.appendToBuffer(m_buffer.data() + before, line);
    *end++ = '\n';
    const qsizetype size = end - m_buffer.constData() - before;
    m_buffer.resize(before + size);
    if (m_nDroppedInGap == 0 && bytesQueued() <= m_nCapacity)
        return;
    // Over the bound, or the first line after a gap, which is said first.
    const QByteArray made = m_buffer.sliced(before, size - 1);
    m_buffer.resize(before);
    append(made);
}

void DuzUdozuzeOutputQueue::appendLines(const QByteArray &text)
{
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        append(text.sliced(start, end - start));
        start = end + 1;
    }
}

DuzUdozuzeOutputQueue::State DuzUdozuzeOutputQueue::writeTo(int descriptor)
{
    while (!isEmpty()) {
        // A piece of at most AtomicWrite bytes that ends on a line break,
        // where one is there to end on: a pipe takes such a piece whole or not
        // at all.
        const char *data = m_buffer.constData() + m_nFirst;
        qsizetype size = bytesQueued();
        if (size > AtomicWrite) {
            const QByteArrayView queued(data, size);
            const qsizetype last = queued.first(AtomicWrite).lastIndexOf('\n');
            const qsizetype next = queued.indexOf('\n');
            if (last >= 0)
                size = last + 1;
            else if (next >= 0)
                size = next + 1;
        }
        const ssize_t written = ::write(descriptor, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EPIPE) {
                discard();
                return State::Closed;
            }
            const bool blocked = errno == EAGAIN || errno == EWOULDBLOCK;
            if (!blocked)
                m_strFailure = QString::fromLocal8Bit(std::strerror(errno));
            // What was written leaves the buffer once it is most of it.
            if (m_nFirst > m_buffer.size() / 2) {
                m_buffer.remove(0, m_nFirst);
                m_nFirst = 0;
            }
            return blocked ? State::Waiting : State::Failed;
        }
        m_strFailure.clear();
        m_nFirst += written;
    }
    // The buffer is kept for the next lines unless a long wait made it large.
    if (m_buffer.capacity() > KeptCapacity)
        m_buffer.clear();
    else
        m_buffer.resize(0);
    m_nFirst = 0;
    return State::Empty;
}

quint64 DuzUdozuzeOutputQueue::linesQueued() const
{
    return quint64(QByteArrayView(m_buffer).sliced(m_nFirst).count('\n'));
}

QByteArray DuzUdozuzeOutputQueue::take()
{
    QByteArray taken = m_buffer.sliced(m_nFirst);
    m_buffer.resize(0);
    m_nFirst = 0;
    return taken;
}

void DuzUdozuzeOutputQueue::discard()
{
    m_nDroppedTotal += linesQueued();
    m_buffer.clear();
    m_nFirst = 0;
}

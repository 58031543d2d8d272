// SPDX-License-Identifier: MIT
#include "common/duzudozuzelinestore.h"

#include <algorithm>

void DuzUdozuzeLineStore::append(QByteArrayView line)
{
    if (m_chunks.empty() || m_chunks.back().bytes.size() + line.size() + 1 > ChunkBytes) {
        Chunk &chunk = m_chunks.emplace_back();
        chunk.firstSerial = m_nEnd;
        chunk.bytes.reserve(qMax(ChunkBytes, line.size() + 1));
        chunk.ends.reserve(4096);
    }
    Chunk &chunk = m_chunks.back();
    chunk.bytes.append(line.data(), line.size());
    chunk.bytes.append('\n');
    chunk.ends.push_back(quint32(chunk.bytes.size()));
    ++m_nEnd;
    if (m_nMaxLines > 0 && size() > m_nMaxLines) {
        m_nFirst = m_nEnd - quint64(m_nMaxLines);
        // A chunk goes once none of its lines is kept.
        while (m_chunks.front().firstSerial + m_chunks.front().ends.size() <= m_nFirst)
            m_chunks.pop_front();
    }
}

void DuzUdozuzeLineStore::clear()
{
    m_chunks.clear();
    m_nFirst = m_nEnd = DuzUdozuzeLineSerial(0);
}

qsizetype DuzUdozuzeLineStore::chunkOf(DuzUdozuzeLineSerial serial) const
{
    const auto after = std::upper_bound(
        m_chunks.begin(), m_chunks.end(), serial,
        [](DuzUdozuzeLineSerial value, const Chunk &chunk) { return value < chunk.firstSerial; });
    return qsizetype(after - m_chunks.begin()) - 1;
}

QByteArrayView DuzUdozuzeLineStore::line(DuzUdozuzeLineSerial serial) const
{
    const Chunk &chunk = m_chunks[size_t(chunkOf(serial))];
    const size_t index = size_t(serial - chunk.firstSerial);
    const quint32 start = index == 0 ? 0 : chunk.ends[index - 1];
    return QByteArrayView(chunk.bytes.constData() + start,
                          qsizetype(chunk.ends[index] - start - 1));
}

QList<QByteArrayView> DuzUdozuzeLineStore::runs(DuzUdozuzeLineSerial begin,
                                                DuzUdozuzeLineSerial end) const
{
    QList<QByteArrayView> found;
    begin = qMax(begin, m_nFirst);
    end = qMin(end, m_nEnd);
    for (qsizetype index = begin < end ? chunkOf(begin) : qsizetype(m_chunks.size());
         index < qsizetype(m_chunks.size()) && m_chunks[size_t(index)].firstSerial < end; ++index) {
        const Chunk &chunk = m_chunks[size_t(index)];
        const size_t first = size_t(qMax(begin, chunk.firstSerial) - chunk.firstSerial);
        const size_t last
            = size_t(qMin(end, chunk.firstSerial + chunk.ends.size()) - chunk.firstSerial);
        const quint32 start = first == 0 ? 0 : chunk.ends[first - 1];
        found.append(QByteArrayView(chunk.bytes.constData() + start,
                                    qsizetype(chunk.ends[last - 1] - start)));
    }
    return found;
}

qsizetype DuzUdozuzeLineStore::memoryUsed() const
{
    qsizetype bytes = 0;
    for (const Chunk &chunk : m_chunks)
        bytes += chunk.bytes.capacity() + qsizetype(chunk.ends.capacity() * sizeof(quint32));
    return bytes;
}

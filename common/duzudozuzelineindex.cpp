// SPDX-License-Identifier: MIT
#include "common/duzudozuzelineindex.h"

#include <algorithm>

DuzUdozuzeLineIndex::DuzUdozuzeLineIndex(const DuzUdozuzeLineStore &store, const QByteArray &text,
                                         bool caseSensitive)
    : m_store(store), m_bCaseSensitive(caseSensitive), m_nScanned(store.firstSerial())
{
    for (int byte = 0; byte < 256; ++byte) {
        m_fold[size_t(byte)] = caseSensitive || byte < 'A' || byte > 'Z'
            ? static_cast<unsigned char>(byte)
            : static_cast<unsigned char>(byte - 'A' + 'a');
    }
    m_text = text;
    for (char &c : m_text)
        c = char(m_fold[static_cast<unsigned char>(c)]);
    const qsizetype length = m_text.size();
    m_skip.fill(qMax<qsizetype>(length, 1));
    for (qsizetype i = 0; i + 1 < length; ++i) {
        const auto byte = static_cast<unsigned char>(m_text[i]);
        m_skip[byte] = length - 1 - i;
        // Both cases of a letter shift alike.
        for (int other = 0; other < 256; ++other) {
            if (m_fold[size_t(other)] == byte)
                m_skip[size_t(other)] = length - 1 - i;
        }
    }
}

// Horspool's search, comparing folded bytes.
qsizetype DuzUdozuzeLineIndex::indexIn(QByteArrayView line, qsizetype from) const
{
    const qsizetype length = m_text.size();
    if (length == 0)
        return -1;
    const auto *hay = reinterpret_cast<const unsigned char *>(line.data());
    const auto *needle = reinterpret_cast<const unsigned char *>(m_text.constData());
    const unsigned char last = needle[length - 1];
    for (qsizetype at = from; at + length <= line.size();) {
        const unsigned char end = hay[at + length - 1];
        if (m_fold[end] == last) {
            qsizetype i = length - 2;
            while (i >= 0 && m_fold[hay[at + i]] == needle[i])
                --i;
            if (i < 0)
                return at;
        }
        at += m_skip[end];
    }
    return -1;
}

bool DuzUdozuzeLineIndex::scan(qsizetype budget)
{
    if (m_nScanned < m_store.firstSerial())
        m_nScanned = m_store.firstSerial(); // dropped before it was looked at
    // The entries of lines dropped go once they are most of them.
    const qsizetype dead = firstKept();
    if (dead > 4096 && dead > qsizetype(m_serials.size()) / 2)
        m_serials.erase(m_serials.begin(), m_serials.begin() + dead);
    const std::deque<DuzUdozuzeLineStore::Chunk> &chunks = m_store.chunks();
    // A chunk's bytes at once: a match is found in the bytes, then its line
    // by the ends, and the search goes on after that line.
    while (!isComplete() && budget > 0) {
        const DuzUdozuzeLineStore::Chunk &chunk = chunks[size_t(m_store.chunkOf(m_nScanned))];
        size_t index = size_t(m_nScanned - chunk.firstSerial);
        const qsizetype start = index == 0 ? 0 : chunk.ends[index - 1];
        const qsizetype end = chunk.ends.back(); // the chunk may grow later
        const QByteArrayView bytes(chunk.bytes.constData(), end);
        for (qsizetype at = start; (at = indexIn(bytes, at)) >= 0;) {
            index = size_t(std::upper_bound(chunk.ends.begin() + qsizetype(index),
                                            chunk.ends.begin() + qsizetype(chunk.ends.size()),
                                            quint32(at))
                           - chunk.ends.begin());
            m_serials.push_back(chunk.firstSerial + index);
            at = chunk.ends[index];
            ++index;
        }
        m_nScanned = chunk.firstSerial + chunk.ends.size();
        budget -= end - start;
    }
    return isComplete();
}

qsizetype DuzUdozuzeLineIndex::firstKept() const
{
    return qsizetype(std::lower_bound(m_serials.begin(), m_serials.end(), m_store.firstSerial())
                     - m_serials.begin());
}

qsizetype DuzUdozuzeLineIndex::count() const
{
    return qsizetype(m_serials.size()) - firstKept();
}

DuzUdozuzeLineSerial DuzUdozuzeLineIndex::at(qsizetype index) const
{
    return m_serials[size_t(firstKept() + index)];
}

qsizetype DuzUdozuzeLineIndex::lowerBound(DuzUdozuzeLineSerial serial) const
{
    return qsizetype(std::lower_bound(m_serials.begin(), m_serials.end(),
                                      qMax(serial, m_store.firstSerial()))
                     - m_serials.begin())
        - firstKept();
}

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELINESTORE_H
#define DUZUDOZUZELINESTORE_H

#include "common/duzudozuzelineserial.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <deque>
#include <vector>

// The log's lines, kept compactly: their bytes (UTF-8), each followed by a
// line break, in chunks of about ChunkBytes, with the end of each line in its
// chunk. Appending is amortised constant time, reading a line by its serial
// number a search among the chunks. Every line gets the next serial number,
// from 0 after a clear; the oldest are dropped past the line limit, and their
// memory goes a whole chunk at a time, so that a trim never copies the lines
// it keeps. A chunk never changes once a later one is begun.
class DuzUdozuzeLineStore
{
public:
    static constexpr qsizetype ChunkBytes = 256 * 1024;

    // maxLines: the most lines kept; 0 for no limit.
    explicit DuzUdozuzeLineStore(qsizetype maxLines = 0) : m_nMaxLines(maxLines) { }

    // A line, without its line break; a line break in it would make two.
    void append(QByteArrayView line);
    // Forgets every line; serial numbers start again from 0.
    void clear();

    // The serial number of the oldest line kept, and one past the newest.
    DuzUdozuzeLineSerial firstSerial() const { return m_nFirst; }
    DuzUdozuzeLineSerial endSerial() const { return m_nEnd; }
    qsizetype size() const { return qsizetype(m_nEnd - m_nFirst); }
    bool isEmpty() const { return m_nEnd == m_nFirst; }
    // The line of a serial number in [firstSerial(), endSerial()).
    QByteArrayView line(DuzUdozuzeLineSerial serial) const;
    // Lines the limit has dropped since the last clear.
    quint64 dropped() const { return m_nFirst.value(); }
    qsizetype maxLines() const { return m_nMaxLines; }
    // A new limit, for the lines from now on.
    void setMaxLines(qsizetype maxLines) { m_nMaxLines = maxLines; }
    // Bytes held, the lines' own and the ends'.
    qsizetype memoryUsed() const;

    struct Chunk
    {
        DuzUdozuzeLineSerial firstSerial;
        QByteArray bytes; // the lines, each with its line break
        std::vector<quint32> ends; // the end of each line, after its line break
    };
    // The chunks, oldest first; the first may hold lines older than
    // firstSerial(), which are no longer in the store.
    const std::deque<Chunk> &chunks() const { return m_chunks; }
    // The chunk that holds a serial number, as an index into chunks().
    qsizetype chunkOf(DuzUdozuzeLineSerial serial) const;
    // The lines [begin, end) with their line breaks, as runs of bytes: one a
    // chunk, for copying a whole stretch of the log at once.
    QList<QByteArrayView> runs(DuzUdozuzeLineSerial begin, DuzUdozuzeLineSerial end) const;

private:
    std::deque<Chunk> m_chunks;
    DuzUdozuzeLineSerial m_nFirst;
    DuzUdozuzeLineSerial m_nEnd;
    qsizetype m_nMaxLines;
};

#endif // DUZUDOZUZELINESTORE_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELINEINDEX_H
#define DUZUDOZUZELINEINDEX_H

#include "common/duzudozuzelinestore.h"

#include <QByteArray>

#include <array>
#include <vector>

// The lines of a store that contain a text, by serial number, for Find and
// the filter. The store is looked through a slice at a time, so that no
// search holds the event loop up for long, and then as lines come; the
// oldest entries go as the store drops its lines. Without Match case, ASCII
// letters match in either case (other characters as they are).
class DuzUdozuzeLineIndex
{
public:
    DuzUdozuzeLineIndex(const DuzUdozuzeLineStore &store, const QByteArray &text,
                        bool caseSensitive);

    // Looks through the lines not yet looked at, up to about budget bytes of
    // them; true when every line of the store has been.
    bool scan(qsizetype budget);
    bool isComplete() const { return m_nScanned == m_store.endSerial(); }

    const QByteArray &text() const { return m_text; }
    bool caseSensitive() const { return m_bCaseSensitive; }
    // The matching lines still in the store, oldest first.
    qsizetype count() const;
    DuzUdozuzeLineSerial at(qsizetype index) const;
    // The first entry at or after serial.
    qsizetype lowerBound(DuzUdozuzeLineSerial serial) const;
    // Where text is in line, from byte from on; -1 where it is not.
    qsizetype indexIn(QByteArrayView line, qsizetype from = 0) const;

private:
    // The first entry of a line the store still holds.
    qsizetype firstKept() const;

    const DuzUdozuzeLineStore &m_store;
    QByteArray m_text; // folded, without Match case
    bool m_bCaseSensitive;
    std::array<unsigned char, 256> m_fold {};
    std::array<qsizetype, 256> m_skip {}; // Horspool's shifts
    std::vector<DuzUdozuzeLineSerial> m_serials;
    DuzUdozuzeLineSerial m_nScanned;
};

#endif // DUZUDOZUZELINEINDEX_H

// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogrows.h"

qsizetype DuzUdozuzeAllRows::count() const
{
    return qsizetype(m_nEnd - qMin(m_nEnd, m_store.firstSerial()));
}

DuzUdozuzeLineSerial DuzUdozuzeAllRows::serialAt(DuzUdozuzeLogRow row) const
{
    return m_store.firstSerial() + quint64(row.value());
}

DuzUdozuzeLogRow DuzUdozuzeAllRows::rowOf(DuzUdozuzeLineSerial serial) const
{
    return DuzUdozuzeLogRow(qsizetype(qMax(serial, m_store.firstSerial()) - m_store.firstSerial()));
}

bool DuzUdozuzeAllRows::contains(DuzUdozuzeLineSerial serial) const
{
    return serial >= m_store.firstSerial() && serial < m_store.endSerial();
}

// The store's bytes as they are.
QList<QByteArrayView> DuzUdozuzeAllRows::runs(DuzUdozuzeLineSerial begin,
                                              DuzUdozuzeLineSerial end) const
{
    return m_store.runs(begin, end);
}

// The index's entries are the rows, one for one.
qsizetype DuzUdozuzeFilteredRows::count() const
{
    return m_index.lowerBound(m_nEnd);
}

DuzUdozuzeLineSerial DuzUdozuzeFilteredRows::serialAt(DuzUdozuzeLogRow row) const
{
    return m_index.at(row.value());
}

DuzUdozuzeLogRow DuzUdozuzeFilteredRows::rowOf(DuzUdozuzeLineSerial serial) const
{
    return DuzUdozuzeLogRow(m_index.lowerBound(serial));
}

bool DuzUdozuzeFilteredRows::contains(DuzUdozuzeLineSerial serial) const
{
    const qsizetype entry = m_index.lowerBound(serial);
    return entry < m_index.count() && m_index.at(entry) == serial;
}

// A line and its line break at a time.
QList<QByteArrayView> DuzUdozuzeFilteredRows::runs(DuzUdozuzeLineSerial begin,
                                                   DuzUdozuzeLineSerial end) const
{
    QList<QByteArrayView> found;
    for (qsizetype entry = m_index.lowerBound(begin);
         entry < m_index.count() && m_index.at(entry) < end; ++entry)
        found << m_store.line(m_index.at(entry)) << QByteArrayView("\n", 1);
    return found;
}

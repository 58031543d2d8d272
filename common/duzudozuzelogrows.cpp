// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogrows.h"

qsizetype DuzUdozuzeAllRows::count() const
{
    return qsizetype(m_nEnd - qMin(m_nEnd, m_store.firstSerial()));
}

quint64 DuzUdozuzeAllRows::serialAt(qsizetype row) const
{
    return m_store.firstSerial() + quint64(row);
}

qsizetype DuzUdozuzeAllRows::rowOf(quint64 serial) const
{
    return qsizetype(qMax(serial, m_store.firstSerial()) - m_store.firstSerial());
}

bool DuzUdozuzeAllRows::contains(quint64 serial) const
{
    return serial >= m_store.firstSerial() && serial < m_store.endSerial();
}

// The store's bytes as they are.
QList<QByteArrayView> DuzUdozuzeAllRows::runs(quint64 begin, quint64 end) const
{
    return m_store.runs(begin, end);
}

qsizetype DuzUdozuzeFilteredRows::count() const
{
    return m_index.lowerBound(m_nEnd);
}

quint64 DuzUdozuzeFilteredRows::serialAt(qsizetype row) const
{
    return m_index.at(row);
}

qsizetype DuzUdozuzeFilteredRows::rowOf(quint64 serial) const
{
    return m_index.lowerBound(serial);
}

bool DuzUdozuzeFilteredRows::contains(quint64 serial) const
{
    const qsizetype row = m_index.lowerBound(serial);
    return row < m_index.count() && m_index.at(row) == serial;
}

// A line and its line break at a time.
QList<QByteArrayView> DuzUdozuzeFilteredRows::runs(quint64 begin, quint64 end) const
{
    QList<QByteArrayView> found;
    for (qsizetype row = m_index.lowerBound(begin); row < m_index.count() && m_index.at(row) < end;
         ++row)
        found << m_store.line(m_index.at(row)) << QByteArrayView("\n", 1);
    return found;
}

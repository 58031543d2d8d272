// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGROW_H
#define DUZUDOZUZELOGROW_H

#include <QtGlobal>

#include <type_traits>

// A row of the log view: a line's place among the lines shown, from 0 at the
// oldest. It changes as old lines are dropped or a filter hides some, where
// the line's serial number (DuzUdozuzeLineSerial) does not: the two do not
// mix. Rows differ by a count of rows, and a count moves a row on or back.
class DuzUdozuzeLogRow
{
public:
    constexpr DuzUdozuzeLogRow() = default;
    constexpr explicit DuzUdozuzeLogRow(qsizetype value) : m_nValue(value) { }

    constexpr qsizetype value() const { return m_nValue; }

    constexpr DuzUdozuzeLogRow &operator++()
    {
        ++m_nValue;
        return *this;
    }
    friend constexpr DuzUdozuzeLogRow operator+(DuzUdozuzeLogRow row, qsizetype rows)
    {
        return DuzUdozuzeLogRow(row.m_nValue + rows);
    }
    friend constexpr DuzUdozuzeLogRow operator-(DuzUdozuzeLogRow row, qsizetype rows)
    {
        return DuzUdozuzeLogRow(row.m_nValue - rows);
    }
    // The rows from one to the other.
    friend constexpr qsizetype operator-(DuzUdozuzeLogRow to, DuzUdozuzeLogRow from)
    {
        return to.m_nValue - from.m_nValue;
    }

    friend constexpr bool operator==(DuzUdozuzeLogRow a, DuzUdozuzeLogRow b)
    {
        return a.m_nValue == b.m_nValue;
    }
    friend constexpr bool operator!=(DuzUdozuzeLogRow a, DuzUdozuzeLogRow b)
    {
        return a.m_nValue != b.m_nValue;
    }
    friend constexpr bool operator<(DuzUdozuzeLogRow a, DuzUdozuzeLogRow b)
    {
        return a.m_nValue < b.m_nValue;
    }
    friend constexpr bool operator<=(DuzUdozuzeLogRow a, DuzUdozuzeLogRow b)
    {
        return a.m_nValue <= b.m_nValue;
    }
    friend constexpr bool operator>(DuzUdozuzeLogRow a, DuzUdozuzeLogRow b)
    {
        return a.m_nValue > b.m_nValue;
    }
    friend constexpr bool operator>=(DuzUdozuzeLogRow a, DuzUdozuzeLogRow b)
    {
        return a.m_nValue >= b.m_nValue;
    }

private:
    qsizetype m_nValue = 0;
};

// As cheap to keep and pass as the number itself.
static_assert(sizeof(DuzUdozuzeLogRow) == sizeof(qsizetype)
              && std::is_trivially_copyable_v<DuzUdozuzeLogRow>);

#endif // DUZUDOZUZELOGROW_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEORDINAL_H
#define DUZUDOZUZEORDINAL_H

#include <type_traits>

// A place in a sequence, a number of a kind of its own: built only
// explicitly, compared only with its own kind; two of a kind differ by a
// count, and a count moves one on or back. Tag tells the kinds apart, so that
// a place of one kind cannot be passed for another's. As cheap to keep and
// pass as the number itself.
template<typename Number, typename Tag> class DuzUdozuzeOrdinal
{
public:
    constexpr DuzUdozuzeOrdinal() = default;
    constexpr explicit DuzUdozuzeOrdinal(Number value) : m_nValue(value) { }

    constexpr Number value() const { return m_nValue; }

    constexpr DuzUdozuzeOrdinal &operator++()
    {
        ++m_nValue;
        return *this;
    }
    friend constexpr DuzUdozuzeOrdinal operator+(DuzUdozuzeOrdinal place, Number count)
    {
        return DuzUdozuzeOrdinal(place.m_nValue + count);
    }
    friend constexpr DuzUdozuzeOrdinal operator-(DuzUdozuzeOrdinal place, Number count)
    {
        return DuzUdozuzeOrdinal(place.m_nValue - count);
    }
    // The count from one to the other.
    friend constexpr Number operator-(DuzUdozuzeOrdinal to, DuzUdozuzeOrdinal from)
    {
        return to.m_nValue - from.m_nValue;
    }

    friend constexpr bool operator==(DuzUdozuzeOrdinal a, DuzUdozuzeOrdinal b)
    {
        return a.m_nValue == b.m_nValue;
    }
    friend constexpr bool operator!=(DuzUdozuzeOrdinal a, DuzUdozuzeOrdinal b)
    {
        return a.m_nValue != b.m_nValue;
    }
    friend constexpr bool operator<(DuzUdozuzeOrdinal a, DuzUdozuzeOrdinal b)
    {
        return a.m_nValue < b.m_nValue;
    }
    friend constexpr bool operator<=(DuzUdozuzeOrdinal a, DuzUdozuzeOrdinal b)
    {
        return a.m_nValue <= b.m_nValue;
    }
    friend constexpr bool operator>(DuzUdozuzeOrdinal a, DuzUdozuzeOrdinal b)
    {
        return a.m_nValue > b.m_nValue;
    }
    friend constexpr bool operator>=(DuzUdozuzeOrdinal a, DuzUdozuzeOrdinal b)
    {
        return a.m_nValue >= b.m_nValue;
    }

private:
    Number m_nValue = 0;
};

#endif // DUZUDOZUZEORDINAL_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELINESERIAL_H
#define DUZUDOZUZELINESERIAL_H

#include <QtGlobal>

#include <type_traits>

// A line's serial number in the line store: given when the line is appended,
// the same for as long as the line is kept, whatever is dropped or filtered.
// Not a row of the view (DuzUdozuzeLogRow): the two do not mix. Serials
// differ by a count of lines, and a count moves a serial on.
class DuzUdozuzeLineSerial
{
public:
    constexpr DuzUdozuzeLineSerial() = default;
    constexpr explicit DuzUdozuzeLineSerial(quint64 value) : m_nValue(value) { }

    constexpr quint64 value() const { return m_nValue; }

    constexpr DuzUdozuzeLineSerial &operator++()
    {
        ++m_nValue;
        return *this;
    }
    friend constexpr DuzUdozuzeLineSerial operator+(DuzUdozuzeLineSerial serial, quint64 lines)
    {
        return DuzUdozuzeLineSerial(serial.m_nValue + lines);
    }
    friend constexpr DuzUdozuzeLineSerial operator-(DuzUdozuzeLineSerial serial, quint64 lines)
    {
        return DuzUdozuzeLineSerial(serial.m_nValue - lines);
    }
    // The lines from one to the other; to at or after from.
    friend constexpr quint64 operator-(DuzUdozuzeLineSerial to, DuzUdozuzeLineSerial from)
    {
        return to.m_nValue - from.m_nValue;
    }

    friend constexpr bool operator==(DuzUdozuzeLineSerial a, DuzUdozuzeLineSerial b)
    {
        return a.m_nValue == b.m_nValue;
    }
    friend constexpr bool operator!=(DuzUdozuzeLineSerial a, DuzUdozuzeLineSerial b)
    {
        return a.m_nValue != b.m_nValue;
    }
    friend constexpr bool operator<(DuzUdozuzeLineSerial a, DuzUdozuzeLineSerial b)
    {
        return a.m_nValue < b.m_nValue;
    }
    friend constexpr bool operator<=(DuzUdozuzeLineSerial a, DuzUdozuzeLineSerial b)
    {
        return a.m_nValue <= b.m_nValue;
    }
    friend constexpr bool operator>(DuzUdozuzeLineSerial a, DuzUdozuzeLineSerial b)
    {
        return a.m_nValue > b.m_nValue;
    }
    friend constexpr bool operator>=(DuzUdozuzeLineSerial a, DuzUdozuzeLineSerial b)
    {
        return a.m_nValue >= b.m_nValue;
    }

private:
    quint64 m_nValue = 0;
};

// As cheap to keep and pass as the number itself.
static_assert(sizeof(DuzUdozuzeLineSerial) == sizeof(quint64)
              && std::is_trivially_copyable_v<DuzUdozuzeLineSerial>);

#endif // DUZUDOZUZELINESERIAL_H

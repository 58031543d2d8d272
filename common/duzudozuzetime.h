// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIME_H
#define DUZUDOZUZETIME_H

#include <QDateTime>
#include <QtGlobal>

#include <chrono>

// Times with their unit in the type, so that a millisecond is never taken
// for a microsecond. The wall clock's times are since the epoch: at the
// resolution a datagram's time is kept and recorded (µs), the one the log
// lines show (ms), and the one the system stamps an arrival with (ns). A
// source's monotonic clock counts ms from an origin of the source's own:
// the start of the live port's timer, or the first packet of a capture.
//
// A finer time converts to a coarser one only by a cast, and the casts
// round toward zero, as integer division of the counts does. A time at the
// bounds of its type (an open span's end) is cast to a coarser unit, never
// to a finer one, where it would overflow.

using DuzUdozuzeWallNs
    = std::chrono::time_point<std::chrono::system_clock, std::chrono::nanoseconds>;
using DuzUdozuzeWallUs
    = std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>;
using DuzUdozuzeWallMs
    = std::chrono::time_point<std::chrono::system_clock, std::chrono::milliseconds>;

// The monotonic clock of a source: it is never read here, the source keeps
// it, and its times compare only with each other.
struct DuzUdozuzeSourceClock
{
    using duration = std::chrono::milliseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<DuzUdozuzeSourceClock>;
    static constexpr bool is_steady = true;
};
using DuzUdozuzeSourceMs = DuzUdozuzeSourceClock::time_point;

// From and to the plain counts of ms that the log lines, the workstation
// table and the settings keep.
constexpr DuzUdozuzeWallMs duzUdozuzeWallMs(qint64 msecsSinceEpoch)
{
    return DuzUdozuzeWallMs(std::chrono::milliseconds(msecsSinceEpoch));
}

constexpr DuzUdozuzeSourceMs duzUdozuzeSourceMs(qint64 ms)
{
    return DuzUdozuzeSourceMs(std::chrono::milliseconds(ms));
}

template<class Clock>
constexpr qint64 duzUdozuzeMsCount(std::chrono::time_point<Clock, std::chrono::milliseconds> time)
{
    return time.time_since_epoch().count();
}

// A wall time at a coarser unit, rounded toward zero.
constexpr DuzUdozuzeWallMs duzUdozuzeToMs(DuzUdozuzeWallUs time)
{
    return std::chrono::time_point_cast<std::chrono::milliseconds>(time);
}

constexpr DuzUdozuzeWallMs duzUdozuzeToMs(DuzUdozuzeWallNs time)
{
    return std::chrono::time_point_cast<std::chrono::milliseconds>(time);
}

constexpr DuzUdozuzeWallUs duzUdozuzeToUs(DuzUdozuzeWallNs time)
{
    return std::chrono::time_point_cast<std::chrono::microseconds>(time);
}

// The wall clock now, as Qt reads it.
inline DuzUdozuzeWallMs duzUdozuzeWallNow()
{
    return duzUdozuzeWallMs(QDateTime::currentMSecsSinceEpoch());
}

inline QDateTime duzUdozuzeDateTime(DuzUdozuzeWallMs time, Qt::TimeSpec zone = Qt::LocalTime)
{
    return QDateTime::fromMSecsSinceEpoch(duzUdozuzeMsCount(time), zone);
}

// A µs time as a pcap record keeps it: whole seconds, rounded down, and the
// µs past them, from 0 to 999999.
struct DuzUdozuzeSecondsAndMicros
{
    qint64 seconds;
    qint64 micros;
};

constexpr DuzUdozuzeSecondsAndMicros duzUdozuzeSecondsAndMicros(DuzUdozuzeWallUs time)
{
    const auto seconds = std::chrono::floor<std::chrono::seconds>(time);
    return {seconds.time_since_epoch().count(), (time - seconds).count()};
}

#endif // DUZUDOZUZETIME_H

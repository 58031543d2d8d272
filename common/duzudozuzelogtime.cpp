// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogtime.h"

#include <QDateTime>

namespace {

constexpr qint64 Day = 24 * 60 * 60 * 1000;
// Lines without a time (a text of several lines) are passed over this far.
constexpr quint64 Reach = 64;

qint64 digits(const char *at, int count)
{
    qint64 value = 0;
    for (int i = 0; i < count; ++i) {
        if (at[i] < '0' || at[i] > '9')
            return -1;
        value = value * 10 + (at[i] - '0');
    }
    return value;
}

} // namespace

qint64 DuzUdozuzeLogTime::timeOfDay(QByteArrayView line)
{
    if (line.size() < 12 || line[2] != ':' || line[5] != ':' || line[8] != '.')
        return -1;
    const char *text = line.data();
    const qint64 hours = digits(text, 2), minutes = digits(text + 3, 2),
                 seconds = digits(text + 6, 2), ms = digits(text + 9, 3);
    if (hours < 0 || minutes < 0 || seconds < 0 || ms < 0)
        return -1;
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + ms;
}

DuzUdozuzeLineSerial DuzUdozuzeLogTime::firstAtOrAfter(const DuzUdozuzeLineStore &store,
                                                       qint64 wall)
{
    const DuzUdozuzeLineSerial first = store.firstSerial();
    const DuzUdozuzeLineSerial end = store.endSerial();
    if (store.isEmpty())
        return end;
    // The time of a line, or of the next with one within reach; -1: none.
    const auto timeAt = [&](DuzUdozuzeLineSerial serial) {
        for (quint64 i = 0; i < Reach && serial < end; ++i, ++serial) {
            const qint64 time = timeOfDay(store.line(serial));
            if (time >= 0)
                return time;
        }
        return qint64(-1);
    };
    qint64 newest = -1;
    for (quint64 back = 1; newest < 0 && back <= Reach && back <= end - first; ++back)
        newest = timeOfDay(store.line(end - back));
    if (newest < 0)
        return end - 1;
    const auto before = [newest](qint64 time) { return ((newest - time) % Day + Day) % Day; };
    const qint64 zone = qint64(QDateTime::fromMSecsSinceEpoch(wall).offsetFromUtc()) * 1000;
    const qint64 wanted = before(((wall + zone) % Day + Day) % Day);
    // "Nearly a day before the newest" is a moment after it.
    if (wanted > Day - Day / 24)
        return end - 1;
    // The first line no longer before the moment than it.
    quint64 low = 0, high = end - first;
    while (low < high) {
        const quint64 middle = low + (high - low) / 2;
        const qint64 time = timeAt(first + middle);
        if (time >= 0 && before(time) > wanted)
            low = middle + 1;
        else
            high = middle;
    }
    const quint64 found = qMin(low, end - first - 1);
    // Out of order (a capture's lines after the window's own start-up lines,
    // a clock set back): the last line still before it, counted from the end.
    const qint64 previous = found > 0 ? timeOfDay(store.line(first + (found - 1))) : -1;
    if (previous < 0 || before(previous) > wanted)
        return first + found;
    for (quint64 back = end - first; back > 0; --back) {
        const qint64 time = timeOfDay(store.line(first + (back - 1)));
        if (time >= 0 && before(time) > wanted)
            return first + qMin(back, end - first - 1);
    }
    return first;
}

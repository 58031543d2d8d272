// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGTIME_H
#define DUZUDOZUZELOGTIME_H

#include "common/duzudozuzelinestore.h"

// The log's lines by the time of day they begin with ("hh:mm:ss.zzz", the
// local time). The lines come in the order of their times, a day at most
// from the oldest to the newest, so that how long before the newest one a
// line's time is falls from line to line, and a search halves; where they
// do not (a capture's lines after the window's own), the lines are read
// from the newest back.
namespace DuzUdozuzeLogTime {

// The ms of the day of a line's time, or -1 when it begins with none.
qint64 timeOfDay(QByteArrayView line);
// The first line of the store at or after the wall time (ms since the
// epoch), its time of day as the line shows it; the newest when none is.
// Past the end of an empty store.
DuzUdozuzeLineSerial firstAtOrAfter(const DuzUdozuzeLineStore &store, qint64 wall);

} // namespace DuzUdozuzeLogTime

#endif // DUZUDOZUZELOGTIME_H

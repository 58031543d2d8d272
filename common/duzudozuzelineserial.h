// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELINESERIAL_H
#define DUZUDOZUZELINESERIAL_H

#include "common/duzudozuzeordinal.h"

#include <QtGlobal>

#include <type_traits>

// A line's serial number in the line store: given when the line is appended,
// the same for as long as the line is kept, whatever is dropped or filtered.
// Not a row of the view (DuzUdozuzeLogRow): the two do not mix. Serials
// differ by a count of lines, and a count moves a serial on.
using DuzUdozuzeLineSerial = DuzUdozuzeOrdinal<quint64, struct DuzUdozuzeLineSerialTag>;

static_assert(sizeof(DuzUdozuzeLineSerial) == sizeof(quint64)
              && std::is_trivially_copyable_v<DuzUdozuzeLineSerial>);

#endif // DUZUDOZUZELINESERIAL_H

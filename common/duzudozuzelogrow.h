// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGROW_H
#define DUZUDOZUZELOGROW_H

#include "common/duzudozuzeordinal.h"

#include <QtGlobal>

#include <type_traits>

// A row of the log view: a line's place among the lines shown, from 0 at the
// oldest. It changes as old lines are dropped or a filter hides some, where
// the line's serial number (DuzUdozuzeLineSerial) does not: the two do not
// mix. Rows differ by a count of rows, and a count moves a row on or back.
using DuzUdozuzeLogRow = DuzUdozuzeOrdinal<qsizetype, struct DuzUdozuzeLogRowTag>;

static_assert(sizeof(DuzUdozuzeLogRow) == sizeof(qsizetype)
              && std::is_trivially_copyable_v<DuzUdozuzeLogRow>);

#endif // DUZUDOZUZELOGROW_H

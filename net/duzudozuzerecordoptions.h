// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECORDOPTIONS_H
#define DUZUDOZUZERECORDOPTIONS_H

#include "net/duzudozuzecontrolstring.h"

#include <QString>

#include <optional>

struct DuzUdozuzeSettings;

// The values of the recording's options and of the span a reading takes:
// sizes (/recordfile=, /recordtotal=) and times (/from=, /until=).
namespace DuzUdozuzeRecordOptions {

// The least a file, and so the whole recording, is given (a smaller size is
// raised to it, and said): about 200 of the longest packets, so that a flood
// begins a few hundred files a second at the most, not thousands.
constexpr qint64 LeastSize = qint64(64) << 10;

// A size in bytes: digits, and K, M or G (in any letter case) for 2^10,
// 2^20 or 2^30 of them; nothing for none, nor for more than 63 bits hold.
[[nodiscard]] std::optional<qint64> size(const QString &text);

// A time in ISO 8601, local time unless it says its zone ("Z", "+01:00"):
// "2026-12-08T03:12", "2026-12-08T03:12:00Z", or a day alone; in ms since
// the epoch.
[[nodiscard]] std::optional<qint64> time(const QString &text);

// Stores the value of one of the recording's options, or of /from= or
// /until=, in settings; false when it is no such value.
[[nodiscard]] bool apply(DuzUdozuzeControlString::Option option, const QString &value,
                         DuzUdozuzeSettings &settings);

} // namespace DuzUdozuzeRecordOptions

#endif // DUZUDOZUZERECORDOPTIONS_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGGER_H
#define DUZUDOZUZELOGGER_H

#include <QString>

#include <optional>

// Something that writes time-stamped, printf-formatted lines: the station
// (the control-string parser's host), the session and the front ends. Where a line
// goes is the implementer's business.
class DuzUdozuzeLogger
{
public:
    void logPrintf(const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(2, 3);

protected:
    ~DuzUdozuzeLogger() = default;
    // One finished line, time stamp included.
    virtual void logLine(const QString &line) = 0;
    // The time the lines are stamped with, in ms since the epoch; none: the
    // clock's now.
    virtual std::optional<qint64> lineTime() const { return std::nullopt; }
};

#endif // DUZUDOZUZELOGGER_H

// SPDX-License-Identifier: MIT
#ifndef IDEBUG_H
#define IDEBUG_H

#include <QString>

#include <cstdarg>

// The log sink. Every part of the program reports through it; the main window
// (or the console front end) implements it. The two leading integers carry no
// meaning and are ignored by the sinks.
struct IDebug
{
    virtual void debugMessage(int, int, const QString &prefix, const QString &text) = 0;
    virtual void debugPrintf(int, int, const QString &prefix, const char *format, va_list args) = 0;

protected:
    // Sinks are never deleted through this interface.
    ~IDebug() = default;
};

#endif // IDEBUG_H

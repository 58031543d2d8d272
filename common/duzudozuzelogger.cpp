// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogger.h"

#include "common/duzudozuzelogline.h"

void DuzUdozuzeLogger::logPrintf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const QString line = DuzUdozuzeLogLine::build(lineTime(), format, args);
    va_end(args);
    logLine(line);
}

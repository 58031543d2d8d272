#ifndef DUZUDOZUZELOGLINE_H
#define DUZUDOZUZELOGLINE_H

#include <QString>

#include <cstdarg>

// Builds one log line: the local time of day as "hh:mm:ss.zzz", one blank and
// the printf-formatted message, read as Latin-1. The message is cut at
// BufferSize - 1 characters, never written past its buffer.
class DuzUdozuzeLogLine
{
public:
    static constexpr int BufferSize = 4096;

    static QString build(const char *format, va_list args);
    static QString timeText();

    // The prefix followed by the formatted message, with no time and no
    // length limit.
    static QString prefixed(const QString &prefix, const char *format, va_list args);

    // Text from outside (a datagram, a file) made safe to quote in a line:
    // control bytes (below 0x20, and 0x7F) become \r, \n, \t or \xNN, so
    // the text can neither split nor forge a line. Other bytes are kept.
    static QByteArray escaped(const QByteArray &text);
};

#endif // DUZUDOZUZELOGLINE_H

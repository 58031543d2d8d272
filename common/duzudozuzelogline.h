// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGLINE_H
#define DUZUDOZUZELOGLINE_H

#include <QString>

#include <cstdarg>
#include <optional>

// Builds one log line: the local time of day as "hh:mm:ss.zzz", one blank and
// the printf-formatted message, read as Latin-1. The message is cut at
// BufferSize - 1 characters, never written past its buffer.
class DuzUdozuzeLogLine
{
public:
    static constexpr int BufferSize = 4096;

    // A line of the time given (ms since the epoch), or of the clock's now.
    static QString build(std::optional<qint64> msecsSinceEpoch, const char *format, va_list args);
    // The time of day of the clock's now.
    static QString timeText();
    // The same for a time in ms since the epoch, any time (before 1970 too).
    static QString timeText(qint64 msecsSinceEpoch);
    // The same written to out, TimeTextSize characters, for a line made in
    // place.
    static constexpr int TimeTextSize = 12;
    static void writeTimeText(char16_t *out, qint64 msecsSinceEpoch);

    // The prefix followed by the formatted message, with no time and no
    // length limit.
    static QString prefixed(const QString &prefix, const char *format, va_list args);

    // Text from outside (a datagram, a file, the environment, the command
    // line) made safe to quote in a line: control bytes (C0 below 0x20, 0x7F
    // and C1 from 0x80 to 0x9F) become \r, \n, \t or \xNN, so the text can
    // neither split nor forge a line, nor reach a terminal as an escape
    // sequence. Other bytes are kept.
    static QByteArray escaped(const QByteArray &text);
    // The same for a string, as its bytes on the wire: Latin-1, or UTF-8
    // where Latin-1 cannot carry it.
    static QByteArray escaped(const QString &text);
    // The same for text that stays text (standard error, a status bar):
    // control characters escaped, all others kept, whatever their encoding.
    static QString escapedCharacters(const QString &text);
    // Whether a byte is one that escaped() rewrites.
    static bool isControl(unsigned char byte)
    {
        return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
    }
};

#endif // DUZUDOZUZELOGLINE_H

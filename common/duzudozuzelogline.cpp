// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogline.h"

#include "common/duzudozuzewiretext.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

QString DuzUdozuzeLogLine::build(std::optional<qint64> msecsSinceEpoch, const char *format,
                                 va_list args)
{
    char buffer[BufferSize];
    buffer[0] = '\0';
    std::vsnprintf(buffer, sizeof buffer, format, args);
    // The time is taken after the formatting, once per line.
    return (msecsSinceEpoch ? timeText(*msecsSinceEpoch) : timeText()) + QLatin1Char(' ')
        + QString::fromLatin1(buffer);
}

QString DuzUdozuzeLogLine::timeText()
{
    return timeText(QDateTime::currentMSecsSinceEpoch());
}

QString DuzUdozuzeLogLine::timeText(qint64 now)
{
    QString text(TimeTextSize, Qt::Uninitialized);
    writeTimeText(reinterpret_cast<char16_t *>(text.data()), now);
    return text;
}

void DuzUdozuzeLogLine::writeTimeText(char16_t *out, qint64 now)
{
    // The local time of day, "hh:mm:ss.zzz". Asking the C library for local
    // time looks the time zone file up again each time; the offset from UTC is
    // asked for once a minute instead, which is when it can change.
    static qint64 offsetMinute = std::numeric_limits<qint64>::min();
    static qint64 offsetMs = 0;
    // Lines come several a millisecond: the text of the last one is kept.
    static qint64 lastNow = std::numeric_limits<qint64>::min();
    static char16_t lastText[TimeTextSize];
    if (now != lastNow) {
        const qint64 minute = now / 60000;
        if (minute != offsetMinute) {
            offsetMinute = minute;
            offsetMs
                = qint64(QDateTime::fromMSecsSinceEpoch(minute * 60000).offsetFromUtc()) * 1000;
        }
        constexpr qint64 MsPerDay = 24 * 60 * 60 * 1000;
        const int ms = int(((now + offsetMs) % MsPerDay + MsPerDay) % MsPerDay);
        const auto digits = [](char16_t *at, int value, int count) {
            for (int i = count - 1; i >= 0; --i, value /= 10)
                at[i] = char16_t(u'0' + value % 10);
        };
        digits(lastText, ms / 3600000, 2);
        lastText[2] = u':';
        digits(lastText + 3, ms / 60000 % 60, 2);
        lastText[5] = u':';
        digits(lastText + 6, ms / 1000 % 60, 2);
        lastText[8] = u'.';
        digits(lastText + 9, ms % 1000, 3);
        lastNow = now;
    }
    std::copy_n(lastText, TimeTextSize, out);
}

QString DuzUdozuzeLogLine::prefixed(const QString &prefix, const char *format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::vector<char> message(size_t(qMax(length, 0)) + 1, '\0');
    std::vsnprintf(message.data(), message.size(), format, args);
    return prefix + QString::fromLatin1(message.data());
}

QByteArray DuzUdozuzeLogLine::escaped(const QByteArray &text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!isControl(byte)) {
            out.append(c);
            continue;
        }
        switch (byte) {
        case '\r':
            out.append("\\r");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            out.append("\\x");
            out.append(hex[byte >> 4]);
            out.append(hex[byte & 0xF]);
        }
    }
    return out;
}

QString DuzUdozuzeLogLine::escapedCharacters(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0xA0 && isControl(uchar(c.unicode())))
            out += QLatin1String(escaped(QByteArray(1, char(c.unicode()))));
        else
            out += c;
    }
    return out;
}

QByteArray DuzUdozuzeLogLine::escaped(const QString &text)
{
    return escaped(duzUdozuzeWireBytes(text));
}

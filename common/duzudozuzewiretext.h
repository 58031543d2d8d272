// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWIRETEXT_H
#define DUZUDOZUZEWIRETEXT_H

#include <QString>

#include <algorithm>

// Names go on the wire one byte a character, as Latin-1. A name Latin-1
// cannot carry (Cyrillic, say) goes as its UTF-8 bytes instead, never as
// question marks: two workstations configured alike then send the same bytes
// and recognise each other.
inline bool duzUdozuzeIsLatin1(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

inline QByteArray duzUdozuzeWireBytes(const QString &text)
{
    return duzUdozuzeIsLatin1(text) ? text.toLatin1() : text.toUtf8();
}

// A name as a receiver reads it back from the wire: its bytes as Latin-1.
inline QString duzUdozuzeWireText(const QString &text)
{
    return duzUdozuzeIsLatin1(text) ? text : QString::fromLatin1(text.toUtf8());
}

#endif // DUZUDOZUZEWIRETEXT_H

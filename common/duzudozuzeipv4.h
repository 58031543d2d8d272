// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEIPV4_H
#define DUZUDOZUZEIPV4_H

#include <QString>

// An IPv4 address, a 32-bit number in host order, as dotted decimal text.
inline QString duzUdozuzeIpv4Text(quint32 address)
{
    char text[16];
    char *end = text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned byte = (address >> shift) & 0xFF;
        if (byte >= 100)
            *end++ = char('0' + byte / 100);
        if (byte >= 10)
            *end++ = char('0' + byte / 10 % 10);
        *end++ = char('0' + byte % 10);
        if (shift > 0)
            *end++ = '.';
    }
    return QString::fromLatin1(text, end - text);
}

#endif // DUZUDOZUZEIPV4_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEIPV4_H
#define DUZUDOZUZEIPV4_H

#include <QString>

// An IPv4 address, a 32-bit number in host order, as dotted decimal text,
// written at out (15 characters at the most); returns where it ends.
inline char *duzUdozuzeIpv4Write(char *out, quint32 address)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned byte = (address >> shift) & 0xFF;
        if (byte >= 100)
            *out++ = char('0' + byte / 100);
        if (byte >= 10)
            *out++ = char('0' + byte / 10 % 10);
        *out++ = char('0' + byte % 10);
        if (shift > 0)
            *out++ = '.';
    }
    return out;
}

inline QString duzUdozuzeIpv4Text(quint32 address)
{
    char text[16];
    return QString::fromLatin1(text, duzUdozuzeIpv4Write(text, address) - text);
}

#endif // DUZUDOZUZEIPV4_H

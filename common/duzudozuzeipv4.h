// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEIPV4_H
#define DUZUDOZUZEIPV4_H

#include <QString>

// An IPv4 address, a 32-bit number in host order, as dotted decimal text.
inline QString duzUdozuzeIpv4Text(quint32 address)
{
    return QString::number(address >> 24) + QLatin1Char('.')
        + QString::number((address >> 16) & 0xFF) + QLatin1Char('.')
        + QString::number((address >> 8) & 0xFF) + QLatin1Char('.')
        + QString::number(address & 0xFF);
}

#endif // DUZUDOZUZEIPV4_H

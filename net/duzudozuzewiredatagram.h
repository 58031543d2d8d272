// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWIREDATAGRAM_H
#define DUZUDOZUZEWIREDATAGRAM_H

#include "common/duzudozuzetime.h"

#include <QByteArrayView>

// One UDP datagram as it went over the wire: what every source hands on, the
// port's as the system read it, a capture's as it was captured, and an
// answer as it was sent; the recorder keeps it so.
struct DuzUdozuzeWireDatagram
{
    DuzUdozuzeWallUs time; // when it came or went
    quint32 source = 0; // host order
    quint16 sourcePort = 0;
    quint32 destination = 0; // host order
    quint16 destinationPort = 0;
    // As far as it was read or captured; the bytes are the source's, until
    // its next datagram.
    QByteArrayView payload;
    qsizetype length = 0; // the payload's length on the wire
    bool sent = false; // an answer of this workstation's
};

#endif // DUZUDOZUZEWIREDATAGRAM_H

// SPDX-License-Identifier: MIT
#ifndef STATIONSUPPORT_H
#define STATIONSUPPORT_H

#include "net/duzudozuzesocket.h"
#include "net/duzudozuzestation.h"

// The port a station bound, or 0 while it has none.
inline quint16 boundPort(const DuzUdozuzeStation &station)
{
    const auto *port = qobject_cast<const DuzUdozuzeSocket *>(station.source());
    return port ? port->localPort() : 0;
}

inline int boundDescriptor(const DuzUdozuzeStation &station)
{
    const auto *port = qobject_cast<const DuzUdozuzeSocket *>(station.source());
    return port ? port->socketDescriptor() : -1;
}

#endif // STATIONSUPPORT_H

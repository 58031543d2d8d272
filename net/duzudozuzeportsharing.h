// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEPORTSHARING_H
#define DUZUDOZUZEPORTSHARING_H

#include <QByteArray>
#include <QList>
#include <QString>

// Other sockets bound to the same UDP port. With address reuse on, another
// program's socket on the port (even an unprivileged user's) takes the
// unicast datagrams meant for this one, so the set-up says so.
namespace DuzUdozuzePortSharing {

// The owners' user ids of the sockets in a /proc/net/udp or udp6 table that
// are bound to port, one entry a socket, leaving out the socket ownInode.
QList<uint> otherOwners(const QByteArray &table, quint16 port, quint64 ownInode);

// The warning for the system's tables, or nothing when the port is not shared.
QString warning(quint16 port, quint64 ownInode);

// The warning's text for the owners of the other sockets, one entry a socket,
// named as ownerKind ("uid", "process"); nothing when there are none.
QString warningText(quint16 port, QList<uint> owners, const char *ownerKind);

} // namespace DuzUdozuzePortSharing

#endif // DUZUDOZUZEPORTSHARING_H

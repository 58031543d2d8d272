// SPDX-License-Identifier: MIT
#include "net/duzudozuzeportsharing.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

QString DuzUdozuzePortSharing::warning(quint16 port, quint64 ownInode)
{
    QList<uint> owners;
    // The process's own view of its network namespace: the service's /proc
    // shows only the process folders (ProcSubset=pid).
    for (const char *path : {"/proc/self/net/udp", "/proc/self/net/udp6"}) {
        QFile table(QString::fromLatin1(path));
        // A read of these files never blocks; a few thousand sockets are a
        // few hundred kilobytes.
        if (table.open(QIODevice::ReadOnly))
            owners += otherOwners(table.read(16 << 20), port, ownInode);
    }
    if (owners.isEmpty())
        return {};
    QList<uint> users = owners;
    std::sort(users.begin(), users.end());
    users.erase(std::unique(users.begin(), users.end()), users.end());
    QStringList uids;
    for (const uint uid : users)
        uids.append(QString::number(uid));
    return QStringLiteral("Warning: %1 other socket(s) on UDP port %2 (uid %3): unicast datagrams "
                          "may go to them instead.")
        .arg(owners.size())
        .arg(port)
        .arg(uids.join(QStringLiteral(", ")));
}

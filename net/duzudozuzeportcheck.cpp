// SPDX-License-Identifier: MIT
#include "net/duzudozuzeportsharing.h"

#include <QFile>

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
    return warningText(port, owners, "uid");
}

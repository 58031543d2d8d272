// SPDX-License-Identifier: MIT
#include "net/duzudozuzeportsharing.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

QList<uint> DuzUdozuzePortSharing::otherOwners(const QByteArray &table, quint16 port,
                                               quint64 ownInode)
{
    // "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...",
    // the local address as hexadecimal address:port.
    QList<uint> owners;
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
        if (fields.size() < 10)
            continue;
        const QByteArray &local = fields.at(1);
        bool portOk = false, uidOk = false, inodeOk = false;
        const uint localPort = local.mid(local.lastIndexOf(':') + 1).toUInt(&portOk, 16);
        const uint uid = fields.at(7).toUInt(&uidOk, 10);
        const quint64 inode = fields.at(9).toULongLong(&inodeOk, 10);
        if (portOk && uidOk && inodeOk && localPort == port && inode != ownInode)
            owners.append(uid);
    }
    return owners;
}

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

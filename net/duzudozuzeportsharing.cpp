// SPDX-License-Identifier: MIT
#include "net/duzudozuzeportsharing.h"

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

QString DuzUdozuzePortSharing::warningText(quint16 port, QList<uint> owners, const char *ownerKind)
{
    if (owners.isEmpty())
        return {};
    const qsizetype sockets = owners.size();
    std::sort(owners.begin(), owners.end());
    owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
    QStringList numbers;
    for (const uint owner : owners)
        numbers.append(QString::number(owner));
    return QStringLiteral("Warning: %1 other socket(s) on UDP port %2 (%3 %4): unicast datagrams "
                          "may go to them instead.")
        .arg(sockets)
        .arg(port)
        .arg(QLatin1String(ownerKind), numbers.join(QStringLiteral(", ")));
}

// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzestatusdatagram.h"

#include "common/duzudozuzewiretext.h"

#include <QStringList>

QString DuzUdozuzeStatusDatagram::healthWordFor(bool ok)
{
    return ok ? QStringLiteral("OK") : QStringLiteral("Fail");
}

QByteArray DuzUdozuzeStatusDatagram::format(const QString &code, const QString &system,
                                            const QString &alarmSystem, int workstation,
                                            int channel, bool ok)
{
    return compose(code, system, alarmSystem, QString::number(workstation),
                   QString::number(channel), healthWordFor(ok));
}

QByteArray DuzUdozuzeStatusDatagram::compose(const QString &code, const QString &system,
                                             const QString &alarmSystem, const QString &workstation,
                                             const QString &channel, const QString &healthWord)
{
    QByteArray text;
    for (const QString *field : {&code, &system, &alarmSystem, &workstation, &channel, &healthWord})
        text += duzUdozuzeWireBytes(*field) + ':';
    text.chop(1);
    return text;
}

std::optional<DuzUdozuzeStatusDatagram> DuzUdozuzeStatusDatagram::parse(const QString &text)
{
    const QStringList pieces = text.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (pieces.size() != 6)
        return std::nullopt;
    DuzUdozuzeStatusDatagram datagram;
    datagram.code = pieces.at(0);
    datagram.system = pieces.at(1);
    datagram.alarmSystem = pieces.at(2);
    datagram.workstation = pieces.at(3).toInt(nullptr, 10);
    datagram.channel = pieces.at(4).toInt(nullptr, 10);
    datagram.healthWord = pieces.at(5);
    return datagram;
}

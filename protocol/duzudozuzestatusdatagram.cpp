// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzestatusdatagram.h"

#include "common/duzudozuzewiretext.h"

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
    return parse(QByteArrayView(text.toLatin1()));
}

std::optional<DuzUdozuzeStatusDatagram> DuzUdozuzeStatusDatagram::parse(QByteArrayView bytes)
{
    DuzUdozuzeStatusDatagram datagram;
    if (!parse(bytes, datagram))
        return std::nullopt;
    return datagram;
}

// Over the bytes themselves: no list of pieces, only the fields that changed
// made.
bool DuzUdozuzeStatusDatagram::parse(QByteArrayView bytes, DuzUdozuzeStatusDatagram &datagram)
{
    QByteArrayView pieces[6];
    int count = 0;
    for (qsizetype start = 0; start <= bytes.size();) {
        qsizetype end = bytes.indexOf(':', start);
        if (end < 0)
            end = bytes.size();
        if (end > start) {
            if (count == 6)
                return false;
            pieces[count++] = bytes.sliced(start, end - start);
        }
        start = end + 1;
    }
    if (count != 6)
        return false;
    const auto text = [](QString &field, QByteArrayView piece) {
        if (field != QLatin1StringView(piece))
            field = QString::fromLatin1(piece);
    };
    const auto number = [](QByteArrayView piece) { return QLatin1StringView(piece).toInt(); };
    text(datagram.code, pieces[0]);
    text(datagram.system, pieces[1]);
    text(datagram.alarmSystem, pieces[2]);
    datagram.workstation = number(pieces[3]);
    datagram.channel = number(pieces[4]);
    text(datagram.healthWord, pieces[5]);
    return true;
}

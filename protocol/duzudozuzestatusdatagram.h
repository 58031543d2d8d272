// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESTATUSDATAGRAM_H
#define DUZUDOZUZESTATUSDATAGRAM_H

#include <QByteArray>
#include <QString>

#include <optional>

// The status datagram the workstations exchange: six fields joined by colons,
// "code:system:alarmsystem:workstation:channel:health", Latin-1, one byte per
// character (a field Latin-1 cannot carry goes as UTF-8), no terminator. No
// quoting: a colon in a name is one more field.
struct DuzUdozuzeStatusDatagram
{
    QString code; // "NA", "NU", "NO" or "NC"
    QString system;
    QString alarmSystem;
    int workstation = 0;
    int channel = 0;
    QString healthWord; // only the exact text "OK" counts as healthy

    static QString healthWordFor(bool ok);

    // The payload for these fields.
    static QByteArray format(const QString &code, const QString &system, const QString &alarmSystem,
                             int workstation, int channel, bool ok);
    // The payload for six field texts, inserted as they are.
    static QByteArray compose(const QString &code, const QString &system,
                              const QString &alarmSystem, const QString &workstation,
                              const QString &channel, const QString &healthWord);

    // Splits text at every colon and drops the empty pieces; the datagram is in
    // current format when exactly six remain. A workstation or channel piece
    // that is not a decimal integer counts as 0.
    static std::optional<DuzUdozuzeStatusDatagram> parse(const QString &text);
    // The same for the bytes as received, one a character.
    static std::optional<DuzUdozuzeStatusDatagram> parse(QByteArrayView bytes);
    // The same into datagram, which is left as it was unless the bytes are in
    // current format; a text field that reads as it is stays, not made anew.
    static bool parse(QByteArrayView bytes, DuzUdozuzeStatusDatagram &datagram);
};

#endif // DUZUDOZUZESTATUSDATAGRAM_H

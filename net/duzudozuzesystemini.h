// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESYSTEMINI_H
#define DUZUDOZUZESYSTEMINI_H

#include <QByteArray>
#include <QString>

#include <optional>

// Reading the host system's INI file, root/system/config/system/velk_system.ini.
// Only section "Network" is read: key "Channel" (this workstation's channel) and
// key "AlarmSystem" (its alarm system name). Reading follows the rules of the
// Windows profile reader the host system was made for: section and key names
// compare case-insensitively, blanks around a value are dropped, a value in
// matching quotes loses them, ';' starts a comment line and the first matching
// key counts. A missing file, section or key reads as the empty text.
class DuzUdozuzeSystemIni
{
public:
    struct Network
    {
        QByteArray channel; // at most MaxChannelLength characters
        QByteArray alarmSystem;
    };

    // The channel value is seen through a 32-character buffer.
    static constexpr int MaxChannelLength = 31;

    static QString path(const QString &root, const QString &system);
    static Network read(const QString &root, const QString &system);
    static Network parse(const QByteArray &content);

    // The strict integer rule for the channel: optional blanks, an optional
    // sign, one or more decimal digits, optional blanks, and a value that fits
    // an int.
    static std::optional<int> toChannel(const QByteArray &text);
};

#endif // DUZUDOZUZESYSTEMINI_H

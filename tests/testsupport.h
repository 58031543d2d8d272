// SPDX-License-Identifier: MIT
#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include "common/duzudozuzesettings.h"
#include "common/idebug.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdarg>
#include <cstdio>

// The workstation the session's tests stand for: number 7 of system
// "north", alarm system "Fire", channel 3.
inline DuzUdozuzeSettings workstationSeven()
{
    DuzUdozuzeSettings settings;
    settings.m_strHxSystem = QStringLiteral("north");
    settings.m_strAlarmSystem = QStringLiteral("Fire");
    settings.m_nWorkstation = 7;
    settings.m_nChannel = 3;
    return settings;
}

// A log sink that keeps the lines it is given, with and without their time.
class RecordingSink : public IDebug
{
public:
    void debugMessage(int, int, const QString &, const QString &text) override
    {
        lines.append(text);
    }
    void debugPrintf(int, int, const QString &prefix, const char *format, va_list args) override
    {
        char buffer[4096];
        vsnprintf(buffer, sizeof buffer, format, args);
        lines.append(prefix + QString::fromLatin1(buffer));
    }

    // The lines without the "hh:mm:ss.zzz " in front.
    QStringList texts() const
    {
        static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
        QStringList result;
        for (const QString &line : lines)
            result.append(QString(line).remove(time));
        return result;
    }
    QStringList textsFrom(qsizetype first) const { return texts().mid(first); }

    QStringList lines;
};

// A host installation in a temporary directory: root/system/config/system/
// velk_system.ini with the given content.
class HostInstallation
{
public:
    QString root() const { return directory.path(); }

    void writeIni(const QString &system, const QByteArray &content)
    {
        const QString folder
            = root() + QLatin1Char('/') + system + QStringLiteral("/config/system");
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/velk_system.ini"));
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }

    void writeNetwork(const QString &system, const QByteArray &alarmSystem, int channel)
    {
        writeIni(system,
                 "[Network]\nAlarmSystem=" + alarmSystem
                     + "\nChannel=" + QByteArray::number(channel) + "\n");
    }

    QTemporaryDir directory;
};

#endif // TESTSUPPORT_H

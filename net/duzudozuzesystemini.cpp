#include "net/duzudozuzesystemini.h"

#include <QFile>

#include <ini.h>

#include <cstring>
#include <strings.h>

namespace {

// A system INI file is a few kilobytes; anything past this is not read.
constexpr qint64 MaxFileSize = 1 << 20;

struct Lookup
{
    DuzUdozuzeSystemIni::Network values;
    bool channelSeen = false;
    bool alarmSystemSeen = false;
};

QByteArray withoutQuotes(const char *value)
{
    QByteArray text(value);
    if (text.size() >= 2 && text.front() == text.back()
        && (text.front() == '"' || text.front() == '\'')) {
        return text.mid(1, text.size() - 2);
    }
    return text;
}

int onValue(void *user, const char *section, const char *name, const char *value)
{
    auto *lookup = static_cast<Lookup *>(user);
    if (strcasecmp(section, "Network") != 0)
        return 1;
    if (!lookup->channelSeen && strcasecmp(name, "Channel") == 0) {
        lookup->channelSeen = true;
        lookup->values.channel = withoutQuotes(value).left(DuzUdozuzeSystemIni::MaxChannelLength);
    } else if (!lookup->alarmSystemSeen && strcasecmp(name, "AlarmSystem") == 0) {
        lookup->alarmSystemSeen = true;
        lookup->values.alarmSystem = withoutQuotes(value);
    }
    return 1;
}

} // namespace

QString DuzUdozuzeSystemIni::path(const QString &root, const QString &system)
{
    return root + QLatin1Char('/') + system + QLatin1String("/config/system/velk_system.ini");
}

DuzUdozuzeSystemIni::Network DuzUdozuzeSystemIni::read(const QString &root, const QString &system)
{
    QFile file(path(root, system));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.read(MaxFileSize));
}

DuzUdozuzeSystemIni::Network DuzUdozuzeSystemIni::parse(const QByteArray &content)
{
    // The Windows reader ignores blanks before a key; the INI library would
    // take an indented line for the continuation of the previous value.
    QByteArray text;
    text.reserve(content.size());
    for (const QByteArray &line : content.split('\n')) {
        qsizetype start = 0;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
            ++start;
        text.append(line.constData() + start, line.size() - start);
        text.append('\n');
    }

    Lookup lookup;
    ini_parse_string(text.constData(), onValue, &lookup);
    return lookup.values;
}

std::optional<int> DuzUdozuzeSystemIni::toChannel(const QByteArray &text)
{
    const QByteArray number = text.trimmed();
    qsizetype first = (number.startsWith('+') || number.startsWith('-')) ? 1 : 0;
    if (first == number.size())
        return std::nullopt;
    for (qsizetype i = first; i < number.size(); ++i) {
        if (number[i] < '0' || number[i] > '9')
            return std::nullopt;
    }
    bool ok = false;
    const int value = number.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

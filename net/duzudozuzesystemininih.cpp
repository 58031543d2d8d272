// SPDX-License-Identifier: MIT
#include "net/duzudozuzesystemini.h"

#include <QFile>

#include <ini.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Hands the INI library one line at a time. The Windows reader ignores blanks
// before a key, where the library would take an indented line for the
// continuation of the previous value, so they are dropped here. A line longer
// than the library's buffer is cut, and the rest of it discarded: the library
// would read the rest as a line of its own, and a long value could smuggle in
// a key.
struct LineReader
{
    const char *position;
    const char *end;

    static char *next(char *line, int size, void *stream)
    {
        auto *reader = static_cast<LineReader *>(stream);
        if (reader->position >= reader->end || size < 1)
            return nullptr;
        const char *start = reader->position;
        while (start < reader->end && (*start == ' ' || *start == '\t'))
            ++start;
        const auto *newline
            = static_cast<const char *>(std::memchr(start, '\n', size_t(reader->end - start)));
        const char *lineEnd = newline ? newline : reader->end;
        const size_t length = std::min(size_t(lineEnd - start), size_t(size - 1));
        std::memcpy(line, start, length);
        line[length] = '\0';
        reader->position = newline ? newline + 1 : reader->end;
        return line;
    }
};

} // namespace

DuzUdozuzeSystemIni::Network DuzUdozuzeSystemIni::read(const QString &root, const QString &system)
{
    // Opening does not wait for a writer (a FIFO at the path would hold the
    // start-up forever), and only a regular file is read: anything else reads
    // as a missing file.
    const int descriptor = ::open(QFile::encodeName(path(root, system)).constData(),
                                  O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return {};
    }
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    return parse(file.read(MaxFileSize));
}

DuzUdozuzeSystemIni::Network DuzUdozuzeSystemIni::parse(const QByteArray &content)
{
    LineReader reader {content.constData(), content.constData() + content.size()};
    Lookup lookup;
    ini_parse_stream(&LineReader::next, &reader, onValue, &lookup);
    return lookup.values;
}

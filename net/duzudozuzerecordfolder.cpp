// SPDX-License-Identifier: MIT
#include "net/duzudozuzerecordfolder.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString TimeFormat = QStringLiteral("yyyyMMdd'T'HHmmss'Z'");
// Digits of a sequence number at the least, so that the names of the first
// ten thousand million files sort in the order written too.
constexpr int SequenceDigits = 10;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

int DuzUdozuzeRecordFolder::open(const QString &path, QString *error)
{
    const auto refused = [error](const QString &why) {
        *error = why;
        return -1;
    };
    if (path.isEmpty())
        return refused(QStringLiteral("no folder named"));
    // Bytes that are not UTF-8 came as U+FFFD: a folder of that name would be
    // another one than named.
    if (path.contains(QChar::ReplacementCharacter))
        return refused(QStringLiteral("its name is not UTF-8"));
    // The folder is checked by its own name: "DIR/" and "DIR/." are looked
    // up through DIR, were it a link, and "DIR/.." through it to where it
    // leads.
    QString own = path;
    while (own.size() > 1 && (own.endsWith(QLatin1Char('/')) || own.endsWith(QLatin1String("/."))))
        own.chop(own.endsWith(QLatin1Char('/')) ? 1 : 2);
    if (own.isEmpty())
        own = QStringLiteral("/");
    if (own == QLatin1String("..") || own.endsWith(QLatin1String("/..")))
        return refused(QStringLiteral("it ends in '..'"));
    const QByteArray name = QFile::encodeName(own);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return refused(QStringLiteral("it cannot be made: ") + systemError());
    struct stat seen;
    if (::lstat(name.constData(), &seen) != 0)
        return refused(systemError());
    // A link someone else put there would take the files where they choose;
    // systemd links a dynamic user's state folder into /var/lib/private.
    const bool rootsLink = S_ISLNK(seen.st_mode) && seen.st_uid == 0 && ::geteuid() != 0;
    if (S_ISLNK(seen.st_mode) && !rootsLink)
        return refused(QStringLiteral("it is a symbolic link"));
    if (rootsLink && ::stat(name.constData(), &seen) != 0)
        return refused(systemError());
    if (!S_ISDIR(seen.st_mode))
        return refused(QStringLiteral("it is not a folder"));
    if (seen.st_uid != ::geteuid())
        return refused(QStringLiteral("it is not owned by this user"));
    if (seen.st_mode & S_IWOTH)
        return refused(QStringLiteral("others may write in it"));
    const int folder = ::open(name.constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC | (rootsLink ? 0 : O_NOFOLLOW));
    if (folder < 0)
        return refused(systemError());
    // The folder opened is the one checked, not one put in its place since.
    struct stat opened;
    if (::fstat(folder, &opened) != 0 || opened.st_dev != seen.st_dev
        || opened.st_ino != seen.st_ino) {
        ::close(folder);
        return refused(QStringLiteral("it changed while it was checked"));
    }
    return folder;
}

int DuzUdozuzeRecordFolder::lock(int folder, QString *error)
{
    const int lock = ::openat(folder, LockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
        *error = QStringLiteral("cannot make its lock: ") + systemError();
        return -1;
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK ? QStringLiteral("another process records there")
                                      : QStringLiteral("cannot lock it: ") + systemError();
        ::close(lock);
        return -1;
    }
    return lock;
}

QString DuzUdozuzeRecordFolder::fileName(qint64 sequence, qint64 time, bool breaks)
{
    const QString stamp = QDateTime::fromMSecsSinceEpoch(time, Qt::UTC).toString(TimeFormat);
    return QStringLiteral("duzudozuze-%1-%2%3.pcap")
        .arg(sequence, SequenceDigits, 10, QLatin1Char('0'))
        .arg(stamp, breaks ? QStringLiteral("-break") : QString());
}

std::optional<DuzUdozuzeRecordFolder::File> DuzUdozuzeRecordFolder::parse(const QString &name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^duzudozuze-(?:(\\d{10,18})-(\\d{8}T\\d{6}Z)(-break)?"
                       "|(\\d{8}T\\d{6}Z)(?:-([1-9]\\d{0,8}))?)\\.pcap$"));
    const QRegularExpressionMatch found = pattern.match(name);
    if (!found.hasMatch())
        return std::nullopt;
    const bool sequenced = found.capturedLength(1) > 0;
    QDateTime time = QDateTime::fromString(found.captured(sequenced ? 2 : 4), TimeFormat);
    time.setTimeSpec(Qt::UTC);
    if (!time.isValid())
        return std::nullopt;
    File file {name, time.toMSecsSinceEpoch()};
    if (sequenced) {
        file.sequence = found.captured(1).toLongLong();
        file.breaks = found.capturedLength(3) > 0;
    } else {
        file.index = found.captured(5).toInt();
    }
    return file;
}

std::vector<DuzUdozuzeRecordFolder::File> DuzUdozuzeRecordFolder::files(int folder)
{
    std::vector<File> found;
    const int listed = ::dup(folder);
    DIR *directory = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!directory) {
        if (listed >= 0)
            ::close(listed);
        return found;
    }
    ::rewinddir(directory);
    while (const dirent *entry = ::readdir(directory)) {
        std::optional<File> file = parse(QFile::decodeName(entry->d_name));
        struct stat status;
        if (!file || ::fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(status.st_mode))
            continue;
        file->size = status.st_size;
        found.push_back(*file);
    }
    ::closedir(directory);
    // The names of before the sequence number first, by their times.
    std::sort(found.begin(), found.end(), [](const File &a, const File &b) {
        if (a.sequence != b.sequence)
            return a.sequence < b.sequence;
        return a.start != b.start ? a.start < b.start : a.index < b.index;
    });
    return found;
}

std::vector<DuzUdozuzeRecordFolder::File>
DuzUdozuzeRecordFolder::span(const std::vector<File> &files, qint64 from, qint64 until)
{
    std::vector<File> chosen;
    for (size_t i = 0; i < files.size(); ++i) {
        // A name tells its first packet's second, and a packet may come up
        // to the tolerance before the latest: this file's packets end before
        // the next one's second ends, and the tolerance after.
        const bool endsBefore = i + 1 < files.size() && !files[i + 1].breaks
            && files[i + 1].start + 1000 + StepTolerance <= from;
        if (!endsBefore && files[i].start - StepTolerance <= until)
            chosen.push_back(files[i]);
    }
    return chosen;
}

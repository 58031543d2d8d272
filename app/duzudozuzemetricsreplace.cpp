// SPDX-License-Identifier: MIT
// The metrics file replaced by a rename, as POSIX does it.
#include "app/duzudozuzemetricsfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString DuzUdozuzeMetricsFile::refusal() const
{
    struct stat status;
    if (::lstat(QFile::encodeName(m_strPath).constData(), &status) != 0)
        return errno == ENOENT ? QString() : systemError(errno);
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("it is not a regular file");
    if (status.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    return {};
}

QString DuzUdozuzeMetricsFile::replace(const QByteArray &content) const
{
    const QByteArray path = QFile::encodeName(m_strPath);
    // A new file of its own (O_EXCL: never through a link), beside the old.
    QByteArray temporary = path + ".XXXXXX";
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0)
        return systemError(errno);
    int error = 0;
    // The collector runs as a user of its own: the file is for all to read.
    if (::fchmod(descriptor, 0644) != 0)
        error = errno;
    for (qsizetype done = 0; error == 0 && done < content.size();) {
        const ssize_t written
            = ::write(descriptor, content.constData() + done, size_t(content.size() - done));
        if (written < 0 && errno != EINTR)
            error = errno;
        else if (written > 0)
            done += written;
    }
    if (::close(descriptor) != 0 && error == 0)
        error = errno;
    // The rename replaces the name, never what a link there points to.
    if (error == 0 && ::rename(temporary.constData(), path.constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.constData());
    return error == 0 ? QString() : systemError(error);
}

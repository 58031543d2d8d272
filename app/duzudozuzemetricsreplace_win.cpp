// SPDX-License-Identifier: MIT
// The metrics file replaced as Windows does it: written beside, then moved
// over the old one.
#include "app/duzudozuzemetricsfile.h"

#include <QFileInfo>
#include <QSaveFile>

QString DuzUdozuzeMetricsFile::refusal() const
{
    const QFileInfo file(m_strPath);
    if (file.isSymLink() || file.isShortcut())
        return QStringLiteral("it is a symbolic link");
    if (file.exists() && !file.isFile())
        return QStringLiteral("it is not a regular file");
    return {};
}

QString DuzUdozuzeMetricsFile::replace(const QByteArray &content) const
{
    QSaveFile file(m_strPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.commit()) {
        return file.errorString();
    }
    return {};
}

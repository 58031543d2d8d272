#include "app/duzudozuzemetricsfile.h"

#include <QSaveFile>

#include <cstdio>

DuzUdozuzeMetricsFile::DuzUdozuzeMetricsFile(const QString &path,
                                             std::function<QByteArray()> content, QObject *parent)
    : QObject(parent), m_strPath(path), m_content(std::move(content))
{
    connect(&m_timer, &QTimer::timeout, this, &DuzUdozuzeMetricsFile::write);
    m_timer.start(Interval);
    write();
}

bool DuzUdozuzeMetricsFile::write()
{
    QSaveFile file(m_strPath);
    // The collector runs as a user of its own: the file is for all to read.
    const bool written = file.open(QIODevice::WriteOnly)
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                               | QFileDevice::ReadGroup | QFileDevice::ReadOther)
        && file.write(m_content()) >= 0 && file.flush() && file.commit();
    if (!written && !m_bFailureTold) {
        m_bFailureTold = true;
        std::fprintf(stderr, "duzudozuze: cannot write the metrics file %s: %s\n",
                     m_strPath.toLocal8Bit().constData(),
                     file.errorString().toLocal8Bit().constData());
    }
    return written;
}

// SPDX-License-Identifier: MIT
#include "net/duzudozuzerecordring.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

DuzUdozuzeRecordRing::DuzUdozuzeRecordRing(int folder, int lock) : m_nFolder(folder), m_nLock(lock)
{
    list();
}

DuzUdozuzeRecordRing::~DuzUdozuzeRecordRing()
{
    if (m_nFolder >= 0)
        ::close(m_nFolder);
    if (m_nLock >= 0)
        ::close(m_nLock);
}

void DuzUdozuzeRecordRing::list()
{
    const std::vector<DuzUdozuzeRecordFolder::File> files
        = DuzUdozuzeRecordFolder::files(m_nFolder);
    m_files.assign(files.begin(), files.end());
    m_nSequence = 0;
    for (const DuzUdozuzeRecordFolder::File &file : m_files)
        m_nSequence = qMax(m_nSequence, file.sequence + 1);
    m_bBegun = false;
}

bool DuzUdozuzeRecordRing::reopen(const QString &path, QString *why)
{
    const int folder = DuzUdozuzeRecordFolder::open(path, why);
    if (folder < 0)
        return false;
    struct stat was, now;
    const bool same = ::fstat(m_nFolder, &was) == 0 && ::fstat(folder, &now) == 0
        && was.st_dev == now.st_dev && was.st_ino == now.st_ino;
    // A folder made anew holds none of the files listed, and another
    // process may have begun to record there since.
    if (!same) {
        const int lock = DuzUdozuzeRecordFolder::lock(folder, why);
        if (lock < 0) {
            ::close(folder);
            return false;
        }
        ::close(m_nLock);
        m_nLock = lock;
    }
    ::close(m_nFolder);
    m_nFolder = folder;
    if (!same)
        list();
    return true;
}

void DuzUdozuzeRecordRing::trim(qint64 reserve, qint64 total)
{
    qint64 kept = reserve;
    for (const DuzUdozuzeRecordFolder::File &file : m_files)
        kept += file.size;
    while (kept > total && !m_files.empty()) {
        // One that is gone already (deleted by hand) is forgotten all the same.
        ::unlinkat(m_nFolder, QFile::encodeName(m_files.front().name).constData(), 0);
        kept -= m_files.front().size;
        m_files.pop_front();
    }
}

QString DuzUdozuzeRecordRing::nextName(qint64 time, bool breaks)
{
    const QString name = DuzUdozuzeRecordFolder::fileName(m_nSequence++, time, breaks || !m_bBegun);
    m_bBegun = true;
    return name;
}

int DuzUdozuzeRecordRing::create(const QString &name)
{
    const int descriptor = ::openat(m_nFolder, QFile::encodeName(name).constData(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
        DuzUdozuzeRecordFolder::File file;
        file.name = name;
        m_files.push_back(file);
    }
    return descriptor;
}

void DuzUdozuzeRecordRing::setNewestSize(qint64 size)
{
    if (!m_files.empty())
        m_files.back().size = size;
}

bool DuzUdozuzeRecordRing::deleteOldest(bool keepNewest)
{
    if (m_files.size() <= (keepNewest ? 1u : 0u))
        return false;
    ::unlinkat(m_nFolder, QFile::encodeName(m_files.front().name).constData(), 0);
    m_files.pop_front();
    return true;
}

void DuzUdozuzeRecordRing::deleteNewest()
{
    if (m_files.empty())
        return;
    ::unlinkat(m_nFolder, QFile::encodeName(m_files.back().name).constData(), 0);
    m_files.pop_back();
}

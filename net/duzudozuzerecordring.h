// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECORDRING_H
#define DUZUDOZUZERECORDRING_H

#include "net/duzudozuzerecordfolder.h"

#include <QString>

#include <deque>

// The files of a recording as its recorder keeps them: a list in memory, in
// the order written, made from the folder once, so that beginning a file
// lists nothing, and the first written is deleted first, whatever times
// their names carry (a clock stepped back would have the newest deleted).
// Each file is named with the next sequence number, which never runs out.
// Other files in the folder are left alone; the folder's lock keeps other
// recorders out.
class DuzUdozuzeRecordRing
{
public:
    // folder: a descriptor DuzUdozuzeRecordFolder::open() gave, lock its
    // lock (DuzUdozuzeRecordFolder::lock()); the ring owns both.
    DuzUdozuzeRecordRing(int folder, int lock);
    ~DuzUdozuzeRecordRing();
    DuzUdozuzeRecordRing(const DuzUdozuzeRecordRing &) = delete;
    DuzUdozuzeRecordRing &operator=(const DuzUdozuzeRecordRing &) = delete;

    // After a failure: the folder at path looked up and checked again, and
    // locked and listed again where it is another one; false, with why,
    // where it cannot be.
    bool reopen(const QString &path, QString *why);

    // The oldest files deleted, until those left and one more of reserve
    // bytes fit in total.
    void trim(qint64 reserve, qint64 total);
    // The name of the next file, whose first packet comes at time (ms since
    // the epoch); breaks: a file written before it may hold later times.
    // The first file of a ring breaks.
    QString nextName(qint64 time, bool breaks);
    // Makes the file of that name, mode 0600, the newest of the list; its
    // descriptor, or -1 with errno set.
    int create(const QString &name);
    // The newest file's size, as it is now.
    void setNewestSize(qint64 size);
    // The first file written deleted, but never the newest where kept;
    // false when there is none.
    bool deleteOldest(bool keepNewest);
    void deleteNewest();

    int folder() const { return m_nFolder; }

private:
    void list();

    int m_nFolder;
    int m_nLock; // held for as long as the ring is
    std::deque<DuzUdozuzeRecordFolder::File> m_files; // the order written
    qint64 m_nSequence = 0; // of the next file
    bool m_bBegun = false; // a file named since the folder was listed
};

#endif // DUZUDOZUZERECORDRING_H

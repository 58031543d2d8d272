// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECORDFOLDER_H
#define DUZUDOZUZERECORDFOLDER_H

#include <QString>

#include <optional>
#include <vector>

// The folder a recording is kept in, and the names of its files: each is
// "duzudozuze-NNNNNNNNNN-YYYYMMDDTHHMMSSZ.pcap", its sequence number (the
// order written, counted on from the folder's last, never run out) and the
// UTC time of its first packet. A file whose predecessors may hold later
// times than its own (the recorder began again, or the clock stepped back)
// ends its name in "-break". The names of before the sequence number,
// "duzudozuze-YYYYMMDDTHHMMSSZ.pcap" with "-N" where that name was taken,
// were written first, in the order of their times, then of N.
//
// A recorder writes a file's packets in the order of their times give or take
// StepTolerance: one that came further back begins a file of its own. So a
// file holds no packet before its name's time less that much, and, unless the
// next one breaks, none after the next one's time plus that much.
namespace DuzUdozuzeRecordFolder {

constexpr qint64 StepTolerance = 1000; // ms

struct File
{
    QString name;
    qint64 start = 0; // the time in the name, ms since the epoch
    qint64 sequence = -1; // -1: a name of before the sequence number
    int index = 0; // in such a name, the N after the time; 0: none
    bool breaks = false; // earlier files may hold later times
    qint64 size = 0; // bytes
};

// Makes the folder at path, mode 0700, where there is none, and checks that
// it may hold a recording: a folder of this user's, which others may not
// write in, not reached through a symbolic link (but for one root made for a
// program that is not root, as systemd does for a service's state folder).
// Returns a descriptor of the folder, or -1 with why in error.
[[nodiscard]] int open(const QString &path, QString *error);

// The folder's lock, so that no two processes record into it and delete each
// other's files: an exclusive flock on LockName in it, made where there is
// none. The lock's descriptor, or -1 with why in error.
constexpr char LockName[] = "duzudozuze.lock";
[[nodiscard]] int lock(int folder, QString *error);

// The name of the file of that sequence number whose first packet came at
// time (ms since the epoch).
QString fileName(qint64 sequence, qint64 time, bool breaks);
// What a name of the recording's says; nothing for any other name.
std::optional<File> parse(const QString &name);

// The recording's files in the folder (regular files of its names), in the
// order written; other files are left alone.
std::vector<File> files(int folder);
// Those of files, in the order written, that may hold packets from one time
// to another.
std::vector<File> span(const std::vector<File> &files, qint64 from, qint64 until);

} // namespace DuzUdozuzeRecordFolder

#endif // DUZUDOZUZERECORDFOLDER_H

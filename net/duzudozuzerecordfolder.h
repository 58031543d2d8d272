// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECORDFOLDER_H
#define DUZUDOZUZERECORDFOLDER_H

#include <QString>

#include <optional>
#include <vector>

// The folder a recording is kept in, and the names of its files: each is
// "duzudozuze-YYYYMMDDTHHMMSSZ.pcap" after the UTC time of its first packet,
// with "-N" before ".pcap" where that name was taken already. Their time
// order is the order of those times, then of N (counted, not spelled: -10
// comes after -9).
namespace DuzUdozuzeRecordFolder {

struct File
{
    QString name;
    qint64 start = 0; // the time in the name, ms since the epoch
    int index = 0; // the N after it; 0: none
    qint64 size = 0; // bytes
};

// Makes the folder at path, mode 0700, where there is none, and checks that
// it may hold a recording: a folder of this user's, which others may not
// write in, not reached through a symbolic link (but for one root made for a
// program that is not root, as systemd does for a service's state folder).
// Returns a descriptor of the folder, or -1 with why in error.
[[nodiscard]] int open(const QString &path, QString *error);

// The name of a file whose first packet came at time (ms since the epoch).
QString fileName(qint64 time, int index);
// The time and N of a name of the recording's; nothing for any other name.
std::optional<File> parse(const QString &name);

// The recording's files in the folder (regular files of its names), in time
// order; other files are left alone.
std::vector<File> files(int folder);
// Those that hold the packets from one time to another: the last that
// starts at from or before, and every one that starts after it up to until.
std::vector<File> span(const std::vector<File> &files, qint64 from, qint64 until);

} // namespace DuzUdozuzeRecordFolder

#endif // DUZUDOZUZERECORDFOLDER_H

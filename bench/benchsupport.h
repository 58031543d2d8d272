// SPDX-License-Identifier: MIT
#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include "common/duzudozuzelogline.h"

#include <QFile>
#include <QString>

#include <unistd.h>

// What the benchmark programs measure alike.

// The program's resident memory now.
inline qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

inline double residentMiB()
{
    return double(residentBytes()) / (1 << 20);
}

// A log line as the socket makes it for a datagram from a workstation.
inline QString receivedLine(int workstation)
{
    return DuzUdozuzeLogLine::timeText()
        + QStringLiteral(" Received 'NA:north:Fire:%1:3:OK'. 127.0.0.1:51126. type 0")
              .arg(workstation);
}

#endif // BENCHSUPPORT_H

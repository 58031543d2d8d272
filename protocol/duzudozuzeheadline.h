// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHEADLINE_H
#define DUZUDOZUZEHEADLINE_H

#include <QString>

class DuzUdozuzeWorkstationTable;

// What the operator reads first, from across the room: who is master in this
// workstation's own group, or the warning that stands there instead (two or
// more masters, none, nothing heard), and whether warnings wait to be
// acknowledged. It is made from the table's warnings and claimers alone, so it
// never says anything the warnings do not.
struct DuzUdozuzeHeadline
{
    enum class Tone {
        Calm, // a master, or none and no warning yet
        Alarm, // a warning of the own group, or of the port
        Off, // not listening
    };

    QString text;
    Tone tone = Tone::Calm;
    // "2 warnings unacknowledged", or empty when every one is acknowledged.
    QString unacknowledged;

    static DuzUdozuzeHeadline of(const DuzUdozuzeWorkstationTable &table, bool listening);
};

#endif // DUZUDOZUZEHEADLINE_H

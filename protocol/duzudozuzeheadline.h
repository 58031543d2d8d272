// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHEADLINE_H
#define DUZUDOZUZEHEADLINE_H

#include <QList>
#include <QString>

class DuzUdozuzeTimeline;
class DuzUdozuzeWorkstationTable;

// What the operator reads first, from across the room: who is master in this
// workstation's own group, or the warning that stands there instead, and
// whether warnings wait to be acknowledged. It is made from the table's
// warnings and claimers alone, so it never says anything the warnings do not,
// and in one fixed order, the cause before its symptoms: not listening,
// nothing heard, two or more masters, no master, flapping, the master. A cut
// cable reads "Nothing heard", never "NO MASTER". Of a capture it speaks in
// the past ("At the end: TWO MASTERS: 4 and 5"), and asks no acknowledgement.
struct DuzUdozuzeHeadline
{
    enum class Tone {
        Calm, // a master, or none and no warning yet
        Alarm, // a warning of the own group or of the port, or not listening
        Stale, // nothing heard for longer than a claim lasts, no warning yet
    };

    QString text;
    Tone tone = Tone::Calm;
    // "north/Fire channel 3": the group the text speaks of.
    QString group;
    // "2 warnings unacknowledged", or empty when every one is acknowledged.
    QString unacknowledged;

    // What the headline is made of, as the table or the timeline has it.
    struct Facts
    {
        bool listening = true;
        bool silent = false;
        qint64 silentFor = 0; // ms
        QList<int> claimers; // of the own group, the own first when master
        bool noMaster = false;
        bool flapping = false;
        int ownChanges = 0;
        qint64 quietFor = 0; // ms since anything was heard
        int ownWorkstation = 0;
        bool ownMaster = false;
    };

    static DuzUdozuzeHeadline of(const DuzUdozuzeWorkstationTable &table, bool listening);
    // As the timeline had it at the moment of the source's clock: "At
    // 03:14:07: TWO MASTERS: 4 and 5".
    static DuzUdozuzeHeadline at(const DuzUdozuzeTimeline &timeline, qint64 clock);
    // prefix goes before the text: "At the end: ".
    static DuzUdozuzeHeadline from(const Facts &facts, const QString &prefix);
};

#endif // DUZUDOZUZEHEADLINE_H

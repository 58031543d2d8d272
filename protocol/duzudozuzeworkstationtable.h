// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWORKSTATIONTABLE_H
#define DUZUDOZUZEWORKSTATIONTABLE_H

#include "common/duzudozuzetime.h"
#include "protocol/duzudozuzerecencylist.h"
#include "protocol/duzudozuzesourcetraits.h"
#include "protocol/duzudozuzewarnings.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <limits>
#include <vector>

struct DuzUdozuzeStatusDatagram;

// The operator's picture of the election: one row a workstation heard from,
// this workstation's own row first, the history of its own mode, and the
// warnings an operator must not miss (two masters, flapping, no master,
// silence): the two-master one here, from the claimers of each group, the
// others in DuzUdozuzeWarnings, from what the table tells it. Pure logic:
// time comes from an injectable clock, a source's monotonic one, and every
// call that can raise or end a warning returns what it raised and
// ended. Times of day shown to the operator come from a second clock, the
// wall clock, read when the event happens, so that they match the log's lines
// even after the wall clock is set.
class DuzUdozuzeWorkstationTable
{
public:
    using Clock = std::function<DuzUdozuzeSourceMs()>;
    using WallClock = std::function<DuzUdozuzeWallMs()>;

    // A row claims master while its workstation has sent one of the codes
    // only a master sends within this time.
    static constexpr qint64 ClaimTime = 10 * 1000;
    // A row not heard from for this long is stale.
    static constexpr qint64 StaleTime = 60 * 1000;
    // Rows come from the network: past this many, the stalest makes room.
    static constexpr int MaxRows = 10000;
    static constexpr int MaxHistory = 1000;
    // Claimers a two-master warning names; the rest are counted.
    static constexpr int MaxNamed = 8;

    // System and alarm system in upper case, and a number: the workstation
    // of a row, or the channel of a group.
    struct Key
    {
        QString system;
        QString alarmSystem;
        int number = 0;
        bool operator==(const Key &other) const
        {
            return number == other.number && system == other.system
                && alarmSystem == other.alarmSystem;
        }
        // The names' part of the hash, made once for a key that is looked
        // up again and again (that of the last datagram's names).
        size_t namesHash(size_t seed) const;

        mutable size_t hashedNames = 0;
        mutable size_t hashedSeed = 0;
        mutable bool hashed = false;
    };

    struct Row
    {
        bool own = false;
        int workstation = 0;
        QString system;
        QString alarmSystem;
        int channel = 0;
        quint32 address = 0;
        quint16 port = 0;
        QString lastCode;
        QString lastHealth;
        quint64 received = 0;
        qint64 firstSeen = -1; // clock time; -1: never heard
        qint64 firstSeenWall = -1; // the same moment in ms since the epoch
        qint64 lastSeen = -1;
        qint64 lastClaim = -1;
        // Of the own row only: this workstation's mode and health, and
        // whether it only watches (does not respond automatically) or hears
        // nothing (the set-up failed).
        bool master = false;
        bool healthy = false;
        bool watching = false;
        bool listening = true;
    };

    // A change of who is master: this workstation's own mode, or the
    // claimers of a group it hears (from {4} to {5}, to none, to two).
    struct Change
    {
        qint64 time; // clock time
        qint64 wallTime; // ms since the epoch
        bool own; // this workstation's mode; else a group's claimers
        bool master; // own: the mode after; the mode before is the other
        QString group; // else: "system/alarm system channel n", escaped
        QString from; // else: the claimers before and after, as names
        QString to;
        QString code; // the code that caused it; empty when no datagram did
        quint32 address; // who sent it
        int workstation;
        QString reason; // when no datagram did: why
    };

    using WarningRecord = DuzUdozuzeWarningLog::Record;
    using Event = DuzUdozuzeWarningLog::Event;
    using Events = DuzUdozuzeWarningLog::Events;

    explicit DuzUdozuzeWorkstationTable(Clock clock = {}, WallClock wallClock = {});

    // This workstation's identity, for its own row and its own group.
    void setOwnIdentity(const QString &system, const QString &alarmSystem, int workstation,
                        int channel);
    void setOwnHealthy(bool healthy);
    void setOwnWatching(bool watching) { m_slots[0].row.watching = watching; }
    // The set-up failed: this workstation takes no part and hears nothing.
    void setOwnListening(bool listening) { m_slots[0].row.listening = listening; }
    // Where what is heard comes from: the live port, or a capture read.
    void setSource(const DuzUdozuzeSourceTraits &source) { m_source = source; }
    const DuzUdozuzeSourceTraits &source() const { return m_source; }
    // This workstation's mode changed, because of code from the sender.
    Events ownModeChanged(bool master, const QString &code, quint32 address, int workstation);

    // A datagram in current format that passed the monitor filters.
    Events update(const DuzUdozuzeStatusDatagram &datagram, quint32 address, quint16 port);
    // The row the last update() was of.
    int updated() const { return m_nUpdated; }
    // Time passes: claims expire, rows go stale, warnings start and end.
    // Called about once a second.
    Events tick();
    // The earliest clock time at which tick() can change anything, or the
    // time before it: until then a tick raises, ends and records nothing, so
    // a clock that jumps (a capture's) need not tick through empty time.
    DuzUdozuzeSourceMs nextChange() const { return duzUdozuzeSourceMs(m_nNextChange); }

    // The silence warning: nothing at all heard on the port (0: on any) for
    // the time given (0: never a warning), counted from now.
    void setSilence(std::chrono::milliseconds time, int port);
    // A datagram arrived, whatever it held.
    Events heard();
    // Forgets every row but the own one.
    Events clear();

    // Row 0 is the own row; the others in the order they came, a row whose
    // place the stalest row gave up standing where that one stood.
    int rowCount() const { return int(m_slots.size()); }
    const Row &row(int index) const { return m_slots[size_t(index)].row; }
    bool claimsMaster(const Row &row) const;
    bool isStale(const Row &row) const;
    // Rows that made room for newer ones since the start.
    quint64 evicted() const { return m_nEvicted; }
    // Increases when rows are added or removed (not when they change).
    quint64 structureGeneration() const { return m_nStructure; }

    const std::deque<Change> &history() const { return m_history; }
    // Increases with every change recorded.
    quint64 historyGeneration() const { return m_nHistoryAdded; }
    quint64 modeChanges() const { return m_nModeChanges; }
    // The last DuzUdozuzeWarningLog::MaxRecords warnings, raised and ended,
    // oldest first.
    const std::deque<WarningRecord> &warningLog() const { return m_warnings.log().records(); }
    quint64 warningGeneration() const { return m_warnings.log().generation(); }
    // The operator has seen the warning at row of the log (newest first), or
    // every one: returns how many were acknowledged now. They stay in the log
    // with the time of it.
    int acknowledgeWarning(int row)
    {
        return m_warnings.acknowledge(warningLog().size() - 1 - size_t(row));
    }
    int acknowledgeWarnings() { return m_warnings.acknowledgeAll(); }
    int unacknowledgedWarnings() const { return m_warnings.log().unacknowledged(); }
    // The texts of the warnings now in force, built now, as the facts are
    // now: each two-master warning from the claimers of its own group only,
    // the counts and the durations current.
    QStringList activeWarnings() const;
    int warningCount() const { return int(m_twoMasterGroups.size()) + m_warnings.count(); }
    bool twoMasters() const { return !m_twoMasterGroups.isEmpty(); }
    bool flapping() const { return m_warnings.flapping(); }
    bool noMaster() const { return m_warnings.noMaster(); }
    // Nothing at all heard for the silence time (see setSilence).
    bool silent() const { return m_warnings.silent(); }
    qint64 silentFor() const { return m_warnings.silentFor(); }
    qint64 quietFor() const { return m_warnings.quietFor(); }
    // This workstation's changes of mode in the last 10 minutes.
    int ownChanges() const { return m_warnings.ownChanges(); }
    // "north/Fire channel 3", as the warnings name it.
    QString ownGroupName() const;
    static QString groupName(const QString &system, const QString &alarmSystem, int channel);
    // The workstation numbers of the claimers of this workstation's own
    // group, this one's first when it is master, as the warnings count them.
    QList<int> ownGroupClaimers() const;
    // Master claimers now, by group: system, alarm system and channel.
    struct Group
    {
        QString system;
        QString alarmSystem;
        int channel;
        int claimers = 0;
    };
    QList<Group> claimerGroups() const;
    qint64 now() const { return m_clock(); }

private:
    enum class NoMasterCheck {
        Quick, // only what a claim or this workstation's mode can change
        PeerHeard, // a fresh peer of the own group was just heard
        Full, // look through every row
    };

    // What the table keeps of one row.
    struct Slot
    {
        Row row;
        Key group; // of the row's system, alarm system and channel
        bool claiming = false; // as last counted
    };
    // A group with claimers, or in a two-master episode.
    struct GroupState
    {
        QString name; // "system/alarm system channel n", escaped
        std::vector<int> claimers; // row indices, ascending
        quint64 warning = 0; // its two-master warning's record, while in force
    };
    // What made a row's claim start or end.
    struct Cause
    {
        QString code;
        quint32 address = 0;
        int workstation = 0;
        QString reason; // when no datagram did
    };

    static Key key(const QString &system, const QString &alarmSystem, int number);
    int newRow(const Key &rowKey, Events &events);
    void setClaiming(int index, bool claiming, Events &events, const Cause &cause);
    // The claimers of a group as names: "none", "workstation 4",
    // "workstations 4 and 5".
    QString claimersText(const GroupState &state) const;
    QString namedClaimers(const GroupState &state,
                          const std::function<QString(const Row &)> &name) const;
    void record(Change change);
    void checkTwoMasters(const Key &group, Events &events);
    QString twoMastersText(const Key &group) const;
    QString claimerName(const Row &row) const;
    void checkNoMaster(Events &events, NoMasterCheck check = NoMasterCheck::Quick);
    // Brings the next change forward to time, at the latest.
    void changeBy(qint64 time) { m_nNextChange = qMin(m_nNextChange, time); }
    qint64 findNextChange() const;

    // The clocks as plain counts of ms, which the rows and warnings keep.
    DuzUdozuzeWarnings::Clock m_clock;
    DuzUdozuzeSourceTraits m_source;
    DuzUdozuzeWarnings::Clock m_wallClock;
    std::vector<Slot> m_slots;
    QHash<Key, int> m_index; // row key to index, the own row not among them
    Key m_ownKey;
    Key m_lastNames; // of the last datagram, as they came
    Key m_lastUpper; // the same in upper case
    DuzUdozuzeRecencyList m_recency; // the other rows, the stalest first
    QHash<Key, GroupState> m_groups;
    QSet<Key> m_twoMasterGroups; // in a two-master episode
    std::deque<Change> m_history;
    quint64 m_nHistoryAdded = 0;
    quint64 m_nModeChanges = 0;
    DuzUdozuzeWarnings m_warnings;
    quint64 m_nEvicted = 0;
    quint64 m_nStructure = 0;
    int m_nUpdated = 0;
    qint64 m_nNextChange = std::numeric_limits<qint64>::max();
};

size_t qHash(const DuzUdozuzeWorkstationTable::Key &key, size_t seed = 0);

inline QList<int> DuzUdozuzeWorkstationTable::ownGroupClaimers() const
{
    QList<int> numbers;
    const auto found = m_groups.constFind(m_slots[0].group);
    for (const int index : found != m_groups.constEnd() ? found->claimers : std::vector<int>())
        numbers.append(row(index).workstation);
    return numbers;
}

#endif // DUZUDOZUZEWORKSTATIONTABLE_H

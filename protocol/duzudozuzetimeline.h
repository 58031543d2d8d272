// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINE_H
#define DUZUDOZUZETIMELINE_H

#include "protocol/duzudozuzewarninglog.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QHash>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <vector>

// Who held which role when: one lane a workstation of every group heard, each
// a run of spans (master, unhealthy master, slave, unheard), the warnings as
// spans of their own, and for each span a datagram began, that datagram (its
// code, its sender, whether this workstation answered it). It grows by
// changes of role, not by datagrams: a steady fleet costs a span a handover.
// A lane's role follows the workstation table's rules (a claim lasts
// ClaimTime, a row goes stale after StaleTime), worked out when the next
// datagram comes or when a span is read, never by a tick: an open span's end
// is known exactly, not on the tick's grid.
//
// Times are the source's monotonic clock, which never runs back; each is
// shown in the wall clock's time of day, by an offset that changes where the
// wall clock stepped (a capture's stamps stepping back, the time of day set).
// The spans of the last MaxAge, at most MaxSpans of them, are kept, the
// oldest dropped first and counted.
class DuzUdozuzeTimeline
{
public:
    enum class Role : quint8 {
        Unheard, // not heard yet, or not for StaleTime
        Slave, // heard, not claiming master
        Unhealthy, // claiming master, its health not "OK" (or "NU")
        Master, // claiming master, healthy
    };
    // What began a span, where no datagram did.
    enum class Reason : quint8 { Datagram, Start, ClaimLapsed, NotHeard, Cleared, Mode, Moved };

    struct Cause
    {
        Reason reason = Reason::Start;
        bool answered = false; // this workstation answered the datagram
        char code[4] = {}; // the datagram's code, as far as four letters go
        quint32 address = 0; // its sender
        QString codeText() const { return QString::fromLatin1(code, qstrnlen(code, 4)); }
        // Of a datagram of the code, from the sender.
        static Cause datagram(const QString &code, quint32 address);
    };
    struct Span
    {
        qint64 from; // source clock, ms
        qint64 until; // the moment the next span begins
        Role role;
        Cause cause;
    };
    struct Lane
    {
        QString system; // as first heard
        QString alarmSystem;
        int channel = 0;
        int workstation = 0;
        bool own = false;
        // "north/Fire/3"
        QString group() const
        {
            return system + QLatin1Char('/') + alarmSystem + QLatin1Char('/')
                + QString::number(channel);
        }
    };
    struct Warning
    {
        qint64 from;
        qint64 until = -1; // -1: in force
        DuzUdozuzeWarningLog::Kind kind;
        QString text;
        QString endText;
        qint64 lastHeard = -1; // of the silence: when anything was last heard
    };

    static constexpr qint64 MaxAge = 24 * 60 * 60 * 1000;
    static constexpr int MaxSpans = 100000;
    static constexpr int MaxWarnings = 10000;
    // Lanes are made by what is heard: past this many, no more are drawn.
    static constexpr int MaxLanes = 20000;
    // The wall clock going off the source's by more than this is a step.
    static constexpr qint64 StepTime = 1000;

    // Lane 0 is this workstation's own, of the identity given.
    DuzUdozuzeTimeline(const QString &system, const QString &alarmSystem, int workstation,
                       int channel);

    // The source listens from now on; the own lane begins.
    void start(qint64 clock, qint64 wall, bool listening);
    // A datagram of the table's row at index was taken in now (the time told
    // by advance()): its lane's role may change.
    void heard(const DuzUdozuzeWorkstationTable &table, int index, qint64 clock);
    // This workstation answered the datagram heard last.
    void answered();
    // This workstation's own mode or health, now.
    void ownChanged(bool master, bool healthy, const Cause &cause, qint64 clock);
    void warned(const DuzUdozuzeWarningLog::Event &event, qint64 clock);
    // The table forgot every row but the own one: each lane is unheard.
    void cleared(qint64 clock);

    int laneCount() const { return int(m_lanes.size()); }
    // The lane of a workstation of a group, or -1.
    int laneOf(const QString &system, const QString &alarmSystem, int channel,
               int workstation) const;
    const Lane &lane(int index) const { return m_lanes[size_t(index)].lane; }
    // The spans of a lane that meet [from, until), the one open to now
    // included and worked out up to now.
    std::vector<Span> spans(int lane, qint64 from, qint64 until) const;
    Role roleAt(int lane, qint64 clock) const;
    // The own group's lanes claiming master at the moment, in the order the
    // table counts them.
    QList<int> ownGroupClaimersAt(qint64 clock) const;
    bool inOwnGroup(int lane) const;
    // The lanes as they are drawn: the own group first, its own lane first,
    // then the other groups by name; in a group, by workstation.
    struct LaneGroup
    {
        QString name; // "north/Fire/3"
        QList<int> lanes;
    };
    QList<LaneGroup> laneGroups() const;
    // Whether this workstation has an identity, and so a lane drawn.
    bool ownKnown() const { return !lane(0).system.isEmpty() && lane(0).channel >= 0; }
    // The warnings, oldest first.
    const std::deque<Warning> &warnings() const { return m_warnings; }
    // The warning of the kind in force at the moment, or none.
    const Warning *warningAt(DuzUdozuzeWarningLog::Kind kind, qint64 clock) const;
    // This workstation's changes of mode in the window before the moment.
    int ownChangesAt(qint64 clock, qint64 window) const;
    // The times kept: from the first span kept to the last moment heard.
    qint64 first() const { return std::max(m_nFirst, m_nNow - MaxAge); }
    qint64 now() const { return m_nNow; }
    bool started() const { return m_bStarted; }
    // Time passes, nothing heard.
    void advance(qint64 clock, qint64 wall)
    {
        // Most often the clocks go on together.
        if (clock >= m_nNow && !m_offsets.empty()
            && std::abs(wall - clock - m_offsets.back().offset) <= StepTime) {
            m_nNow = clock;
            return;
        }
        tellTime(clock, wall);
    }
    // A datagram came now, whatever it held; the time was told.
    void received(qint64 clock) { m_nLastAny = clock; }
    qint64 wallOf(qint64 clock) const;
    // The first clock time shown as wall, or the nearest.
    qint64 clockOf(qint64 wall) const;
    // The stretches of [from, until) each shown by one offset of the wall
    // clock (wall minus clock), in the clock's order.
    struct Piece
    {
        qint64 from;
        qint64 until;
        qint64 offset;
    };
    std::vector<Piece> pieces(qint64 from, qint64 until) const;
    // How often the wall clock stepped back.
    int stepsBack() const { return m_nStepsBack; }
    // Spans and warnings dropped for the bounds, and lanes not made.
    quint64 droppedSpans() const { return m_nDroppedSpans; }
    quint64 droppedWarnings() const { return m_nDroppedWarnings; }
    quint64 lanesRefused() const { return m_nLanesRefused; }
    // The span count of the lanes, open ones not counted.
    int spanCount() const { return int(m_closed.size()); }
    // Increases with every span closed and warning raised or ended.
    quint64 generation() const { return m_nGeneration; }

    static const char *roleName(Role role);
    // What began a span: "NA from 10.0.0.4, answered NO", "no claim for 10 s".
    static QString causeText(const Cause &cause);

private:
    // The span a lane is in.
    struct Open
    {
        qint64 from = 0;
        Role role = Role::Unheard;
        Cause cause;
    };
    // A lane, its closed spans and its open one, and when it was last heard
    // and claimed, which end the open one.
    struct LaneState
    {
        Lane lane;
        std::vector<Span> spans; // from the index first on
        size_t first = 0;
        Open open;
        qint64 lastSeen = -1;
        qint64 lastClaim = -1;
    };
    // What a table's row is drawn in, and how its lane was known.
    struct RowLane
    {
        int lane = -1;
        qint64 firstSeen = -1;
        int channel = 0;
    };
    struct Offset
    {
        qint64 clock;
        qint64 offset; // wall minus clock
    };

    int laneFor(const DuzUdozuzeWorkstationTable::Row &row);
    // The spans that begin by themselves, claims lapsing and rows going
    // stale, closed up to clock.
    void settle(LaneState &state, qint64 clock);
    // The span that follows open by itself, or false.
    static bool lapse(const LaneState &state, const Open &open, Open &next);
    void change(int lane, Role role, const Cause &cause, qint64 clock);
    void prune();
    void pruneWarnings();
    // The lane is heard no more from now: its row went to another.
    void leave(int lane, Reason reason, qint64 clock);
    void tellTime(qint64 clock, qint64 wall);

    std::vector<LaneState> m_lanes;
    QHash<QString, int> m_laneIndex; // upper-case "system/alarm/channel/workstation"
    std::vector<RowLane> m_rowLanes; // by the table's row index
    std::deque<int> m_closed; // the lanes of the closed spans, oldest first
    std::deque<Warning> m_warnings;
    QHash<quint64, size_t> m_openWarnings; // number to index from m_nWarningBase
    quint64 m_nWarningBase = 0;
    std::vector<Offset> m_offsets;
    int m_nLastHeard = -1; // the lane whose span the last datagram began
    bool m_bStarted = false;
    qint64 m_nFirst = 0;
    qint64 m_nLastAny = -1;
    qint64 m_nNow = 0;
    int m_nStepsBack = 0;
    quint64 m_nDroppedSpans = 0;
    quint64 m_nDroppedWarnings = 0;
    quint64 m_nLanesRefused = 0;
    quint64 m_nGeneration = 0;
};

#endif // DUZUDOZUZETIMELINE_H

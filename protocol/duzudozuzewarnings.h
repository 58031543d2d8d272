// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWARNINGS_H
#define DUZUDOZUZEWARNINGS_H

#include "protocol/duzudozuzewarninglog.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <limits>

// The workstation table's warnings, raised and ended into one log with the
// wall clock's time, and the three of them that need no rows, only time and
// what the table tells: flapping (this workstation's own changes), no master
// (in its own group) and silence (nothing heard at all). The two-master
// warning is decided by the table, which knows the claimers, and raised and
// ended here. Each of these three holds its record's number while in force.
class DuzUdozuzeWarnings
{
public:
    using Clock = std::function<qint64()>;
    using Events = DuzUdozuzeWarningLog::Events;
    using Kind = DuzUdozuzeWarningLog::Kind;

    static constexpr qint64 FlappingWindow = 10 * 60 * 1000;
    static constexpr int MaxChangesInWindow = 6;
    static constexpr qint64 NoMasterTime = 30 * 1000;

    void setClocks(Clock clock, Clock wallClock)
    {
        m_clock = std::move(clock);
        m_wallClock = std::move(wallClock);
    }

    // A warning raised now: its number, for end().
    quint64 raise(Events &events, Kind kind, const QString &text);
    void end(Events &events, Kind kind, quint64 warning, const QString &text);
    const DuzUdozuzeWarningLog &log() const { return m_log; }
    // Acknowledged now, by the wall clock.
    int acknowledge(size_t index) { return m_log.acknowledge(index, m_wallClock()); }
    int acknowledgeAll() { return m_log.acknowledgeAll(m_wallClock()); }

    // This workstation changed mode now.
    void ownModeChanged(Events &events);
    void checkFlapping(Events &events);

    // The own group as its warnings name it: "system/alarm system channel n".
    void setOwnGroup(const QString &name) { m_ownGroup = name; }
    // claimed: this workstation or a row of its group claims master; peers:
    // a row of its group was heard within the stale time.
    void checkNoMaster(Events &events, bool claimed, bool peers);
    // When the no-master warning is or was due; never while a master is
    // seen or no peer heard.
    qint64 noMasterDue() const;

    // Warns when nothing at all is heard on the port for time (0: never),
    // counted from now and from each datagram. Port 0: every port (a capture
    // read whole), and the texts name none.
    void setSilence(qint64 time, int port);
    void heard(Events &events);
    void checkSilence(Events &events);
    // When the silence warning is due, counted from the last datagram; never
    // without a silence time.
    qint64 silenceDue() const;
    // How long nothing has been heard, while the silence warning is in force.
    qint64 silentFor() const { return m_clock() - m_nLastHeard; }
    // How long nothing has been heard, warning or not; -1 without a
    // silence time.
    qint64 quietFor() const { return m_nLastHeard < 0 ? -1 : m_clock() - m_nLastHeard; }
    // This workstation's changes of mode in the flapping window.
    int ownChanges() const { return changesInWindow(); }

    bool flapping() const { return m_nFlapping != 0; }
    bool noMaster() const { return m_nNoMaster != 0; }
    bool silent() const { return m_nSilent != 0; }
    // Of these three, in this order, the texts built now.
    QStringList activeWarnings() const;
    int count() const { return (flapping() ? 1 : 0) + (noMaster() ? 1 : 0) + (silent() ? 1 : 0); }
    // The earliest clock time at which one of these three can start or end;
    // masterMissing: peers of the own group are heard and none claims.
    qint64 nextChange(bool masterMissing) const;

private:
    static constexpr qint64 Never = std::numeric_limits<qint64>::max();
    // This workstation's changes kept to count the window's.
    static constexpr size_t MaxOwnChanges = 1000;

    int changesInWindow() const;
    QString flappingText() const;
    QString noMasterText() const;
    QString silenceText() const;

    Clock m_clock;
    Clock m_wallClock;
    DuzUdozuzeWarningLog m_log;
    std::deque<qint64> m_ownChanges; // clock times of this workstation's changes
    quint64 m_nFlapping = 0; // each warning's record while in force; 0: none
    QString m_ownGroup;
    qint64 m_nNoMasterSince = -1;
    quint64 m_nNoMaster = 0;
    quint64 m_nSilent = 0;
    qint64 m_nSilenceTime = 0; // 0: no silence warning
    int m_nSilencePort = 0;
    qint64 m_nLastHeard = -1; // clock time
};

#endif // DUZUDOZUZEWARNINGS_H

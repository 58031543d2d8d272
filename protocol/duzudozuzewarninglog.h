// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWARNINGLOG_H
#define DUZUDOZUZEWARNINGLOG_H

#include <QList>
#include <QString>

#include <deque>

// Every warning raised and how it ended, the last MaxRecords of them, for the
// window's log and the dump; each raising and ending is also an event for the
// caller to pass on at once. A warning is known by the number raise() gives,
// so that it can still end after newer ones have pushed it out of the log.
// A warning raised stays unacknowledged, in force or ended, until the
// operator acknowledges it: one that came and went at night is still there to
// be looked at in the morning.
class DuzUdozuzeWarningLog
{
public:
    static constexpr int MaxRecords = 1000;

    // A warning raised, and when it ended; the texts as they were then.
    struct Record
    {
        qint64 raised; // ms since the epoch
        qint64 ended = -1; // -1: in force
        QString text;
        QString endText;
        qint64 acknowledged = -1; // ms since the epoch; -1: not yet
    };

    enum class Kind : quint8 { TwoMasters, Flapping, NoMaster, Silence };

    struct Event
    {
        bool raised; // false: the warning ended
        QString text;
        Kind kind;
        quint64 number; // the warning's, as raise() gave it
    };
    using Events = QList<Event>;

    // Times are the wall clock's, in ms since the epoch.
    quint64 raise(Events &events, Kind kind, const QString &text, qint64 time);
    void end(Events &events, Kind kind, quint64 warning, const QString &text, qint64 time);

    // The record at index (oldest first), or every record not yet
    // acknowledged; returns how many were acknowledged now.
    int acknowledge(size_t index, qint64 time);
    int acknowledgeAll(qint64 time);
    // Records raised and not yet acknowledged.
    int unacknowledged() const { return m_nUnacknowledged; }

    // Oldest first.
    const std::deque<Record> &records() const { return m_records; }
    // Increases with every warning raised, ended or acknowledged.
    quint64 generation() const { return m_nChanges; }

private:
    std::deque<Record> m_records;
    quint64 m_nBase = 1; // the number of the log's first record
    quint64 m_nChanges = 0;
    int m_nUnacknowledged = 0;
};

#endif // DUZUDOZUZEWARNINGLOG_H

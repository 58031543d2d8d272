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
    };

    struct Event
    {
        bool raised; // false: the warning ended
        QString text;
    };
    using Events = QList<Event>;

    // Times are the wall clock's, in ms since the epoch.
    quint64 raise(Events &events, const QString &text, qint64 time);
    void end(Events &events, quint64 warning, const QString &text, qint64 time);

    // Oldest first.
    const std::deque<Record> &records() const { return m_records; }
    // Increases with every warning raised or ended.
    quint64 generation() const { return m_nChanges; }

private:
    std::deque<Record> m_records;
    quint64 m_nBase = 1; // the number of the log's first record
    quint64 m_nChanges = 0;
};

#endif // DUZUDOZUZEWARNINGLOG_H

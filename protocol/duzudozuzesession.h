// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESESSION_H
#define DUZUDOZUZESESSION_H

#include "common/duzudozuzelogger.h"
#include "common/duzudozuzetime.h"
#include "protocol/duzudozuzemastership.h"
#include "protocol/duzudozuzestatusdatagram.h"
#include "protocol/duzudozuzetimeline.h"
#include "protocol/duzudozuzetokenbucket.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QString>

struct DuzUdozuzeSettings;

// The election as this workstation takes part in it, whatever brings the
// datagrams: a datagram's bytes, its length on the wire, its sender and the
// time it came go in; the lines, the answers to send, the warnings raised and
// ended and the counts come out, to one sink. The format check, the monitor
// filters, the respond checks, the state machine, the answer limit and the
// workstation table with its ticks are all here. It knows no socket, no file
// and no event loop: the time is always given, by a clock the source owns
// (the live clocks, or a capture's), so it is tested with a clock the test
// turns.
class DuzUdozuzeSession : public DuzUdozuzeLogger
{
public:
    // A moment on the source's two clocks.
    struct Time
    {
        DuzUdozuzeSourceMs clock;
        DuzUdozuzeWallMs wall;
    };

    struct Counts
    {
        quint64 received = 0; // datagrams read
        quint64 shown = 0; // passed the filters and logged
        quint64 filtered = 0; // dropped by a monitor filter
        quint64 notCurrentFormat = 0;
        quint64 answersSent = 0;
        quint64 answersSuppressed = 0; // over the answer rate limit
        quint64 answersNotSent = 0; // decided, but this workstation sends none
    };

    // Where what the session makes goes.
    class Sink
    {
    public:
        // One finished line, time stamp included.
        virtual void logLine(const QString &line) = 0;
        // Sends a status datagram of this workstation; false when the write
        // failed.
        virtual bool sendStatus(const QByteArray &datagram) = 0;
        // A warning of the workstation table was raised, or ended.
        virtual void warned(bool raised, const QString &text) = 0;
        virtual void counted() = 0;
        virtual void modeChanged(bool master) = 0;

    protected:
        ~Sink() = default;
    };

    // The most of a datagram that is read and quoted.
    static constexpr qint64 MaxDatagramSize = 255;
    // Answers a second, and at once, that a flood of "NA" can draw.
    static constexpr int MaxAnswersPerSecond = 10;
    // The table ticks on a grid of this step, where something can change.
    static constexpr std::chrono::milliseconds TickInterval = std::chrono::seconds(1);

    // settings and sink outlive the session.
    DuzUdozuzeSession(const DuzUdozuzeSettings &settings, Sink &sink, Time start);

    // The source listens from now on: the silence warning counts from here,
    // and the table's ticks step from here.
    void startListening(Time now);
    // A datagram, available bytes of it as received, length long on the
    // wire; one longer than MaxDatagramSize, or cut short, is quoted as far
    // as it goes and not acted on.
    void receive(const char *data, qint64 available, qint64 length, quint32 address, quint16 port,
                 Time now);
    // Time passes: the table ticks where something can change, the
    // suppressed answers are told.
    void advance(Time now);

    // The state machine, for a datagram that passed every check.
    void handleMessageCode(const QString &code, const QString &healthWord);
    // Builds the status datagram of this workstation and sends it.
    void broadcastStatus(const QString &code);
    QByteArray statusDatagram(const QString &code) const;

    // Where the datagrams come from; a source that sends no answers has
    // them decided and told, never sent.
    void setSource(const DuzUdozuzeSourceTraits &source) { m_workstations.setSource(source); }
    // Why the answers decided are not sent; empty while they are.
    QString answersNotSentReason() const;

    void setRespondAutomatically(bool on);
    void setOk(bool ok);
    void clearWorkstations();

    bool isMaster() const { return m_mastership.isMaster(); }
    bool isOk() const { return m_mastership.isOk(); }
    bool respondsAutomatically() const { return m_bRespondAutomatically; }
    const Counts &counts() const { return m_counts; }
    const DuzUdozuzeWorkstationTable &workstations() const { return m_workstations; }
    // Who held which role when.
    const DuzUdozuzeTimeline &timeline() const { return m_timeline; }
    // For the operator's acknowledgements.
    DuzUdozuzeWorkstationTable &workstations() { return m_workstations; }
    // When the last datagram came; the epoch: never.
    DuzUdozuzeWallMs lastDatagramTime() const { return m_lastDatagramTime; }
    // The time of day of now, as the lines show it.
    QString timeText() const;

protected:
    void logLine(const QString &line) override { m_sink.logLine(line); }
    std::optional<qint64> lineTime() const override { return duzUdozuzeMsCount(m_now.wall); }

private:
    void report(const DuzUdozuzeWorkstationTable::Events &events);
    void counted() { m_sink.counted(); }
    void suppressAnswer();
    void reportSuppressedAnswers();
    const char *respondCheckFailure(const DuzUdozuzeStatusDatagram &datagram);
    // A line of the text as it is, at the time of now.
    void say(const char *text);

    const DuzUdozuzeSettings &m_settings;
    Sink &m_sink;
    Time m_now;
    DuzUdozuzeSourceMs m_nextTick;
    DuzUdozuzeMastership m_mastership;
    DuzUdozuzeWorkstationTable m_workstations;
    DuzUdozuzeTimeline m_timeline;
    bool m_bRespondAutomatically = false;
    DuzUdozuzeStatusDatagram m_datagram; // the last one in current format
    Counts m_counts;
    DuzUdozuzeWallMs m_lastDatagramTime;
    // Filters that let everything through are not run.
    bool m_bSystemFilter;
    bool m_bAlarmSystemFilter;
    struct CheckedNames
    {
        QString system, alarmSystem, ownSystem, ownAlarmSystem;
        const char *failure = nullptr;
    } m_checkedNames;

    // The answer rate limit, and its report: at most one line a second.
    DuzUdozuzeTokenBucket m_answerLimit {MaxAnswersPerSecond, MaxAnswersPerSecond};
    quint64 m_nSuppressedUnreported = 0;
    DuzUdozuzeSourceMs m_suppressedReported;
};

#endif // DUZUDOZUZESESSION_H

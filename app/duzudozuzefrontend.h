// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEFRONTEND_H
#define DUZUDOZUZEFRONTEND_H

#include "common/duzudozuzelogger.h"
#include "common/idebug.h"
#include "net/duzudozuzestation.h"

#include <QDeadlineTimer>
#include <QStringList>
#include <QTimer>

#include <memory>

class DuzUdozuzeHttpView;
class DuzUdozuzeMetricsFile;
class DuzUdozuzeOutputStream;
class QObject;

// What the window and the console have in common: the log sink, the one
// station, made from the environment and the control string, standard
// error, the signals and the end.
//
// Standard error never holds up the event loop: its lines wait in a bounded
// queue as standard output's do. SIGUSR1 writes the picture of the election
// there, at most once a second however many come; SIGINT, SIGTERM and SIGHUP
// end the front end with the counts line; one more during the end changes
// nothing.
class DuzUdozuzeFrontEnd : public IDebug, public DuzUdozuzeLogger
{
public:
    DuzUdozuzeStation *station() const { return m_pStation.get(); }

    void debugMessage(int, int, const QString &prefix, const QString &text) override;
    void debugPrintf(int, int, const QString &prefix, const char *format, va_list args) override;

    // The counts line; the log lines dropped are told when there are any.
    static QString countsText(const DuzUdozuzeSession &session, quint64 linesDropped = 0);
    // Log lines this front end could not show.
    virtual quint64 logLinesDropped() const = 0;
    // The workstation table, the warnings in force and the mastership
    // history, as SIGUSR1 writes them.
    QString dumpText() const;

    // How long the end may take to write what is still queued and the counts:
    // a stop signal ends the program within a second even while nobody reads
    // its output.
    static constexpr int FinishTime = 700; // ms
    static constexpr int MinDumpInterval = 1000; // ms

protected:
    DuzUdozuzeFrontEnd();
    ~DuzUdozuzeFrontEnd();

    // Reads HX_ROOT, HX_SYSTEM and HX_WORKSTATION and makes the station,
    // which sets itself up and logs through this sink.
    void createStation(const QStringList &args);
    virtual void appendLine(const QString &line) = 0;
    void logLine(const QString &line) override { appendLine(line); }
    // Text of whole lines to standard error. When standard error goes to the
    // journal, each line starts with the priority given, if one is ("<4>":
    // a warning, "<5>": its end); otherwise the text is written as it is.
    void tellError(const QString &text, QLatin1String priority = {});
    // A problem the operator should know of, said once: standard error (in
    // the journal with its priority, if given), and wherever else the front
    // end shows such things.
    virtual void tellProblem(const QString &text, QLatin1String priority = {})
    {
        tellError(text, priority);
    }
    // With /metrics=PATH, the metrics file from now on, every 10 s.
    void startMetrics(QObject *owner);
    // Once more at the end.
    void writeMetrics();
    // With /http=ADDR:PORT, the HTTP view from now on, a child of owner;
    // false, with its line logged, when it cannot listen there.
    bool startHttp(QObject *owner);
    void stopHttp();

    // The signals, turned into requestDump() and stop() while the event loop
    // runs.
    void handleSignals(QObject *owner);
    virtual void stop() = 0;
    // One dump now, or at the end of the second since the last one.
    void requestDump();
    // What is still queued for the front end's own output, within the end's
    // deadline.
    virtual void finishOutput(QDeadlineTimer) { }
    // The end, within FinishTime: the HTTP view closed, the output, the
    // metrics and, if asked, the counts line. Returns code.
    int end(int code, bool tellCounts);

    std::unique_ptr<DuzUdozuzeStation> m_pStation;
    DuzUdozuzeMetricsFile *m_pMetricsFile = nullptr; // child of the owner given
    DuzUdozuzeHttpView *m_pHttpView = nullptr; // child of the owner given, until the end
    std::unique_ptr<DuzUdozuzeOutputStream> m_pErrors; // standard error

private:
    void dump();
    QByteArray metricsText() const;
    // Why /healthz answers 503; empty while it answers 200.
    QString unhealthyReason() const;

    QTimer m_dumpTimer;
    bool m_bDumpPending = false;
    bool m_bJournal = false; // standard error is a stream to the journal
};

#endif // DUZUDOZUZEFRONTEND_H

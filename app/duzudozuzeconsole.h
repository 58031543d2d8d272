// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECONSOLE_H
#define DUZUDOZUZECONSOLE_H

#include "app/duzudozuzefrontend.h"

#include <QObject>

class DuzUdozuzeOutputStream;
class DuzUdozuzeServiceManager;

// The front end without a window: the same station and the same lines,
// written to standard output as they are made. Output never holds up the
// event loop: lines wait in memory while standard output takes no more.
// SIGINT, SIGTERM and SIGHUP end the event loop, and so does the reader of
// standard output going away; the counts go to standard error at the end.
// SIGUSR1 writes the workstation table to standard error, and the table's
// warnings go there too (in the journal, with their priority). Run by systemd,
// it tells it when it is ready, its counts, when it stops, and that its event
// loop runs (the watchdog).
class DuzUdozuzeConsole : public QObject, public DuzUdozuzeFrontEnd
{
    Q_OBJECT

public:
    explicit DuzUdozuzeConsole(const QStringList &args);
    ~DuzUdozuzeConsole() override;

    // Runs the event loop until a stop signal arrives; returns the exit code:
    // 0, or 1 at once when the set-up failed; reading a capture, 2 when it
    // could not be read to its end, 3 when standard output failed.
    int exec();

    // A source that can wait (a file) waits for a slow reader of standard
    // output past this many bytes queued: nothing is lost by waiting for a
    // file. Live, the bound drops lines instead, so that reception and the
    // election never stop.
    static constexpr qsizetype HoldBytes = 1 << 20;

    quint64 logLinesDropped() const override;

protected:
    void appendLine(const QString &line) override;
    void stop() override;
    void finishOutput(QDeadlineTimer deadline) override;

private:
    void tellWarning(bool raised, const QString &text);
    // The source from the event loop on; one with an end ends the loop with
    // its code, 0, or 2 when the file could not be read to its end.
    void startSource();

    DuzUdozuzeOutputStream *m_pOutput = nullptr; // standard output, child of this object
    DuzUdozuzeServiceManager *m_pService = nullptr; // systemd's handshakes, child of this object
};

#endif // DUZUDOZUZECONSOLE_H

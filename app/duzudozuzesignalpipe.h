// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESIGNALPIPE_H
#define DUZUDOZUZESIGNALPIPE_H

#include <QObject>

class QSocketNotifier;

// The system's requests to stop or to dump, delivered through the event
// loop: SIGINT, SIGTERM and SIGHUP stop and SIGUSR1 dumps; on Windows Ctrl+C,
// closing the console, logging off and shutting down stop and Ctrl+Break
// dumps. install() is called first thing in main and holds to the end of the
// process: from then on the handler only queues the request, so none ends the
// program by itself at any moment, during the set-up or the end included. An
// object of this class turns each into requested() while the event loop
// runs; what comes while there is none waits, or is lost once the end has
// begun.
class DuzUdozuzeSignalPipe : public QObject
{
    Q_OBJECT

public:
    enum class Request { Stop, Dump };

    // Catches the requests from now on, and ignores SIGPIPE: a reader that
    // goes away shows as a failed write, never as death by signal.
    static void install();

    explicit DuzUdozuzeSignalPipe(QObject *parent = nullptr);
    ~DuzUdozuzeSignalPipe() override;

signals:
    void requested(DuzUdozuzeSignalPipe::Request request);

private:
    void readSignals();

    QSocketNotifier *m_pNotifier = nullptr; // child of this object; not on Windows
};

#endif // DUZUDOZUZESIGNALPIPE_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESIGNALPIPE_H
#define DUZUDOZUZESIGNALPIPE_H

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Unix signals delivered through the event loop. install() is called first
// thing in main and holds to the end of the process: from then on the
// handler only writes the signal's number to a pipe, so no signal ends the
// program by itself at any moment, during the set-up or the end included.
// An object of this class reads the pipe while the event loop runs and turns
// each number into received(); what comes while there is none waits in the
// pipe, or is lost once the end has begun.
class DuzUdozuzeSignalPipe : public QObject
{
    Q_OBJECT

public:
    // Catches these signals from now on, and ignores SIGPIPE: a reader that
    // goes away shows as a failed write, never as death by signal.
    static void install(std::initializer_list<int> signalNumbers);

    explicit DuzUdozuzeSignalPipe(QObject *parent = nullptr);

signals:
    void received(int signalNumber);

private:
    void readSignals();

    QSocketNotifier *m_pNotifier = nullptr; // child of this object
};

#endif // DUZUDOZUZESIGNALPIPE_H

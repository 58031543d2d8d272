#ifndef DUZUDOZUZEFRONTEND_H
#define DUZUDOZUZEFRONTEND_H

#include "common/duzudozuzelogger.h"
#include "common/idebug.h"
#include "net/duzudozuzesocket.h"

#include <QStringList>

#include <memory>

class DuzUdozuzeMetricsFile;
class QObject;

// What the window and the console have in common: the log sink, and the one
// socket object, made from the environment and the control string.
class DuzUdozuzeFrontEnd : public IDebug, public DuzUdozuzeLogger
{
public:
    DuzUdozuzeSocket *socket() const { return m_pDuzUdozuzeSocket.get(); }

    void debugMessage(int, int, const QString &prefix, const QString &text) override;
    void debugPrintf(int, int, const QString &prefix, const char *format, va_list args) override;

    // The counts line; the log lines dropped are told when there are any.
    static QString countsText(const DuzUdozuzeSocket::Counts &counts, quint64 linesDropped = 0);
    // Log lines this front end could not show.
    virtual quint64 logLinesDropped() const = 0;

protected:
    DuzUdozuzeFrontEnd();
    ~DuzUdozuzeFrontEnd();

    // Reads HX_ROOT, HX_SYSTEM and HX_WORKSTATION and makes the socket, which
    // sets itself up and logs through this sink.
    void createSocket(const QStringList &args);
    virtual void appendLine(const QString &line) = 0;
    void logLine(const QString &line) override { appendLine(line); }
    // With /metrics=PATH, the metrics file from now on, every 10 s.
    void startMetrics(QObject *owner);
    // Once more at the end.
    void writeMetrics();

    std::unique_ptr<DuzUdozuzeSocket> m_pDuzUdozuzeSocket;
    DuzUdozuzeMetricsFile *m_pMetricsFile = nullptr; // child of the owner given
};

#endif // DUZUDOZUZEFRONTEND_H

#ifndef DUZUDOZUZECONSOLE_H
#define DUZUDOZUZECONSOLE_H

#include "idebug.h"

#include <QObject>
#include <QStringList>

#include <memory>

class DuzUdozuzeSocket;
class QSocketNotifier;

// The front end without a window: the same socket object and the same lines,
// written to standard output one at a time as they are made. SIGINT and
// SIGTERM end the event loop; the counts go to standard error at the end.
class DuzUdozuzeConsole : public QObject, public IDebug
{
    Q_OBJECT

public:
    explicit DuzUdozuzeConsole(const QStringList &args);
    ~DuzUdozuzeConsole() override;

    DuzUdozuzeSocket *socket() const { return m_pDuzUdozuzeSocket.get(); }

    void debugMessage(int, int, const QString &prefix, const QString &text) override;
    void debugPrintf(int, int, const QString &prefix, const char *format, va_list args) override;
    void logPrintf(const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(2, 3);

    // Runs the event loop until a stop signal arrives; returns the exit code.
    int exec();

private:
    void writeLine(const QString &line);
    void writeCounts();

    std::unique_ptr<DuzUdozuzeSocket> m_pDuzUdozuzeSocket;
    QSocketNotifier *m_pqStopNotifier = nullptr;
};

#endif // DUZUDOZUZECONSOLE_H

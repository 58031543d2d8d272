#ifndef DUZUDOZUZECONSOLE_H
#define DUZUDOZUZECONSOLE_H

#include "app/duzudozuzefrontend.h"

#include <QObject>

// The front end without a window: the same socket object and the same lines,
// written to standard output as they are made. SIGINT and SIGTERM end the
// event loop; the counts go to standard error at the end.
class DuzUdozuzeConsole : public QObject, public DuzUdozuzeFrontEnd
{
    Q_OBJECT

public:
    explicit DuzUdozuzeConsole(const QStringList &args);
    ~DuzUdozuzeConsole() override;

    // Runs the event loop until a stop signal arrives; returns the exit code.
    int exec();

protected:
    void appendLine(const QString &line) override;

private:
    bool m_bFlushScheduled = false;
};

#endif // DUZUDOZUZECONSOLE_H

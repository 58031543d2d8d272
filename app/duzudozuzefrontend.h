#ifndef DUZUDOZUZEFRONTEND_H
#define DUZUDOZUZEFRONTEND_H

#include "common/duzudozuzelogger.h"
#include "common/idebug.h"
#include "net/duzudozuzesocket.h"

#include <QStringList>

#include <memory>

// What the window and the console have in common: the log sink, and the one
// socket object, made from the environment and the control string.
class DuzUdozuzeFrontEnd : public IDebug, public DuzUdozuzeLogger
{
public:
    DuzUdozuzeSocket *socket() const { return m_pDuzUdozuzeSocket.get(); }

    void debugMessage(int, int, const QString &prefix, const QString &text) override;
    void debugPrintf(int, int, const QString &prefix, const char *format, va_list args) override;

    static QString countsText(const DuzUdozuzeSocket::Counts &counts);

protected:
    DuzUdozuzeFrontEnd();
    ~DuzUdozuzeFrontEnd();

    // Reads HX_ROOT, HX_SYSTEM and HX_WORKSTATION and makes the socket, which
    // sets itself up and logs through this sink.
    void createSocket(const QStringList &args);
    virtual void appendLine(const QString &line) = 0;
    void logLine(const QString &line) override { appendLine(line); }

    std::unique_ptr<DuzUdozuzeSocket> m_pDuzUdozuzeSocket;
};

#endif // DUZUDOZUZEFRONTEND_H

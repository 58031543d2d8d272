#include "app/duzudozuzefrontend.h"

#include "app/duzudozuzeenvironment.h"
#include "app/duzudozuzemetricsfile.h"
#include "common/duzudozuzelogline.h"
#include "net/duzudozuzemetrics.h"

#include <QCoreApplication>

#include <cstdio>

DuzUdozuzeFrontEnd::DuzUdozuzeFrontEnd() = default;

DuzUdozuzeFrontEnd::~DuzUdozuzeFrontEnd() = default;

void DuzUdozuzeFrontEnd::createSocket(const QStringList &args)
{
    const DuzUdozuzeEnvironment environment = DuzUdozuzeEnvironment::read();
    if (!environment.workstationValid) {
        logPrintf("Not a valid workstation number: '%s'",
                  DuzUdozuzeLogLine::escaped(environment.workstationText).constData());
    }
    m_pDuzUdozuzeSocket = std::make_unique<DuzUdozuzeSocket>(
        environment.hxRoot, environment.hxSystem, environment.workstation, args, this);
    if (!m_pDuzUdozuzeSocket->isValid())
        appendLine(QStringLiteral("failed to set-up UDP system."));
    if (const QString &warning = m_pDuzUdozuzeSocket->sharedPortWarning(); !warning.isEmpty())
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
}

void DuzUdozuzeFrontEnd::debugMessage(int, int, const QString &, const QString &text)
{
    appendLine(text);
}

void DuzUdozuzeFrontEnd::debugPrintf(int, int, const QString &prefix, const char *format,
                                     va_list args)
{
    appendLine(DuzUdozuzeLogLine::prefixed(prefix, format, args));
}

QString DuzUdozuzeFrontEnd::countsText(const DuzUdozuzeSocket::Counts &counts, quint64 linesDropped)
{
    QString text = QCoreApplication::translate("DuzUdozuzeFrontEnd",
                                               "Received %1, shown %2, filtered %3, not current "
                                               "format %4, answers sent %5")
                       .arg(counts.received)
                       .arg(counts.shown)
                       .arg(counts.filtered)
                       .arg(counts.notCurrentFormat)
                       .arg(counts.answersSent);
    if (counts.answersSuppressed > 0) {
        text += QCoreApplication::translate("DuzUdozuzeFrontEnd", ", answers suppressed %1")
                    .arg(counts.answersSuppressed);
    }
    if (linesDropped > 0)
        text += QCoreApplication::translate("DuzUdozuzeFrontEnd", ", log lines dropped %1")
                    .arg(linesDropped);
    return text;
}

void DuzUdozuzeFrontEnd::startMetrics(QObject *owner)
{
    const QString &path = m_pDuzUdozuzeSocket->settings().m_strMetricsPath;
    if (path.isEmpty())
        return;
    m_pMetricsFile = new DuzUdozuzeMetricsFile(
        path, [this] { return DuzUdozuzeMetrics::text(*m_pDuzUdozuzeSocket, logLinesDropped()); },
        owner);
}

void DuzUdozuzeFrontEnd::writeMetrics()
{
    if (m_pMetricsFile)
        m_pMetricsFile->write();
}

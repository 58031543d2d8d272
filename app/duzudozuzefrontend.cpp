// SPDX-License-Identifier: MIT
#include "app/duzudozuzefrontend.h"

#include "app/duzudozuzeenvironment.h"
#include "app/duzudozuzemetricsfile.h"
#include "app/duzudozuzeoutputstream.h"
#include "app/duzudozuzeservicemanager.h"
#include "app/duzudozuzesignalpipe.h"
#include "app/duzudozuzetimelinereport.h"
#include "common/duzudozuzelogline.h"
#include "net/duzudozuzemetrics.h"
#include "protocol/duzudozuzeworkstationreport.h"

#include <QCoreApplication>

#include <unistd.h>

namespace {

// Room for a few dumps of a full workstation table.
constexpr qsizetype ErrorCapacity = 16 << 20;

} // namespace

DuzUdozuzeFrontEnd::DuzUdozuzeFrontEnd()
{
    m_dumpTimer.setSingleShot(true);
    m_dumpTimer.setInterval(MinDumpInterval);
    QObject::connect(&m_dumpTimer, &QTimer::timeout, &m_dumpTimer, [this] {
        if (m_bDumpPending)
            dump();
    });
}

DuzUdozuzeFrontEnd::~DuzUdozuzeFrontEnd() = default;

void DuzUdozuzeFrontEnd::createStation(const QStringList &args)
{
    m_pErrors = std::make_unique<DuzUdozuzeOutputStream>(
        STDERR_FILENO, ErrorCapacity,
        QStringLiteral("%1 lines of standard error dropped: standard error %2"));
    m_bJournal = DuzUdozuzeServiceManager::journalOnStandardError();
    const DuzUdozuzeEnvironment environment = DuzUdozuzeEnvironment::read();
    if (!environment.workstationValid) {
        logPrintf("Not a valid workstation number: '%s'",
                  DuzUdozuzeLogLine::escaped(environment.workstationText).constData());
    }
    m_pStation = std::make_unique<DuzUdozuzeStation>(environment.hxRoot, environment.hxSystem,
                                                     environment.workstation, args, this);
    if (!m_pStation->isValid())
        appendLine(QStringLiteral("failed to set-up UDP system."));
    // In the journal with the recorder's priority: lost data an error, a
    // full disk a warning, recording again a notice.
    QObject::connect(m_pStation.get(), &DuzUdozuzeStation::told, m_pStation.get(),
                     [this](const QString &text, int priority) {
                         const QByteArray prefix = priority > 0
                             ? '<' + QByteArray::number(priority) + '>'
                             : QByteArray();
                         tellProblem(text, QLatin1String(prefix));
                     });
    for (const QString &warning : m_pStation->setUpWarnings())
        tellError(warning, QLatin1String("<4>"));
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

void DuzUdozuzeFrontEnd::tellError(const QString &text, QLatin1String priority)
{
    QByteArray bytes = text.toLocal8Bit();
    if (m_bJournal && !priority.isEmpty()) {
        QByteArray prefixed;
        for (const QByteArray &line : bytes.split('\n')) {
            if (!line.isEmpty())
                prefixed += priority.latin1() + line + '\n';
        }
        bytes = prefixed;
    }
    m_pErrors->appendLines(bytes);
}

QString DuzUdozuzeFrontEnd::countsText(const DuzUdozuzeSession &session, quint64 linesDropped)
{
    const DuzUdozuzeSession::Counts &counts = session.counts();
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
    if (counts.answersNotSent > 0) {
        text += QCoreApplication::translate("DuzUdozuzeFrontEnd", ", answers not sent %1 (%2)")
                    .arg(counts.answersNotSent)
                    .arg(session.answersNotSentReason());
    }
    if (linesDropped > 0)
        text += QCoreApplication::translate("DuzUdozuzeFrontEnd", ", log lines dropped %1")
                    .arg(linesDropped);
    return text;
}

void DuzUdozuzeFrontEnd::startMetrics(QObject *owner)
{
    const QString &path = m_pStation->settings().m_strMetricsPath;
    if (path.isEmpty())
        return;
    m_pMetricsFile = new DuzUdozuzeMetricsFile(
        path, [this] { return metricsText(); },
        [this](const QString &problem) { tellProblem(problem); }, owner);
}

QByteArray DuzUdozuzeFrontEnd::metricsText() const
{
    return DuzUdozuzeMetrics::text(m_pStation->session(), m_pStation->settings(),
                                   m_pStation->recordCounts(), logLinesDropped());
}

QString DuzUdozuzeFrontEnd::unhealthyReason() const
{
    if (!m_pStation->isValid())
        return QStringLiteral("the set-up failed");
    if (m_pStation->workstations().silent())
        return QStringLiteral("nothing heard for the silence time");
    return {};
}

void DuzUdozuzeFrontEnd::writeMetrics()
{
    if (m_pMetricsFile)
        m_pMetricsFile->write();
}

QString DuzUdozuzeFrontEnd::dumpText() const
{
    const DuzUdozuzeWorkstationTable &table = m_pStation->workstations();
    QString text
        = QStringLiteral("Workstations:\n") + DuzUdozuzeWorkstationReport::tableText(table);
    const QStringList warnings = table.activeWarnings();
    for (const QString &warning : warnings)
        text += QStringLiteral("Warning: ") + warning + QLatin1Char('\n');
    return text + QStringLiteral("Mastership history, newest first:\n")
        + DuzUdozuzeWorkstationReport::historyText(table)
        + QStringLiteral("Warnings, newest first:\n")
        + DuzUdozuzeWorkstationReport::warningLogText(table);
}

void DuzUdozuzeFrontEnd::handleSignals(QObject *owner)
{
    auto *signalPipe = new DuzUdozuzeSignalPipe(owner);
    QObject::connect(signalPipe, &DuzUdozuzeSignalPipe::requested, owner,
                     [this](DuzUdozuzeSignalPipe::Request request) {
                         if (request == DuzUdozuzeSignalPipe::Request::Dump)
                             requestDump();
                         else
                             stop();
                     });
}

// Requests that come while a dump is recent make one dump, at the end of
// its second: a burst of signals costs one dump, never one each.
void DuzUdozuzeFrontEnd::requestDump()
{
    if (m_dumpTimer.isActive())
        m_bDumpPending = true;
    else
        dump();
}

void DuzUdozuzeFrontEnd::dump()
{
    m_bDumpPending = false;
    tellError(dumpText());
    m_dumpTimer.start();
}

int DuzUdozuzeFrontEnd::end(int code, bool tellCounts)
{
    // No client is answered from a picture that is going away.
    stopHttp();
    const QDeadlineTimer deadline(FinishTime);
    finishOutput(deadline);
    // The metrics' last word counts everything recorded: a reading thread,
    // which records what it reads, stops first.
    m_pStation->finish();
    writeMetrics();
    // The picture asked for; a run whose picture is missing did not succeed.
    if (const QString &path = m_pStation->settings().m_strTimelinePath; !path.isEmpty()) {
        const QString error = DuzUdozuzeTimelineReport::write(path, m_pStation->session());
        if (!error.isEmpty()) {
            tellError(QStringLiteral("duzudozuze: can't write the timeline to '%1': %2")
                          .arg(DuzUdozuzeLogLine::escapedCharacters(path), error));
            code = code == 0 ? 1 : code;
        }
    }
    if (tellCounts) {
        tellError(countsText(m_pStation->session(), logLinesDropped()));
    }
    m_pErrors->finish(deadline);
    return code;
}

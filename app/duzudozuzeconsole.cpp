// SPDX-License-Identifier: MIT
#include "app/duzudozuzeconsole.h"

#include "app/duzudozuzeoutputstream.h"
#include "app/duzudozuzeservicemanager.h"
#include "common/duzudozuzelogline.h"

#include <QCoreApplication>

#include <unistd.h>

DuzUdozuzeConsole::DuzUdozuzeConsole(const QStringList &args)
{
    m_pOutput = new DuzUdozuzeOutputStream(
        STDOUT_FILENO, 64 << 20, QLatin1String(DuzUdozuzeOutputQueue::OutputGapText), this);
    // The reader is gone: nothing more to do.
    connect(m_pOutput, &DuzUdozuzeOutputStream::closed, this, &QCoreApplication::quit);

    createStation(args);
    // Without a box to tick, the operator options are the only way to respond.
    const DuzUdozuzeSettings &settings = m_pStation->settings();
    m_pStation->session().setRespondAutomatically(settings.m_bAutoRespond);
    m_pStation->session().setOk(settings.m_bOkAtStart);
    connect(m_pStation.get(), &DuzUdozuzeStation::workstationWarning, this,
            &DuzUdozuzeConsole::tellWarning);
}

DuzUdozuzeConsole::~DuzUdozuzeConsole() = default;

quint64 DuzUdozuzeConsole::logLinesDropped() const
{
    return m_pOutput->linesDropped();
}

// Warnings go to standard error the moment they are raised or end; standard
// output keeps exactly the log's lines.
void DuzUdozuzeConsole::tellWarning(bool raised, const QString &text)
{
    tellError(m_pStation->session().timeText() + QLatin1Char(' ') + text,
              QLatin1String(raised ? "<4>" : "<5>"));
}

// Lines are queued at once; what one pass of the event loop made is written
// together, before the next pass.
void DuzUdozuzeConsole::appendLine(const QString &line)
{
    m_pOutput->append(QStringView(line));
}

void DuzUdozuzeConsole::stop()
{
    if (m_pService)
        m_pService->stopping();
    const DuzUdozuzeSource *source = m_pStation->source();
    if (source && source->paced() && !source->reading().ended) {
        tellError(
            QStringLiteral("duzudozuze: stopped after packet %1").arg(source->reading().packets));
    }
    QCoreApplication::quit();
}

void DuzUdozuzeConsole::finishOutput(QDeadlineTimer deadline)
{
    m_pOutput->finish(deadline);
}

// A file is read no faster than standard output takes its lines, and a
// failed write ends the reading: its lines would be lost.
void DuzUdozuzeConsole::startSource()
{
    DuzUdozuzeSource *source = m_pStation->source();
    connect(source, &DuzUdozuzeSource::ended, this, &QCoreApplication::exit);
    if (source->paced()) {
        source->setHold([this] { return m_pOutput->bytesQueued() > HoldBytes; });
        connect(m_pOutput, &DuzUdozuzeOutputStream::drained, source, &DuzUdozuzeSource::resume);
        connect(m_pOutput, &DuzUdozuzeOutputStream::failed, this, [this](const QString &why) {
            tellError(QStringLiteral("duzudozuze: standard output failed (%1) after packet %2")
                          .arg(why, QString::number(m_pStation->source()->reading().packets)));
            QCoreApplication::exit(3);
        });
    }
    m_pStation->start();
}

int DuzUdozuzeConsole::exec()
{
    handleSignals(this);
    int code = 1;
    bool started = false;
    if (m_pStation->isValid() && startHttp(this)) {
        startMetrics(this);
        m_pService = new DuzUdozuzeServiceManager(
            [this] { return countsText(m_pStation->session(), logLinesDropped()); }, this);
        m_pService->ready();
        startSource();
        started = true;
        code = QCoreApplication::exec();
    }
    // The picture of the past a recording leaves ends its reading, however
    // it ended.
    if (started && !m_pStation->traits().isLive())
        tellError(dumpText());
    code = end(code, true);
    m_pStation.reset();
    return code;
}

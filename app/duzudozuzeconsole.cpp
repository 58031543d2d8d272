// SPDX-License-Identifier: MIT
#include "app/duzudozuzeconsole.h"

#include "app/duzudozuzeoutputstream.h"
#include "app/duzudozuzeservicemanager.h"
#include "common/duzudozuzelogline.h"
#include "net/duzudozuzecapturefeed.h"

#include <QCoreApplication>

#include <unistd.h>

DuzUdozuzeConsole::DuzUdozuzeConsole(const QStringList &args)
{
    m_pOutput = new DuzUdozuzeOutputStream(
        STDOUT_FILENO, 64 << 20, QLatin1String(DuzUdozuzeOutputQueue::OutputGapText), this);
    // The reader is gone: nothing more to do.
    connect(m_pOutput, &DuzUdozuzeOutputStream::closed, this, &QCoreApplication::quit);

    createSocket(args);
    // Without a box to tick, the operator options are the only way to respond.
    const DuzUdozuzeSettings &settings = m_pDuzUdozuzeSocket->settings();
    m_pDuzUdozuzeSocket->setRespondAutomatically(settings.m_bAutoRespond);
    m_pDuzUdozuzeSocket->setOk(settings.m_bOkAtStart);
    connect(m_pDuzUdozuzeSocket.get(), &DuzUdozuzeSocket::workstationWarning, this,
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
    tellError(m_pDuzUdozuzeSocket->timeText() + QLatin1Char(' ') + text,
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
    if (m_pCaptureFeed && !m_pCaptureFeed->hasEnded()) {
        tellError(QStringLiteral("duzudozuze: stopped after packet %1")
                      .arg(m_pCaptureFeed->packetsRead()));
    }
    QCoreApplication::quit();
}

void DuzUdozuzeConsole::finishOutput(QDeadlineTimer deadline)
{
    m_pOutput->finish(deadline);
}

// A file is read no faster than standard output takes its lines, and a
// failed write ends the reading: its lines would be lost.
void DuzUdozuzeConsole::readCapture()
{
    DuzUdozuzeCaptureFeed *feed = startCapture(this);
    connect(feed, &DuzUdozuzeCaptureFeed::ended, this, &QCoreApplication::exit);
    feed->setHold([this] { return m_pOutput->bytesQueued() > CaptureHoldBytes; });
    connect(m_pOutput, &DuzUdozuzeOutputStream::drained, feed, &DuzUdozuzeCaptureFeed::resume);
    connect(m_pOutput, &DuzUdozuzeOutputStream::failed, this, [this](const QString &why) {
        tellError(QStringLiteral("duzudozuze: standard output failed (%1) after packet %2")
                      .arg(why, QString::number(m_pCaptureFeed->packetsRead())));
        QCoreApplication::exit(3);
    });
}

int DuzUdozuzeConsole::exec()
{
    handleSignals(this);
    int code = 1;
    if (m_pDuzUdozuzeSocket->isValid() && startHttp(this)) {
        startMetrics(this);
        m_pService = new DuzUdozuzeServiceManager(
            [this] { return countsText(*m_pDuzUdozuzeSocket, logLinesDropped()); }, this);
        m_pService->ready();
        if (m_pDuzUdozuzeSocket->readsCapture())
            readCapture();
        code = QCoreApplication::exec();
    }
    // A capture's reading ends with the picture it leaves, however it ended.
    if (m_pCaptureFeed)
        tellError(dumpText());
    code = end(code, true);
    m_pDuzUdozuzeSocket.reset();
    return code;
}

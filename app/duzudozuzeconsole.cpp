// SPDX-License-Identifier: MIT
#include "app/duzudozuzeconsole.h"

#include "app/duzudozuzeoutputstream.h"
#include "common/duzudozuzelogline.h"
#include "net/duzudozuzecapturereader.h"

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
void DuzUdozuzeConsole::tellWarning(bool, const QString &text)
{
    tellError(DuzUdozuzeLogLine::timeText() + QLatin1Char(' ') + text);
}

// Lines are queued at once; what one pass of the event loop made is written
// together, before the next pass.
void DuzUdozuzeConsole::appendLine(const QString &line)
{
    m_pOutput->append(line.toLocal8Bit());
}

void DuzUdozuzeConsole::stop()
{
    QCoreApplication::quit();
}

void DuzUdozuzeConsole::finishOutput(QDeadlineTimer deadline)
{
    m_pOutput->finish(deadline);
}

void DuzUdozuzeConsole::readCapture()
{
    constexpr int PacketsPerSlice = 5000;
    const DuzUdozuzeSettings &settings = m_pDuzUdozuzeSocket->settings();
    const QString path = settings.m_strCapturePath;
    const auto finish = [this](int code) {
        DuzUdozuzeLogLine::setTime(-1);
        tellError(dumpText());
        QCoreApplication::exit(code);
    };
    if (!m_pCapture) {
        m_pCapture = std::make_unique<DuzUdozuzeCaptureReader>(path);
        if (!m_pCapture->isOpen()) {
            tellError(QStringLiteral("duzudozuze: cannot read the capture %1: %2")
                          .arg(DuzUdozuzeLogLine::escapedCharacters(path), m_pCapture->error()));
            QCoreApplication::exit(2);
            return;
        }
    }
    // Each kind of packet skipped is said once.
    const auto skipped = [this](const QString &why) {
        if (m_skipsTold.contains(why))
            return;
        m_skipsTold.append(why);
        tellError(QStringLiteral("duzudozuze: packets skipped in the capture, the first number "
                                 "%1: %2")
                      .arg(m_pCapture->packetNumber())
                      .arg(why));
    };
    DuzUdozuzeCaptureReader::Datagram datagram;
    for (int i = 0; i < PacketsPerSlice; ++i) {
        switch (m_pCapture->next(datagram)) {
        case DuzUdozuzeCaptureReader::Result::Datagram:
            if (datagram.destinationPort != settings.m_nPort) {
                skipped(QStringLiteral("to another port than %1").arg(settings.m_nPort));
                break;
            }
            m_pDuzUdozuzeSocket->handleCaptured(datagram.payload, datagram.length, datagram.source,
                                                datagram.sourcePort, datagram.timeUs / 1000);
            break;
        case DuzUdozuzeCaptureReader::Result::Skipped:
            skipped(m_pCapture->skipReason());
            break;
        case DuzUdozuzeCaptureReader::Result::End:
            finish(0);
            return;
        case DuzUdozuzeCaptureReader::Result::Error:
            tellError(QStringLiteral("duzudozuze: %1: packet %2: %3")
                          .arg(DuzUdozuzeLogLine::escapedCharacters(path))
                          .arg(m_pCapture->packetNumber() + 1)
                          .arg(m_pCapture->error()));
            finish(2);
            return;
        }
    }
    QMetaObject::invokeMethod(this, &DuzUdozuzeConsole::readCapture, Qt::QueuedConnection);
}

int DuzUdozuzeConsole::exec()
{
    handleSignals(this);
    int code = 1;
    if (m_pDuzUdozuzeSocket->isValid()) {
        startMetrics(this);
        if (m_pDuzUdozuzeSocket->readsCapture())
            QMetaObject::invokeMethod(this, &DuzUdozuzeConsole::readCapture, Qt::QueuedConnection);
        code = QCoreApplication::exec();
    }
    code = end(code, true);
    m_pDuzUdozuzeSocket.reset();
    return code;
}

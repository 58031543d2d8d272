// SPDX-License-Identifier: MIT
#include "net/duzudozuzecapturefeed.h"

#include "common/duzudozuzelogline.h"
#include "net/duzudozuzecapturereader.h"
#include "net/duzudozuzesocket.h"

DuzUdozuzeCaptureFeed::DuzUdozuzeCaptureFeed(DuzUdozuzeSocket *socket, QObject *parent)
    : QObject(parent), m_pSocket(socket)
{
    m_followTimer.setSingleShot(true);
    m_followTimer.setInterval(FollowInterval);
    connect(&m_followTimer, &QTimer::timeout, this, &DuzUdozuzeCaptureFeed::readSlice);
}

DuzUdozuzeCaptureFeed::~DuzUdozuzeCaptureFeed() = default;

void DuzUdozuzeCaptureFeed::start()
{
    QMetaObject::invokeMethod(this, &DuzUdozuzeCaptureFeed::readSlice, Qt::QueuedConnection);
}

quint64 DuzUdozuzeCaptureFeed::packetsRead() const
{
    return m_pReader ? m_pReader->packetNumber() : 0;
}

void DuzUdozuzeCaptureFeed::readSlice()
{
    const DuzUdozuzeSettings &settings = m_pSocket->settings();
    const QString path = DuzUdozuzeLogLine::escapedCharacters(settings.m_strCapturePath);
    if (!m_pReader || !m_pReader->isOpen()) {
        m_pReader = std::make_unique<DuzUdozuzeCaptureReader>(settings.m_strCapturePath);
        if (!m_pReader->isOpen()) {
            // A file tcpdump has only just made has no header yet.
            if (settings.m_bFollowCapture && m_pReader->cutShort()) {
                m_followTimer.start();
                return;
            }
            end(2,
                QStringLiteral("duzudozuze: cannot read the capture %1: %2")
                    .arg(path, m_pReader->error()));
            return;
        }
        m_pReader->setFollow(settings.m_bFollowCapture);
    }
    DuzUdozuzeCaptureReader::Datagram datagram;
    for (int i = 0; i < PacketsPerSlice; ++i) {
        switch (m_pReader->next(datagram)) {
        case DuzUdozuzeCaptureReader::Result::Datagram:
            if (datagram.destinationPort != settings.m_nPort) {
                skipped(QStringLiteral("to another port than %1").arg(settings.m_nPort));
                break;
            }
            m_pSocket->handleCaptured(datagram.payload, datagram.length, datagram.source,
                                      datagram.sourcePort, datagram.timeUs / 1000);
            break;
        case DuzUdozuzeCaptureReader::Result::Skipped:
            skipped(m_pReader->skipReason());
            break;
        case DuzUdozuzeCaptureReader::Result::Waiting:
            m_followTimer.start();
            return;
        case DuzUdozuzeCaptureReader::Result::End:
            end(0);
            return;
        case DuzUdozuzeCaptureReader::Result::Error:
            end(2,
                QStringLiteral("duzudozuze: %1: packet %2: %3")
                    .arg(path)
                    .arg(m_pReader->packetNumber() + 1)
                    .arg(m_pReader->error()));
            return;
        }
    }
    start();
}

// Each kind of packet skipped is said once.
void DuzUdozuzeCaptureFeed::skipped(const QString &why)
{
    if (m_skipsTold.contains(why))
        return;
    m_skipsTold.append(why);
    emit told(QStringLiteral("duzudozuze: packets skipped in the capture, the first number %1: %2")
                  .arg(m_pReader->packetNumber())
                  .arg(why));
}

// Lines made from now on, the operator's notes say, carry the clock's time.
void DuzUdozuzeCaptureFeed::end(int code, const QString &error)
{
    DuzUdozuzeLogLine::setTime(-1);
    if (!error.isEmpty())
        emit told(error);
    emit ended(code);
}

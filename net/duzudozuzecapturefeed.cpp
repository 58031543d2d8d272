// SPDX-License-Identifier: MIT
#include "net/duzudozuzecapturefeed.h"

#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzesession.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

QString timeText(DuzUdozuzeWallMs wall)
{
    const QDateTime time = duzUdozuzeDateTime(wall, Qt::UTC);
    return time.isValid() ? time.toString(Qt::ISODateWithMs)
                          : QString::number(duzUdozuzeMsCount(wall));
}

} // namespace

DuzUdozuzeCaptureFeed::DuzUdozuzeCaptureFeed(const DuzUdozuzeSettings &settings, QObject *parent)
    : DuzUdozuzeSource(parent), m_settings(settings)
{
    m_traits.clock = DuzUdozuzeSourceTraits::Clock::Recorded;
    m_traits.title
        = QStringLiteral("capture %1").arg(QFileInfo(settings.m_strCapturePath).fileName());
    m_traits.origin = settings.m_strCapturePath;
    m_traits.ownRole = m_traits.answersNotSent = QStringLiteral("reading a capture");
}

// The reading thread stops before the feed's members go.
DuzUdozuzeCaptureFeed::~DuzUdozuzeCaptureFeed()
{
    m_pSource.reset();
}

void DuzUdozuzeCaptureFeed::start(DuzUdozuzeSession &session,
                                  std::shared_ptr<DuzUdozuzeRecorder> recorder)
{
    m_pSession = &session;
    m_pSource = std::make_unique<DuzUdozuzeCaptureSource>(
        m_settings.m_strCapturePath, m_settings.m_bFollowCapture, [this] { wake(); },
        DuzUdozuzeCaptureSource::Span {duzUdozuzeWallMs(m_settings.m_nReadFrom),
                                       duzUdozuzeWallMs(m_settings.m_nReadUntil)},
        quint16(m_settings.m_nPort), std::move(recorder));
}

// On the reading thread: one call of handle() on the event loop's, however
// many batches come meanwhile.
void DuzUdozuzeCaptureFeed::wake()
{
    if (!m_bWoken.exchange(true))
        QMetaObject::invokeMethod(this, &DuzUdozuzeCaptureFeed::handle, Qt::QueuedConnection);
}

void DuzUdozuzeCaptureFeed::resume()
{
    if (!m_bEnded)
        QMetaObject::invokeMethod(this, &DuzUdozuzeCaptureFeed::handle, Qt::QueuedConnection);
}

void DuzUdozuzeCaptureFeed::handle()
{
    m_bWoken = false;
    if (!m_pSource)
        return;
    QElapsedTimer slice;
    slice.start();
    for (int count = 0; !m_bEnded; ++count) {
        if (m_nNext == m_batch.items.size()) {
            if (!m_pSource->take(m_batch))
                return;
            m_nNext = 0;
        }
        const DuzUdozuzeCaptureSource::Item &item = m_batch.items[m_nNext];
        // Before the first item, now and then, and before the end: whether
        // the front end can take more, and whether the event loop's turn has
        // come. A capture that trickles in comes a few items a call.
        const bool last = item.kind == DuzUdozuzeCaptureSource::Item::Kind::End;
        if (count % 64 == 0 || last) {
            if (m_held && m_held())
                return;
            if (slice.elapsed() >= SliceTime) {
                resume();
                return;
            }
        }
        ++m_nNext;
        m_nPackets = qMax(m_nPackets, item.packet);
        switch (item.kind) {
        case DuzUdozuzeCaptureSource::Item::Kind::Datagram:
            handleDatagram(item, m_batch.payload(item));
            break;
        case DuzUdozuzeCaptureSource::Item::Kind::Skipped:
            skipped(item.packet, item.text);
            break;
        case DuzUdozuzeCaptureSource::Item::Kind::Told:
            emit told(item.text);
            break;
        case DuzUdozuzeCaptureSource::Item::Kind::End:
            end(item.text);
            break;
        }
    }
}

void DuzUdozuzeCaptureFeed::handleDatagram(const DuzUdozuzeCaptureSource::Item &item,
                                           QByteArrayView payload)
{
    const DuzUdozuzeCaptureReader::Datagram &datagram = item.datagram;
    const DuzUdozuzeWallMs time = duzUdozuzeToMs(datagram.time);
    if (m_lastTime && std::chrono::abs(time - *m_lastTime) > JumpTold
        && m_nJumpsTold < MaxJumpsTold) {
        ++m_nJumpsTold;
        emit told(
            QStringLiteral("duzudozuze: the capture's clock jumps from %1 to %2 at packet %3%4")
                .arg(timeText(*m_lastTime), timeText(time), QString::number(item.packet),
                     m_nJumpsTold == MaxJumpsTold ? QStringLiteral(" (further jumps are not told)")
                                                  : QString()));
    }
    // The session listens from the first packet on; the monotonic clock
    // begins at the count of its time of day.
    if (m_lastTime) {
        m_clock += std::max(std::chrono::milliseconds::zero(), time - *m_lastTime);
    } else {
        m_firstTime = time;
        m_clock = DuzUdozuzeSourceMs(time.time_since_epoch());
        m_pSession->startListening({m_clock, time});
    }
    m_lastTime = time;
    if (datagram.destinationPort != m_nRunPort) {
        if (m_nRunCount > 0)
            m_ports[m_nRunPort] += m_nRunCount;
        m_nRunPort = datagram.destinationPort;
        m_nRunCount = 0;
        if (m_settings.m_bRecordingPorts && !m_ports.contains(m_nRunPort))
            recordingPort();
    }
    ++m_nRunCount;
    m_pSession->receive(payload.data(), payload.size(), datagram.length, datagram.source,
                        datagram.sourcePort, {m_clock, time});
}

// A recording read on every port it holds: each said, and the silence
// warning names the port while there is one, as it did live.
void DuzUdozuzeCaptureFeed::recordingPort()
{
    emit told(QStringLiteral("duzudozuze: read on UDP port %1, a port the recording holds (/port= "
                             "chooses one)")
                  .arg(m_nRunPort));
    if (m_settings.m_nSilenceTime > 0) {
        m_pSession->workstations().setSilence(std::chrono::seconds(m_settings.m_nSilenceTime),
                                              m_ports.isEmpty() ? m_nRunPort : 0);
    }
}

QString DuzUdozuzeCaptureFeed::span() const
{
    if (!m_lastTime)
        return {};
    const QDateTime first = duzUdozuzeDateTime(m_firstTime);
    const QDateTime last = duzUdozuzeDateTime(*m_lastTime);
    const QString day = QStringLiteral("yyyy-MM-dd ");
    return QStringLiteral("%1 to %2")
        .arg(first.toString(day + QStringLiteral("HH:mm:ss")),
             last.toString((first.date() == last.date() ? QString() : day)
                           + QStringLiteral("HH:mm:ss")));
}

DuzUdozuzeSource::Reading DuzUdozuzeCaptureFeed::reading() const
{
    if (!m_lastTime)
        return {m_nPackets, m_bEnded, {}, {}};
    QMap<int, quint64> counts = m_ports;
    counts[m_nRunPort] += m_nRunCount;
    QStringList ports;
    for (auto port = counts.cbegin(); port != counts.cend(); ++port)
        ports.append(QStringLiteral("%1: %2 datagram%3")
                         .arg(port.key())
                         .arg(port.value())
                         .arg(port.value() == 1 ? "" : "s"));
    return {m_nPackets, m_bEnded, span(),
            span() + QStringLiteral(", UDP port ") + ports.join(QStringLiteral(", "))};
}

// Each kind of packet skipped is said once.
void DuzUdozuzeCaptureFeed::skipped(quint64 packet, const QString &why)
{
    if (m_skipsTold.contains(why))
        return;
    m_skipsTold.append(why);
    emit told(QStringLiteral("duzudozuze: packets skipped in the capture, the first number %1: %2")
                  .arg(QString::number(packet), why));
}

void DuzUdozuzeCaptureFeed::end(const QString &error)
{
    m_bEnded = true;
    if (!error.isEmpty())
        emit told(error);
    emit ended(error.isEmpty() ? 0 : 2);
}

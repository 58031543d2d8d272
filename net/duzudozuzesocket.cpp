// SPDX-License-Identifier: MIT
#include "net/duzudozuzesocket.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzelinkcontext.h"
#include "net/duzudozuzeportsharing.h"

#include <QSocketNotifier>

namespace {

// Datagrams handled in one wake-up before the event loop gets its turn again:
// enough to keep up with a flood, few enough that the window stays
// responsive.
constexpr int MaxDatagramsPerActivation = DuzUdozuzeSocketDevice::MaxBatch;
// How long the notifier rests after a batch short of the bound: a flood is
// read some sixty datagrams a wake-up at 20,000 a second; a datagram alone is
// read at once, or, coming while the notifier rests, within the rest.
constexpr int RestInterval = 3; // ms
// Room for a burst of datagrams while the event loop is busy; the system caps
// it at its own maximum.
constexpr int ReceiveBufferSize = 4 << 20;

} // namespace

DuzUdozuzeSocket::DuzUdozuzeSocket(const DuzUdozuzeSettings &settings, DuzUdozuzeLinkContext &link)
    : m_settings(settings), m_link(link)
{
    m_clock.start();
    setUpSocket(link);
}

// The notifier stops watching before the socket it watches is closed.
DuzUdozuzeSocket::~DuzUdozuzeSocket()
{
    delete m_pNotifier;
}

DuzUdozuzeSession::Time DuzUdozuzeSocket::now() const
{
    return {duzUdozuzeSourceMs(m_clock.elapsed()), duzUdozuzeWallNow()};
}

DuzUdozuzeSession::Time DuzUdozuzeSocket::arrival(DuzUdozuzeWallNs stamp,
                                                  DuzUdozuzeSession::Time now) const
{
    if (stamp <= DuzUdozuzeWallNs())
        return now;
    const DuzUdozuzeWallMs wall = std::min(duzUdozuzeToMs(stamp), now.wall);
    return {std::max(now.clock - (now.wall - wall), m_lastClock), wall};
}

// Each step that fails logs its line and clears m_bValid; the set-up goes on.
void DuzUdozuzeSocket::setUpSocket(DuzUdozuzeLinkContext &link)
{
    using Option = DuzUdozuzeSocketDevice::Option;
    if (!m_socketDevice.setOption(Option::Broadcast, m_settings.m_bBroadcast ? 1 : 0)) {
        link.logPrintf("can't set UDP sockopt - Broadcast");
        m_bValid = false;
    }
    if (!m_socketDevice.setOption(Option::ReuseAddress, m_settings.m_bReuseAddress ? 1 : 0)) {
        link.logPrintf("can't set UDP sockopt - Reuse address");
        m_bValid = false;
    }

    if (const auto address = DuzUdozuzeAddress::parse(m_settings.m_strHostAddress)) {
        m_nBoundAddress = *address;
    } else {
        link.logPrintf("Can't set socket address to '%s'",
                       DuzUdozuzeLogLine::escaped(m_settings.m_strHostAddress).constData());
        m_bValid = false;
    }

    link.logPrintf(
        "List of addresses is %s",
        DuzUdozuzeLogLine::escaped(link.localAddresses().join(QLatin1Char('/'))).constData());

    m_socketDevice.setOption(Option::ReceiveBufferSize, ReceiveBufferSize);
    if (!m_socketDevice.bind(m_nBoundAddress, quint16(m_settings.m_nPort))) {
        link.logPrintf("Can't bind UDP listen socket");
        m_bValid = false;
    } else {
        m_strSharingWarning
            = DuzUdozuzePortSharing::warning(m_socketDevice.localPort(), m_socketDevice.inode());
    }

    if (!m_socketDevice.isValid()) {
        link.logPrintf("Notifier not created");
        m_bValid = false;
        return;
    }
    // The session is given at start: the notifier waits until then.
    m_pNotifier = new QSocketNotifier(m_socketDevice.descriptor(), QSocketNotifier::Read, this);
    m_pNotifier->setEnabled(false);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &DuzUdozuzeSocket::rxData);
    m_batch.resize(MaxDatagramsPerActivation);
    m_rest.setSingleShot(true);
    m_rest.setTimerType(Qt::PreciseTimer);
    m_rest.setInterval(RestInterval);
    connect(&m_rest, &QTimer::timeout, this, &DuzUdozuzeSocket::rxData);
}

void DuzUdozuzeSocket::start(DuzUdozuzeSession &session,
                             std::shared_ptr<DuzUdozuzeRecorder> recorder)
{
    if (!m_pNotifier)
        return;
    m_pSession = &session;
    m_pRecorder = std::move(recorder);
    m_pSession->startListening(now());
    connect(&m_tick, &QTimer::timeout, this, [this] {
        const DuzUdozuzeSession::Time time = now();
        m_lastClock = time.clock;
        m_pSession->advance(time);
    });
    m_tick.setTimerType(Qt::PreciseTimer); // on the tick, never a second late
    m_tick.start(DuzUdozuzeSession::TickInterval);
    m_pNotifier->setEnabled(true);
}

// Handles the datagrams waiting, up to a bound, read in one call. After a
// batch short of the bound the notifier rests and a timer reads the next, so
// that a flood costs a wake-up a batch; a full one is read on at the event
// loop's next turn, and nothing waiting wakes the notifier again.
void DuzUdozuzeSocket::rxData()
{
    const int count = m_socketDevice.readDatagrams(m_batch.data(), MaxDatagramsPerActivation,
                                                   DuzUdozuzeSession::MaxDatagramSize);
    m_pNotifier->setEnabled(count <= 0 || count == MaxDatagramsPerActivation);
    if (count < 0) {
        // A failed read consumes the socket's pending error; nothing is parsed.
        if (!m_socketDevice.wouldBlock())
            m_link.logPrintf("Receive error: %s",
                             DuzUdozuzeLogLine::escaped(m_socketDevice.errorString()).constData());
        return;
    }
    if (count == 0)
        return;
    const DuzUdozuzeSession::Time current = now();
    // The port bound: the one asked for, or the system's choice for port 0.
    const quint16 port = m_socketDevice.localPort();
    // The last µs of now's ms: a datagram's stamp is never later.
    const DuzUdozuzeWallUs latest
        = current.wall + std::chrono::milliseconds(1) - std::chrono::microseconds(1);
    for (int i = 0; i < count; ++i) {
        const DuzUdozuzeSocketDevice::Received &received = m_batch[size_t(i)];
        const DuzUdozuzeSession::Time time = arrival(received.time, current);
        m_lastClock = time.clock;
        const bool stamped = received.time > DuzUdozuzeWallNs();
        const DuzUdozuzeWireDatagram datagram {
            stamped ? std::min(duzUdozuzeToUs(received.time), latest) : DuzUdozuzeWallUs(time.wall),
            received.source,
            received.sourcePort,
            received.destination ? received.destination : m_nBoundAddress,
            port,
            QByteArrayView(received.data,
                           qMin(received.length, DuzUdozuzeSession::MaxDatagramSize)),
            qsizetype(received.length)};
        // Kept as it came, before anything is made of it.
        if (m_pRecorder)
            m_pRecorder->record(datagram);
        m_pSession->receive(datagram.payload.data(), datagram.payload.size(), datagram.length,
                            datagram.source, datagram.sourcePort, time);
    }
    if (count < MaxDatagramsPerActivation)
        m_rest.start();
}

// An answer, to the send address at the bound port.
bool DuzUdozuzeSocket::send(const QByteArray &datagram)
{
    // The control string accepts only valid send addresses.
    const quint32 address = DuzUdozuzeAddress::parse(m_settings.m_strSendAddress).value_or(0);
    const quint16 port = m_socketDevice.localPort();
    if (m_socketDevice.writeDatagram(datagram, address, port) < 0)
        return false;
    if (m_pRecorder) {
        m_pRecorder->record({DuzUdozuzeWallUs(now().wall), m_nBoundAddress, port, address, port,
                             QByteArrayView(datagram), datagram.size(), true});
    }
    return true;
}

// SPDX-License-Identifier: MIT
#include "net/duzudozuzesocket.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzewiretext.h"
#include "common/idebug.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzecontrolstring.h"
#include "net/duzudozuzeportsharing.h"
#include "net/duzudozuzerecordfolder.h"
#include "net/duzudozuzerecordoptions.h"
#include "net/duzudozuzesocketdevice.h"
#include "net/duzudozuzesystemini.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Datagrams handled in one wake-up before the event loop gets its turn again:
// enough to keep up with a flood, few enough that the window stays
// responsive.
constexpr int MaxDatagramsPerActivation = DuzUdozuzeSocketDevice::MaxBatch;
// How long the notifier rests after a batch short of the bound: a flood is
// read some twenty datagrams a wake-up at 20,000 a second, and a datagram
// alone is read at once.
constexpr int RestInterval = 1; // ms
// Room for a burst of datagrams while the event loop is busy; the system caps
// it at its own maximum.
constexpr int ReceiveBufferSize = 4 << 20;

} // namespace

DuzUdozuzeSocket::DuzUdozuzeSocket(const QString &hxRoot, const QString &hxSystem, int workstation,
                                   const QStringList &args, IDebug *debug,
                                   AddressLookup addressLookup)
    : m_pDebug(debug),
      m_addressLookup(addressLookup ? std::move(addressLookup) : &DuzUdozuzeAddress::hostAddresses)
{
    m_settings.m_strHxRoot = hxRoot;
    m_settings.m_strHxSystem = hxSystem;
    m_settings.m_nWorkstation = workstation;
    m_clock.start();
    setUp(args);
    DuzUdozuzeSession::Sink &sink = *this;
    m_pSession = std::make_unique<DuzUdozuzeSession>(m_settings, sink, now());
    if (m_settings.m_nWorkstation < 0) {
        m_setUpWarnings.append(
            QStringLiteral("Warning: workstation number %1 is negative: this workstation cannot "
                           "tell its own answers from others', so it sends none (answers not "
                           "sent: no workstation number)")
                .arg(m_settings.m_nWorkstation));
    }
    for (const QString *name : {&m_settings.m_strHxSystem, &m_settings.m_strAlarmSystem}) {
        if (!duzUdozuzeIsLatin1(*name)) {
            m_setUpWarnings.append(
                QStringLiteral("Warning: the name '%1' has characters Latin-1 cannot carry: it "
                               "goes on the wire as its UTF-8 bytes, and only workstations "
                               "configured alike recognise it")
                    .arg(DuzUdozuzeLogLine::escapedCharacters(*name)));
        }
    }
    // Listening, claims expire, rows go stale and warnings start and end with
    // time alone, on the live clocks.
    if (m_bValid && m_pNotifier) {
        m_pSession->startListening(now());
        connect(&m_tick, &QTimer::timeout, this, [this] {
            const DuzUdozuzeSession::Time time = now();
            m_nLastClock = time.clock;
            m_pSession->advance(time);
        });
        m_tick.setTimerType(Qt::PreciseTimer); // on the tick, never a second late
        m_tick.start(int(DuzUdozuzeSession::TickInterval));
    }
}

DuzUdozuzeSocket::~DuzUdozuzeSocket()
{
    // What waits to be recorded is written before anything else goes.
    m_pRecorder.reset();
    // The notifier stops watching before the socket it watches is closed.
    delete m_pNotifier;
    m_pSocketDevice.reset();
}

DuzUdozuzeSession::Time DuzUdozuzeSocket::now() const
{
    return {m_clock.elapsed(), QDateTime::currentMSecsSinceEpoch()};
}

DuzUdozuzeSession::Time DuzUdozuzeSocket::arrival(qint64 stampNs, DuzUdozuzeSession::Time now) const
{
    if (stampNs <= 0)
        return now;
    const qint64 wall = qMin(stampNs / 1000000, now.wall);
    return {qMax(now.clock - (now.wall - wall), m_nLastClock), wall};
}

quint16 DuzUdozuzeSocket::localPort() const
{
    return m_pSocketDevice->localPort();
}

int DuzUdozuzeSocket::socketDescriptor() const
{
    return m_pSocketDevice->descriptor();
}

QStringList DuzUdozuzeSocket::localAddresses() const
{
    return m_addressLookup();
}

bool DuzUdozuzeSocket::parseControlString(const QStringList &args)
{
    return DuzUdozuzeControlString::parse(args, m_settings, *this);
}

void DuzUdozuzeSocket::logLine(const QString &line)
{
    m_pDebug->debugMessage(4, 1, QString(), line);
}

void DuzUdozuzeSocket::setUp(const QStringList &args)
{
    // This workstation's channel and alarm system name, read once, before the
    // control string can change the root.
    const DuzUdozuzeSystemIni::Network network
        = DuzUdozuzeSystemIni::read(m_settings.m_strHxRoot, m_settings.m_strHxSystem);
    acceptChannel(network.channel, m_settings.m_nChannel);
    m_settings.m_strAlarmSystem = QString::fromLatin1(network.alarmSystem);

    m_pSocketDevice = std::make_unique<DuzUdozuzeSocketDevice>();

    const bool settingsValid = parseControlString(args);

    logPrintf("Constructor: system is %s/%s, Alarm System is %s/%s, Workstation is %d/%d",
              DuzUdozuzeLogLine::escaped(m_settings.m_strHxSystem).constData(),
              DuzUdozuzeLogLine::escaped(m_settings.m_reHxSystemFilter.pattern()).constData(),
              DuzUdozuzeLogLine::escaped(m_settings.m_strAlarmSystem).constData(),
              DuzUdozuzeLogLine::escaped(m_settings.m_reAlarmSystemFilter.pattern()).constData(),
              m_settings.m_nWorkstation, m_settings.m_nWorkstationFilter);

    if (!settingsValid) {
        logPrintf("UDP Settings not valid. Don't enable.");
        m_bValid = false;
        return;
    }
    // A capture is read instead: nothing is bound. A recording holds only
    // what its recorder heard: without /port= it is read on the ports it holds.
    if (m_settings.m_strCapturePath.isEmpty())
        setUpSocket();
    else if (!DuzUdozuzeControlString::contains(args, DuzUdozuzeControlString::Option::Port)
             && QFileInfo(m_settings.m_strCapturePath).isDir()) {
        m_settings.m_nPort = 0;
        m_settings.m_bRecordingPorts = true;
    }
    setUpRecorder();
}

// A folder that is not safe to write in is a failed step like any other.
void DuzUdozuzeSocket::setUpRecorder()
{
    const QString &path = m_settings.m_strRecordPath;
    if (path.isEmpty())
        return;
    for (const auto &[size, option] :
         {std::pair(&m_settings.m_nRecordFileSize, "/recordfile="),
          std::pair(&m_settings.m_nRecordTotalSize, "/recordtotal=")}) {
        if (*size < DuzUdozuzeRecordOptions::LeastSize) {
            m_setUpWarnings.append(
                QStringLiteral("Warning: %1 of %2 bytes is less than the least, %3K: %3K is used")
                    .arg(QLatin1String(option))
                    .arg(*size)
                    .arg(DuzUdozuzeRecordOptions::LeastSize >> 10));
            *size = DuzUdozuzeRecordOptions::LeastSize;
        }
    }
    QString why;
    int folder = DuzUdozuzeRecordFolder::open(path, &why);
    // Recording into the recording read would copy it into itself, and the
    // total bound would delete its files before they are read.
    struct stat recording, read;
    if (folder >= 0 && readsCapture() && ::fstat(folder, &recording) == 0
        && ::stat(QFile::encodeName(m_settings.m_strCapturePath).constData(), &read) == 0
        && recording.st_dev == read.st_dev && recording.st_ino == read.st_ino) {
        ::close(folder);
        folder = -1;
        why = QStringLiteral("it is the recording read");
    }
    // One recorder a folder: a second would delete the first one's files.
    const int lock = folder >= 0 ? DuzUdozuzeRecordFolder::lock(folder, &why) : -1;
    if (lock < 0 && folder >= 0) {
        ::close(folder);
        folder = -1;
    }
    if (folder < 0) {
        logPrintf("Can't record to '%s': %s", DuzUdozuzeLogLine::escaped(path).constData(),
                  DuzUdozuzeLogLine::escaped(why).constData());
        m_bValid = false;
        return;
    }
    // The address bound is this end of every datagram recorded.
    m_nRecordAddress = DuzUdozuzeAddress::parse(m_settings.m_strHostAddress).value_or(0);
    // Told on the writing thread, said on the event loop's. A capture's
    // reading thread writes what it reads itself; the port's datagrams go
    // through the recorder's own.
    m_pRecorder = std::make_shared<DuzUdozuzeRecorder>(
        path, folder, lock,
        DuzUdozuzeRecorder::Limits {m_settings.m_nRecordFileSize, m_settings.m_nRecordTotalSize},
        [this](const QString &text, int priority) {
            QMetaObject::invokeMethod(
                this, [this, text, priority] { emit recordingTold(text, priority); },
                Qt::QueuedConnection);
        },
        readsCapture() ? DuzUdozuzeRecorder::Writer::Caller : DuzUdozuzeRecorder::Writer::Thread);
}

DuzUdozuzeRecorder::Counts DuzUdozuzeSocket::recordCounts() const
{
    return m_pRecorder ? m_pRecorder->counts() : DuzUdozuzeRecorder::Counts {};
}

// Each step that fails logs its line and clears m_bValid; the set-up goes on.
void DuzUdozuzeSocket::setUpSocket()
{
    using Option = DuzUdozuzeSocketDevice::Option;
    if (!m_pSocketDevice->setOption(Option::Broadcast, m_settings.m_bBroadcast ? 1 : 0)) {
        logPrintf("can't set UDP sockopt - Broadcast");
        m_bValid = false;
    }
    if (!m_pSocketDevice->setOption(Option::ReuseAddress, m_settings.m_bReuseAddress ? 1 : 0)) {
        logPrintf("can't set UDP sockopt - Reuse address");
        m_bValid = false;
    }

    quint32 hostAddress = 0;
    if (const auto address = DuzUdozuzeAddress::parse(m_settings.m_strHostAddress)) {
        hostAddress = *address;
    } else {
        logPrintf("Can't set socket address to '%s'",
                  DuzUdozuzeLogLine::escaped(m_settings.m_strHostAddress).constData());
        m_bValid = false;
    }

    logPrintf("List of addresses is %s",
              DuzUdozuzeLogLine::escaped(localAddresses().join(QLatin1Char('/'))).constData());

    m_pSocketDevice->setOption(Option::ReceiveBufferSize, ReceiveBufferSize);
    if (!m_pSocketDevice->bind(hostAddress, quint16(m_settings.m_nPort))) {
        logPrintf("Can't bind UDP listen socket");
        m_bValid = false;
    } else {
        const QString warning = DuzUdozuzePortSharing::warning(m_pSocketDevice->localPort(),
                                                               m_pSocketDevice->inode());
        if (!warning.isEmpty())
            m_setUpWarnings.append(warning);
    }

    if (!m_pSocketDevice->isValid()) {
        logPrintf("Notifier not created");
        m_bValid = false;
        return;
    }
    m_pNotifier = new QSocketNotifier(m_pSocketDevice->descriptor(), QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &DuzUdozuzeSocket::rxData);
    m_batch.resize(MaxDatagramsPerActivation);
    m_rest.setSingleShot(true);
    m_rest.setTimerType(Qt::PreciseTimer);
    m_rest.setInterval(RestInterval);
    connect(&m_rest, &QTimer::timeout, this, &DuzUdozuzeSocket::rxData);
}

// Handles the datagrams waiting, up to a bound, read in one call. After a
// batch short of the bound the notifier rests and a timer reads the next, so
// that a flood costs a wake-up a batch; a full one is read on at the event
// loop's next turn, and nothing waiting wakes the notifier again.
void DuzUdozuzeSocket::rxData()
{
    const int count = m_pSocketDevice->readDatagrams(m_batch.data(), MaxDatagramsPerActivation,
                                                     DuzUdozuzeSession::MaxDatagramSize);
    m_pNotifier->setEnabled(count <= 0 || count == MaxDatagramsPerActivation);
    if (count < 0) {
        // A failed read consumes the socket's pending error; nothing is parsed.
        if (!m_pSocketDevice->wouldBlock())
            logPrintf("Receive error: %s",
                      DuzUdozuzeLogLine::escaped(m_pSocketDevice->errorString()).constData());
        return;
    }
    if (count == 0)
        return;
    const DuzUdozuzeSession::Time current = now();
    for (int i = 0; i < count; ++i) {
        const DuzUdozuzeSocketDevice::Received &datagram = m_batch[size_t(i)];
        const DuzUdozuzeSession::Time time = arrival(datagram.timeNs, current);
        m_nLastClock = time.clock;
        // Kept as it came, before anything is made of it.
        if (m_pRecorder) {
            const qint64 timeUs = datagram.timeNs > 0
                ? qMin(datagram.timeNs / 1000, current.wall * 1000 + 999)
                : time.wall * 1000;
            m_pRecorder->record({datagram.data, datagram.length, datagram.length, datagram.source,
                                 datagram.sourcePort,
                                 datagram.destination ? datagram.destination : m_nRecordAddress,
                                 quint16(m_settings.m_nPort), timeUs, false});
        }
        m_pSession->receive(datagram.data, datagram.length, datagram.length, datagram.source,
                            datagram.sourcePort, time);
    }
    if (count < MaxDatagramsPerActivation)
        m_rest.start();
}

// An answer, to the send address at the bound port.
bool DuzUdozuzeSocket::sendStatus(const QByteArray &datagram)
{
    // The control string accepts only valid send addresses.
    const quint32 address = DuzUdozuzeAddress::parse(m_settings.m_strSendAddress).value_or(0);
    const quint16 port = m_pSocketDevice->localPort();
    if (m_pSocketDevice->writeDatagram(datagram, address, port) < 0)
        return false;
    if (m_pRecorder) {
        m_pRecorder->record({datagram.constData(), datagram.size(), datagram.size(),
                             m_nRecordAddress, port, address, port, now().wall * 1000, true});
    }
    return true;
}

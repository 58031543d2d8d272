// SPDX-License-Identifier: MIT
#include "net/duzudozuzesocket.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzewiretext.h"
#include "common/idebug.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzecontrolstring.h"
#include "net/duzudozuzeportsharing.h"
#include "net/duzudozuzesocketdevice.h"
#include "net/duzudozuzesystemini.h"
#include "protocol/duzudozuzereception.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <QDateTime>
#include <QSocketNotifier>

namespace {

// A datagram is read into a buffer of 256 bytes: at most 255 bytes and a zero.
constexpr qint64 MaxDatagramSize = 255;
// Datagrams handled in one activation of the notifier before the event loop
// gets its turn again: enough to keep up with a flood, few enough that the
// window stays responsive.
constexpr int MaxDatagramsPerActivation = 64;
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
    m_suppressedReport.setSingleShot(true);
    m_suppressedReport.setTimerType(Qt::PreciseTimer); // never early
    connect(&m_suppressedReport, &QTimer::timeout, this,
            &DuzUdozuzeSocket::reportSuppressedAnswers);
    setUp(args);
    // The own row is keyed by the names as the own datagrams carry them.
    m_workstations.setOwnIdentity(duzUdozuzeWireText(m_settings.m_strHxSystem),
                                  duzUdozuzeWireText(m_settings.m_strAlarmSystem),
                                  m_settings.m_nWorkstation, m_settings.m_nChannel);
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
    // Claims expire, rows go stale and warnings start and end with time alone:
    // the clock's, or the capture's.
    if (readsCapture()) {
        m_workstations.setClocks([this] { return m_nCaptureMono; },
                                 [this] { return m_nCaptureWall.value_or(0); });
        return;
    }
    connect(&m_workstationTick, &QTimer::timeout, this, [this] { report(m_workstations.tick()); });
    m_workstationTick.start(1000);
    if (m_bValid && m_settings.m_nSilenceTime > 0)
        m_workstations.setSilence(qint64(m_settings.m_nSilenceTime) * 1000, m_settings.m_nPort);
}

DuzUdozuzeSocket::~DuzUdozuzeSocket()
{
    // The notifier stops watching before the socket it watches is closed.
    delete m_pNotifier;
    m_pSocketDevice.reset();
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

void DuzUdozuzeSocket::setRespondAutomatically(bool on)
{
    m_bRespondAutomatically = on;
    m_workstations.setOwnWatching(!on);
}

void DuzUdozuzeSocket::setOk(bool ok)
{
    m_mastership.setOk(ok);
    m_workstations.setOwnHealthy(ok);
}

void DuzUdozuzeSocket::clearWorkstations()
{
    report(m_workstations.clear());
}

void DuzUdozuzeSocket::report(const DuzUdozuzeWorkstationTable::Events &events)
{
    for (const DuzUdozuzeWorkstationTable::Event &event : events)
        emit workstationWarning(event.raised, event.text);
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
    // A capture is read instead: nothing is bound.
    if (readsCapture())
        return;
    setUpSocket();
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
    connect(m_pNotifier, &QSocketNotifier::activated, this,
            [this](QSocketDescriptor socket) { rxData(int(socket)); });
}

// Handles the datagrams waiting, up to a bound, one at a time.
void DuzUdozuzeSocket::rxData(int)
{
    for (int i = 0; i < MaxDatagramsPerActivation; ++i) {
        char buffer[MaxDatagramSize + 1];
        quint32 address = 0;
        quint16 port = 0;
        const qint64 count
            = m_pSocketDevice->readDatagram(buffer, MaxDatagramSize, &address, &port);
        if (count < 0) {
            // A failed read consumes the socket's pending error; nothing is parsed.
            if (!m_pSocketDevice->wouldBlock())
                logPrintf("Receive error: %s",
                          DuzUdozuzeLogLine::escaped(m_pSocketDevice->errorString()).constData());
            return;
        }
        handleDatagram(buffer, count, count, address, port);
    }
}

void DuzUdozuzeSocket::handleCaptured(const QByteArray &payload, qsizetype length, quint32 address,
                                      quint16 port, qint64 timeMs)
{
    advanceCaptureClock(timeMs);
    handleDatagram(payload.constData(), payload.size(), length, address, port);
}

// The picture's clock never runs backwards: it advances by the steps forward
// of the capture's time stamps only, so that a claim lasts 10 s of the
// capture's advancing time even where its clock steps back. Lines keep each
// packet's own time. The table's second ticks on its grid, each at its own
// time, but only where one can change something: a jump of years costs a
// few ticks, not one a second.
void DuzUdozuzeSocket::advanceCaptureClock(qint64 timeMs)
{
    if (!m_nCaptureWall) {
        m_nCaptureWall = m_nCaptureMono = timeMs;
        m_nNextTick = timeMs + 1000;
        if (m_settings.m_nSilenceTime > 0)
            m_workstations.setSilence(qint64(m_settings.m_nSilenceTime) * 1000, m_settings.m_nPort);
    }
    const qint64 target = m_nCaptureMono + qMax<qint64>(0, timeMs - *m_nCaptureWall);
    for (;;) {
        qint64 due = m_workstations.nextChange();
        if (m_nSuppressedUnreported > 0)
            due = qMin(due, m_nSuppressedReportedMs + 1000);
        if (due > m_nNextTick) {
            // The first tick of the grid at or after it; the grid ends with
            // the capture's time.
            const qint64 seconds = (qMin(due, target + 1000) - m_nNextTick + 999) / 1000;
            m_nNextTick += seconds * 1000;
        }
        if (m_nNextTick > target)
            break;
        *m_nCaptureWall += m_nNextTick - m_nCaptureMono;
        m_nCaptureMono = m_nNextTick;
        report(m_workstations.tick());
        if (m_nCaptureMono - m_nSuppressedReportedMs >= 1000)
            reportSuppressedAnswers();
        m_nNextTick += 1000;
    }
    m_nCaptureMono = target;
    m_nCaptureWall = timeMs;
}

std::optional<qint64> DuzUdozuzeSocket::lineTime() const
{
    return m_nCaptureWall;
}

QString DuzUdozuzeSocket::timeText() const
{
    return m_nCaptureWall ? DuzUdozuzeLogLine::timeText(*m_nCaptureWall)
                          : DuzUdozuzeLogLine::timeText();
}

// The text is what precedes the first zero byte. A datagram longer than the
// buffer, or cut short by a capture, is quoted as far as it was read and not
// acted on: its fields past the cut are unknown.
void DuzUdozuzeSocket::handleDatagram(const char *data, qint64 available, qint64 length,
                                      quint32 address, quint16 port)
{
    const bool cut = length > MaxDatagramSize || available < length;
    const QByteArray raw(data, qsizetype(qstrnlen(data, size_t(qMin(available, MaxDatagramSize)))));
    ++m_counts.received;
    m_nLastDatagramTime = m_nCaptureWall.value_or(QDateTime::currentMSecsSinceEpoch());
    report(m_workstations.heard());
    const auto datagram
        = cut ? std::nullopt : DuzUdozuzeStatusDatagram::parse(QString::fromLatin1(raw));
    if (datagram && !DuzUdozuzeReception::passesMonitorFilters(*datagram, m_settings)) {
        ++m_counts.filtered;
        emit countsChanged();
        return;
    }

    // Only a datagram that is logged is quoted.
    const QByteArray quoted = DuzUdozuzeLogLine::escaped(raw);
    const QByteArray sender = DuzUdozuzeAddress::toText(address).toLatin1();
    const int type = int(QSocketNotifier::Read);
    if (!datagram) {
        ++m_counts.notCurrentFormat;
        logPrintf("Received '%s'. Not current format. %s:%d. type %d", quoted.constData(),
                  sender.constData(), int(port), type);
        emit countsChanged();
        return;
    }
    ++m_counts.shown;
    logPrintf("Received '%s'. %s:%d. type %d", quoted.constData(), sender.constData(), int(port),
              type);
    emit countsChanged();
    report(m_workstations.update(*datagram, address, port));

    if (!m_bRespondAutomatically)
        return;
    if (const char *failure = DuzUdozuzeReception::respondCheckFailure(*datagram, m_settings)) {
        logPrintf("%s", failure);
        return;
    }
    logPrintf("Received Data is '%s'. Address %s:%d. type %d.", quoted.constData(),
              sender.constData(), int(port), type);
    const bool wasMaster = isMaster();
    handleMessageCode(datagram->code, datagram->healthWord);
    if (isMaster() != wasMaster) {
        report(m_workstations.ownModeChanged(isMaster(), datagram->code, address,
                                             datagram->workstation));
    }
}

// The answers' clock: the capture's, or the time since the start.
qint64 DuzUdozuzeSocket::nowMs() const
{
    return readsCapture() ? m_nCaptureMono : m_clock.elapsed();
}

// A workstation without a number of its own could not tell its answers,
// coming back, from those of others: it would act on its own "NO".
QString DuzUdozuzeSocket::answersNotSentReason() const
{
    if (readsCapture())
        return QStringLiteral("reading a capture");
    return m_settings.m_nWorkstation < 0 ? QStringLiteral("no workstation number") : QString();
}

void DuzUdozuzeSocket::handleMessageCode(const QString &code, const QString &healthWord)
{
    const bool wasMaster = m_mastership.isMaster();
    const DuzUdozuzeMastership::Step step = m_mastership.decide(code, healthWord);
    logPrintf("%s", step.line.constData());
    m_mastership.apply(step);
    if (step.master != wasMaster)
        emit mastershipChanged(step.master);
    if (!step.answerNo)
        return;
    // Without a number of its own, nothing is answered; reading a capture,
    // the answers go as far as the line that tells them.
    if (m_settings.m_nWorkstation < 0) {
        ++m_counts.answersNotSent;
        emit countsChanged();
        return;
    }
    if (m_answerLimit.take(nowMs()))
        broadcastStatus(QStringLiteral("NO"));
    else
        suppressAnswer();
}

// An answer over the limit is not sent: a flood of "NA" sent to this
// workstation alone must not become a broadcast storm on the whole network.
void DuzUdozuzeSocket::suppressAnswer()
{
    ++m_counts.answersSuppressed;
    ++m_nSuppressedUnreported;
    emit countsChanged();
    const qint64 sinceReport = nowMs() - m_nSuppressedReportedMs;
    if (m_counts.answersSuppressed == m_nSuppressedUnreported || sinceReport >= 1000)
        reportSuppressedAnswers();
    // Reading a capture, the report waits for the capture's next second.
    else if (!readsCapture() && !m_suppressedReport.isActive())
        m_suppressedReport.start(int(1000 - sinceReport));
}

void DuzUdozuzeSocket::reportSuppressedAnswers()
{
    if (m_nSuppressedUnreported == 0)
        return;
    logPrintf("%llu answers suppressed: more than %d a second",
              static_cast<unsigned long long>(m_nSuppressedUnreported), MaxAnswersPerSecond);
    m_nSuppressedUnreported = 0;
    m_nSuppressedReportedMs = nowMs();
}

void DuzUdozuzeSocket::broadcastStatus(const QString &code)
{
    const QByteArray text = DuzUdozuzeStatusDatagram::format(
        code, m_settings.m_strHxSystem, m_settings.m_strAlarmSystem, m_settings.m_nWorkstation,
        m_settings.m_nChannel, m_mastership.isOk());
    const auto tell = [this, &text] {
        logPrintf("**Broadcasting WS:%d Master:%d '%s'", m_settings.m_nWorkstation,
                  m_mastership.masterWorkstation(), DuzUdozuzeLogLine::escaped(text).constData());
        emit countsChanged();
    };
    // The line the answer would have made live, and nothing sent.
    if (readsCapture()) {
        ++m_counts.answersNotSent;
        tell();
        return;
    }
    if (!m_pSocketDevice)
        return;
    // The control string accepts only valid send addresses.
    const quint32 address = DuzUdozuzeAddress::parse(m_settings.m_strSendAddress).value_or(0);
    if (m_pSocketDevice->writeDatagram(text, address, m_pSocketDevice->localPort()) < 0) {
        logPrintf("client socket write error");
        return;
    }
    ++m_counts.answersSent;
    tell();
}

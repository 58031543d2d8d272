// SPDX-License-Identifier: MIT
#include "net/duzudozuzestation.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzewiretext.h"
#include "common/idebug.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzecontrolstring.h"
#include "net/duzudozuzesocket.h"
#include "net/duzudozuzesystemini.h"

DuzUdozuzeStation::DuzUdozuzeStation(const QString &hxRoot, const QString &hxSystem,
                                     int workstation, const QStringList &args, IDebug *debug,
                                     AddressLookup addressLookup)
    : m_pDebug(debug),
      m_addressLookup(addressLookup ? std::move(addressLookup) : &DuzUdozuzeAddress::hostAddresses)
{
    m_settings.m_strHxRoot = hxRoot;
    m_settings.m_strHxSystem = hxSystem;
    m_settings.m_nWorkstation = workstation;
    setUp(args);
    DuzUdozuzeSession::Sink &sink = *this;
    m_pSession = std::make_unique<DuzUdozuzeSession>(
        m_settings, sink, DuzUdozuzeSession::Time {{}, duzUdozuzeWallNow()});
    if (m_pSource)
        m_pSession->setSource(m_pSource->traits());
    warnAboutNames();
}

// What waits to be recorded is written before anything else goes; a reading
// thread stops before that, and the source before the session it feeds.
DuzUdozuzeStation::~DuzUdozuzeStation()
{
    finish();
    m_pRecorder.reset();
    m_pSource.reset();
}

void DuzUdozuzeStation::logLine(const QString &line)
{
    m_pDebug->debugMessage(4, 1, QString(), line);
}

void DuzUdozuzeStation::setUp(const QStringList &args)
{
    // This workstation's channel and alarm system name, read once, before the
    // control string can change the root.
    const DuzUdozuzeSystemIni::Network network
        = DuzUdozuzeSystemIni::read(m_settings.m_strHxRoot, m_settings.m_strHxSystem);
    acceptChannel(network.channel, m_settings.m_nChannel);
    m_settings.m_strAlarmSystem = QString::fromLatin1(network.alarmSystem);

    const bool settingsValid = DuzUdozuzeControlString::parse(args, m_settings, *this);

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
    if (m_settings.m_strCapturePath.isEmpty()) {
        auto port = std::make_unique<DuzUdozuzeSocket>(m_settings, *this);
        m_bValid = port->isValid();
        if (!port->sharingWarning().isEmpty())
            m_setUpWarnings.append(port->sharingWarning());
        m_pSource = std::move(port);
    } else {
        openCapture(args);
    }
    if (!m_pSource) // a build that cannot read captures
        return;
    connect(m_pSource.get(), &DuzUdozuzeSource::told, this,
            [this](const QString &text) { emit told(text, 0); });
    setUpRecorder();
}

void DuzUdozuzeStation::warnAboutNames()
{
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
}

void DuzUdozuzeStation::start()
{
    if (m_pSource && m_bValid)
        m_pSource->start(*m_pSession, m_pRecorder);
}

void DuzUdozuzeStation::finish()
{
    if (m_pSource)
        m_pSource->stop();
    if (m_pRecorder)
        m_pRecorder->finish();
}

DuzUdozuzeRecorder::Counts DuzUdozuzeStation::recordCounts() const
{
    return m_pRecorder ? m_pRecorder->counts() : DuzUdozuzeRecorder::Counts {};
}

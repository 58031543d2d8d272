// SPDX-License-Identifier: MIT
#include "net/duzudozuzestation.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzewiretext.h"
#include "common/idebug.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzecapturefeed.h"
#include "net/duzudozuzecontrolstring.h"
#include "net/duzudozuzerecordfolder.h"
#include "net/duzudozuzerecordoptions.h"
#include "net/duzudozuzesocket.h"
#include "net/duzudozuzesystemini.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

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
    // A capture is read instead: nothing is bound. A recording holds only
    // what its recorder heard: without /port= it is read on the ports it holds.
    if (m_settings.m_strCapturePath.isEmpty()) {
        auto port = std::make_unique<DuzUdozuzeSocket>(m_settings, *this);
        m_bValid = port->isValid();
        if (!port->sharingWarning().isEmpty())
            m_setUpWarnings.append(port->sharingWarning());
        m_pSource = std::move(port);
    } else {
        if (!DuzUdozuzeControlString::contains(args, DuzUdozuzeControlString::Option::Port)
            && QFileInfo(m_settings.m_strCapturePath).isDir()) {
            m_settings.m_nPort = 0;
            m_settings.m_bRecordingPorts = true;
        }
        m_pSource = std::make_unique<DuzUdozuzeCaptureFeed>(m_settings);
    }
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

// A folder that is not safe to write in is a failed step like any other.
void DuzUdozuzeStation::setUpRecorder()
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
    if (folder >= 0 && !m_settings.m_strCapturePath.isEmpty() && ::fstat(folder, &recording) == 0
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
    // Told on the writing thread, said on the event loop's.
    m_pRecorder = std::make_shared<DuzUdozuzeRecorder>(
        path, folder, lock,
        DuzUdozuzeRecorder::Limits {m_settings.m_nRecordFileSize, m_settings.m_nRecordTotalSize},
        [this](const QString &text, int priority) {
            QMetaObject::invokeMethod(
                this, [this, text, priority] { emit told(text, priority); }, Qt::QueuedConnection);
        },
        m_pSource->recordingWriter());
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

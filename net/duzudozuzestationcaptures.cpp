// SPDX-License-Identifier: MIT
// The station's captures: a capture read as the source, and the recording.
#include "net/duzudozuzestation.h"

#include "common/duzudozuzelogline.h"
#include "net/duzudozuzecapturefeed.h"
#include "net/duzudozuzecontrolstring.h"
#include "net/duzudozuzerecordfolder.h"
#include "net/duzudozuzerecordoptions.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

// A recording holds only what its recorder heard: without /port= it is read
// on the ports it holds.
void DuzUdozuzeStation::openCapture(const QStringList &args)
{
    if (!DuzUdozuzeControlString::contains(args, DuzUdozuzeControlString::Option::Port)
        && QFileInfo(m_settings.m_strCapturePath).isDir()) {
        m_settings.m_nPort = 0;
        m_settings.m_bRecordingPorts = true;
    }
    m_pSource = std::make_unique<DuzUdozuzeCaptureFeed>(m_settings);
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

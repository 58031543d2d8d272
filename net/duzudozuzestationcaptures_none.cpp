// SPDX-License-Identifier: MIT
// A build without libpcap reads and records no captures: asked to, its set-up
// fails and says why.
#include "net/duzudozuzestation.h"

#include "common/duzudozuzelogline.h"

void DuzUdozuzeStation::openCapture(const QStringList &)
{
    logPrintf("Can't read '%s': not available in this build",
              DuzUdozuzeLogLine::escaped(m_settings.m_strCapturePath).constData());
    m_bValid = false;
}

void DuzUdozuzeStation::setUpRecorder()
{
    if (m_settings.m_strRecordPath.isEmpty())
        return;
    logPrintf("Can't record to '%s': not available in this build",
              DuzUdozuzeLogLine::escaped(m_settings.m_strRecordPath).constData());
    m_bValid = false;
}

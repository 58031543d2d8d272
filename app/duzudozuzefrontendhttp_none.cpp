// SPDX-License-Identifier: MIT
// A build without the HTTP server: /http= fails the set-up and says why.
#include "app/duzudozuzefrontend.h"

bool DuzUdozuzeFrontEnd::startHttp(QObject *)
{
    const DuzUdozuzeSettings &settings = m_pStation->settings();
    if (settings.m_strHttpAddress.isEmpty())
        return true;
    logPrintf("Can't listen for HTTP on %s:%d: not available in this build",
              qPrintable(settings.m_strHttpAddress), settings.m_nHttpPort);
    return false;
}

void DuzUdozuzeFrontEnd::stopHttp() { }

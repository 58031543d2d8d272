// SPDX-License-Identifier: MIT
#include "app/duzudozuzealertsound.h"

#include <QApplication>

#ifdef DUZUDOZUZE_CANBERRA
#include <canberra.h>
#endif

DuzUdozuzeAlertSound::DuzUdozuzeAlertSound()
{
#ifdef DUZUDOZUZE_CANBERRA
    if (ca_context_create(&m_pContext) != CA_SUCCESS) {
        m_pContext = nullptr;
        return;
    }
    ca_context_change_props(m_pContext, CA_PROP_APPLICATION_NAME, "DuzUdozuze",
                            CA_PROP_APPLICATION_ICON_NAME, "duzudozuze", nullptr);
#endif
}

DuzUdozuzeAlertSound::~DuzUdozuzeAlertSound()
{
#ifdef DUZUDOZUZE_CANBERRA
    if (m_pContext)
        ca_context_destroy(m_pContext);
#endif
}

bool DuzUdozuzeAlertSound::play()
{
    if (m_lastPlayed.isValid() && m_lastPlayed.elapsed() < Interval)
        return true;
    m_lastPlayed.start();
#ifdef DUZUDOZUZE_CANBERRA
    // The theme's warning sound; a desktop without a sound server or theme
    // still beeps.
    if (m_pContext
        && ca_context_play(m_pContext, 0, CA_PROP_EVENT_ID, "dialog-warning",
                           CA_PROP_EVENT_DESCRIPTION, "A warning was raised", nullptr)
            == CA_SUCCESS)
        return true;
#endif
    QApplication::beep();
    return false;
}

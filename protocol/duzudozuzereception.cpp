// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzereception.h"

#include "common/duzudozuzesettings.h"
#include "common/duzudozuzewiretext.h"
#include "protocol/duzudozuzestatusdatagram.h"

namespace {

bool numberPasses(int filter, int value)
{
    return filter == -1 || filter == value;
}

} // namespace

bool DuzUdozuzeReception::passesNumberFilters(const DuzUdozuzeStatusDatagram &datagram,
                                              const DuzUdozuzeSettings &settings)
{
    return numberPasses(settings.m_nWorkstationFilter, datagram.workstation)
        && numberPasses(settings.m_nChannelFilter, datagram.channel);
}

const char *DuzUdozuzeReception::namesCheckFailure(const DuzUdozuzeStatusDatagram &datagram,
                                                   const DuzUdozuzeSettings &settings)
{
    // The own names as they go on the wire, so that a name sent as UTF-8
    // comes back as itself.
    if (datagram.system.toUpper() != duzUdozuzeWireText(settings.m_strHxSystem).toUpper())
        return "Not our HX system.";
    if (datagram.alarmSystem.toUpper() != duzUdozuzeWireText(settings.m_strAlarmSystem).toUpper())
        return "Not our alarm system.";
    return nullptr;
}

const char *DuzUdozuzeReception::numbersCheckFailure(const DuzUdozuzeStatusDatagram &datagram,
                                                     const DuzUdozuzeSettings &settings)
{
    if (settings.m_nWorkstation != -1 && settings.m_nWorkstation == datagram.workstation)
        return "It's from me.";
    if (settings.m_nChannel != -1 && settings.m_nChannel != datagram.channel)
        return "Not my channel.";
    return nullptr;
}

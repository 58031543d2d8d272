// SPDX-License-Identifier: MIT
#include "net/duzudozuzefilteroptions.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "net/duzudozuzelinkcontext.h"

// Installs the case-sensitive expression made from value as filter, or logs
// error and keeps the filter as it was. As in the toolkit's classic
// expressions the command lines were written for, '.' matches every
// character and \w, \d and \b know the letters and digits beyond ASCII.
bool DuzUdozuzeFilterOptions::expression(const QString &value, QRegularExpression &filter,
                                         const char *error, DuzUdozuzeLinkContext &context)
{
    QRegularExpression expression(value,
                                  QRegularExpression::DotMatchesEverythingOption
                                      | QRegularExpression::UseUnicodePropertiesOption);
    if (!expression.isValid()) {
        context.logPrintf(error, DuzUdozuzeLogLine::escaped(value).constData(),
                          DuzUdozuzeLogLine::escaped(expression.errorString()).constData());
        return false;
    }
    expression.optimize();
    filter = expression;
    return true;
}

// After /hx_root= and /hx_system=: the channel filter follows the system INI
// file of the root and system as they now stand. A failed lookup is no error.
void DuzUdozuzeFilterOptions::channelFromIni(DuzUdozuzeSettings &s, DuzUdozuzeLinkContext &context)
{
    int channel = s.m_nChannelFilter;
    if (context.readSystemIniChannel(s.m_strHxRoot, s.m_strHxSystem, channel)) {
        s.m_nChannelFilter = channel;
        context.logPrintf("Channel filter override = '%d'", channel);
    } else {
        context.logPrintf("No Channel filter override. Continue to use %d.", s.m_nChannelFilter);
    }
}

bool DuzUdozuzeFilterOptions::workstation(const QString &value, DuzUdozuzeSettings &s,
                                          DuzUdozuzeLinkContext &context)
{
    if (value == QLatin1String("*") || value == QLatin1String("all")) {
        s.m_nWorkstationFilter = -1;
        context.logPrintf("Workstation filter override = all");
        return true;
    }
    if (value == QLatin1String("me")) {
        s.m_nWorkstationFilter = s.m_nWorkstation;
        context.logPrintf("Workstation filter override = me");
        return true;
    }
    bool ok = false;
    s.m_nWorkstationFilter = value.toInt(&ok, 10); // 0 when it does not convert
    if (!ok) {
        context.logPrintf("Not a valid workstation number: '%s'",
                          DuzUdozuzeLogLine::escaped(value).constData());
    }
    context.logPrintf("Workstation filter override = '%d'", s.m_nWorkstationFilter);
    return ok;
}

bool DuzUdozuzeFilterOptions::channel(const QString &value, DuzUdozuzeSettings &s,
                                      DuzUdozuzeLinkContext &context)
{
    if (value == QLatin1String("*") || value == QLatin1String("all")) {
        s.m_nChannelFilter = -1;
        context.logPrintf("Channel filter override = all = -1");
        return true;
    }
    if (value == QLatin1String("me")) {
        int channel = s.m_nChannelFilter;
        if (context.readSystemIniChannel(s.m_strHxRoot, s.m_strHxSystem, channel)) {
            s.m_nChannelFilter = channel;
            context.logPrintf("Channel filter override = mine = %d", channel);
        } else {
            context.logPrintf("Channel filter override not valid. Continue to use %d.",
                              s.m_nChannelFilter);
        }
        return true;
    }
    bool ok = false;
    const int number = value.toInt(&ok, 10);
    if (ok) {
        s.m_nChannelFilter = number;
        context.logPrintf("Channel filter override = %d", number);
    } else {
        context.logPrintf("Not a valid channel filter number: '%s'. Continue to use %d.",
                          DuzUdozuzeLogLine::escaped(value).constData(), s.m_nChannelFilter);
    }
    return ok;
}

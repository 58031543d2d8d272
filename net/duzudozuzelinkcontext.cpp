// SPDX-License-Identifier: MIT
#include "net/duzudozuzelinkcontext.h"

#include "common/duzudozuzelogline.h"
#include "net/duzudozuzesystemini.h"

bool DuzUdozuzeLinkContext::readSystemIniChannel(const QString &root, const QString &system,
                                                 int &channel)
{
    return acceptChannel(DuzUdozuzeSystemIni::read(root, system).channel, channel);
}

bool DuzUdozuzeLinkContext::acceptChannel(const QByteArray &text, int &channel)
{
    if (const auto number = DuzUdozuzeSystemIni::toChannel(text)) {
        channel = *number;
        return true;
    }
    logPrintf("Not a valid channel number: '%s'", DuzUdozuzeLogLine::escaped(text).constData());
    return false;
}

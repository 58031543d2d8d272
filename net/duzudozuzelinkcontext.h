// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELINKCONTEXT_H
#define DUZUDOZUZELINKCONTEXT_H

#include "common/duzudozuzelogger.h"

#include <QStringList>

// What the control-string parser and the set-up need from the host: a
// printf-style log, the local address list and the system INI channel lookup.
// The station provides it for real; tests provide their own.
class DuzUdozuzeLinkContext : public DuzUdozuzeLogger
{
public:
    // This workstation's channel from the system INI file under root and
    // system. On success stores it in channel and returns true; otherwise logs
    // "Not a valid channel number: '%s'" and leaves channel alone.
    bool readSystemIniChannel(const QString &root, const QString &system, int &channel);

    // The host's IPv4 addresses as dotted texts, in the resolver's order.
    virtual QStringList localAddresses() const = 0;

protected:
    ~DuzUdozuzeLinkContext() = default;
    // The channel in text as read from the INI file: stored in channel when it
    // is a valid number; otherwise logged as not valid.
    bool acceptChannel(const QByteArray &text, int &channel);
};

#endif // DUZUDOZUZELINKCONTEXT_H

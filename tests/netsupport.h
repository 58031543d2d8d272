// SPDX-License-Identifier: MIT
#ifndef NETSUPPORT_H
#define NETSUPPORT_H

#include "net/duzudozuzelinkcontext.h"
#include "net/duzudozuzesocketdevice.h"
#include "testsupport.h"

#include <QStringList>

// The control string's and the set-up's view of the host, with a chosen
// local address list; the lines it logs go to sink.
class FakeLinkContext : public DuzUdozuzeLinkContext
{
public:
    QStringList localAddresses() const override { return addresses; }

    QStringList addresses;
    RecordingSink sink;

protected:
    void logLine(const QString &line) override { sink.lines.append(line); }
};

// A UDP port on 127.0.0.1 that nobody holds at the moment of asking.
inline quint16 freePort()
{
    DuzUdozuzeSocketDevice probe;
    probe.bind(0x7F000001, 0);
    return probe.localPort();
}

#endif // NETSUPPORT_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEADDRESS_H
#define DUZUDOZUZEADDRESS_H

#include <QString>
#include <QStringList>

#include <optional>

// IPv4 addresses as the program handles them: 32-bit numbers in host order,
// written as dotted decimal text.
namespace DuzUdozuzeAddress {

// A dotted IPv4 address of four decimal numbers from 0 to 255 (no leading
// zeros, no short forms, no IPv6); anything else gives nothing.
std::optional<quint32> parse(const QString &text);

QString toText(quint32 address);

// An address and a port as "ADDR:PORT": a dotted IPv4 address as parse()
// takes it, and a port from 1 to 65535.
struct Endpoint
{
    quint32 address;
    quint16 port;
};
std::optional<Endpoint> parseEndpoint(const QString &text);

// The host's IPv4 addresses in the resolver's order, repetitions kept, looked
// up afresh at every call; empty when the host name cannot be read or resolved.
QStringList hostAddresses();

} // namespace DuzUdozuzeAddress

#endif // DUZUDOZUZEADDRESS_H

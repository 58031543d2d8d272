// SPDX-License-Identifier: MIT
#include "net/duzudozuzeaddress.h"

#include "common/duzudozuzeipv4.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

std::optional<quint32> DuzUdozuzeAddress::parse(const QString &text)
{
    in_addr address {};
    if (text.contains(QChar(0)))
        return std::nullopt;
    if (inet_pton(AF_INET, text.toLatin1().constData(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

std::optional<DuzUdozuzeAddress::Endpoint> DuzUdozuzeAddress::parseEndpoint(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const std::optional<quint32> address = parse(text.left(colon));
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok, 10);
    if (colon < 0 || !address || !ok || port == 0 || port > 0xFFFF
        || !text.at(colon + 1).isDigit()) {
        return std::nullopt;
    }
    return Endpoint {*address, quint16(port)};
}

QString DuzUdozuzeAddress::toText(quint32 address)
{
    return duzUdozuzeIpv4Text(address);
}

QStringList DuzUdozuzeAddress::hostAddresses()
{
    QStringList addresses;
    char name[256];
    if (gethostname(name, sizeof name) != 0)
        return addresses;
    name[sizeof name - 1] = '\0';

    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM; // one entry per address
    addrinfo *result = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &result) != 0)
        return addresses;
    for (const addrinfo *entry = result; entry; entry = entry->ai_next) {
        const auto *ipv4 = reinterpret_cast<const sockaddr_in *>(entry->ai_addr);
        addresses.append(toText(ntohl(ipv4->sin_addr.s_addr)));
    }
    freeaddrinfo(result);
    return addresses;
}

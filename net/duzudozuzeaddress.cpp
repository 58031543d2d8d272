// SPDX-License-Identifier: MIT
#include "net/duzudozuzeaddress.h"

#include "common/duzudozuzeipv4.h"

// As inet_pton reads IPv4: exactly four parts, each one to three decimal
// digits with no leading zero, at most 255.
std::optional<quint32> DuzUdozuzeAddress::parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.front() == u'0'))
            return std::nullopt;
        uint value = 0;
        for (const QChar digit : part) {
            if (digit < u'0' || digit > u'9')
                return std::nullopt;
            value = value * 10 + (digit.unicode() - u'0');
        }
        if (value > 255)
            return std::nullopt;
        address = address << 8 | value;
    }
    return address;
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

// SPDX-License-Identifier: MIT
#include "net/duzudozuzeaddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

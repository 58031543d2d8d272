// SPDX-License-Identifier: MIT
#include "net/duzudozuzeaddress.h"

// In the order Windows needs them.
#include <winsock2.h>

#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <vector>

// The IPv4 addresses of the adapters that are up, in the adapters' order,
// leaving out the loopback's.
QStringList DuzUdozuzeAddress::hostAddresses()
{
    QStringList addresses;
    ULONG size = 16 << 10;
    std::vector<char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return addresses;
    for (auto *adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES *>(buffer.data()); adapter;
         adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) {
            continue;
        }
        for (const IP_ADAPTER_UNICAST_ADDRESS *unicast = adapter->FirstUnicastAddress; unicast;
             unicast = unicast->Next) {
            const auto *ipv4 = reinterpret_cast<const sockaddr_in *>(unicast->Address.lpSockaddr);
            if (ipv4->sin_family == AF_INET)
                addresses.append(toText(ntohl(ipv4->sin_addr.s_addr)));
        }
    }
    return addresses;
}

// SPDX-License-Identifier: MIT
// Other sockets on the port, as Windows' table of UDP listeners names them:
// by the process that owns each.
#include "net/duzudozuzeportsharing.h"

// In the order Windows needs them.
#include <winsock2.h>

#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <vector>

QString DuzUdozuzePortSharing::warning(quint16 port, quint64)
{
    std::vector<char> buffer(16 << 10);
    ULONG size = ULONG(buffer.size());
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    for (int attempt = 0; attempt < 3 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        buffer.resize(size);
        result = GetExtendedUdpTable(buffer.data(), &size, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0);
    }
    if (result != NO_ERROR)
        return {};
    const auto *table = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID *>(buffer.data());
    const DWORD self = GetCurrentProcessId();
    QList<uint> owners;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_UDPROW_OWNER_PID &row = table->table[i];
        if (ntohs(u_short(row.dwLocalPort)) == port && row.dwOwningPid != self)
            owners.append(uint(row.dwOwningPid));
    }
    return warningText(port, owners, "process");
}

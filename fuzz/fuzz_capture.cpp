// SPDX-License-Identifier: MIT
// One captured packet, of any link type the capture reader knows: its first
// byte picks the link type, the rest is the packet as captured. The datagram
// found never reaches past the bytes captured, nor past its own length.

#include "net/duzudozuzecapturereader.h"

#include <pcap/pcap.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int linkTypes[]
        = {DLT_EN10MB, DLT_LINUX_SLL, DLT_LINUX_SLL2, DLT_RAW, DLT_IPV4, DLT_NULL, DLT_LOOP};
    if (size < 1)
        return 0;
    const int linkType = linkTypes[data[0] % (sizeof linkTypes / sizeof *linkTypes)];
    QString skip;
    const auto datagram
        = DuzUdozuzeCaptureReader::decode(linkType, data + 1, qsizetype(size - 1), &skip);
    if (!datagram) {
        if (skip.isEmpty())
            __builtin_trap(); // a packet passed over without a reason
        return 0;
    }
    if (datagram->payload.size() > datagram->length
        || datagram->payload.size() > qsizetype(size) - 1 - 28)
        __builtin_trap(); // bytes from beyond the packet
    return 0;
}

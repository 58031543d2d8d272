// SPDX-License-Identifier: MIT
// The system INI file: any content, and the channel's integer rule.

#include "net/duzudozuzesystemini.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const DuzUdozuzeSystemIni::Network network = DuzUdozuzeSystemIni::parse(content);
    if (network.channel.size() > DuzUdozuzeSystemIni::MaxChannelLength)
        __builtin_trap();
    DuzUdozuzeSystemIni::toChannel(network.channel);
    DuzUdozuzeSystemIni::toChannel(content);
    return 0;
}

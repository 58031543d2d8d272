// SPDX-License-Identifier: MIT
// The road of one datagram: the text as read, its escaping for the log, the
// split, the filters, the respond checks and the state machine.

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzemastership.h"
#include "protocol/duzudozuzereception.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool hasControl(const QByteArray &text)
{
    for (const char c : text) {
        if (DuzUdozuzeLogLine::isControl(static_cast<unsigned char>(c)))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // As the receive slot takes it: at most 255 bytes, up to the first zero.
    const size_t read = size < 255 ? size : 255;
    const char *bytes = reinterpret_cast<const char *>(data);
    const QByteArray raw(bytes, qsizetype(strnlen(bytes, read)));

    const QByteArray quoted = DuzUdozuzeLogLine::escaped(raw);
    if (hasControl(quoted))
        __builtin_trap(); // a C0 or C1 control byte would reach the log

    const auto datagram = DuzUdozuzeStatusDatagram::parse(QString::fromLatin1(raw));
    if (!datagram)
        return 0;
    DuzUdozuzeSettings monitor;
    DuzUdozuzeReception::passesMonitorFilters(*datagram, monitor);
    DuzUdozuzeSettings own;
    own.m_strHxSystem = QStringLiteral("north");
    own.m_strAlarmSystem = QStringLiteral("Fire");
    own.m_nWorkstation = 7;
    own.m_nChannel = 3;
    own.m_reHxSystemFilter = QRegularExpression(QStringLiteral("^no"));
    own.m_nWorkstationFilter = 2;
    DuzUdozuzeReception::passesMonitorFilters(*datagram, own);
    DuzUdozuzeReception::respondCheckFailure(*datagram, own);

    for (int state = 0; state < 4; ++state) {
        DuzUdozuzeMastership machine;
        if (state & 1)
            machine.apply(machine.decide(QStringLiteral("NC"), QString()));
        machine.setOk(state & 2);
        const DuzUdozuzeMastership::Step step
            = machine.decide(datagram->code, datagram->healthWord);
        if (hasControl(step.line))
            __builtin_trap(); // a line a terminal could take for commands
        machine.apply(step);
    }
    return 0;
}

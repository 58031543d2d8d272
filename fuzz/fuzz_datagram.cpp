// SPDX-License-Identifier: MIT
// The road of one datagram: the text as read, its escaping for the log, the
// split, the filters, the respond checks and the state machine.

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzemastership.h"
#include "protocol/duzudozuzesession.h"
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

// The session's lines, checked as they come; the answers dropped.
class CheckingSink : public DuzUdozuzeSession::Sink
{
public:
    void logLine(const QString &line) override
    {
        if (hasControl(line.toLatin1()))
            __builtin_trap(); // a line a terminal could take for commands
    }
    bool sendStatus(const QByteArray &) override { return true; }
    void warned(bool, const QString &) override { }
    void counted() override { }
    void modeChanged(bool) override { }
};

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
    // The filters and the respond checks as the session runs them: letting
    // all through, and this workstation's own with filters of its own.
    DuzUdozuzeSettings monitor;
    DuzUdozuzeSettings own;
    own.m_strHxSystem = QStringLiteral("north");
    own.m_strAlarmSystem = QStringLiteral("Fire");
    own.m_nWorkstation = 7;
    own.m_nChannel = 3;
    own.m_reHxSystemFilter = QRegularExpression(QStringLiteral("^no"));
    own.m_nWorkstationFilter = 2;
    CheckingSink sink;
    for (const DuzUdozuzeSettings *settings : {&monitor, &own}) {
        DuzUdozuzeSession session(*settings, sink, {{}, duzUdozuzeWallMs(1700000000000)});
        session.setRespondAutomatically(true);
        session.receive(bytes, qint64(size), qint64(size), 0x7F000001, 40000,
                        {duzUdozuzeSourceMs(1), duzUdozuzeWallMs(1700000000001)});
    }

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

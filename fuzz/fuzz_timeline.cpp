// SPDX-License-Identifier: MIT
// The timeline of any run of datagrams: each line of the input a datagram,
// its first byte how far the clocks move before it (the wall clock back an
// hour, or forward by years, as well). The lanes' spans must follow each
// other without a gap or an overlap, and the picture must be well-formed XML
// of a bounded size whatever the names and the clocks.

#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzesession.h"
#include "protocol/duzudozuzetimelinesvg.h"

#include <QXmlStreamReader>

#include <cstddef>
#include <cstdint>

namespace {

class QuietSink : public DuzUdozuzeSession::Sink
{
public:
    void logLine(const QString &) override { }
    bool sendStatus(const QByteArray &) override { return true; }
    void warned(bool, const QString &) override { }
    void counted() override { }
    void modeChanged(bool) override { }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DuzUdozuzeSettings settings;
    settings.m_strHxSystem = QStringLiteral("north");
    settings.m_strAlarmSystem = QStringLiteral("Fire");
    settings.m_nWorkstation = 7;
    settings.m_nChannel = 3;
    QuietSink sink;
    DuzUdozuzeSession::Time now {duzUdozuzeSourceMs(1000), duzUdozuzeWallMs(1700000000000)};
    DuzUdozuzeSession session(settings, sink, now);
    session.startListening(now);
    session.setRespondAutomatically(true);
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &line : input.split('\n')) {
        if (line.isEmpty())
            continue;
        // Steps of 0 to 63 s; the wall clock steps back an hour at 0xFF,
        // and is set forward by twenty years at 0xFE.
        const auto step = static_cast<unsigned char>(line.at(0));
        now.clock += std::chrono::milliseconds((step & 0x3F) * 1000);
        now.wall += std::chrono::milliseconds((step & 0x3F) * 1000);
        if (step == 0xFF)
            now.wall -= std::chrono::hours(1);
        if (step == 0xFE)
            now.wall += std::chrono::hours(24 * 365 * 20);
        const QByteArray datagram = line.mid(1);
        session.receive(datagram.constData(), datagram.size(), datagram.size(), 0x0A000002, 40000,
                        now);
    }
    const DuzUdozuzeTimeline &timeline = session.timeline();
    for (int lane = 0; lane < timeline.laneCount(); ++lane) {
        const auto spans = timeline.spans(lane, timeline.first(), timeline.now() + 1);
        for (size_t i = 0; i < spans.size(); ++i) {
            if (spans[i].until < spans[i].from || (i > 0 && spans[i].from != spans[i - 1].until))
                __builtin_trap(); // a span that ends before it begins, a gap or an overlap
        }
    }
    QXmlStreamReader svg(DuzUdozuzeTimelineSvg::write(timeline, {}));
    while (!svg.atEnd())
        svg.readNext();
    if (svg.hasError())
        __builtin_trap(); // a name from the network broke the picture
    return 0;
}

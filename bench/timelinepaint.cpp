// SPDX-License-Identifier: MIT
// timelinepaint: a day of 1,000 workstations in 10 groups of 100 (north/G0
// .. G9, channel 3), fed through a session on a clock the program turns:
// each workstation heard every 50 s, each group's master claiming every 8 s
// and handing over to the next workstation every hour. Then the timeline
// view, 1280x800 (offscreen), every group unfolded, paints one frame into an
// image at the day's zoom and at 5 minutes, after a zoom step, and after a
// cursor step of a capture's view. Prints the median of 20 frames of each,
// in ms, and what the timeline holds. timelinepaint N adds N workstations to
// the own group (101 on) that claim for 10 s every 20 s: 8,640 spans a day
// each, in sight.

#include "app/duzudozuzetimelineview.h"
#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzesession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qint64 StartWall = 1700000000000;
constexpr int Groups = 10;
constexpr int PerGroup = 100;
constexpr qint64 Day = 24 * 3600;

struct Quiet : DuzUdozuzeSession::Sink
{
    void logLine(const QString &) override { }
    bool sendStatus(const QByteArray &) override { return true; }
    void warned(bool, const QString &) override { }
    void counted() override { }
    void modeChanged(bool) override { }
};

// The datagrams of a day, second by second.
quint64 feed(DuzUdozuzeSession &session, int flapping)
{
    quint64 sent = 0;
    const auto send = [&](const char *code, int group, int workstation, qint64 second) {
        const QByteArray text = QStringLiteral("%1:north:G%2:%3:3:OK")
                                    .arg(QLatin1String(code))
                                    .arg(group)
                                    .arg(workstation)
                                    .toLatin1();
        const DuzUdozuzeSession::Time now {duzUdozuzeSourceMs(1000 + second * 1000),
                                           duzUdozuzeWallMs(StartWall + second * 1000)};
        session.receive(text.constData(), text.size(), text.size(),
                        0x0A000000u + quint32(group * PerGroup + workstation), 9208, now);
        ++sent;
    };
    for (qint64 second = 0; second < Day; ++second) {
        const int master = int(second / 3600) % PerGroup + 1;
        for (int group = 0; group < Groups; ++group) {
            if ((second + group) % 8 == 0)
                send("NA", group, master, second);
            // The one before hands over with a last NC at the hour.
            if (second % 3600 == 0 && second > 0)
                send("NC", group, (master + PerGroup - 2) % PerGroup + 1, second);
        }
        for (int i = 1; i <= flapping; ++i) {
            if ((second + i) % 20 == 0)
                send("NA", 0, PerGroup + i, second);
        }
        // Twenty a second: every workstation every 50 s.
        for (int i = 0; i < Groups * PerGroup / 50; ++i) {
            const int index = int(second % 50) * (Groups * PerGroup / 50) + i;
            const int group = index / PerGroup, workstation = index % PerGroup + 1;
            if (workstation != master)
                send("NC", group, workstation, second);
        }
    }
    return sent;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median ms of 20 frames, each after step.
double frames(DuzUdozuzeTimelineView &view, const std::function<void(int)> &step)
{
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    for (int frame = 0; frame < 20; ++frame) {
        QElapsedTimer clock;
        clock.start();
        step(frame);
        view.render(&image);
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    return median(times);
}

void key(QWidget *view, Qt::Key code, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers);
    QCoreApplication::sendEvent(view, &press);
}

void measure(DuzUdozuzeTimelineView &view, bool live, int flapping)
{
    view.resize(1280, 800);
    view.show();
    QCoreApplication::processEvents();
    // Every lane that fits, none folded.
    for (int group = 0; group < Groups; ++group)
        view.setGroupFolded(QStringLiteral("north/G%1/3").arg(group), false);
    view.refresh();
    // The own group's last rows in sight, the flapping ones among them.
    if (flapping > 0)
        view.verticalScrollBar()->setValue(PerGroup - 5);
    const auto none = [](int) {};
    if (live) {
        view.setSpan(DuzUdozuzeTimelineScale::MaxSpan);
        std::printf("frame 24 h,%.2f\n", frames(view, none));
        view.setSpan(5 * 60 * 1000);
        std::printf("frame 5 min,%.2f\n", frames(view, none));
        view.setSpan(60 * 60 * 1000);
        std::printf("zoom step,%.2f\n", frames(view, [&view](int frame) {
                        key(&view, frame % 2 ? Qt::Key_Minus : Qt::Key_Plus);
                    }));
    } else {
        std::printf("cursor step (24 h),%.2f\n",
                    frames(view, [&view](int) { key(&view, Qt::Key_Left, Qt::ShiftModifier); }));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    DuzUdozuzeSettings settings;
    settings.m_strHxSystem = QStringLiteral("north");
    settings.m_strAlarmSystem = QStringLiteral("G0");
    settings.m_nWorkstation = 1000;
    settings.m_nChannel = 3;
    Quiet sink;
    const DuzUdozuzeSession::Time start {duzUdozuzeSourceMs(1000), duzUdozuzeWallMs(StartWall)};
    DuzUdozuzeSession session(settings, sink, start);
    session.startListening(start);
    QElapsedTimer clock;
    clock.start();
    const int flapping = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    const quint64 sent = feed(session, flapping);
    const DuzUdozuzeTimeline &timeline = session.timeline();
    std::printf("datagrams,%llu\nfeed s,%.1f\nlanes,%d\nspans,%d\ndropped spans,%llu\n",
                static_cast<unsigned long long>(sent), clock.nsecsElapsed() / 1e9,
                timeline.laneCount(), timeline.spanCount(),
                static_cast<unsigned long long>(timeline.droppedSpans()));
    const DuzUdozuzeSession::Counts &counts = session.counts();
    std::printf("shown,%llu\nfiltered,%llu\nnot current format,%llu\nwarnings,%zu\n",
                static_cast<unsigned long long>(counts.shown),
                static_cast<unsigned long long>(counts.filtered),
                static_cast<unsigned long long>(counts.notCurrentFormat),
                timeline.warnings().size());
    std::printf("what,median_ms\n");
    {
        DuzUdozuzeTimelineView live(timeline, true);
        measure(live, true, flapping);
    }
    DuzUdozuzeTimelineView capture(timeline, false);
    measure(capture, false, flapping);
    return 0;
}

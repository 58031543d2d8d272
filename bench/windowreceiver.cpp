// SPDX-License-Identifier: MIT
// windowreceiver IDLE_MS [CONTROL STRING...]: the real main window, shown on
// whatever platform QT_QPA_PLATFORM names. Prints "ready" once shown; once no
// datagram has come for IDLE_MS after the first, prints the count received,
// the longest time the event loop was blocked meanwhile and the resident
// memory, and exits.

#include "app/duzudozuzemainwindow.h"
#include "bench/benchsupport.h"
#include "net/duzudozuzestation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: windowreceiver IDLE_MS [CONTROL STRING...]\n");
        return 2;
    }
    const qint64 idle = args.takeFirst().toLongLong();
    DuzUdozuzeMainWindow window(args);
    const DuzUdozuzeStation *socket = window.station();
    QObject::connect(&window, &DuzUdozuzeMainWindow::duzUdozuzeShown, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    window.show();

    // A 1 ms timer: the gap between two of its ticks is how long the event
    // loop was kept from its timers.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    qint64 lastChange = 0;
    quint64 lastCount = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const quint64 count = socket->session().counts().received;
        if (count != lastCount) {
            if (lastCount != 0)
                longestStall = qMax(longestStall, now - lastTick);
            lastCount = count;
            lastChange = now;
        } else if (count > 0 && now - lastChange > idle * 1000000) {
            std::printf("received %llu longest-stall-ms %.1f rss-mib %.1f\n", count,
                        longestStall / 1e6, residentMiB());
            QCoreApplication::quit();
        }
        lastTick = now;
    });
    ticker.start(1);
    return application.exec();
}

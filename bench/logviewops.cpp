// SPDX-License-Identifier: MIT
// logviewops LINES: fills the real window's log with LINES lines as the
// socket makes them, then times what an operator does over it: Find for a
// text that is not there, Select All and Copy, Save Log, and (where the view
// has one) the filter, its whole work and its longest slice. Prints the
// times in ms and the resident memory.

#include "app/duzudozuzefindbar.h"
#include "app/duzudozuzemainwindow.h"
#include "bench/benchsupport.h"
#include "common/duzudozuzelogline.h"
#ifdef DUZUDOZUZE_FILTER
#include "app/duzudozuzelogview.h"
#endif

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace {

QAction *action(QMenuBar *bar, const QString &text)
{
    for (QAction *menu : bar->actions()) {
        for (QAction *item : menu->menu()->actions()) {
            if (item->text() == text)
                return item;
        }
    }
    return nullptr;
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    DuzUdozuzeMainWindow window({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")});
    window.show();
    IDebug *sink = &window;
    for (int i = 0; i < lines; ++i) {
        sink->debugMessage(4, 1, QString(), receivedLine(i % 1000));
        if (i % 2000 == 1999) {
            window.flushLog();
            QCoreApplication::processEvents();
        }
    }
    window.flushLog();
    QCoreApplication::processEvents();

    DuzUdozuzeFindBar *bar = window.findBar();
    bar->textEdit()->setText(QStringLiteral("not in the log"));
    QCoreApplication::processEvents();
    const double find = timed([bar] { bar->findNext(); });
    QAction *selectAll = action(window.menuBar(), QStringLiteral("Select &All"));
    QAction *copy = action(window.menuBar(), QStringLiteral("&Copy"));
    const double copied = timed([selectAll, copy] {
        selectAll->trigger();
        copy->trigger();
    });
    const qsizetype clipboard = QGuiApplication::clipboard()->text().size();
    QTemporaryDir folder;
    const double save
        = timed([&window, &folder] { window.saveLog(folder.filePath(QStringLiteral("log"))); });

    double filter = -1, longest = -1;
#ifdef DUZUDOZUZE_FILTER
    // The filter's work goes in slices through the event loop: the whole of
    // it, and the longest the loop was held.
    auto *view = window.findChild<DuzUdozuzeLogView *>(QStringLiteral("m_editMain"));
    QElapsedTimer clock;
    clock.start();
    bar->filterEdit()->setText(QStringLiteral("Fire:999:"));
    longest = double(clock.nsecsElapsed()) / 1e6;
    while (!view->filterComplete()) {
        QElapsedTimer slice;
        slice.start();
        QCoreApplication::processEvents();
        longest = qMax(longest, double(slice.nsecsElapsed()) / 1e6);
    }
    filter = double(clock.nsecsElapsed()) / 1e6;
    std::fprintf(stderr, "filter shows %lld lines\n", static_cast<long long>(view->rowCount()));
#endif
    std::printf("lines %d find-ms %.1f select-all-copy-ms %.1f (%lld characters) save-ms %.1f "
                "filter-ms %.1f filter-longest-ms %.1f rss-mib %.1f\n",
                lines, find, copied, static_cast<long long>(clipboard), save, filter, longest,
                residentMiB());
    return 0;
}

// SPDX-License-Identifier: MIT
// logviewbench N...: for each N, a fresh main window (offscreen) takes N log
// lines through its sink and appends them BATCH at a time (default 2,000, as a
// refresh does at 20,000 datagrams a second). Prints the time, the resident
// memory and the heap memory per line.

#include "app/duzudozuzemainwindow.h"
#include "bench/benchsupport.h"
#include "common/duzudozuzelogline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

// Bytes the program holds on the heap, without the allocator's own slack.
qint64 heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

struct Figures
{
    double microsPerLine;
    double residentPerLine;
    double heapPerLine;
};

// A fresh window takes lines through its sink, batch lines to a refresh.
Figures measure(int lines, int batch)
{
    DuzUdozuzeMainWindow window({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")});
    window.show();
    QCoreApplication::processEvents();
    const qint64 before = residentBytes();
    const qint64 heapBefore = heapBytes();
    QElapsedTimer clock;
    clock.start();
    IDebug *sink = &window;
    for (int i = 0; i < lines; ++i) {
        sink->debugMessage(4, 1, QString(), receivedLine(i % 100));
        if (i % batch == batch - 1 || i == lines - 1) {
            window.flushLog();
            QCoreApplication::processEvents();
        }
    }
    return {clock.nsecsElapsed() / 1e3 / lines, double(residentBytes() - before) / lines,
            double(heapBytes() - heapBefore) / lines};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int batch
        = qEnvironmentVariableIntValue("BATCH") > 0 ? qEnvironmentVariableIntValue("BATCH") : 2000;
    std::printf("lines,us_per_line,rss_bytes_per_line,heap_bytes_per_line\n");
    for (const QString &argument : application.arguments().mid(1)) {
        const int lines = argument.toInt();
        // Short runs are repeated and their medians taken.
        const int runs = lines < 1000000 ? 5 : 1;
        std::vector<double> micros, resident, heap;
        for (int run = 0; run < runs; ++run) {
            const Figures figures = measure(lines, batch);
            micros.push_back(figures.microsPerLine);
            resident.push_back(figures.residentPerLine);
            heap.push_back(figures.heapPerLine);
        }
        std::printf("%d,%.2f,%.0f,%.0f\n", lines, median(micros), median(resident), median(heap));
        std::fflush(stdout);
    }
    return 0;
}

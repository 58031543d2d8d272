// SPDX-License-Identifier: MIT
// firstline COMMAND [ARGS...]: starts the command and prints how many
// milliseconds passed until the first line of its standard output, then ends
// it.
// firstline --datagram PORT COUNT COMMAND [ARGS...]: once the command has
// printed its set-up, sends COUNT status datagrams to 127.0.0.1:PORT, one
// alone every 50 ms, and prints the median milliseconds from sending one to
// its "Received" line on the command's standard output.

#include "net/duzudozuzesocketdevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// Waits for a line containing text; false after 10 s without one.
bool waitForLine(QProcess &process, const char *text)
{
    for (;;) {
        while (process.canReadLine()) {
            if (process.readLine().contains(text))
                return true;
        }
        if (!process.waitForReadyRead(10000))
            return false;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    quint16 port = 0;
    int count = 0;
    if (args.size() >= 4 && args.constFirst() == QLatin1String("--datagram")) {
        port = quint16(args.at(1).toUInt());
        count = args.at(2).toInt();
        args = args.mid(3);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: firstline [--datagram PORT COUNT] COMMAND [ARGS...]\n");
        return 2;
    }
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(args.takeFirst(), args);
    if (!waitForLine(process, port ? "List of addresses" : "")) {
        std::fprintf(stderr, "firstline: no output\n");
        return 1;
    }
    if (!port) {
        std::printf("%.1f\n", clock.nsecsElapsed() / 1e6);
    } else {
        DuzUdozuzeSocketDevice sender;
        std::vector<double> delays;
        for (int i = 0; i < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            process.readAll();
            const qint64 sent = clock.nsecsElapsed();
            sender.writeDatagram("NA:north:Fire:2:3:OK", 0x7F000001, port);
            if (!waitForLine(process, "Received '")) {
                std::fprintf(stderr, "firstline: no line for datagram %d\n", i + 1);
                return 1;
            }
            delays.push_back((clock.nsecsElapsed() - sent) / 1e6);
        }
        std::nth_element(delays.begin(), delays.begin() + count / 2, delays.end());
        std::printf("%.2f\n", delays[size_t(count / 2)]);
    }
    process.terminate();
    process.waitForFinished();
    return 0;
}

// SPDX-License-Identifier: MIT
// firstline COMMAND [ARGS...]: starts the command and prints how many
// milliseconds passed until the first line of its standard output, then ends
// it.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: firstline COMMAND [ARGS...]\n");
        return 2;
    }
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(args.takeFirst(), args);
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(10000)) {
            std::fprintf(stderr, "firstline: no output\n");
            return 1;
        }
    }
    std::printf("%.1f\n", clock.nsecsElapsed() / 1e6);
    process.terminate();
    process.waitForFinished();
    return 0;
}

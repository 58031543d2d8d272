// SPDX-License-Identifier: MIT
// warningflood GROUPS [CONTROL STRING...]: the real main window, sent two
// forged "NA" from each of GROUPS groups with long system names, to its own
// port on 127.0.0.1: every pair a two-master warning. Once everything is
// received and the window has redrawn, prints the CPU time and the resident
// memory the flood cost, and the window's size before and after.

#include "app/duzudozuzemainwindow.h"
#include "bench/benchsupport.h"
#include "net/duzudozuzesocket.h"
#include "net/duzudozuzesocketdevice.h"
#include "net/duzudozuzestation.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: warningflood GROUPS [CONTROL STRING...]\n");
        return 2;
    }
    const int groups = args.takeFirst().toInt();
    DuzUdozuzeMainWindow window(args + QStringList {QStringLiteral("/host=127.0.0.1")});
    window.show();
    const DuzUdozuzeStation *socket = window.station();
    const quint16 port = qobject_cast<const DuzUdozuzeSocket *>(socket->source())->localPort();
    const quint64 total = 2 * quint64(groups);

    double cpuBefore = 0, rssBefore = 0;
    QSize sizeBefore;
    QTimer::singleShot(500, [&] {
        cpuBefore = cpuSeconds();
        rssBefore = residentMiB();
        sizeBefore = window.size();
        DuzUdozuzeSocketDevice sender;
        const QByteArray name = QByteArray("a-long-name-of-a-forged-system-").repeated(3);
        for (int group = 0; group < groups; ++group) {
            for (int workstation = 1; workstation <= 2; ++workstation) {
                const QByteArray datagram = "NA:" + name + QByteArray::number(group)
                    + ":Fire:" + QByteArray::number(workstation) + ":1:OK";
                while (sender.writeDatagram(datagram, 0x7F000001, port) < 0)
                    QCoreApplication::processEvents();
            }
        }
    });
    // Done once everything came and the window redrew its table and status
    // bar (once a second) after it.
    QTimer poll;
    qint64 settled = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (socket->session().counts().received < total || ++settled < 15)
            return;
        std::printf("groups %d received %llu cpu-s %.2f rss-mib %.1f width %d->%d "
                    "height %d->%d\n",
                    groups, socket->session().counts().received, cpuSeconds() - cpuBefore,
                    residentMiB() - rssBefore, sizeBefore.width(), window.width(),
                    sizeBefore.height(), window.height());
        QCoreApplication::quit();
    });
    poll.start(100);
    return application.exec();
}

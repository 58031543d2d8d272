// SPDX-License-Identifier: MIT
// dumpbench [ROWS]: the time the SIGUSR1 dump of a full workstation table
// takes to build (the table, the warnings and the history as text), median of
// five.

#include "protocol/duzudozuzestatusdatagram.h"
#include "protocol/duzudozuzeworkstationreport.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char *argv[])
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : DuzUdozuzeWorkstationTable::MaxRows;
    DuzUdozuzeWorkstationTable table;
    table.setOwnIdentity(QStringLiteral("north"), QStringLiteral("Fire"), 7, 3);
    for (int workstation = 1; workstation <= rows; ++workstation) {
        DuzUdozuzeStatusDatagram datagram {QStringLiteral("NA"),   QStringLiteral("north"),
                                           QStringLiteral("Fire"), workstation,
                                           workstation % 50,       QStringLiteral("OK")};
        table.update(datagram, 0x7F000001, 9208);
    }
    for (int change = 0; change < DuzUdozuzeWorkstationTable::MaxHistory; ++change)
        table.ownModeChanged(change % 2 == 0, QStringLiteral("NC"), 0x7F000001, 2);
    std::vector<qint64> times;
    qsizetype size = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        QString text = DuzUdozuzeWorkstationReport::tableText(table);
        for (const QString &warning : table.activeWarnings())
            text += warning + QLatin1Char('\n');
        text += DuzUdozuzeWorkstationReport::historyText(table);
        size = text.toLocal8Bit().size();
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    std::printf("rows %d bytes %lld dump-ms %.1f\n", rows, static_cast<long long>(size),
                double(times[2]) / 1e6);
    return 0;
}

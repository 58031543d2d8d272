// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWORKSTATIONREPORT_H
#define DUZUDOZUZEWORKSTATIONREPORT_H

#include "protocol/duzudozuzeworkstationtable.h"

#include <QString>

#include <vector>

// The workstation table and the mastership history as text: the cells the
// window's table shows, and the aligned dump the console writes on request.
// Text from the network is escaped. Times of day are local, as the wall
// clock read at the event.
namespace DuzUdozuzeWorkstationReport {

enum Column {
    Workstation,
    Role, // "MASTER" for a claimer (the own row: its mode), "stale", or nothing
    System,
    AlarmSystem,
    Channel,
    Sender,
    LastCode,
    Health,
    Received,
    FirstSeen,
    LastSeen, // as an age
    ColumnCount
};

enum HistoryColumn { Time, Group, From, To, Code, CausedBy, HistoryColumnCount };
enum WarningColumn { Raised, Ended, Warning, EndedWith, Acknowledged, WarningColumnCount };

QString header(int column);
// What a column means, and what a cell's value means where it needs saying
// (the codes, a claim, staleness); empty where nothing needs saying.
QString headerToolTip(int column);
QString cellToolTip(const DuzUdozuzeWorkstationTable &table, int row, int column);
// What a message code means, as the state machine reads it.
QString codeMeaning(const QString &code);
QString cell(const DuzUdozuzeWorkstationTable &table, int row, int column);
QString historyHeader(int column);
// Row 0 is the newest change.
QString historyCell(const DuzUdozuzeWorkstationTable &table, int row, int column);
QString age(qint64 milliseconds);
// What the log's lines of the workstation of a row hold, as the log quotes
// it: ":system:alarm system:workstation:".
QString logFilter(const DuzUdozuzeWorkstationTable &table, int row);

// The rows' indices in the order they are shown: the own row first, the
// others by workstation number.
std::vector<int> rowOrder(const DuzUdozuzeWorkstationTable &table);
// One line a row under a header, the columns aligned; the own row first, the
// others by workstation number, as the window shows them.
QString tableText(const DuzUdozuzeWorkstationTable &table);
QString historyText(const DuzUdozuzeWorkstationTable &table);
// The warnings raised, newest first, when and how each ended, and when the
// operator acknowledged it.
QString warningHeader(int column);
QString warningCell(const DuzUdozuzeWorkstationTable &table, int row, int column);
QString warningLogText(const DuzUdozuzeWorkstationTable &table);

} // namespace DuzUdozuzeWorkstationReport

#endif // DUZUDOZUZEWORKSTATIONREPORT_H

// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzeworkstationreport.h"

#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogline.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

namespace {

using Table = DuzUdozuzeWorkstationTable;

QString shown(const QString &text)
{
    return QString::fromLatin1(DuzUdozuzeLogLine::escaped(text));
}

QString timeOfDay(qint64 wallTime)
{
    if (wallTime < 0)
        return {};
    return DuzUdozuzeLogLine::timeText(wallTime).left(8); // hh:mm:ss
}

QString mode(bool master)
{
    return master ? QStringLiteral("master") : QStringLiteral("slave");
}

// Columns padded to their widest cell, the last one left as it is.
QString aligned(int rows, int columns, const std::function<QString(int row, int column)> &text)
{
    std::vector<std::vector<QString>> cells(size_t(rows) + 1);
    std::vector<qsizetype> widths(size_t(columns), 0);
    for (int row = -1; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            cells[size_t(row + 1)].push_back(text(row, column));
            widths[size_t(column)]
                = qMax(widths[size_t(column)], cells[size_t(row + 1)].back().size());
        }
    }
    QString out;
    for (const auto &line : cells) {
        QString text;
        for (int column = 0; column < columns; ++column) {
            text += column + 1 < columns
                ? line[size_t(column)].leftJustified(widths[size_t(column)]) + QStringLiteral("  ")
                : line[size_t(column)];
        }
        out += text.trimmed() + QLatin1Char('\n');
    }
    return out;
}

} // namespace

QString DuzUdozuzeWorkstationReport::header(int column)
{
    static const char *const names[ColumnCount]
        = {"Workstation", "Role",   "System",   "Alarm system", "Channel",  "Sender",
           "Last code",   "Health", "Received", "First seen",   "Last seen"};
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(names[column]) : QString();
}

QString DuzUdozuzeWorkstationReport::cell(const Table &table, int index, int column)
{
    const Table::Row &row = table.row(index);
    switch (column) {
    case Workstation:
        return QString::number(row.workstation);
    case Role:
        if (row.own && !row.listening)
            return QStringLiteral("not listening");
        // A capture's window watches no port: it shows what was heard.
        if (row.own && !row.master && row.watching)
            return table.source().ownRole;
        if (row.own)
            return row.master ? QStringLiteral("MASTER") : QStringLiteral("slave");
        if (table.claimsMaster(row))
            return QStringLiteral("MASTER");
        return table.isStale(row) ? QStringLiteral("stale") : QString();
    case System:
        return shown(row.system);
    case AlarmSystem:
        return shown(row.alarmSystem);
    case Channel:
        return QString::number(row.channel);
    case Sender:
        if (row.own)
            return QStringLiteral("this workstation");
        return duzUdozuzeIpv4Text(row.address) + QLatin1Char(':') + QString::number(row.port);
    case LastCode:
        return shown(row.lastCode);
    case Health:
        if (row.own)
            return row.healthy ? QStringLiteral("OK") : QStringLiteral("Fail");
        return shown(row.lastHealth);
    case Received:
        return QString::number(row.received);
    case FirstSeen:
        return timeOfDay(row.firstSeenWall);
    case LastSeen:
        // In a capture, a time of the capture: an age there would count from
        // a moment that is not now.
        if (row.lastSeen < 0)
            return {};
        return !table.source().isLive()
            ? QStringLiteral("at ") + timeOfDay(row.firstSeenWall + row.lastSeen - row.firstSeen)
            : age(table.now() - row.lastSeen);
    default:
        return {};
    }
}

QString DuzUdozuzeWorkstationReport::headerToolTip(int column)
{
    static const char *const tips[ColumnCount] = {
        "The workstation's number (the fourth field of its datagrams)",
        "MASTER: it sent NA, NU or NO (the codes only a master sends) in the last 10 s; "
        "stale: not heard for 60 s. This workstation's own row: its mode, or watching "
        "while Respond Automatically is off",
        "Its system name (the second field)",
        "Its alarm system name (the third field)",
        "Its channel (the fifth field)",
        "The address and port its last datagram came from",
        "The message code of its last datagram (the first field)",
        "The health word of its last datagram (the sixth field): only OK is healthy",
        "Datagrams received from it",
        "When it was first heard",
        "How long ago it was last heard (in a capture: when, by the capture's time)",
    };
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(tips[column]) : QString();
}

QString DuzUdozuzeWorkstationReport::codeMeaning(const QString &code)
{
    if (code == QLatin1String("NA"))
        return QStringLiteral("NA: a master announces itself; a healthy master answers NO");
    if (code == QLatin1String("NU"))
        return QStringLiteral("NU: a master that is not healthy; a healthy workstation takes over");
    if (code == QLatin1String("NO"))
        return QStringLiteral("NO: a master's answer; whoever receives it goes slave");
    if (code == QLatin1String("NC"))
        return QStringLiteral("NC: a call for a master; whoever receives it becomes master");
    return QStringLiteral("Not a code the workstations know");
}

QString DuzUdozuzeWorkstationReport::cellToolTip(const Table &table, int index, int column)
{
    const Table::Row &row = table.row(index);
    switch (column) {
    case LastCode:
        return row.lastCode.isEmpty() ? QString() : codeMeaning(row.lastCode);
    case Role: {
        const QString role = cell(table, index, Role);
        if (role == QLatin1String("MASTER"))
            return row.own ? QStringLiteral("This workstation is master")
                           : QStringLiteral("Claims master: it sent NA, NU or NO in the last 10 s");
        if (role == QLatin1String("stale"))
            return QStringLiteral("Not heard for 60 s or more");
        if (role == QLatin1String("watching"))
            return QStringLiteral("Respond Automatically is off: this workstation only watches");
        if (role == QLatin1String("reading a capture"))
            return QStringLiteral("What is shown was read from a capture: this workstation "
                                  "answers nothing");
        return {};
    }
    default:
        return {};
    }
}

QString DuzUdozuzeWorkstationReport::historyHeader(int column)
{
    static const char *const names[HistoryColumnCount]
        = {"Time", "Group", "From", "To", "Code", "Caused by"};
    return column >= 0 && column < HistoryColumnCount ? QString::fromLatin1(names[column])
                                                      : QString();
}

QString DuzUdozuzeWorkstationReport::historyCell(const Table &table, int index, int column)
{
    const Table::Change &change = table.history()[table.history().size() - 1 - size_t(index)];
    switch (column) {
    case Time:
        return timeOfDay(change.wallTime);
    case Group:
        return change.own ? QStringLiteral("this workstation") : change.group;
    case From:
        return change.own ? mode(!change.master) : change.from;
    case To:
        return change.own ? mode(change.master) : change.to;
    case Code:
        return change.code.isEmpty() ? QStringLiteral("-") : shown(change.code);
    case CausedBy:
        if (!change.reason.isEmpty())
            return change.address == 0
                ? change.reason
                : QStringLiteral("workstation %1 (%2): %3")
                      .arg(change.workstation)
                      .arg(duzUdozuzeIpv4Text(change.address), change.reason);
        return QStringLiteral("workstation %1 (%2)")
            .arg(change.workstation)
            .arg(duzUdozuzeIpv4Text(change.address));
    default:
        return {};
    }
}

QString DuzUdozuzeWorkstationReport::warningHeader(int column)
{
    static const char *const names[WarningColumnCount]
        = {"Raised", "Ended", "Warning", "Ended with", "Acknowledged"};
    return column >= 0 && column < WarningColumnCount ? QString::fromLatin1(names[column])
                                                      : QString();
}

QString DuzUdozuzeWorkstationReport::warningCell(const Table &table, int index, int column)
{
    const auto &log = table.warningLog();
    const Table::WarningRecord &record = log[log.size() - 1 - size_t(index)];
    switch (column) {
    case Raised:
        return timeOfDay(record.raised);
    case Ended:
        return record.ended < 0 ? QStringLiteral("in force") : timeOfDay(record.ended);
    case Warning:
        return record.text;
    case EndedWith:
        return record.endText;
    case Acknowledged:
        return record.acknowledged < 0 ? QStringLiteral("not yet") : timeOfDay(record.acknowledged);
    default:
        return {};
    }
}

QString DuzUdozuzeWorkstationReport::warningLogText(const Table &table)
{
    return aligned(int(table.warningLog().size()), WarningColumnCount, [&](int row, int column) {
        return row < 0 ? warningHeader(column) : warningCell(table, row, column);
    });
}

QString DuzUdozuzeWorkstationReport::age(qint64 milliseconds)
{
    const qint64 seconds = qMax<qint64>(0, milliseconds / 1000);
    if (seconds < 120)
        return QStringLiteral("%1 s ago").arg(seconds);
    if (seconds < 2 * 3600)
        return QStringLiteral("%1 min ago").arg(seconds / 60);
    return QStringLiteral("%1 h ago").arg(seconds / 3600);
}

QString DuzUdozuzeWorkstationReport::logFilter(const Table &table, int index)
{
    const Table::Row &row = table.row(index);
    return QStringLiteral(":%1:%2:%3:")
        .arg(shown(row.system), shown(row.alarmSystem), QString::number(row.workstation));
}

std::vector<int> DuzUdozuzeWorkstationReport::rowOrder(const Table &table)
{
    std::vector<int> order(size_t(table.rowCount()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin() + (order.empty() ? 0 : 1), order.end(), [&table](int a, int b) {
        return table.row(a).workstation < table.row(b).workstation;
    });
    return order;
}

QString DuzUdozuzeWorkstationReport::tableText(const Table &table)
{
    const std::vector<int> order = rowOrder(table);
    return aligned(table.rowCount(), ColumnCount, [&](int row, int column) {
        return row < 0 ? header(column) : cell(table, order[size_t(row)], column);
    });
}

QString DuzUdozuzeWorkstationReport::historyText(const Table &table)
{
    return aligned(int(table.history().size()), HistoryColumnCount, [&](int row, int column) {
        return row < 0 ? historyHeader(column) : historyCell(table, row, column);
    });
}

// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzestatejson.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzesession.h"
#include "protocol/duzudozuzeworkstationreport.h"

#include <QJsonArray>

namespace {

using Table = DuzUdozuzeWorkstationTable;
namespace Report = DuzUdozuzeWorkstationReport;

// Names for scripts: the window's headers in lower case, joined by '_'.
QString key(QString header)
{
    return header.toLower().replace(QLatin1Char(' '), QLatin1Char('_'));
}

QJsonObject row(const Table &table, int index)
{
    const Table::Row &row = table.row(index);
    QJsonObject object;
    for (int column = 0; column < Report::ColumnCount; ++column)
        object.insert(key(Report::header(column)), Report::cell(table, index, column));
    // The numbers as numbers, and what the Role cell says as flags.
    object.insert(QStringLiteral("workstation"), row.workstation);
    object.insert(QStringLiteral("channel"), row.channel);
    object.insert(QStringLiteral("received"), double(row.received));
    object.insert(QStringLiteral("own"), row.own);
    object.insert(QStringLiteral("master"), table.claimsMaster(row));
    object.insert(QStringLiteral("stale"), table.isStale(row));
    return object;
}

QJsonArray rows(const Table &table)
{
    QJsonArray array;
    for (const int index : Report::rowOrder(table))
        array.append(row(table, index));
    return array;
}

// Whether a row is of this workstation's own group (names as the table
// compares them, in any letter case).
bool ownGroup(const Table::Row &own, const Table::Row &row)
{
    return row.channel == own.channel && row.system.compare(own.system, Qt::CaseInsensitive) == 0
        && row.alarmSystem.compare(own.alarmSystem, Qt::CaseInsensitive) == 0;
}

// Who claims master in this workstation's group, itself included.
QJsonArray masters(const Table &table)
{
    QJsonArray array;
    const Table::Row &own = table.row(0);
    for (const int index : Report::rowOrder(table)) {
        const Table::Row &row = table.row(index);
        if (ownGroup(own, row) && table.claimsMaster(row)) {
            array.append(QJsonObject {
                {QStringLiteral("workstation"), row.workstation},
                {QStringLiteral("sender"), Report::cell(table, index, Report::Sender)}});
        }
    }
    return array;
}

QJsonArray history(const Table &table)
{
    QJsonArray array;
    for (int index = 0; index < int(table.history().size()); ++index) {
        QJsonObject object;
        for (int column = 0; column < Report::HistoryColumnCount; ++column)
            object.insert(key(Report::historyHeader(column)),
                          Report::historyCell(table, index, column));
        array.append(object);
    }
    return array;
}

QJsonArray warningLog(const Table &table)
{
    QJsonArray array;
    for (int index = 0; index < int(table.warningLog().size()); ++index) {
        QJsonObject object;
        for (int column = 0; column < Report::WarningColumnCount; ++column)
            object.insert(key(Report::warningHeader(column)),
                          Report::warningCell(table, index, column));
        array.append(object);
    }
    return array;
}

QJsonObject counts(const DuzUdozuzeSession::Counts &counts, quint64 logLinesDropped)
{
    // Doubles: exact up to 2^53, more datagrams than a service ever counts.
    return {{QStringLiteral("received"), double(counts.received)},
            {QStringLiteral("shown"), double(counts.shown)},
            {QStringLiteral("filtered"), double(counts.filtered)},
            {QStringLiteral("not_current_format"), double(counts.notCurrentFormat)},
            {QStringLiteral("answers_sent"), double(counts.answersSent)},
            {QStringLiteral("answers_suppressed"), double(counts.answersSuppressed)},
            {QStringLiteral("answers_not_sent"), double(counts.answersNotSent)},
            {QStringLiteral("log_lines_dropped"), double(logLinesDropped)}};
}

} // namespace

QJsonObject DuzUdozuzeStateJson::state(const DuzUdozuzeSession &session,
                                       const DuzUdozuzeSettings &settings, quint64 logLinesDropped)
{
    const Table &table = session.workstations();
    const QJsonObject identity {
        {QStringLiteral("system"), DuzUdozuzeLogLine::escapedCharacters(settings.m_strHxSystem)},
        {QStringLiteral("alarm_system"),
         DuzUdozuzeLogLine::escapedCharacters(settings.m_strAlarmSystem)},
        {QStringLiteral("channel"), settings.m_nChannel},
        {QStringLiteral("workstation"), settings.m_nWorkstation},
    };
    QJsonArray headers;
    for (int column = 0; column < Report::ColumnCount; ++column)
        headers.append(Report::header(column));
    return {
        {QStringLiteral("version"), QStringLiteral(DUZUDOZUZE_VERSION)},
        {QStringLiteral("identity"), identity},
        {QStringLiteral("mode"), Report::cell(table, 0, Report::Role).toLower()},
        {QStringLiteral("healthy"), session.isOk()},
        {QStringLiteral("counts"), counts(session.counts(), logLinesDropped)},
        {QStringLiteral("last_datagram_ms"), double(session.lastDatagramTime())},
        {QStringLiteral("masters"), masters(table)},
        {QStringLiteral("warnings"), QJsonArray::fromStringList(table.activeWarnings())},
        {QStringLiteral("columns"), headers},
        {QStringLiteral("rows"), rows(table)},
        {QStringLiteral("warnings_log"), warningLog(table)},
        {QStringLiteral("history"), history(table)},
    };
}

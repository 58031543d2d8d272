// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzestatejson.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "protocol/duzudozuzeheadline.h"
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

QJsonObject headline(const Table &table, bool listening)
{
    const DuzUdozuzeHeadline made = DuzUdozuzeHeadline::of(table, listening);
    static const char *const tones[] = {"calm", "alarm", "stale"};
    return {{QStringLiteral("text"), made.text},
            {QStringLiteral("tone"), QLatin1String(tones[int(made.tone)])},
            {QStringLiteral("group"), made.group},
            {QStringLiteral("unacknowledged"), made.unacknowledged}};
}

QJsonArray headers(int count, QString (*header)(int))
{
    QJsonArray array;
    for (int column = 0; column < count; ++column)
        array.append(header(column));
    return array;
}

// A log of the report (history, warnings), an object a record keyed by the
// window's headers.
QJsonArray records(const Table &table, int count, int columns, QString (*header)(int),
                   QString (*cell)(const Table &, int, int))
{
    QJsonArray array;
    for (int index = 0; index < count; ++index) {
        QJsonObject object;
        for (int column = 0; column < columns; ++column)
            object.insert(key(header(column)), cell(table, index, column));
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
                                       const DuzUdozuzeSettings &settings, quint64 logLinesDropped,
                                       bool listening)
{
    const Table &table = session.workstations();
    const QJsonObject identity {
        {QStringLiteral("system"), DuzUdozuzeLogLine::escapedCharacters(settings.m_strHxSystem)},
        {QStringLiteral("alarm_system"),
         DuzUdozuzeLogLine::escapedCharacters(settings.m_strAlarmSystem)},
        {QStringLiteral("channel"), settings.m_nChannel},
        {QStringLiteral("workstation"), settings.m_nWorkstation},
    };
    QJsonArray masters;
    for (const int workstation : table.ownGroupClaimers())
        masters.append(workstation);
    return {
        {QStringLiteral("version"), QStringLiteral(DUZUDOZUZE_VERSION)},
        {QStringLiteral("identity"), identity},
        {QStringLiteral("mode"), Report::cell(table, 0, Report::Role).toLower()},
        {QStringLiteral("healthy"), session.isOk()},
        {QStringLiteral("listening"), listening},
        {QStringLiteral("capture"), !table.source().isLive()},
        {QStringLiteral("counts"), counts(session.counts(), logLinesDropped)},
        {QStringLiteral("last_datagram_ms"), double(duzUdozuzeMsCount(session.lastDatagramTime()))},
        {QStringLiteral("headline"), headline(table, listening)},
        {QStringLiteral("masters"), masters},
        {QStringLiteral("warnings"), QJsonArray::fromStringList(table.activeWarnings())},
        {QStringLiteral("columns"), headers(Report::ColumnCount, &Report::header)},
        {QStringLiteral("rows"), rows(table)},
        {QStringLiteral("warnings_log_columns"),
         headers(Report::WarningColumnCount, &Report::warningHeader)},
        {QStringLiteral("warnings_log"),
         records(table, int(table.warningLog().size()), Report::WarningColumnCount,
                 &Report::warningHeader, &Report::warningCell)},
        {QStringLiteral("history_columns"),
         headers(Report::HistoryColumnCount, &Report::historyHeader)},
        {QStringLiteral("history"),
         records(table, int(table.history().size()), Report::HistoryColumnCount,
                 &Report::historyHeader, &Report::historyCell)},
    };
}

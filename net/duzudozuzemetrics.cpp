// SPDX-License-Identifier: MIT
#include "net/duzudozuzemetrics.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "common/duzudozuzewiretext.h"
#include "protocol/duzudozuzesession.h"

#include <QStringDecoder>

#include <algorithm>
#include <map>
#include <tuple>

namespace {

class Exposition
{
public:
    void family(const char *name, const char *type, const char *help)
    {
        m_name = name;
        m_text
            += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    void sample(quint64 value, const QByteArray &labels = {})
    {
        m_text += m_name + (labels.isEmpty() ? QByteArray() : '{' + labels + '}') + ' '
            + QByteArray::number(value) + '\n';
    }
    void seconds(double value)
    {
        m_text += m_name + ' ' + QByteArray::number(value, 'f', 3) + '\n';
    }
    QByteArray text() const { return m_text; }

private:
    QByteArray m_name;
    QByteArray m_text;
};

QByteArray label(const char *name, const QString &value)
{
    return QByteArray(name) + "=\"" + DuzUdozuzeMetrics::labelValue(value) + '"';
}

// A name heard is its bytes as Latin-1; the own name goes on the wire as
// Latin-1 or, when that cannot carry it, as UTF-8. Read back from those bytes
// the same way, a name is one label value whichever workstation reports it,
// so that a fleet's metrics join.
QString nameLabel(const QString &name)
{
    const QByteArray bytes = duzUdozuzeWireBytes(name);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

QByteArray DuzUdozuzeMetrics::labelValue(const QString &value)
{
    // Other control characters (C0, DEL and C1) are written as the log writes
    // them, \xNN, so that nobody who reads the file gets a terminal's escape
    // sequence; the format's own escape keeps that backslash a backslash.
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('"'))
            out += QLatin1String("\\\"");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c.unicode() < 0xA0 && DuzUdozuzeLogLine::isControl(uchar(c.unicode())))
            out += QLatin1Char('\\') + DuzUdozuzeLogLine::escapedCharacters(c);
        else
            out += c;
    }
    return out.toUtf8();
}

QByteArray DuzUdozuzeMetrics::text(const DuzUdozuzeSession &session,
                                   const DuzUdozuzeSettings &settings,
                                   const DuzUdozuzeRecorder::Counts &recorded,
                                   quint64 logLinesDropped)
{
    const DuzUdozuzeSession::Counts &counts = session.counts();
    const DuzUdozuzeWorkstationTable &table = session.workstations();
    Exposition out;

    out.family("duzudozuze_datagrams_total", "counter",
               "Status datagrams received, by what became of them.");
    out.sample(counts.shown, R"(result="shown")");
    out.sample(counts.filtered, R"(result="filtered")");
    out.sample(counts.notCurrentFormat, R"(result="not_current_format")");
    out.family("duzudozuze_answers_total", "counter", "Answers (\"NO\") sent.");
    out.sample(counts.answersSent);
    out.family("duzudozuze_answers_suppressed_total", "counter",
               "Answers not sent: more than 10 a second.");
    out.sample(counts.answersSuppressed);
    out.family("duzudozuze_log_lines_dropped_total", "counter",
               "Log lines dropped: blocked standard output, or the log view's line limit.");
    out.sample(logLinesDropped);
    out.family("duzudozuze_recorded_total", "counter",
               "Datagrams heard and answers sent, written to the recording (/record=).");
    out.sample(recorded.recorded);
    out.family("duzudozuze_record_dropped_total", "counter",
               "Datagrams the recording lost: its queue full, or its files not writable.");
    out.sample(recorded.dropped);
    out.family("duzudozuze_record_errors_total", "counter",
               "Failed attempts to write the recording's files.");
    out.sample(recorded.errors);
    out.family("duzudozuze_master", "gauge", "1 while this workstation is master.");
    out.sample(session.isMaster() ? 1 : 0);
    out.family("duzudozuze_healthy", "gauge", "1 while this workstation is healthy (OK).");
    out.sample(session.isOk() ? 1 : 0);
    out.family("duzudozuze_mastership_changes_total", "counter",
               "Changes of this workstation's mode.");
    out.sample(table.modeChanges());

    quint64 fresh = 0, stale = 0;
    for (int index = 1; index < table.rowCount(); ++index)
        ++(table.isStale(table.row(index)) ? stale : fresh);
    out.family("duzudozuze_workstations", "gauge",
               "Other workstations in the table, heard in the last 60 s or not.");
    out.sample(fresh, R"(state="fresh")");
    out.sample(stale, R"(state="stale")");

    // The groups in a fixed order, one a label set; past the bound, the rest
    // in one sum.
    std::map<std::tuple<QString, QString, int>, int> groups;
    for (const DuzUdozuzeWorkstationTable::Group &group : table.claimerGroups())
        groups[{nameLabel(group.system), nameLabel(group.alarmSystem), group.channel}]
            += group.claimers;
    out.family("duzudozuze_master_claimers", "gauge",
               "Workstations that claim master, by system, alarm system and channel.");
    int sets = 0;
    quint64 other = 0;
    for (const auto &[key, claimers] : groups) {
        if (++sets > MaxLabelSets) {
            other += quint64(claimers);
            continue;
        }
        out.sample(quint64(claimers),
                   label("system", std::get<0>(key)) + ',' + label("alarm_system", std::get<1>(key))
                       + ',' + label("channel", QString::number(std::get<2>(key))));
    }
    if (sets > MaxLabelSets)
        out.sample(other, R"(system="other",alarm_system="other",channel="other")");

    out.family("duzudozuze_two_masters", "gauge",
               "1 while two or more workstations of one group claim master.");
    out.sample(table.twoMasters() ? 1 : 0);
    out.family("duzudozuze_no_master", "gauge",
               "1 while no workstation of this one's group claims master (the warning).");
    out.sample(table.noMaster() ? 1 : 0);
    out.family("duzudozuze_flapping", "gauge",
               "1 while this workstation's mode changes more than 6 times in 10 minutes.");
    out.sample(table.flapping() ? 1 : 0);
    out.family("duzudozuze_silent", "gauge",
               "1 while no datagram at all has come for the silence time (the warning).");
    out.sample(table.silent() ? 1 : 0);
    // Who this is: for rules that join the fleet's metrics by group.
    out.family("duzudozuze_workstation_info", "gauge",
               "This workstation's system, alarm system, channel and number.");
    out.sample(1,
               label("system", nameLabel(settings.m_strHxSystem)) + ','
                   + label("alarm_system", nameLabel(settings.m_strAlarmSystem)) + ','
                   + label("channel", QString::number(settings.m_nChannel)) + ','
                   + label("workstation", QString::number(settings.m_nWorkstation)));
    out.family("duzudozuze_last_datagram_timestamp_seconds", "gauge",
               "When the last datagram of any kind came, in seconds since the epoch; 0: never.");
    out.seconds(
        std::chrono::duration<double>(session.lastDatagramTime().time_since_epoch()).count());
    out.family("duzudozuze_build_info", "gauge", "The program's version.");
    out.sample(1, label("version", QStringLiteral(DUZUDOZUZE_VERSION)));
    return out.text();
}

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEMETRICS_H
#define DUZUDOZUZEMETRICS_H

#include "net/duzudozuzerecorder.h"

#include <QByteArray>
#include <QString>

class DuzUdozuzeSession;
struct DuzUdozuzeSettings;

// The program's state in Prometheus' text exposition format, for the node
// exporter's textfile collector: counts of datagrams and answers, the mode and
// health, the workstation picture. Label values come from the network: they
// are escaped as the format says, and a metric has at most MaxLabelSets of
// them, the rest summed under system="other". A name's label value is its
// bytes on the wire read as UTF-8 when they are valid UTF-8, else as Latin-1,
// the same for this workstation's own names and for those heard.
namespace DuzUdozuzeMetrics {

constexpr int MaxLabelSets = 100;

// logLinesDropped: lines the front end could not show (the console's blocked
// output, the window's line limit).
QByteArray text(const DuzUdozuzeSession &session, const DuzUdozuzeSettings &settings,
                const DuzUdozuzeRecorder::Counts &recorded, quint64 logLinesDropped);

// A label value as the format writes it between its quotes.
QByteArray labelValue(const QString &value);

} // namespace DuzUdozuzeMetrics

#endif // DUZUDOZUZEMETRICS_H

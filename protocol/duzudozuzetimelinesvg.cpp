// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzetimelinesvg.h"

#include "common/duzudozuzelogline.h"
#include "protocol/duzudozuzetimeline.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

namespace {

using Timeline = DuzUdozuzeTimeline;
using Role = Timeline::Role;

constexpr int LabelWidth = 150;
constexpr int Margin = 10;
constexpr int TitleHeight = 28;
constexpr int RowHeight = 16;
constexpr int LaneGap = 2;
constexpr int AxisHeight = 44; // the times, and the legend below them

// Text from outside, safe in XML: control characters escaped as the log
// escapes them, markup characters as entities.
QString text(const QString &raw)
{
    return DuzUdozuzeLogLine::escapedCharacters(raw).toHtmlEscaped();
}

// The table's colours in a light theme: MASTER amber, an unhealthy master
// red, an unheard row grey.
const char *fill(Role role)
{
    switch (role) {
    case Role::Master:
        return "#ffb300";
    case Role::Unhealthy:
        return "#ffb4b4";
    case Role::Slave:
        return "#d8e4f0";
    case Role::Unheard:
        break;
    }
    return "#eeeeee";
}

QString timeOfDay(const Timeline &timeline, qint64 clock)
{
    return DuzUdozuzeLogLine::timeText(timeline.wallOf(clock));
}

// A marker a code, at the start of a span a datagram began: NA a triangle,
// NU a diamond, NO a circle, any other a square.
QString marker(const QString &code, double x, int y)
{
    const double mid = y + RowHeight / 2.0;
    const QString at
        = QStringLiteral("class=\"marker\" data-code=\"%1\" fill=\"#202020\"").arg(text(code));
    if (code == QLatin1String("NA"))
        return QStringLiteral("<path %1 d=\"M%2 %3 l4 8 h-8 z\"/>")
            .arg(at)
            .arg(x, 0, 'f', 1)
            .arg(mid - 4, 0, 'f', 1);
    if (code == QLatin1String("NU"))
        return QStringLiteral("<path %1 d=\"M%2 %3 l4 4 l-4 4 l-4 -4 z\"/>")
            .arg(at)
            .arg(x, 0, 'f', 1)
            .arg(mid - 4, 0, 'f', 1);
    if (code == QLatin1String("NO"))
        return QStringLiteral("<circle %1 cx=\"%2\" cy=\"%3\" r=\"3.5\"/>")
            .arg(at)
            .arg(x, 0, 'f', 1)
            .arg(mid, 0, 'f', 1);
    return QStringLiteral("<rect %1 x=\"%2\" y=\"%3\" width=\"6\" height=\"6\"/>")
        .arg(at)
        .arg(x - 3, 0, 'f', 1)
        .arg(mid - 3, 0, 'f', 1);
}

} // namespace

QString DuzUdozuzeTimelineSvg::isoTime(const Timeline &timeline, qint64 clock)
{
    return QDateTime::fromMSecsSinceEpoch(timeline.wallOf(clock), Qt::UTC)
        .toString(Qt::ISODateWithMs);
}

qint64 DuzUdozuzeTimelineSvg::tickStep(double msPerPixel, int minimum)
{
    static constexpr qint64 Steps[]
        = {1000,       2000,        5000,        10000,       15000,        30000,
           60000,      2 * 60000,   5 * 60000,   10 * 60000,  15 * 60000,   30 * 60000,
           60 * 60000, 2 * 3600000, 3 * 3600000, 6 * 3600000, 12 * 3600000, 24 * 3600000};
    for (const qint64 step : Steps) {
        if (double(step) / msPerPixel >= minimum)
            return step;
    }
    return Steps[std::size(Steps) - 1];
}

QByteArray DuzUdozuzeTimelineSvg::write(const Timeline &timeline, const Options &options)
{
    const qint64 from = options.from >= 0 ? options.from : timeline.first();
    const qint64 until = std::max(from + 1, options.until >= 0 ? options.until : timeline.now());
    const int width = std::max(options.width, LabelWidth + 2 * Margin + 100);
    const double plot = width - LabelWidth - Margin;
    const double scale = plot / double(until - from);
    const auto x = [&](qint64 clock) {
        return LabelWidth + (std::clamp(clock, from, until) - from) * scale;
    };
    const QList<Timeline::LaneGroup> groups = timeline.laneGroups();
    int rows = 1; // the warnings'
    for (const Timeline::LaneGroup &group : groups)
        rows += 1 + int(group.lanes.size());
    const int height = TitleHeight + rows * (RowHeight + LaneGap) + AxisHeight;

    QString out;
    const QString title
        = QStringLiteral("%1, %2 to %3")
              .arg(text(options.title), timeOfDay(timeline, from), timeOfDay(timeline, until));
    out += QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                          "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" font-size=\"11\" "
                          "role=\"img\" data-from=\"%3\" data-until=\"%4\">\n")
               .arg(width)
               .arg(height)
               .arg(isoTime(timeline, from), isoTime(timeline, until));
    out += QStringLiteral("<title>%1</title>\n").arg(title);
    out += QStringLiteral("<rect width=\"%1\" height=\"%2\" fill=\"#ffffff\"/>\n")
               .arg(width)
               .arg(height);
    out += QStringLiteral("<text x=\"%1\" y=\"18\" font-size=\"13\">%2</text>\n")
               .arg(Margin)
               .arg(title);
    if (timeline.droppedSpans() > 0) {
        out += QStringLiteral("<text class=\"dropped\" x=\"%1\" y=\"18\" text-anchor=\"end\">%2 "
                              "older spans dropped</text>\n")
                   .arg(width - Margin)
                   .arg(timeline.droppedSpans());
    }

    qint64 budget = options.maxSpans < 0 ? std::numeric_limits<qint64>::max() : options.maxSpans;
    qint64 leftOut = 0;
    int y = TitleHeight;
    const auto span = [&](const char *cls, qint64 start, qint64 end, const char *colour,
                          const QString &tip) {
        const double left = x(start);
        out += QStringLiteral("<rect class=\"%1\" x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" "
                              "fill=\"%6\" data-from=\"%7\" data-until=\"%8\"><title>%9</title>"
                              "</rect>\n")
                   .arg(QLatin1String(cls))
                   .arg(left, 0, 'f', 1)
                   .arg(y)
                   .arg(std::max(0.5, x(end) - left), 0, 'f', 1)
                   .arg(RowHeight)
                   .arg(QLatin1String(colour), isoTime(timeline, start), isoTime(timeline, end),
                        tip);
    };

    out += QStringLiteral("<g class=\"warnings\">\n<text x=\"%1\" y=\"%2\">Warnings</text>\n")
               .arg(Margin)
               .arg(y + 12);
    for (const Timeline::Warning &warning : timeline.warnings()) {
        const qint64 end = warning.until >= 0 ? warning.until : timeline.now();
        if (end < from || warning.from > until)
            continue;
        span("warning", warning.from, end, "#c00000",
             QStringLiteral("%1, %2 to %3%4")
                 .arg(text(warning.text), timeOfDay(timeline, warning.from),
                      warning.until >= 0 ? timeOfDay(timeline, end) : QStringLiteral("now"),
                      warning.until >= 0 ? QStringLiteral(": ") + text(warning.endText)
                                         : QString()));
    }
    out += QStringLiteral("</g>\n");
    y += RowHeight + LaneGap;

    for (const Timeline::LaneGroup &group : groups) {
        out += QStringLiteral("<g class=\"group\" data-group=\"%1\">\n"
                              "<text x=\"%2\" y=\"%3\" font-weight=\"bold\">%1</text>\n")
                   .arg(text(group.name))
                   .arg(Margin)
                   .arg(y + 12);
        y += RowHeight + LaneGap;
        for (const int lane : group.lanes) {
            const Timeline::Lane &of = timeline.lane(lane);
            out += QStringLiteral("<g class=\"lane\" data-group=\"%1\" data-workstation=\"%2\">\n"
                                  "<text x=\"%3\" y=\"%4\">%5</text>\n")
                       .arg(text(of.group()))
                       .arg(of.workstation)
                       .arg(Margin + 12)
                       .arg(y + 12)
                       .arg(of.own ? QStringLiteral("%1 (this one)").arg(of.workstation)
                                   : QString::number(of.workstation));
            QString markers;
            std::vector<Timeline::Span> spans = timeline.spans(lane, from, until);
            if (qint64(spans.size()) > budget) {
                leftOut += qint64(spans.size());
                spans.clear();
            }
            budget -= qint64(spans.size());
            for (const Timeline::Span &s : spans) {
                const char *role = Timeline::roleName(s.role);
                span(role, s.from, s.until, fill(s.role),
                     QStringLiteral("%1 %2 from %3 to %4: %5")
                         .arg(of.workstation)
                         .arg(QLatin1String(role), timeOfDay(timeline, s.from),
                              timeOfDay(timeline, s.until), text(Timeline::causeText(s.cause))));
                if (s.role == Role::Unhealthy) {
                    out += QStringLiteral("<line x1=\"%1\" y1=\"%3\" x2=\"%2\" y2=\"%3\" "
                                          "stroke=\"#800000\" stroke-width=\"3\" "
                                          "stroke-dasharray=\"4 3\"/>\n")
                               .arg(x(s.from), 0, 'f', 1)
                               .arg(x(s.until), 0, 'f', 1)
                               .arg(y + RowHeight / 2);
                }
                if (s.cause.reason == Timeline::Reason::Datagram && s.from >= from)
                    markers += marker(s.cause.codeText(), x(s.from), y) + QLatin1Char('\n');
            }
            out += markers + QStringLiteral("</g>\n");
            y += RowHeight + LaneGap;
        }
        out += QStringLiteral("</g>\n");
    }

    if (leftOut > 0) {
        out += QStringLiteral("<text class=\"left-out\" x=\"%1\" y=\"%2\" text-anchor=\"end\">"
                              "%3 spans left out: ask for a shorter time</text>\n")
                   .arg(width - Margin)
                   .arg(y + 12)
                   .arg(leftOut);
    }
    // The axis: ticks at round times of day of the source's clock.
    out += QStringLiteral("<g class=\"axis\" stroke=\"#808080\">\n");
    // Each stretch of one offset on its own: a wall clock set forward by
    // years between two ticks costs no tick more.
    const qint64 step = tickStep(1 / scale, 90);
    for (const Timeline::Piece &piece : timeline.pieces(from, until + 1)) {
        for (qint64 wall = ((piece.from + piece.offset) / step + 1) * step;
             wall - piece.offset < piece.until; wall += step) {
            const double at = x(wall - piece.offset);
            out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>"
                                  "<text x=\"%1\" y=\"%4\" stroke=\"none\" text-anchor=\"middle\">"
                                  "%5</text>\n")
                       .arg(at, 0, 'f', 1)
                       .arg(TitleHeight)
                       .arg(y + 4)
                       .arg(y + 16)
                       .arg(DuzUdozuzeLogLine::timeText(wall).left(step < 60000 ? 8 : 5));
        }
    }
    out += QStringLiteral("</g>\n<g class=\"legend\">\n");
    double left = LabelWidth;
    for (const Role role : {Role::Master, Role::Unhealthy, Role::Slave, Role::Unheard}) {
        const QString name = role == Role::Unhealthy ? QStringLiteral("unhealthy master")
                                                     : QLatin1String(Timeline::roleName(role));
        out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"24\" height=\"10\" fill=\"%3\"/>"
                              "<text x=\"%4\" y=\"%5\">%6</text>\n")
                   .arg(left)
                   .arg(y + 26)
                   .arg(QLatin1String(fill(role)))
                   .arg(left + 30)
                   .arg(y + 35)
                   .arg(name);
        if (role == Role::Unhealthy) {
            out += QStringLiteral(
                       "<line x1=\"%1\" y1=\"%3\" x2=\"%2\" y2=\"%3\" stroke=\"#800000\" "
                       "stroke-width=\"3\" stroke-dasharray=\"4 3\"/>\n")
                       .arg(left)
                       .arg(left + 24)
                       .arg(y + 31);
        }
        left += 40 + name.size() * 7;
    }
    const char *const codes[] = {"NA", "NU", "NO", "NC"};
    for (const char *code : codes) {
        out += marker(QLatin1String(code), left + 4, y + 23)
            + QStringLiteral("<text x=\"%1\" y=\"%2\">%3</text>\n")
                  .arg(left + 12)
                  .arg(y + 35)
                  .arg(QLatin1String(code));
        left += 44;
    }
    out += QStringLiteral("</g>\n</svg>\n");
    return out.toUtf8();
}

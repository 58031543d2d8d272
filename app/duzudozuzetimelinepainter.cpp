// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinepainter.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace {

using Kind = DuzUdozuzeCellStyle::Kind;
using Role = DuzUdozuzeTimeline::Role;

} // namespace

DuzUdozuzeTimelinePainter::DuzUdozuzeTimelinePainter(QPainter &painter,
                                                     const DuzUdozuzeTimeline &timeline,
                                                     const DuzUdozuzeTimelineScale &scale,
                                                     const QPalette &palette)
    : m_painter(painter),
      m_timeline(timeline),
      m_scale(scale),
      m_palette(palette),
      m_master(DuzUdozuzeCellStyle::of(Kind::HealthyClaim, palette)),
      m_unhealthy(DuzUdozuzeCellStyle::of(Kind::UnhealthyClaim, palette)),
      m_slave(DuzUdozuzeCellStyle::of(Kind::Normal, palette)),
      m_unheard(DuzUdozuzeCellStyle::of(Kind::Stale, palette)),
      m_warning(DuzUdozuzeCellStyle::of(Kind::Warning, palette))
{ }

void DuzUdozuzeTimelinePainter::axis(const QRect &rect, int bottom)
{
    m_painter.fillRect(rect, m_palette.color(QPalette::Window));
    const QFontMetrics metrics = m_painter.fontMetrics();
    const qint64 step = DuzUdozuzeTimelineScale::tickStep(
        m_scale.msPerPixel(), metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    // The offset of the left edge, for the whole width: a step of the wall
    // clock within sight moves the ticks after it by that much.
    const qint64 leftWall = m_timeline.wallOf(m_scale.from());
    const qint64 toWall = leftWall - m_scale.from();
    const qint64 zone = qint64(QDateTime::fromMSecsSinceEpoch(leftWall).offsetFromUtc()) * 1000;
    const QString format = step < 60000 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    QColor grid = m_palette.color(QPalette::Text);
    grid.setAlphaF(0.15f);
    const qint64 firstTick = ((leftWall + zone) / step + 1) * step - zone;
    for (qint64 wall = firstTick; wall - toWall <= m_scale.end; wall += step) {
        const int x = int(m_scale.xOf(wall - toWall));
        m_painter.setPen(grid);
        m_painter.drawLine(x, rect.bottom(), x, bottom);
        m_painter.setPen(m_palette.color(QPalette::WindowText));
        m_painter.drawLine(x, rect.bottom() - 3, x, rect.bottom());
        // A label cut by an edge is left out.
        const QString text = QDateTime::fromMSecsSinceEpoch(wall).toString(format);
        const int half = metrics.horizontalAdvance(text) / 2 + 1;
        if (x - half >= rect.left() && x + half <= rect.right())
            m_painter.drawText(QRect(x - half, rect.top(), 2 * half, rect.height() - 3),
                               Qt::AlignCenter, text);
    }
}

void DuzUdozuzeTimelinePainter::warnings(const QRect &rect)
{
    std::vector<quint8> columns(size_t(m_scale.width));
    for (const DuzUdozuzeTimeline::Warning &warning : m_timeline.warnings()) {
        const qint64 until = warning.until < 0 ? m_timeline.now() : warning.until;
        if (until >= m_scale.from() && warning.from <= m_scale.end)
            m_scale.fill(columns, warning.from, until, 1);
    }
    const QRect band = rect.adjusted(0, 3, 0, -3);
    for (const DuzUdozuzeTimelineScale::Run &run : DuzUdozuzeTimelineScale::runs(columns))
        m_painter.fillRect(m_scale.left + run.begin, band.top(), run.end - run.begin, band.height(),
                           m_warning.foreground);
}

void DuzUdozuzeTimelinePainter::fillLane(std::vector<quint8> &columns, int lane,
                                         std::vector<DuzUdozuzeTimeline::Span> *kept) const
{
    std::vector<DuzUdozuzeTimeline::Span> spans
        = m_timeline.spans(lane, m_scale.from(), m_scale.end + 1);
    for (const DuzUdozuzeTimeline::Span &span : spans)
        m_scale.fill(columns, span.from, span.until, weight(span.role));
    if (kept)
        *kept = std::move(spans);
}

void DuzUdozuzeTimelinePainter::lane(int lane, const QRect &rect)
{
    std::vector<quint8> columns(size_t(m_scale.width));
    std::vector<DuzUdozuzeTimeline::Span> spans;
    fillLane(columns, lane, &spans);
    drawRuns(columns, rect);
    // One marker where several would overlap.
    const int size = qMax(6, rect.height() / 2);
    double last = -1e9;
    for (const DuzUdozuzeTimeline::Span &span : spans) {
        if (span.cause.reason != DuzUdozuzeTimeline::Reason::Datagram || span.from < m_scale.from()
            || span.from > m_scale.end)
            continue;
        const double x = m_scale.xOf(span.from);
        if (x - last < size)
            continue;
        last = x;
        marker(span, rect);
    }
}

void DuzUdozuzeTimelinePainter::summary(const QList<int> &lanes, const QRect &rect)
{
    std::vector<quint8> columns(size_t(m_scale.width));
    for (const int lane : lanes)
        fillLane(columns, lane, nullptr);
    drawRuns(columns, rect);
}

void DuzUdozuzeTimelinePainter::drawRuns(const std::vector<quint8> &columns, const QRect &rect)
{
    const QRect full = rect.adjusted(0, 3, 0, -3);
    const int bar = qMax(2, full.height() / 4);
    for (const DuzUdozuzeTimelineScale::Run &run : DuzUdozuzeTimelineScale::runs(columns)) {
        const int x = m_scale.left + run.begin;
        const int width = run.end - run.begin;
        switch (Role(run.value - 1)) {
        case Role::Unhealthy:
            m_painter.fillRect(x, full.top(), width, full.height(), m_unhealthy.background);
            m_painter.fillRect(x, full.top(), width, full.height(),
                               QBrush(m_unhealthy.foreground, Qt::BDiagPattern));
            break;
        case Role::Master:
            m_painter.fillRect(x, full.top(), width, full.height(), m_master.background);
            break;
        case Role::Slave:
            m_painter.fillRect(x, full.center().y() - bar / 2, width, bar, m_slave.foreground);
            break;
        case Role::Unheard:
            m_painter.fillRect(x, full.center().y(), width, 1, m_unheard.foreground);
            break;
        }
    }
}

void DuzUdozuzeTimelinePainter::marker(const DuzUdozuzeTimeline::Span &span, const QRect &rect)
{
    const int size = qMax(6, rect.height() / 2);
    const QRectF box(m_scale.xOf(span.from) + 1, rect.center().y() - size / 2.0, size, size);
    const QColor colour = span.role == Role::Master ? m_master.foreground
        : span.role == Role::Unhealthy              ? m_unhealthy.foreground
                                                    : m_slave.foreground;
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setPen(QPen(m_palette.color(QPalette::Base), 1));
    m_painter.setBrush(colour);
    const QString code = span.cause.codeText();
    if (code == QLatin1String("NA")) {
        m_painter.drawPolygon(
            QPolygonF({QPointF(box.center().x(), box.top()), box.bottomRight(), box.bottomLeft()}));
    } else if (code == QLatin1String("NU")) {
        m_painter.drawPolygon(QPolygonF(
            {QPointF(box.center().x(), box.top()), QPointF(box.right(), box.center().y()),
             QPointF(box.center().x(), box.bottom()), QPointF(box.left(), box.center().y())}));
    } else if (code == QLatin1String("NO")) {
        m_painter.drawEllipse(box);
    } else if (code == QLatin1String("NC")) {
        m_painter.drawRect(box.adjusted(1, 1, -1, -1));
    } else {
        m_painter.drawEllipse(box.adjusted(size / 3.0, size / 3.0, -size / 3.0, -size / 3.0));
    }
    // Answered: a flag from the top of the row.
    if (span.cause.answered) {
        m_painter.setPen(QPen(colour, 2));
        m_painter.drawLine(QPointF(box.left(), rect.top() + 1), QPointF(box.left(), box.top()));
        m_painter.drawLine(QPointF(box.left(), rect.top() + 1),
                           QPointF(box.left() + size / 2.0, rect.top() + 1));
    }
    m_painter.restore();
}

void DuzUdozuzeTimelinePainter::label(const QRect &rect, const QString &text, bool bold)
{
    QFont font = m_painter.font();
    font.setBold(bold);
    m_painter.save();
    m_painter.setFont(font);
    m_painter.setPen(m_palette.color(QPalette::WindowText));
    const QRect room = rect.adjusted(6, 0, -4, 0);
    m_painter.drawText(room, Qt::AlignVCenter | Qt::AlignLeft,
                       QFontMetrics(font).elidedText(text, Qt::ElideRight, room.width()));
    m_painter.restore();
}

// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelineview.h"

#include "app/duzudozuzetimelinepainter.h"
#include "app/duzudozuzetimelinetip.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolTip>

#include <cmath>

namespace {

using Timeline = DuzUdozuzeTimeline;
constexpr double ZoomStep = 1.5;

} // namespace

DuzUdozuzeTimelineView::DuzUdozuzeTimelineView(const DuzUdozuzeTimeline &timeline, bool live,
                                               QWidget *parent)
    : QAbstractScrollArea(parent), m_timeline(timeline), m_bLive(live), m_bFit(!live)
{
    setObjectName(QStringLiteral("timelineView"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Always there: lanes coming and going never change the width.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(false);
    viewport()->setAutoFillBackground(false);
    measure();
    rebuildRows();
    updateScale();
}

void DuzUdozuzeTimelineView::measure()
{
    const QFontMetrics metrics = fontMetrics();
    m_nRowHeight = metrics.height() + 8;
    m_nAxisHeight = metrics.height() + 8;
    m_nLabelWidth = metrics.horizontalAdvance(QStringLiteral("00000 (this one): unhealthy")) + 14;
}

void DuzUdozuzeTimelineView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measure();
        updateScrollBar();
        updateScale();
    }
}

bool DuzUdozuzeTimelineView::isFolded(int group) const
{
    return m_folded.value(m_groups.at(group).name, !isOwnGroup(group));
}

void DuzUdozuzeTimelineView::setGroupFolded(const QString &group, bool folded)
{
    m_folded.insert(group, folded);
    rebuildRows();
    viewport()->update();
}

bool DuzUdozuzeTimelineView::syncRows()
{
    if (m_timeline.generation() == m_nGeneration && m_timeline.laneCount() == m_nLanes)
        return false;
    // New spans alone leave the rows as they are.
    if (m_timeline.laneCount() != m_nLanes)
        rebuildRows();
    m_nGeneration = m_timeline.generation();
    return true;
}

void DuzUdozuzeTimelineView::rebuildRows()
{
    m_nLanes = m_timeline.laneCount();
    m_groups = m_timeline.laneGroups();
    m_rows.clear();
    for (int group = 0; group < int(m_groups.size()); ++group) {
        m_rows.push_back({group, -1});
        if (!isFolded(group)) {
            for (const int lane : m_groups.at(group).lanes)
                m_rows.push_back({group, lane});
        }
    }
    updateScrollBar();
}

void DuzUdozuzeTimelineView::updateScrollBar()
{
    const int shown = qMax(1, (viewport()->height() - lanesTop()) / m_nRowHeight);
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, qMax(0, int(m_rows.size()) - shown));
    vertical->setPageStep(shown);
}

void DuzUdozuzeTimelineView::updateScale()
{
    m_scale.left = m_nLabelWidth;
    m_scale.width = qMax(1, viewport()->width() - m_nLabelWidth);
    if (m_bFit)
        m_scale.span = DuzUdozuzeTimelineScale::clampedSpan(m_timeline.now() - m_timeline.first());
    if (m_bFollow)
        m_scale.end = m_timeline.now();
}

DuzUdozuzeTimelineView::Frame DuzUdozuzeTimelineView::frame() const
{
    Frame frame;
    frame.generation = m_timeline.generation();
    frame.lanes = m_timeline.laneCount();
    frame.span = m_scale.span;
    frame.width = m_scale.width;
    frame.endColumn = qint64(std::floor(double(m_scale.end) / m_scale.msPerPixel()));
    // Open spans grow with the present while it is in sight.
    frame.nowColumn
        = qBound(qint64(-1), m_scale.columnOf(m_timeline.now()), qint64(m_scale.width) + 1);
    frame.cursor = m_bLive ? 0 : cursor();
    return frame;
}

void DuzUdozuzeTimelineView::refresh()
{
    if (!isVisible())
        return;
    syncRows();
    updateScale();
    if (!(frame() == m_painted))
        viewport()->update();
}

void DuzUdozuzeTimelineView::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    syncRows();
    updateScale();
}

void DuzUdozuzeTimelineView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
    updateScale();
}

void DuzUdozuzeTimelineView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void DuzUdozuzeTimelineView::setSpan(qint64 span)
{
    m_bFit = false;
    m_scale.span = DuzUdozuzeTimelineScale::clampedSpan(span);
    updateScale();
    viewport()->update();
}

void DuzUdozuzeTimelineView::showWhole()
{
    m_bFit = true;
    m_bFollow = true;
    updateScale();
    viewport()->update();
}

void DuzUdozuzeTimelineView::setFollow(bool follow)
{
    if (follow == m_bFollow)
        return;
    m_bFollow = follow;
    updateScale();
    viewport()->update();
    emit followChanged(follow);
}

void DuzUdozuzeTimelineView::moveEnd(qint64 end)
{
    const qint64 now = m_timeline.now();
    const qint64 earliest = qMin(now, m_timeline.first() + DuzUdozuzeTimelineScale::MinSpan / 2);
    m_scale.end = qBound(earliest, end, now);
    m_bFit = false;
    // Brought back to the present, it follows it again.
    setFollow(m_scale.end >= now);
    viewport()->update();
}

void DuzUdozuzeTimelineView::zoomBy(double factor, double x)
{
    m_bFit = false;
    m_scale.zoom(factor, x);
    if (m_bFollow || m_scale.end > m_timeline.now())
        m_scale.end = m_timeline.now();
    updateScale();
    viewport()->update();
}

qint64 DuzUdozuzeTimelineView::cursor() const
{
    return m_nCursor < 0 ? m_timeline.now() : m_nCursor;
}

void DuzUdozuzeTimelineView::setCursor(qint64 clock)
{
    const qint64 at = qBound(m_timeline.first(), clock, m_timeline.now());
    if (at == m_nCursor)
        return;
    m_nCursor = at;
    viewport()->update();
    emit cursorMoved(at);
}

int DuzUdozuzeTimelineView::rowTop(int row) const
{
    return lanesTop() + (row - verticalScrollBar()->value()) * m_nRowHeight;
}

QString DuzUdozuzeTimelineView::laneLabel(int lane) const
{
    const int workstation = m_timeline.lane(lane).workstation;
    QString text = lane == 0 ? tr("%1 (this one)").arg(workstation) : QString::number(workstation);
    if (!m_bLive)
        text += QStringLiteral(": ")
            + QLatin1String(Timeline::roleName(m_timeline.roleAt(lane, cursor())));
    return text;
}

void DuzUdozuzeTimelineView::paintEvent(QPaintEvent *)
{
    // Of the present, whatever asked for the frame.
    updateScale();
    QPainter painter(viewport());
    const QPalette &colours = palette();
    const int width = viewport()->width();
    const int height = viewport()->height();
    painter.fillRect(rect(), colours.color(QPalette::Base));
    DuzUdozuzeTimelinePainter draw(painter, m_timeline, m_scale, colours);
    painter.fillRect(0, 0, m_nLabelWidth, height, colours.color(QPalette::Window));
    draw.axis(QRect(m_nLabelWidth, 0, width - m_nLabelWidth, m_nAxisHeight), height);
    const QRect warnings(0, m_nAxisHeight, width, m_nRowHeight);
    draw.label(warnings, tr("Warnings"), true);
    draw.warnings(warnings);
    painter.setClipRect(0, lanesTop(), width, height - lanesTop());
    QColor rule = colours.color(QPalette::Text);
    rule.setAlphaF(0.25f);
    for (int row = verticalScrollBar()->value(); row < int(m_rows.size()); ++row) {
        const int top = rowTop(row);
        if (top >= height)
            break;
        const QRect line(0, top, width, m_nRowHeight);
        const Row &at = m_rows[size_t(row)];
        const DuzUdozuzeTimeline::LaneGroup &group = m_groups.at(at.group);
        if (at.lane >= 0) {
            draw.label(line.adjusted(10, 0, 0, 0), laneLabel(at.lane), at.lane == 0);
            draw.lane(at.lane, line);
            continue;
        }
        painter.setPen(rule);
        painter.drawLine(0, top, width, top);
        const bool folded = isFolded(at.group);
        draw.label(line,
                   (folded ? QStringLiteral("▸ ") : QStringLiteral("▾ "))
                       + (group.lanes.size() == 1
                              ? tr("%1 (1 workstation)").arg(group.name)
                              : tr("%1 (%2 workstations)").arg(group.name).arg(group.lanes.size())),
                   true);
        if (folded)
            draw.summary(group.lanes, line);
    }
    painter.setClipping(false);
    if (!m_bLive) {
        const int x = int(m_scale.xOf(cursor()));
        painter.setPen(QPen(colours.color(QPalette::Highlight), 2));
        painter.drawLine(x, 0, x, height);
    }
    m_painted = frame();
}

DuzUdozuzeTimelineView::Hit DuzUdozuzeTimelineView::hitAt(const QPoint &point) const
{
    Hit hit;
    hit.label = point.x() < m_nLabelWidth;
    hit.clock = m_scale.clockAt(point.x());
    if (point.y() < 0)
        return hit;
    if (point.y() < m_nAxisHeight) {
        hit.kind = Hit::Axis;
        return hit;
    }
    if (point.y() < lanesTop()) {
        hit.kind = Hit::Warnings;
        return hit;
    }
    const int row = verticalScrollBar()->value() + (point.y() - lanesTop()) / m_nRowHeight;
    if (row >= int(m_rows.size()))
        return hit;
    hit.group = m_rows[size_t(row)].group;
    hit.lane = m_rows[size_t(row)].lane;
    hit.kind = hit.lane < 0 ? Hit::Header : Hit::Lane;
    return hit;
}

QString DuzUdozuzeTimelineView::toolTipAt(const QPoint &point) const
{
    const Hit hit = hitAt(point);
    if (hit.kind == Hit::Header) {
        const DuzUdozuzeTimeline::LaneGroup &group = m_groups.at(hit.group);
        return isOwnGroup(hit.group)
            ? group.name
            : tr("%1: click to %2")
                  .arg(group.name, isFolded(hit.group) ? tr("unfold") : tr("fold"));
    }
    if (hit.label)
        return {};
    // Of the spans in the pixel, the one at its moment.
    const qint64 pixel = qMax<qint64>(1, qint64(m_scale.msPerPixel()));
    if (hit.kind == Hit::Warnings)
        return DuzUdozuzeTimelineTip::warnings(m_timeline, hit.clock, pixel);
    if (hit.kind != Hit::Lane)
        return {};
    const std::vector<DuzUdozuzeTimeline::Span> spans
        = m_timeline.spans(hit.lane, hit.clock, hit.clock + pixel);
    const DuzUdozuzeTimeline::Span *found = nullptr;
    for (const DuzUdozuzeTimeline::Span &span : spans) {
        if (!found || span.from <= hit.clock)
            found = &span;
    }
    return found ? DuzUdozuzeTimelineTip::span(m_timeline, hit.lane, *found) : QString();
}

bool DuzUdozuzeTimelineView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            // Names from the network are never read as markup.
            QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(text), viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void DuzUdozuzeTimelineView::wheelEvent(QWheelEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (point.x() < m_nLabelWidth || event->angleDelta().y() == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    zoomBy(std::pow(ZoomStep, -event->angleDelta().y() / 120.0), point.x());
    event->accept();
}

void DuzUdozuzeTimelineView::keyPressEvent(QKeyEvent *event)
{
    const double right = m_scale.left + m_scale.width;
    const double anchor = m_bLive ? right : m_scale.xOf(cursor());
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const qint64 step = m_scale.span / (shift ? 10 : 100);
    if (event->matches(QKeySequence::ZoomIn) || event->key() == Qt::Key_Plus
        || event->key() == Qt::Key_Equal) {
        zoomBy(1 / ZoomStep, anchor);
    } else if (event->matches(QKeySequence::ZoomOut) || event->key() == Qt::Key_Minus) {
        zoomBy(ZoomStep, anchor);
    } else if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const qint64 by = event->key() == Qt::Key_Left ? -step : step;
        if (m_bLive)
            moveEnd(m_scale.end + by * 10);
        else
            setCursor(cursor() + by);
    } else if (event->key() == Qt::Key_End) {
        if (m_bLive)
            setFollow(true);
        else
            setCursor(m_timeline.now());
    } else if (event->key() == Qt::Key_Home && !m_bLive) {
        setCursor(m_timeline.first());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void DuzUdozuzeTimelineView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = event->position().toPoint();
    m_nPressedEnd = m_scale.end;
    const bool onCursor = !m_bLive && std::abs(m_pressed.x() - m_scale.xOf(cursor())) <= 4;
    m_drag = onCursor ? Drag::Cursor : Drag::Pending;
}

void DuzUdozuzeTimelineView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (m_drag == Drag::Cursor) {
        setCursor(m_scale.clockAt(point.x()));
        return;
    }
    if (m_drag == Drag::Pending
        && (point - m_pressed).manhattanLength() >= QApplication::startDragDistance())
        m_drag = Drag::Pan;
    if (m_drag == Drag::Pan)
        moveEnd(m_nPressedEnd - qint64((point.x() - m_pressed.x()) * m_scale.msPerPixel()));
}

void DuzUdozuzeTimelineView::mouseReleaseEvent(QMouseEvent *event)
{
    const Drag drag = std::exchange(m_drag, Drag::None);
    if (event->button() != Qt::LeftButton || drag != Drag::Pending)
        return;
    const Hit hit = hitAt(event->position().toPoint());
    if (hit.kind == Hit::Header && (hit.label || !isOwnGroup(hit.group))) {
        if (!isOwnGroup(hit.group))
            setGroupFolded(m_groups.at(hit.group).name, !isFolded(hit.group));
        return;
    }
    if (hit.label || hit.kind == Hit::None)
        return;
    const qint64 clock = qBound(m_timeline.first(), hit.clock, m_timeline.now());
    if (!m_bLive)
        setCursor(clock);
    emit momentChosen(m_timeline.wallOf(clock));
}

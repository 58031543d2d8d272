// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINEVIEW_H
#define DUZUDOZUZETIMELINEVIEW_H

#include "app/duzudozuzetimelinescale.h"
#include "protocol/duzudozuzetimeline.h"

#include <QAbstractScrollArea>
#include <QHash>

// The timeline drawn: the time of day along the top, the warnings as bands
// in a row of their own under it, then a row for each workstation heard, its
// roles as spans, grouped as the timeline groups them: the own group first
// and open, the others folded to one row each until their header is
// clicked. The wheel and the zoom keys zoom from a minute to a day; a drag
// moves through time. Live, the right edge follows the present until the
// user moves back (End, or setFollow(), returns). Of a capture, the view
// spans it and shows a cursor, dragged or moved by the arrow keys (with
// Shift further), and each row's role at the cursor. A click asks for that
// moment elsewhere (momentChosen). It repaints when something in sight
// changed, never by itself.
class DuzUdozuzeTimelineView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    DuzUdozuzeTimelineView(const DuzUdozuzeTimeline &timeline, bool live,
                           QWidget *parent = nullptr);

    // What the timeline gained, and the time gone by, shown: a repaint only
    // where that changes a pixel.
    void refresh();
    const DuzUdozuzeTimelineScale &scale() const { return m_scale; }
    // The time across the view, from its right edge.
    void setSpan(qint64 span);
    // Of a capture: all of it, from its first moment kept to its end.
    void showWhole();
    bool follows() const { return m_bFollow; }
    void setFollow(bool follow);
    // Of a capture: the cursor's moment, the end of what is read until it
    // is moved.
    qint64 cursor() const;
    void setCursor(qint64 clock);
    void setGroupFolded(const QString &group, bool folded);

    // What is at a point of the viewport.
    struct Hit
    {
        enum Kind { None, Axis, Warnings, Header, Lane } kind = None;
        int group = -1;
        int lane = -1;
        bool label = false; // in the column of the names
        qint64 clock = 0;
    };
    Hit hitAt(const QPoint &point) const;
    QString toolTipAt(const QPoint &point) const;

    QSize sizeHint() const override { return {640, 260}; }
    QSize minimumSizeHint() const override { return {240, 120}; }

signals:
    // A click on a moment: its wall time, ms since the epoch.
    void momentChosen(qint64 wall);
    void cursorMoved(qint64 clock);
    void followChanged(bool follow);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Row
    {
        int group;
        int lane; // -1: the group's header
    };
    // What a frame shows; a refresh repaints only when it differs.
    struct Frame
    {
        quint64 generation = ~quint64(0);
        int lanes = -1;
        qint64 span = 0, endColumn = 0, nowColumn = 0, cursor = 0;
        int width = 0;
        bool operator==(const Frame &other) const
        {
            return generation == other.generation && lanes == other.lanes && span == other.span
                && endColumn == other.endColumn && nowColumn == other.nowColumn
                && cursor == other.cursor && width == other.width;
        }
    };

    // The rows anew where the timeline has new lanes or spans; true if so.
    bool syncRows();
    void rebuildRows();
    void updateScale();
    void updateScrollBar();
    void measure();
    Frame frame() const;
    bool isFolded(int group) const;
    // Without an identity of its own, this workstation has no group.
    bool isOwnGroup(int group) const { return group == 0 && m_timeline.ownKnown(); }
    QString laneLabel(int lane) const;
    int rowTop(int row) const;
    int lanesTop() const { return m_nAxisHeight + m_nRowHeight; }
    void zoomBy(double factor, double x);
    // The right edge moved by the user.
    void moveEnd(qint64 end);

    const DuzUdozuzeTimeline &m_timeline;
    const bool m_bLive;
    DuzUdozuzeTimelineScale m_scale;
    bool m_bFollow = true;
    bool m_bFit; // of a capture: the span is all of it, until zoomed
    qint64 m_nCursor = -1; // -1: at the end
    QList<DuzUdozuzeTimeline::LaneGroup> m_groups;
    QHash<QString, bool> m_folded; // by group name; else the own open, the rest folded
    std::vector<Row> m_rows;
    quint64 m_nGeneration = ~quint64(0);
    int m_nLanes = -1;
    Frame m_painted;
    int m_nRowHeight = 20;
    int m_nAxisHeight = 20;
    int m_nLabelWidth = 160;
    enum class Drag { None, Pending, Pan, Cursor } m_drag = Drag::None;
    QPoint m_pressed;
    qint64 m_nPressedEnd = 0;
};

#endif // DUZUDOZUZETIMELINEVIEW_H

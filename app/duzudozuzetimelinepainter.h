// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINEPAINTER_H
#define DUZUDOZUZETIMELINEPAINTER_H

#include "app/duzudozuzecellstyle.h"
#include "app/duzudozuzetimelinescale.h"
#include "protocol/duzudozuzetimeline.h"

#include <QList>

class QPainter;
class QPalette;
class QRect;

// Paints the pieces of the timeline view in the colours of the workstation
// table: a master amber, an unhealthy one red and hatched (it reads without
// colour), a slave a bar in the text's colour, an unheard workstation a thin
// subdued line; at a span a datagram began, its code's shape (NA a
// triangle, NU a diamond, NO a disc, NC a square), flagged where this
// workstation answered it. Only the spans of the time in sight are asked
// for, and those narrower than a pixel share its column.
class DuzUdozuzeTimelinePainter
{
public:
    DuzUdozuzeTimelinePainter(QPainter &painter, const DuzUdozuzeTimeline &timeline,
                              const DuzUdozuzeTimelineScale &scale, const QPalette &palette);

    // The ticks of the time of day over rect, their lines down to bottom.
    void axis(const QRect &rect, int bottom);
    void warnings(const QRect &rect);
    // The spans of a lane, its markers too.
    void lane(int lane, const QRect &rect);
    // A folded group: of its lanes, the role most worth seeing at each column.
    void summary(const QList<int> &lanes, const QRect &rect);
    void label(const QRect &rect, const QString &text, bool bold);

    // The value a role takes in a column: the greater wins.
    static quint8 weight(DuzUdozuzeTimeline::Role role) { return quint8(int(role) + 1); }

private:
    void fillLane(std::vector<quint8> &columns, int lane,
                  std::vector<DuzUdozuzeTimeline::Span> *kept) const;
    void drawRuns(const std::vector<quint8> &columns, const QRect &rect);
    void marker(const DuzUdozuzeTimeline::Span &span, const QRect &rect);

    QPainter &m_painter;
    const DuzUdozuzeTimeline &m_timeline;
    const DuzUdozuzeTimelineScale &m_scale;
    const QPalette &m_palette;
    DuzUdozuzeCellStyle m_master, m_unhealthy, m_slave, m_unheard, m_warning;
};

#endif // DUZUDOZUZETIMELINEPAINTER_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINESVG_H
#define DUZUDOZUZETIMELINESVG_H

#include <QByteArray>
#include <QString>

class DuzUdozuzeTimeline;

// The timeline as an SVG picture, for a ticket, a script or a screen reader:
// a lane a workstation, grouped as drawn, each span a rect with its class
// (the role), its start and end in ISO 8601 (UTC) and a title that says it
// in words, the warnings as bands above, a time axis in the source's time of
// day below. Colours are given as attributes as well as classes, so that any
// renderer draws it, Qt's own included; an unhealthy master carries a dashed
// stripe, readable without colour.
struct DuzUdozuzeTimelineSvg
{
    struct Options
    {
        QString title; // what the picture is of, before its span
        qint64 from = -1; // source clock; -1: from the first kept
        qint64 until = -1; // -1: to now
        int width = 1200;
        // At most so many spans drawn (-1: every one): the lanes past them
        // are drawn empty and the picture says how many were left out.
        int maxSpans = -1;
    };

    static QByteArray write(const DuzUdozuzeTimeline &timeline, const Options &options);
    // A time on the source clock as ISO 8601 in UTC, to the ms.
    static QString isoTime(const DuzUdozuzeTimeline &timeline, qint64 clock);
    // The steps between the axis' ticks, in ms: the smallest of a round set
    // that leaves at least minimum pixels between two, at ms a pixel. The
    // window's Timeline ticks by the same.
    static qint64 tickStep(double msPerPixel, int minimum);
};

#endif // DUZUDOZUZETIMELINESVG_H

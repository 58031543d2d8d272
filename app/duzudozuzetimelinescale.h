// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINESCALE_H
#define DUZUDOZUZETIMELINESCALE_H

#include <QtGlobal>

#include <vector>

// Where a moment of the timeline stands across the view: the time shown
// (from one minute to a day) ending at end, over width pixels from left. The
// ticks of the axis are on round times of day at least a label apart; spans
// narrower than a pixel share one column, the one most worth seeing winning.
struct DuzUdozuzeTimelineScale
{
    static constexpr qint64 MinSpan = 60 * 1000;
    static constexpr qint64 MaxSpan = 24 * 60 * 60 * 1000;

    qint64 end = 0; // source clock, ms
    qint64 span = 60 * 60 * 1000;
    int left = 0;
    int width = 1;

    qint64 from() const { return end - span; }
    double msPerPixel() const { return double(span) / qMax(1, width); }
    double xOf(qint64 clock) const { return left + double(clock - from()) / msPerPixel(); }
    qint64 clockAt(double x) const { return from() + qint64((x - left) * msPerPixel()); }
    // The column of a moment, counted from left: the same for every moment
    // of the same pixel.
    qint64 columnOf(qint64 clock) const;

    static qint64 clampedSpan(qint64 span) { return qBound(MinSpan, span, MaxSpan); }
    // factor > 1 zooms out; the moment at x stays where it is.
    void zoom(double factor, double x);
    // The step of the ticks, a round time, for labels spacing pixels apart.
    static qint64 tickStep(double msPerPixel, int spacing);

    // Each column the stretch [from, until) meets takes value where it is
    // greater than the column's (0: none); columns are counted from left.
    void fill(std::vector<quint8> &columns, qint64 from, qint64 until, quint8 value) const;
    // The runs of equal, non-zero columns: [begin, end) and their value.
    struct Run
    {
        int begin;
        int end;
        quint8 value;
    };
    static std::vector<Run> runs(const std::vector<quint8> &columns);
};

#endif // DUZUDOZUZETIMELINESCALE_H

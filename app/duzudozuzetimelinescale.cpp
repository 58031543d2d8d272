// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinescale.h"

#include "protocol/duzudozuzetimelinesvg.h"

#include <cmath>

qint64 DuzUdozuzeTimelineScale::columnOf(qint64 clock) const
{
    return qint64(std::floor(double(clock - from()) / msPerPixel()));
}

void DuzUdozuzeTimelineScale::zoom(double factor, double x)
{
    const qint64 fixed = clockAt(x);
    const double share = qBound(0.0, (x - left) / qMax(1, width), 1.0);
    span = clampedSpan(qint64(double(span) * factor));
    end = fixed + qint64(double(span) * (1.0 - share));
}

qint64 DuzUdozuzeTimelineScale::tickStep(double msPerPixel, int spacing)
{
    return DuzUdozuzeTimelineSvg::tickStep(msPerPixel, spacing);
}

void DuzUdozuzeTimelineScale::fill(std::vector<quint8> &columns, qint64 from, qint64 until,
                                   quint8 value) const
{
    const qint64 count = qint64(columns.size());
    const qint64 begin = qMax<qint64>(0, columnOf(from));
    // A stretch of no width still takes the column it is in.
    const qint64 last = until > from ? columnOf(until - 1) : columnOf(from);
    const qint64 stop = qMin(count, last + 1);
    for (qint64 column = begin; column < stop; ++column) {
        quint8 &at = columns[size_t(column)];
        at = qMax(at, value);
    }
}

std::vector<DuzUdozuzeTimelineScale::Run>
DuzUdozuzeTimelineScale::runs(const std::vector<quint8> &columns)
{
    std::vector<Run> found;
    for (int column = 0; column < int(columns.size()); ++column) {
        const quint8 value = columns[size_t(column)];
        if (value == 0)
            continue;
        if (!found.empty() && found.back().end == column && found.back().value == value)
            ++found.back().end;
        else
            found.push_back({column, column + 1, value});
    }
    return found;
}

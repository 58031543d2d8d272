// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinereport.h"

// Built without the toolkit's SVG module: the picture is written as SVG only.
bool DuzUdozuzeTimelineReport::png(const QByteArray &, QByteArray &)
{
    return false;
}

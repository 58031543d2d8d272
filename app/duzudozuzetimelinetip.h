// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINETIP_H
#define DUZUDOZUZETIMELINETIP_H

#include "protocol/duzudozuzetimeline.h"

#include <QString>

// The texts of the timeline view's tooltips, times of day as the log shows
// them: a span's workstation and role, from when to when, and what began it
// (DuzUdozuzeTimeline::causeText); the warnings standing at a moment.
namespace DuzUdozuzeTimelineTip {

QString span(const DuzUdozuzeTimeline &timeline, int lane, const DuzUdozuzeTimeline::Span &span);
// The warnings that meet [clock, clock + pixel].
QString warnings(const DuzUdozuzeTimeline &timeline, qint64 clock, qint64 pixel);

} // namespace DuzUdozuzeTimelineTip

#endif // DUZUDOZUZETIMELINETIP_H

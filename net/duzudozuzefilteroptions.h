// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEFILTEROPTIONS_H
#define DUZUDOZUZEFILTEROPTIONS_H

#include <QRegularExpression>
#include <QString>

struct DuzUdozuzeSettings;
class DuzUdozuzeLinkContext;

// The values of the monitor filters' options, for the control string:
// /alarmsystem= and /hx_system= (expressions), /workstation= and /channel=,
// and the channel filter that follows /hx_root= and /hx_system=. Each stores
// what it takes in the settings and logs what it did through the context;
// false when the value is refused (the settings keep what they had, or what
// the option's line says).
namespace DuzUdozuzeFilterOptions {

[[nodiscard]] bool expression(const QString &value, QRegularExpression &filter, const char *error,
                              DuzUdozuzeLinkContext &context);
void channelFromIni(DuzUdozuzeSettings &s, DuzUdozuzeLinkContext &context);
[[nodiscard]] bool workstation(const QString &value, DuzUdozuzeSettings &s,
                               DuzUdozuzeLinkContext &context);
[[nodiscard]] bool channel(const QString &value, DuzUdozuzeSettings &s,
                           DuzUdozuzeLinkContext &context);

} // namespace DuzUdozuzeFilterOptions

#endif // DUZUDOZUZEFILTEROPTIONS_H

// SPDX-License-Identifier: MIT
#include "app/duzudozuzewarningstyle.h"

#include "app/duzudozuzecellstyle.h"

QString DuzUdozuzeWarningStyle::sheet(const QString &widget, const QPalette &palette)
{
    return QStringLiteral("%1 { color: %2; font-weight: bold; }")
        .arg(
            widget,
            DuzUdozuzeCellStyle::of(DuzUdozuzeCellStyle::Kind::Warning, palette).foreground.name());
}

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECELLSTYLE_H
#define DUZUDOZUZECELLSTYLE_H

#include <QColor>

class QPalette;

// The colours of the workstation picture, made from the palette in use, so
// that they read as well in a dark theme as in a light one: every text at
// least 4.5 times as bright as its background or the other way round (WCAG
// AA). A claim is marked by its text ("MASTER") as well as its colour.
struct DuzUdozuzeCellStyle
{
    enum class Kind {
        Normal,
        Own, // this workstation's row
        Stale, // not heard for a while: subdued
        HealthyClaim, // a master, healthy
        UnhealthyClaim, // a master sending NU, or a health word other than OK
        Warning, // the text of a warning
    };

    QColor foreground;
    QColor background; // invalid: the view's own

    static DuzUdozuzeCellStyle of(Kind kind, const QPalette &palette);
    // The WCAG contrast ratio of two colours, from 1 to 21.
    static double contrast(const QColor &first, const QColor &second);
};

#endif // DUZUDOZUZECELLSTYLE_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWARNINGSTYLE_H
#define DUZUDOZUZEWARNINGSTYLE_H

#include <QString>

class QPalette;

// The look of a warning's text wherever the window shows one (the dock's
// list, the status bar): bold, in the picture's warning colour for the palette
// in use, so that it reads in a dark theme as in a light one.
struct DuzUdozuzeWarningStyle
{
    // A style sheet for the widgets of class widget ("QLabel").
    static QString sheet(const QString &widget, const QPalette &palette);
};

#endif // DUZUDOZUZEWARNINGSTYLE_H

// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINEREPORT_H
#define DUZUDOZUZETIMELINEREPORT_H

#include <QByteArray>
#include <QString>

class DuzUdozuzeSession;

// The picture of the timeline for a ticket, written at the end of a run or of
// a capture read: SVG, or PNG where the file's name ends in ".png". Written
// whole under a temporary name and renamed, so a reader never sees half.
struct DuzUdozuzeTimelineReport
{
    // The error in words, or an empty string when it was written.
    static QString write(const QString &path, const DuzUdozuzeSession &session);
    // What the picture is of: "Timeline of workstation 7 of north/Fire
    // channel 3", or "Timeline" without an identity.
    static QString title(const DuzUdozuzeSession &session);
    // Whether a PNG needs the toolkit's fonts, and so a GUI application.
    static bool wantsImage(const QString &path);
    // The SVG drawn into a PNG; false where this build cannot.
    static bool png(const QByteArray &svg, QByteArray &image);
};

#endif // DUZUDOZUZETIMELINEREPORT_H

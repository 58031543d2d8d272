// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESOURCETRAITS_H
#define DUZUDOZUZESOURCETRAITS_H

#include <QString>

// What the picture and the front ends know of where the datagrams come from:
// the live port, or a capture read. Each source says its own; nothing else
// asks which one it is.
struct DuzUdozuzeSourceTraits
{
    enum class Clock {
        Live, // now: the lines are stamped as they come, claims age with time
        Recorded, // the datagrams' own times: the picture is of the past
    };
    Clock clock = Clock::Live;
    // For the window's title: empty, the program's own; "capture NAME".
    QString title;
    // What is read, in full: the capture's path; empty: the port.
    QString origin;
    // The own row's role while it watches without a part: "watching".
    QString ownRole = QStringLiteral("watching");
    // Why answers decided are told but never sent; empty: they are sent.
    QString answersNotSent;

    bool isLive() const { return clock == Clock::Live; }
    bool sendsAnswers() const { return answersNotSent.isEmpty(); }
};

#endif // DUZUDOZUZESOURCETRAITS_H

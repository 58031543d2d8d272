// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEENVIRONMENT_H
#define DUZUDOZUZEENVIRONMENT_H

#include <QString>

// What the host system tells a workstation through the environment:
// HX_ROOT, HX_SYSTEM and HX_WORKSTATION.
struct DuzUdozuzeEnvironment
{
    QString hxRoot;
    QString hxSystem;
    QString workstationText; // as read
    int workstation = 0; // 0 when the text is not a decimal number
    bool workstationValid = false;

    static DuzUdozuzeEnvironment read();

    // The value of one variable; empty when it is not set.
    static QString environmentValue(const char *name);
};

#endif // DUZUDOZUZEENVIRONMENT_H

// SPDX-License-Identifier: MIT
#include "app/duzudozuzeenvironment.h"

DuzUdozuzeEnvironment DuzUdozuzeEnvironment::read()
{
    DuzUdozuzeEnvironment environment;
    environment.hxRoot = environmentValue("HX_ROOT");
    environment.hxSystem = environmentValue("HX_SYSTEM");
    environment.workstationText = environmentValue("HX_WORKSTATION");
    environment.workstation = environment.workstationText.toInt(&environment.workstationValid, 10);
    if (!environment.workstationValid)
        environment.workstation = 0;
    return environment;
}

QString DuzUdozuzeEnvironment::environmentValue(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

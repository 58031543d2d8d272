// SPDX-License-Identifier: MIT
#include "app/duzudozuzeconsolewindow.h"

#include <QByteArray>

bool DuzUdozuzeConsoleWindow::displayAvailable(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0)
            return true;
    }
    return false;
}

// A terminal program's standard output is its terminal already.
void DuzUdozuzeConsoleWindow::attach() { }

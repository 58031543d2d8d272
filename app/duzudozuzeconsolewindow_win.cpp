// SPDX-License-Identifier: MIT
#include "app/duzudozuzeconsolewindow.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

// A Windows desktop always has one.
bool DuzUdozuzeConsoleWindow::displayAvailable(int, char **)
{
    return true;
}

namespace {

bool goesSomewhere(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE
        && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The console's output as descriptor and as standard handle both.
void onConsole(int descriptor, DWORD which)
{
    const HANDLE console
        = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        return;
    SetStdHandle(which, console);
    const int opened = _open_osfhandle(intptr_t(console), _O_WRONLY | _O_BINARY);
    if (opened >= 0 && opened != descriptor)
        _dup2(opened, descriptor);
}

} // namespace

void DuzUdozuzeConsoleWindow::attach()
{
    // The lines are UTF-8, and the console shows them as such.
    const bool output = goesSomewhere(STD_OUTPUT_HANDLE);
    const bool errors = goesSomewhere(STD_ERROR_HANDLE);
    if (!output || !errors) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && !AllocConsole())
            return;
        if (!output)
            onConsole(1, STD_OUTPUT_HANDLE);
        if (!errors)
            onConsole(2, STD_ERROR_HANDLE);
    }
    SetConsoleOutputCP(CP_UTF8);
}

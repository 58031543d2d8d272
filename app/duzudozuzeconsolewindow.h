// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECONSOLEWINDOW_H
#define DUZUDOZUZECONSOLEWINDOW_H

// Where the program's text goes when it has no window: on Linux the terminal
// or whatever standard output is already; on Windows, where the program is
// one of the desktop's, the console of whoever started it, or one of its own.
namespace DuzUdozuzeConsoleWindow {

// Whether the toolkit has a display to open a window on.
bool displayAvailable(int argc, char **argv);

// Standard output and standard error on a console from now on, unless they
// go somewhere already (a pipe, a file).
void attach();

} // namespace DuzUdozuzeConsoleWindow

#endif // DUZUDOZUZECONSOLEWINDOW_H

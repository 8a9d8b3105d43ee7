// The entry into the wx host for vimbra's main: checks for a display, starts
// GTK and runs the application object's InitInstance and message loop on it.
// No wx type crosses this header.
#pragma once

// Runs the viewer in a window whose viewer area is width × height pixels;
// returns the process's exit status: 1, with one line on stderr naming the
// reason, without a display or when the viewer cannot start. A signal that
// ends the process is named on stderr too.
int RunWxHost(const char* programPath, int width, int height);

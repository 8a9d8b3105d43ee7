// The entry into the wx host for vimbra's main: checks for a display, starts
// GTK and runs the application object's InitInstance and message loop on it.
// No wx type crosses this header.
#pragma once

// Where the frame opens, and where it was when it closed.
struct HostWindowPlace {
  // The viewer area below the toolbar; 0 × 0: two thirds of the width and
  // height of the screen's work area. Unless `exact` (--size), a larger
  // area is made to fit that work area.
  int areaWidth = 0;
  int areaHeight = 0;
  bool exact = false;
  // The frame's top-left corner on the screen; without it the window
  // manager places the frame.
  bool placed = false;
  int x = 0;
  int y = 0;
};

// Runs the viewer in a window opened at `start` (a kept size and place are
// brought onto the screen); returns the process's exit status: 1, with one
// line on stderr naming the reason, without a display or when the viewer
// cannot start. A signal that ends the process is named on stderr too.
// *closed receives the frame's size and place as it last was out of full
// screen and not maximized; its area stays 0 × 0 when no frame was shown.
int RunWxHost(const char* programPath, const HostWindowPlace& start, HostWindowPlace* closed);

// The probe: a line-oriented report of what the wx host does, written to the
// file that VIMBRA_PROBE names, for end-to-end tests and the GUI benchmark.
#pragma once

#include <cstdint>
#include <string>

class wxWindow;

// Each line is "<serial> <words...>", flushed at once, so that a test can
// follow the file while vimbra runs. Nothing is written unless the variable
// is set; every call is then a cheap test of one flag.
//
// Lines written (coordinates are root-window pixels, sizes in pixels):
//   start t=EPOCH_US               main() has read its options
//   window XID                     the frame's X window, once shown
//   canvas X Y W H                 the viewer window's pixels on the screen
//   scrollbar-width N              measured width of the vertical bar
//   tool COMMAND X Y W H           a visible toolbar button
//   menubutton X Y W H             the "Tools" button
//   menu open | menu close         the drop-down menu
//   command ID                     a command sent to the frame
//   stylus down|move|up X Y took=US
//   key down|up VK | accelerator VK
//   vscroll CODE POS
//   paint took=US                  the layer's paint, run by the host
//   present t=EPOCH_US took=US     the canvas shown on the screen
//   dialog-window XID              the open dialog's X window
//   dialog ID X Y W H | dialog-end ID
//   dialog-command ID              a button (or Cancel by closing) of the dialog
//   control ID X Y W H TEXT        a control of the open dialog and its text
//   treeitem X Y W H TEXT          a visible item of the dialog's tree
//   tree select|expand|collapse|edit-begin|edit-rejected TEXT
//   title TEXT                     the frame's caption changed
//   fullscreen 0|1                 full screen asked off or on
//   idle                           nothing left to paint after activity
//   exit CODE | exit-status CODE   the message loop ends; the process ends
//                                  (exit-status 1 alone: the window or the
//                                  display went away under it)
namespace Probe {

// Opens the file named by VIMBRA_PROBE, if any. Call once at start-up.
void Open();
bool Enabled();
// Writes one line (printf-style words, no newline).
void Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Marks that something happened since the last "idle" line.
bool HasActivity();
void ClearActivity();
// Wall-clock microseconds since the epoch, and a monotonic microsecond clock
// for durations.
int64_t EpochMicros();
int64_t MonoMicros();
// The rectangle of a window on the screen, as "X Y W H".
std::string ScreenRect(const wxWindow* window);

}  // namespace Probe

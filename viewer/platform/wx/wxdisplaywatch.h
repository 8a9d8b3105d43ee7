// Ending vimbra when its display goes away under it: the frame's X window
// destroyed by another program (xdotool windowclose), or the connection to
// the X server lost (the server ended, or the client was killed).
#pragma once

#include <gtk/gtk.h>

namespace DisplayWatch {

// Replaces GDK's handler of a lost X connection (several lines of text) by
// one line on stderr. Call once the display is open.
void WatchConnection();
// Watches the frame's X window: destroyed by anybody but this process, the
// process ends with status 1 and one line on stderr. Call once it is shown.
void WatchFrame(GtkWidget* frame);
// The frame is being destroyed by the program itself.
void StopWatchingFrame();

}  // namespace DisplayWatch

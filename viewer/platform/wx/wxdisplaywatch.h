// Ending vimbra when its display goes away under it: a window of the
// process destroyed by another program (xdotool windowclose), or the
// connection to the X server lost (the server ended, or the client was
// killed).
#pragma once

#include <gtk/gtk.h>

namespace DisplayWatch {

// Replaces GDK's handler of a lost X connection (several lines of text) by
// one line on stderr, and ends the process with one line when the client
// leader or a watched window (see WatchFrame) is destroyed, or when an X
// request fails because one of them is gone, trapped by GDK or not. Call
// once the display is open.
void WatchConnection();
// Watches the frame's X window, the windows inside it and the process's
// client leader window (an unmapped window that carries the program's name,
// so that a search by name finds it first). The frame destroyed by anybody
// but this process, or any X request failing on a watched window because
// it is gone, ends the process with status 1 and one line on stderr. Call
// once the frame is shown.
void WatchFrame(GtkWidget* frame);
// The frame is being destroyed by the program itself.
void StopWatchingFrame();

}  // namespace DisplayWatch

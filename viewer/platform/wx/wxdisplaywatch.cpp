// Outside destruction of the frame's window and loss of the X connection.
//
// Neither leaves anything to shut down in order: every native window is gone
// (or unreachable), and any X call on them would end in an X error, which
// GDK reports in many lines before it ends the process itself. So the
// process says what happened in one line and ends at once, with status 1, as
// GDK does for a fatal X error; the viewer keeps no settings to save.
#include "wxdisplaywatch.h"

#include <gdk/gdkx.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "wxprobe.h"

namespace DisplayWatch {

namespace {

constexpr int kExitLost = 1;
Window g_frameWindow = 0;

[[noreturn]] void End(const char* what) {
  std::fprintf(stderr, "vimbra: %s\n", what);
  std::fflush(stderr);
  Probe::Line("exit-status %d", kExitLost);
  _exit(kExitLost);
}

int ConnectionLost(Display* /*display*/) {
  const char* name = std::getenv("DISPLAY");
  char text[256];
  std::snprintf(text, sizeof text, "lost the connection to the display \"%s\"", name != nullptr ? name : "");
  End(text);
}

// Runs before GDK translates the event (and before it warns that a window
// was "unexpectedly destroyed").
extern "C" GdkFilterReturn FilterDestroy(GdkXEvent* native, GdkEvent* /*event*/, gpointer /*data*/) {
  const XEvent* event = static_cast<const XEvent*>(native);
  if (g_frameWindow != 0 && event->type == DestroyNotify && event->xdestroywindow.window == g_frameWindow) {
    End("the window was destroyed by another program");
  }
  return GDK_FILTER_CONTINUE;
}

}  // namespace

void WatchConnection() {
  if (GDK_IS_X11_DISPLAY(gdk_display_get_default())) XSetIOErrorHandler(ConnectionLost);
}

void WatchFrame(GtkWidget* frame) {
  GdkWindow* window = frame != nullptr ? gtk_widget_get_window(frame) : nullptr;
  if (window == nullptr || !GDK_IS_X11_WINDOW(window) || g_frameWindow != 0) return;
  g_frameWindow = GDK_WINDOW_XID(window);
  gdk_window_add_filter(nullptr, FilterDestroy, nullptr);
}

void StopWatchingFrame() {
  if (g_frameWindow == 0) return;
  g_frameWindow = 0;
  gdk_window_remove_filter(nullptr, FilterDestroy, nullptr);
}

}  // namespace DisplayWatch

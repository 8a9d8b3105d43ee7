// Outside destruction of the process's windows and loss of the X connection.
//
// Neither leaves anything to shut down in order: every native window is gone
// (or unreachable), and any X call on them would end in an X error, which
// GDK reports in many lines before it ends the process itself. So the
// process says what happened in one line and ends at once, with status 1, as
// GDK does for a fatal X error; the viewer keeps no settings to save.
//
// A window can be destroyed at any moment, also between a request (a title,
// a property GDK sets, a pixmap for a paint) and the DestroyNotify that
// tells of it. The error of that request is read before the event reaches
// the event filter, and while a GDK error trap is pushed it goes to GDK's
// trap handler, which ends the process in many lines when the request was
// not the trapped one. So the errors are looked at where Xlib turns them
// from the wire into events, before any handler, trap or not.
#include "wxdisplaywatch.h"

#include <X11/Xproto.h>
#include <gdk/gdkx.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "wxprobe.h"

// Xlib's hook that turns an error from the wire into an XErrorEvent, as its
// interface for extensions declares it (Xlibint.h, whose min and max macros
// cannot meet the C++ library).
extern "C" Bool (*XESetWireToError(Display*, int, Bool (*)(Display*, XErrorEvent*, xError*)))(Display*, XErrorEvent*,
                                                                                              xError*);

namespace DisplayWatch {

namespace {

constexpr int kExitLost = 1;
Window g_frameWindow = 0;
// The frame and the windows inside it, while the frame is watched.
std::vector<Window> g_frameWindows;
// GDK's client leader: it exists from the display's opening to the end.
Window g_leaderWindow = 0;
using WireToError = Bool (*)(Display*, XErrorEvent*, xError*);
// Xlib's own conversion of the error codes watched, called after ours.
WireToError g_xlibWireToError[2] = {nullptr, nullptr};
constexpr int kWatchedErrors[2] = {BadWindow, BadDrawable};

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

bool IsWatched(XID id) {
  if (id == g_leaderWindow && id != 0) return true;
  for (Window window : g_frameWindows) {
    if (window == id) return true;
  }
  return false;
}

// A request on a watched window that no longer exists: the window went
// away under the process. Every other error goes on to the handlers.
Bool ErrorFromWire(Display* display, XErrorEvent* error, xError* wire) {
  if (IsWatched(error->resourceid)) End("a window of vimbra's was destroyed by another program");
  for (int i = 0; i < 2; ++i) {
    if (error->error_code == kWatchedErrors[i] && g_xlibWireToError[i] != nullptr) {
      return g_xlibWireToError[i](display, error, wire);
    }
  }
  return True;
}

// Runs before GDK translates the event (and before it warns that a window
// was "unexpectedly destroyed").
extern "C" GdkFilterReturn FilterDestroy(GdkXEvent* native, GdkEvent* /*event*/, gpointer /*data*/) {
  const XEvent* event = static_cast<const XEvent*>(native);
  if (event->type != DestroyNotify) return GDK_FILTER_CONTINUE;
  const Window destroyed = event->xdestroywindow.window;
  if (g_frameWindow != 0 && destroyed == g_frameWindow) End("the window was destroyed by another program");
  if (g_leaderWindow != 0 && destroyed == g_leaderWindow) End("a window of vimbra's was destroyed by another program");
  return GDK_FILTER_CONTINUE;
}

// `window` and every window inside it. Each is watched before it is asked
// about, so that a window already gone ends the process here.
void AddTree(Display* display, Window window) {
  g_frameWindows.push_back(window);
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
  for (unsigned i = 0; i < count; ++i) AddTree(display, children[i]);
  if (children != nullptr) XFree(children);
}

}  // namespace

void WatchConnection() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return;
  XSetIOErrorHandler(ConnectionLost);
  GdkWindow* leader = gdk_display_get_default_group(display);
  if (leader != nullptr && GDK_IS_X11_WINDOW(leader)) g_leaderWindow = GDK_WINDOW_XID(leader);
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  for (int i = 0; i < 2; ++i) g_xlibWireToError[i] = XESetWireToError(xdisplay, kWatchedErrors[i], ErrorFromWire);
  gdk_window_add_filter(nullptr, FilterDestroy, nullptr);
}

void WatchFrame(GtkWidget* frame) {
  GdkWindow* window = frame != nullptr ? gtk_widget_get_window(frame) : nullptr;
  if (window == nullptr || !GDK_IS_X11_WINDOW(window) || g_frameWindow != 0) return;
  g_frameWindow = GDK_WINDOW_XID(window);
  AddTree(GDK_WINDOW_XDISPLAY(window), g_frameWindow);
}

void StopWatchingFrame() {
  g_frameWindow = 0;
  g_frameWindows.clear();
}

}  // namespace DisplayWatch

// vimbra on wx: the display check, GTK's start and the message loop.
#include "wxentry.h"

#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>

#include "wxapp.h"
#include "wxdisplaywatch.h"
#include "wxprobe.h"

namespace {

constexpr int kExitFailure = 1;

bool HaveDisplayVariable() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && x11[0] != 0) || (wayland != nullptr && wayland[0] != 0);
}

}  // namespace

int RunWxHost(const char* programPath, int width, int height) {
  // 1. A display, checked before GTK starts so that its absence is one line.
  if (!HaveDisplayVariable()) {
    std::fprintf(stderr,
                 "vimbra: no display: neither DISPLAY nor WAYLAND_DISPLAY is set "
                 "(run it in a desktop session, or under Xvfb)\n");
    return kExitFailure;
  }
  // GTK reads this once, at start-up: classic scroll bars that take room.
  setenv("GTK_OVERLAY_SCROLLING", "0", 1);

  // 2. wx starts GTK (which opens the display) and runs the viewer; it owns
  // and deletes its application object.
  Probe::Open();
  Probe::Line("start t=%lld", (long long)Probe::EpochMicros());
  wxApp::SetInstance(new CWxApp(wxSize(width, height)));
  int wxArgc = 1;
  char* wxArgv[] = {const_cast<char*>(programPath), nullptr};
  if (!wxEntryStart(wxArgc, wxArgv)) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "vimbra: cannot open the display \"%s\"\n",
                 display != nullptr && display[0] != 0 ? display : std::getenv("WAYLAND_DISPLAY"));
    return kExitFailure;
  }
  DisplayWatch::WatchConnection();

  // 3. The viewer's start-up and message loop.
  int status = kExitFailure;
  if (wxTheApp->CallOnInit()) status = wxTheApp->OnRun();
  wxTheApp->OnExit();
  wxEntryCleanup();
  Probe::Line("exit-status %d", status);
  return status;
}

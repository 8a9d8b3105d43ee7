// vimbra on wx: the display check, GTK's start, the message loop, and a
// reason on stderr for every way the process can end with a failure.
#include "wxentry.h"

#include <signal.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// The display GTK was asked for: DISPLAY, else WAYLAND_DISPLAY.
const char* DisplayName() {
  const char* x11 = std::getenv("DISPLAY");
  if (x11 != nullptr && x11[0] != 0) return x11;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return wayland != nullptr ? wayland : "";
}

// Signals that end the process. Their line is made before any arrives:
// the handler may only write it.
const int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                              SIGUSR1, SIGSEGV, SIGUSR2, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGSYS};
char g_signalLines[NSIG][96];

extern "C" void SayEndingSignal(int number) {
  const char* line = g_signalLines[number];
  if (write(STDERR_FILENO, line, std::strlen(line)) < 0) {
    // Nothing more can be said.
  }
  // The handler was reset on entry: the signal now does what it does by
  // default (ends the process, with a core where it makes one).
  raise(number);
}

// A write to a connection the X server has closed fails with EPIPE instead
// of ending the process without a word; Xlib then reports the connection
// lost, and DisplayWatch says so.
extern "C" void IgnoreBrokenPipe(int /*number*/) {}

void SayWhySignalsEnd() {
  struct sigaction action = {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = IgnoreBrokenPipe;
  sigaction(SIGPIPE, &action, nullptr);
  action.sa_handler = SayEndingSignal;
  action.sa_flags = SA_RESETHAND;
  for (int number : kEndingSignals) {
    std::snprintf(g_signalLines[number], sizeof g_signalLines[number], "vimbra: ended by signal %d (%s)\n", number,
                  strsignal(number));
    sigaction(number, &action, nullptr);
  }
}

}  // namespace

int RunWxHost(const char* programPath, const HostWindowPlace& start, HostWindowPlace* closed) {
  *closed = HostWindowPlace();
  // 1. A display, checked before GTK starts so that its absence is one line.
  if (!HaveDisplayVariable()) {
    std::fprintf(stderr,
                 "vimbra: no display: neither DISPLAY nor WAYLAND_DISPLAY is set "
                 "(run it in a desktop session, or under Xvfb)\n");
    return kExitFailure;
  }
  // GTK reads this once, at start-up: classic scroll bars that take room.
  setenv("GTK_OVERLAY_SCROLLING", "0", 1);
  SayWhySignalsEnd();

  // 2. wx starts GTK (which opens the display) and runs the viewer; it owns
  // and deletes its application object.
  Probe::Open();
  Probe::Line("start t=%lld", (long long)Probe::EpochMicros());
  CWxApp* app = new CWxApp(start);
  wxApp::SetInstance(app);
  int wxArgc = 1;
  char* wxArgv[] = {const_cast<char*>(programPath), nullptr};
  if (!wxEntryStart(wxArgc, wxArgv)) {
    std::fprintf(stderr, "vimbra: cannot open the display \"%s\"\n", DisplayName());
    return kExitFailure;
  }
  DisplayWatch::WatchConnection();

  // 3. The viewer's start-up and message loop; OnInit and OnRun say why
  // they fail.
  int status = kExitFailure;
  if (wxTheApp->CallOnInit()) status = wxTheApp->OnRun();
  *closed = app->ClosedPlace();
  wxTheApp->OnExit();
  wxEntryCleanup();
  Probe::Line("exit-status %d", status);
  return status;
}

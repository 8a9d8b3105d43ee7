// Start-up on wx: GTK settings, host, the viewer's InitInstance and Run.
#include "wxapp.h"

#include <gtk/gtk.h>
#include <wx/display.h>

#include <algorithm>
#include <cstdio>

#include "platform/window/app.h"
#include "wxhost.h"

namespace {

// How far into a kept place the frame's top edge must lie on a screen: its
// title bar can then be grabbed.
constexpr int kGrabMargin = 32;

// The start brought onto the screens as they are now: a place that lies on
// none is dropped; the first size is two thirds of the work area of the
// screen it opens on, and a kept size larger than that work area shrinks
// to it.
HostWindowPlace OpeningPlace(HostWindowPlace place) {
  int screen = wxNOT_FOUND;
  if (place.placed) screen = wxDisplay::GetFromPoint(wxPoint(place.x + kGrabMargin, place.y + kGrabMargin));
  if (screen == wxNOT_FOUND) place.placed = false;
  const wxRect work = wxDisplay(screen == wxNOT_FOUND ? 0u : (unsigned)screen).GetClientArea();
  if (place.areaWidth <= 0 || place.areaHeight <= 0) {
    place.areaWidth = std::max(1, work.width * 2 / 3);
    place.areaHeight = std::max(1, work.height * 2 / 3);
  } else if (!place.exact) {
    place.areaWidth = std::min(place.areaWidth, std::max(1, work.width));
    place.areaHeight = std::min(place.areaHeight, std::max(1, work.height));
  }
  return place;
}

}  // namespace

CWxApp::CWxApp(const HostWindowPlace& start) : m_start(start) {}

HostWindowPlace CWxApp::ClosedPlace() const {
  return m_pHost != nullptr ? m_pHost->ClosedPlace() : HostWindowPlace();
}

CWxApp::~CWxApp() = default;

bool CWxApp::OnInit() {
  // Not wxApp::OnInit: the command line was read before wx started.
  // Trough clicks must page, not jump the thumb there (which GTK reports as
  // a thumb drag), and nothing may animate between a change and its paint.
  if (GtkSettings* settings = gtk_settings_get_default()) {
    g_object_set(settings, "gtk-enable-animations", FALSE, "gtk-primary-button-warps-slider", FALSE, nullptr);
  }
  m_pHost = std::make_unique<CWxHost>(OpeningPlace(m_start));
  CWinApp* app = AfxGetApp();
  if (app == nullptr) {
    std::fprintf(stderr, "vimbra: the viewer could not start: it has no application object\n");
    return false;
  }
  // InitInstance fails only when the frame cannot be made (memory, or the
  // host refusing one of its windows).
  if (!app->InitInstance()) {
    std::fprintf(stderr, "vimbra: the viewer could not start: its window could not be made\n");
    return false;
  }
  return true;
}

int CWxApp::OnRun() {
  CWinApp* app = AfxGetApp();
  if (m_bQuitAsked || app == nullptr || AfxGetMainWnd() == nullptr) {
    std::fprintf(stderr, "vimbra: the window closed while the viewer was starting\n");
    return 1;
  }
  const int status = app->Run();
  if (!m_bQuitAsked) {
    std::fprintf(stderr, "vimbra: the message loop ended while the window was open\n");
    return 1;
  }
  return status;
}

void CWxApp::ExitMainLoop() {
  m_bQuitAsked = true;
  wxApp::ExitMainLoop();
}

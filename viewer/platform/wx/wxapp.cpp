// Start-up on wx: GTK settings, host, the viewer's InitInstance and Run.
#include "wxapp.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "platform/window/app.h"
#include "wxhost.h"

CWxApp::CWxApp(const wxSize& areaSize) : m_areaSize(areaSize) {}

CWxApp::~CWxApp() = default;

bool CWxApp::OnInit() {
  // Not wxApp::OnInit: the command line was read before wx started.
  // Trough clicks must page, not jump the thumb there (which GTK reports as
  // a thumb drag), and nothing may animate between a change and its paint.
  if (GtkSettings* settings = gtk_settings_get_default()) {
    g_object_set(settings, "gtk-enable-animations", FALSE, "gtk-primary-button-warps-slider", FALSE, nullptr);
  }
  m_pHost = std::make_unique<CWxHost>(m_areaSize);
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

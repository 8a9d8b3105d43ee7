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
  if (app == nullptr || !app->InitInstance()) {
    std::fprintf(stderr, "vimbra: the viewer could not start\n");
    return false;
  }
  return true;
}

int CWxApp::OnRun() {
  CWinApp* app = AfxGetApp();
  return app != nullptr ? app->Run() : 1;
}

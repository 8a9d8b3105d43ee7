// The wx application object of vimbra: brings GTK's settings in line, installs
// the wx host and starts the viewer's own application object on it.
#pragma once

#include <wx/app.h>

#include <memory>

class CWxHost;

class CWxApp : public wxApp {
 public:
  explicit CWxApp(const wxSize& areaSize);
  ~CWxApp() override;

  // Starts the viewer (CWinApp::InitInstance); false when it cannot start.
  bool OnInit() override;
  // The viewer's message loop, through CWinApp::Run and the host.
  int OnRun() override;

 private:
  wxSize m_areaSize;
  std::unique_ptr<CWxHost> m_pHost;
};

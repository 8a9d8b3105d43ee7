// The wx application object of vimbra: brings GTK's settings in line, installs
// the wx host and starts the viewer's own application object on it.
#pragma once

#include <wx/app.h>

#include <memory>

#include "wxentry.h"

class CWxHost;

class CWxApp : public wxApp {
 public:
  explicit CWxApp(const HostWindowPlace& start);
  ~CWxApp() override;

  // Starts the viewer (CWinApp::InitInstance); false when it cannot start.
  bool OnInit() override;
  // The viewer's message loop, through CWinApp::Run and the host. The loop
  // ends when the viewer's frame is destroyed; 1, with one line on stderr,
  // when it ends otherwise or the frame went before the loop began.
  int OnRun() override;
  // Every end of the main loop is asked for here (the host's quit), also
  // before the loop runs, when wx itself would drop the request.
  void ExitMainLoop() override;
  // Where the frame was when it closed (see RunWxHost).
  HostWindowPlace ClosedPlace() const;

 private:
  HostWindowPlace m_start;
  bool m_bQuitAsked = false;
  std::unique_ptr<CWxHost> m_pHost;
};

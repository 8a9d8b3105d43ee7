// The viewer's application object: brings the program up on the thumbnail
// browser page and handles the About and Browser commands. It keeps no
// settings from one run to the next.
#pragma once

#include "platform/app.h"

class CViewerApp : public CWinApp {
 public:
  CViewerApp();
  BOOL InitInstance() override { return StartViewer(); }
  BOOL StartViewer();
  BOOL OnCmdMsg(UINT id) override;
};

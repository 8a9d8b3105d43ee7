// The current host, and a silent one for code that runs without any.
#include "host.h"

namespace {

class NullHost : public IHost {
 public:
  BOOL CreateFrameWindow(CFrameWnd*) override { return TRUE; }
  void ShowFrameWindow(CFrameWnd*, int) override {}
  void FrameTextChanged(CFrameWnd*) override {}
  void SetFrameFullScreen(CFrameWnd*, BOOL) override {}
  BOOL IsFrameFullScreen(const CFrameWnd*) override { return FALSE; }
  BOOL CreateChildWindow(CWnd*) override { return TRUE; }
  void DestroyWindow(CWnd*) override {}
  void InvalidateWindow(CWnd*) override {}
  void PresentWindow(CWnd*) override {}
  void ScrollBarsChanged(CWnd*) override {}
  void SetFocus(CWnd*) override {}
  BOOL CreateCommandBar(CCommandBar*) override { return TRUE; }
  void CommandBarChanged(CCommandBar*) override {}
  void RunModalDialog(CDialog*) override {}
  void EndModalDialog(CDialog*) override {}
  void SetWaitCursor(BOOL) override {}
  int RunMessageLoop() override { return 0; }
  void QuitMessageLoop(int) override {}
  void WakeUiThread() override {}
};

NullHost g_nullHost;
IHost* g_host = &g_nullHost;

}  // namespace

void SetHost(IHost* host) {
  g_host = host != nullptr ? host : &g_nullHost;
}

IHost* GetHost() {
  return g_host;
}

// The wx host: turns the platform layer's frame, viewer window, command bar,
// modal dialogs, wait cursor and message loop into wxWidgets (GTK 3) windows
// and back. It translates only; every decision stays in the layer.
#pragma once

#include <wx/gdicmn.h>
#include <wx/timer.h>

#include <vector>

#include "platform/window/host.h"
#include "wxentry.h"

class CWxFrame;
class CWxViewerArea;
class CWxDialog;

class CWxHost : public IHost {
 public:
  // Installs itself as the host; the viewer area starts at the size of
  // `start`, the frame at its place when it has one.
  explicit CWxHost(const HostWindowPlace& start);
  ~CWxHost() override;

  // The installed wx host, or null.
  static CWxHost* Get();
  // When the probe saw activity and nothing is left to paint or lay out,
  // writes "idle". False while something is still pending.
  bool ReportIdleIfSettled();
  int ExitCode() const { return m_nExitCode; }
  // The frame's size and place out of full screen when it was destroyed.
  HostWindowPlace ClosedPlace() const { return m_closed; }

  // IHost.
  BOOL CreateFrameWindow(CFrameWnd* frame) override;
  void ShowFrameWindow(CFrameWnd* frame, int showCommand) override;
  void FrameTextChanged(CFrameWnd* frame) override;
  void SetFrameFullScreen(CFrameWnd* frame, BOOL fullScreen) override;
  BOOL IsFrameFullScreen(const CFrameWnd* frame) override;
  BOOL CreateChildWindow(CWnd* wnd) override;
  void DestroyWindow(CWnd* wnd) override;
  void InvalidateWindow(CWnd* wnd) override;
  void PresentWindow(CWnd* wnd) override;
  void ScrollBarsChanged(CWnd* wnd) override;
  void SetFocus(CWnd* wnd) override;
  BOOL CreateCommandBar(CCommandBar* bar) override;
  void CommandBarChanged(CCommandBar* bar) override;
  void RunModalDialog(CDialog* dialog) override;
  void EndModalDialog(CDialog* dialog) override;
  void SetWaitCursor(BOOL busy) override;
  int RunMessageLoop() override;
  void QuitMessageLoop(int exitCode) override;
  void WakeUiThread() override;
  void TimersChanged() override;

 private:
  CWxViewerArea* AreaOf(const CWnd* wnd) const;
  CWxDialog* DialogOf(const CDialog* dialog) const;

  IHost* m_pPrevious;
  HostWindowPlace m_start;
  wxSize m_areaSize;
  HostWindowPlace m_closed;
  CFrameWnd* m_pFrameWnd = nullptr;
  CWxFrame* m_pFrame = nullptr;
  CWnd* m_pViewerWnd = nullptr;
  CWxViewerArea* m_pArea = nullptr;
  CCommandBar* m_pCommandBar = nullptr;
  // Open modal dialogs, innermost last.
  std::vector<CWxDialog*> m_dialogs;
  bool m_bBusy = false;
  int m_nExitCode = 0;
  // One shot, armed for the window timer that falls due next.
  wxTimer m_timer;
};

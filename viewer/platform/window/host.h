// The host: what turns the platform layer's windows into something a person
// (or a test) sees and drives. The headless host keeps everything in memory;
// the wx host makes native windows. Hosts only translate: all behaviour lives
// in the platform layer and above.
#pragma once

#include "platform/base/wintypes.h"

class CWnd;
class CFrameWnd;
class CCommandBar;
class CDialog;

class IHost {
 public:
  virtual ~IHost() = default;

  // The top-level frame was created (caption text and icon are on the frame).
  virtual BOOL CreateFrameWindow(CFrameWnd* frame) = 0;
  virtual void ShowFrameWindow(CFrameWnd* frame, int showCommand) = 0;
  // The frame's caption text changed (CFrameWnd::GetWindowText).
  virtual void FrameTextChanged(CFrameWnd* frame) = 0;
  // Full screen on or off, and whether the frame is full screen now.
  virtual void SetFrameFullScreen(CFrameWnd* frame, BOOL fullScreen) = 0;
  virtual BOOL IsFrameFullScreen(const CFrameWnd* frame) = 0;
  // A child window with a canvas was created under the frame (the viewer
  // window, pane 0xE900). The host gives it an area with HostSetAreaSize.
  virtual BOOL CreateChildWindow(CWnd* wnd) = 0;
  // A window is being destroyed; the host forgets it.
  virtual void DestroyWindow(CWnd* wnd) = 0;

  // A paint is pending; the host runs it later (HostRunPendingPaint).
  virtual void InvalidateWindow(CWnd* wnd) = 0;
  // The canvas changed outside the host's paint; show it now.
  virtual void PresentWindow(CWnd* wnd) = 0;
  // Range, page, position or visibility of a scroll bar changed.
  virtual void ScrollBarsChanged(CWnd* wnd) = 0;
  virtual void SetFocus(CWnd* wnd) = 0;

  virtual BOOL CreateCommandBar(CCommandBar* bar) = 0;
  // Button states, tooltips or the bar style changed.
  virtual void CommandBarChanged(CCommandBar* bar) = 0;

  // Runs a dialog modally: WM_INITDIALOG has been sent; returns when the
  // dialog has ended (CDialog::IsEnded) or was closed by the user, in which
  // case the host sends IDCANCEL first.
  virtual void RunModalDialog(CDialog* dialog) = 0;
  // The dialog ended (EndDialog); a native modal loop should stop.
  virtual void EndModalDialog(CDialog* dialog) = 0;

  virtual void SetWaitCursor(BOOL busy) = 0;

  virtual int RunMessageLoop() = 0;
  virtual void QuitMessageLoop(int exitCode) = 0;

  // Called from any thread: work waits for the user-interface thread, which
  // the host wakes to call RunUiTasks (uitasks.h) from its event loop.
  virtual void WakeUiThread() = 0;
  // A window timer was set or killed (timers.h): the host's event loop calls
  // RunDueTimers when NextTimerDue says.
  virtual void TimersChanged() {}
};

void SetHost(IHost* host);
IHost* GetHost();

// The headless host: everything in memory. Windows keep their canvas,
// invalidations wait for Pump, the frame's caption and full-screen state and
// command-bar states and tooltips are recorded,
// modal dialogs run through a handler the caller supplies, and the wait
// cursor's state is observable. Tests and vimbra-shot drive the viewer
// through it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/host.h"
#include "platform/window/wnd.h"

// The width of the wx host's vertical scroll bar on GTK 3 (Adwaita).
constexpr int kDefaultScrollBarWidth = 14;

class CHeadlessHost : public IHost {
 public:
  // Installs itself as the host; the previous one comes back on destruction.
  // The bar's default width is what GTK 3 gives the wx host's classic
  // vertical scroll bar (measured under Xvfb), so both hosts draw alike.
  CHeadlessHost(int areaWidth = 240, int areaHeight = 268, int scrollBarWidth = kDefaultScrollBarWidth);
  ~CHeadlessHost() override;

  // The handler sees the dialog after WM_INITDIALOG and may press its
  // buttons (SendMessage(WM_COMMAND, IDOK)); a dialog it leaves open is
  // closed with Cancel.
  typedef std::function<void(CDialog& dialog)> DialogHandler;
  void SetDialogHandler(DialogHandler handler) { m_dialogHandler = std::move(handler); }
  // A dialog's own work (the folder tree's fill) runs to its end before the
  // handler sees the dialog, so that tests and replays never depend on the
  // clock. Stepped, the handler sees the dialog as the user first does and
  // runs the slices itself (CDialog::RunIdleSlice), acting between them.
  void SetDialogWorkStepped(BOOL stepped) { m_bDialogWorkStepped = stepped; }

  // Takes what background work has finished, then runs every pending
  // paint, as the message loop would when idle.
  void Pump();
  // Pumps until no background work (thumbnails being made) is left; FALSE
  // when some is still in hand after `timeoutMs`.
  BOOL WaitForBackgroundWork(DWORD timeoutMs = 120000);
  // Changes the viewer area (a resize of the window).
  void Resize(int areaWidth, int areaHeight);

  CFrameWnd* Frame() const { return m_pFrame; }
  // The caption a native frame would show now, and whether it is full screen.
  const CString& FrameText() const { return m_strFrameText; }
  BOOL FrameFullScreen() const { return m_bFullScreen; }
  // The first window with a canvas (the viewer window), or null.
  CWnd* CanvasWindow() const;
  CCommandBar* CommandBar() const { return m_pCommandBar; }
  BOOL WaitCursorShown() const { return m_bWaitCursor; }
  int WaitCursorChanges() const { return m_nWaitCursorChanges; }
  int ShowCommand() const { return m_nShowCommand; }
  CWnd* FocusWindow() const { return m_pFocus; }
  BOOL QuitRequested() const { return m_bQuit; }
  int ExitCode() const { return m_nExitCode; }
  int DialogsRun() const { return m_nDialogsRun; }
  UINT LastDialogTemplate() const { return m_nLastDialogTemplate; }
  BOOL WritePng(const std::string& path) const;

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

 private:
  IHost* m_pPrevious;
  int m_nAreaWidth;
  int m_nAreaHeight;
  int m_nScrollBarWidth;
  CFrameWnd* m_pFrame = nullptr;
  CString m_strFrameText;
  BOOL m_bFullScreen = FALSE;
  CCommandBar* m_pCommandBar = nullptr;
  std::vector<CWnd*> m_windows;
  CWnd* m_pFocus = nullptr;
  DialogHandler m_dialogHandler;
  BOOL m_bDialogWorkStepped = FALSE;
  BOOL m_bWaitCursor = FALSE;
  int m_nWaitCursorChanges = 0;
  int m_nShowCommand = -1;
  BOOL m_bQuit = FALSE;
  int m_nExitCode = 0;
  int m_nDialogsRun = 0;
  UINT m_nLastDialogTemplate = 0;
  // Wakes from worker threads.
  std::mutex m_wakeMutex;
  std::condition_variable m_wake;
  bool m_bWoken = false;
};

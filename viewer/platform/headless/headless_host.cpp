// Headless host: windows, paints, bar and dialogs kept in memory.
#include "headless_host.h"

#include <algorithm>
#include <chrono>

#include "platform/controls/cmdbar.h"
#include "platform/controls/dialog.h"
#include "platform/draw/canvas.h"
#include "platform/window/frame.h"
#include "platform/window/timers.h"
#include "platform/window/uitasks.h"

CHeadlessHost::CHeadlessHost(int areaWidth, int areaHeight, int scrollBarWidth)
    : m_pPrevious(GetHost()), m_nAreaWidth(areaWidth), m_nAreaHeight(areaHeight), m_nScrollBarWidth(scrollBarWidth) {
  SetHost(this);
}

CHeadlessHost::~CHeadlessHost() {
  if (GetHost() == this) SetHost(m_pPrevious);
}

void CHeadlessHost::Pump() {
  RunUiTasks();
  // Timers run on the device tick, which tests and replays move by hand: a
  // pump after the tick has moved fires what fell due meanwhile.
  RunDueTimers();
  // A paint may invalidate again (a page that redraws itself); bound the
  // rounds so that such a page cannot hang the replay.
  for (int round = 0; round < 16; ++round) {
    bool painted = false;
    std::vector<CWnd*> windows = m_windows;
    for (CWnd* wnd : windows) {
      if (std::find(m_windows.begin(), m_windows.end(), wnd) == m_windows.end()) continue;
      if (wnd->IsPaintPending()) {
        wnd->HostRunPendingPaint();
        painted = true;
      }
    }
    if (!painted) return;
  }
}

BOOL CHeadlessHost::WaitForBackgroundWork(DWORD timeoutMs) {
  // Wall time, not the device tick: tests drive the tick by hand.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    Pump();
    if (!UiTasksBusy()) return TRUE;
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    if (!m_wake.wait_until(lock, deadline, [this] { return m_bWoken; })) return FALSE;
    m_bWoken = false;
  }
}

void CHeadlessHost::WakeUiThread() {
  std::lock_guard<std::mutex> lock(m_wakeMutex);
  m_bWoken = true;
  m_wake.notify_all();
}

void CHeadlessHost::Resize(int areaWidth, int areaHeight) {
  m_nAreaWidth = areaWidth;
  m_nAreaHeight = areaHeight;
  for (CWnd* wnd : m_windows) wnd->HostSetAreaSize(areaWidth, areaHeight);
}

CWnd* CHeadlessHost::CanvasWindow() const {
  return m_windows.empty() ? nullptr : m_windows.front();
}

BOOL CHeadlessHost::WritePng(const std::string& path) const {
  CWnd* wnd = CanvasWindow();
  return wnd != nullptr && wnd->GetCanvas() != nullptr ? wnd->GetCanvas()->WritePng(path) : FALSE;
}

BOOL CHeadlessHost::CreateFrameWindow(CFrameWnd* frame) {
  m_pFrame = frame;
  m_strFrameText = frame->GetWindowText();
  m_bFullScreen = FALSE;
  m_bQuit = FALSE;
  return TRUE;
}

void CHeadlessHost::FrameTextChanged(CFrameWnd* frame) {
  if (frame == m_pFrame) m_strFrameText = frame->GetWindowText();
}

void CHeadlessHost::SetFrameFullScreen(CFrameWnd* frame, BOOL fullScreen) {
  if (frame == m_pFrame) m_bFullScreen = fullScreen != FALSE;
}

BOOL CHeadlessHost::IsFrameFullScreen(const CFrameWnd* frame) {
  return frame == m_pFrame && m_pFrame != nullptr ? m_bFullScreen : FALSE;
}

void CHeadlessHost::ShowFrameWindow(CFrameWnd* /*frame*/, int showCommand) {
  m_nShowCommand = showCommand;
}

BOOL CHeadlessHost::CreateChildWindow(CWnd* wnd) {
  if (!wnd->HasCanvas()) return TRUE;
  m_windows.push_back(wnd);
  wnd->HostSetScrollBarWidth(m_nScrollBarWidth);
  wnd->HostSetAreaSize(m_nAreaWidth, m_nAreaHeight);
  return TRUE;
}

void CHeadlessHost::DestroyWindow(CWnd* wnd) {
  m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), wnd), m_windows.end());
  if (m_pFocus == wnd) m_pFocus = nullptr;
  if (m_pFrame == wnd) m_pFrame = nullptr;
  if (m_pCommandBar == wnd) m_pCommandBar = nullptr;
}

void CHeadlessHost::InvalidateWindow(CWnd* /*wnd*/) {}
void CHeadlessHost::PresentWindow(CWnd* /*wnd*/) {}
void CHeadlessHost::ScrollBarsChanged(CWnd* /*wnd*/) {}
void CHeadlessHost::SetFocus(CWnd* wnd) {
  m_pFocus = wnd;
}

BOOL CHeadlessHost::CreateCommandBar(CCommandBar* bar) {
  m_pCommandBar = bar;
  return TRUE;
}

void CHeadlessHost::CommandBarChanged(CCommandBar* /*bar*/) {}

void CHeadlessHost::RunModalDialog(CDialog* dialog) {
  ++m_nDialogsRun;
  m_nLastDialogTemplate = dialog->GetTemplate() != nullptr ? dialog->GetTemplate()->id : 0;
  if (!m_bDialogWorkStepped) dialog->RunIdleWorkToEnd();
  if (m_dialogHandler) m_dialogHandler(*dialog);
  // A dialog the handler leaves open is closed by the user: Cancel.
  if (!dialog->IsEnded()) dialog->SendMessage(WM_COMMAND, IDCANCEL);
}

void CHeadlessHost::EndModalDialog(CDialog* /*dialog*/) {}

void CHeadlessHost::SetWaitCursor(BOOL busy) {
  if (busy != m_bWaitCursor) ++m_nWaitCursorChanges;
  m_bWaitCursor = busy;
}

int CHeadlessHost::RunMessageLoop() {
  Pump();
  return m_nExitCode;
}

void CHeadlessHost::QuitMessageLoop(int exitCode) {
  m_bQuit = TRUE;
  m_nExitCode = exitCode;
}

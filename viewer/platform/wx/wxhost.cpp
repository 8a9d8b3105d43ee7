// The wx host's side of IHost: which native window stands for which layer
// window, and the few calls that go to wx directly.
#include "wxhost.h"

#include <gdk/gdk.h>
#include <wx/app.h>
#include <wx/utils.h>

#include "platform/controls/cmdbar.h"
#include "platform/controls/dialog.h"
#include "platform/window/frame.h"
#include "platform/window/resource.h"
#include "platform/window/timers.h"
#include "platform/window/uitasks.h"
#include "wxdialog.h"
#include "wxframe.h"
#include "wxpixels.h"
#include "wxprobe.h"
#include "wxviewerarea.h"

CWxHost::CWxHost(const HostWindowPlace& start)
    : m_pPrevious(GetHost()), m_start(start), m_areaSize(start.areaWidth, start.areaHeight) {
  SetHost(this);
  // The due timers fire, then the one shot is armed for the next.
  m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    RunDueTimers();
    TimersChanged();
  });
}

CWxHost::~CWxHost() {
  if (GetHost() == this) SetHost(m_pPrevious);
}

CWxHost* CWxHost::Get() {
  return dynamic_cast<CWxHost*>(GetHost());
}

CWxViewerArea* CWxHost::AreaOf(const CWnd* wnd) const {
  return wnd != nullptr && wnd == m_pViewerWnd ? m_pArea : nullptr;
}

CWxDialog* CWxHost::DialogOf(const CDialog* dialog) const {
  for (CWxDialog* native : m_dialogs) {
    if (native->Dialog() == dialog) return native;
  }
  return nullptr;
}

BOOL CWxHost::CreateFrameWindow(CFrameWnd* frame) {
  // One frame per process: the viewer's main window.
  if (m_pFrame != nullptr || frame == nullptr) return FALSE;
  const wxString title = wxString::FromUTF8(Utf8FromWide(frame->GetWindowText()).c_str());
  m_pFrame = new CWxFrame(frame, title, IconFromResource(FindIconResource(frame->GetResourceId())));
  m_pFrame->SetIdleHook([this] { return ReportIdleIfSettled(); });
  m_pFrameWnd = frame;
  return TRUE;
}

void CWxHost::ShowFrameWindow(CFrameWnd* frame, int showCommand) {
  if (frame != m_pFrameWnd || m_pFrame == nullptr) return;
  if (showCommand == SW_HIDE) {
    m_pFrame->Hide();
    return;
  }
  m_pFrame->ShowWithArea(m_areaSize, m_start.placed ? wxPoint(m_start.x, m_start.y) : wxDefaultPosition);
}

void CWxHost::FrameTextChanged(CFrameWnd* frame) {
  if (frame != m_pFrameWnd || m_pFrame == nullptr) return;
  const std::string text = Utf8FromWide(frame->GetWindowText());
  m_pFrame->SetCaption(text);
  Probe::Line("title %s", text.c_str());
}

void CWxHost::SetFrameFullScreen(CFrameWnd* frame, BOOL fullScreen) {
  if (frame != m_pFrameWnd || m_pFrame == nullptr) return;
  // The command bar stays: the picture page's Back and zoom buttons are on it.
  m_pFrame->ShowFullScreen(fullScreen != FALSE, wxFULLSCREEN_NOBORDER | wxFULLSCREEN_NOCAPTION);
  Probe::Line("fullscreen %d", fullScreen ? 1 : 0);
}

BOOL CWxHost::IsFrameFullScreen(const CFrameWnd* frame) {
  return frame == m_pFrameWnd && m_pFrame != nullptr && m_pFrame->IsFullScreen() ? TRUE : FALSE;
}

BOOL CWxHost::CreateChildWindow(CWnd* wnd) {
  if (!wnd->HasCanvas()) return TRUE;
  // The one window with a canvas is the frame's pane: the viewer window.
  if (m_pFrame == nullptr || wnd->GetParent() != m_pFrameWnd || m_pArea != nullptr) return FALSE;
  m_pViewerWnd = wnd;
  m_pArea = m_pFrame->CreateViewerArea(wnd, m_areaSize);
  // The layer learns the bar's width and its area before anything paints,
  // exactly as the headless host tells it.
  wnd->HostSetScrollBarWidth(m_pArea->ScrollBarWidth());
  wnd->HostSetAreaSize(m_areaSize.x, m_areaSize.y);
  Probe::Line("scrollbar-width %d", m_pArea->ScrollBarWidth());
  m_pArea->SyncScrollBar();
  return TRUE;
}

void CWxHost::DestroyWindow(CWnd* wnd) {
  if (wnd == nullptr) return;
  if (wnd == m_pViewerWnd) {
    if (m_pArea != nullptr) m_pArea->Detach();
    m_pViewerWnd = nullptr;
    m_pArea = nullptr;
  }
  if (wnd == m_pCommandBar) {
    if (m_pFrame != nullptr) m_pFrame->DetachCommandBar(m_pCommandBar);
    m_pCommandBar = nullptr;
  }
  if (wnd == m_pFrameWnd) {
    if (m_pFrame != nullptr && m_pFrame->HasNormalPlace()) {
      const wxRect normal = m_pFrame->NormalPlace();
      m_closed.areaWidth = normal.width;
      m_closed.areaHeight = normal.height;
      m_closed.placed = true;
      m_closed.x = normal.x;
      m_closed.y = normal.y;
    }
    m_pFrameWnd = nullptr;
    if (m_pFrame != nullptr) m_pFrame->DetachAndDestroy();
    m_pFrame = nullptr;
  }
  if (CDialog* dialog = dynamic_cast<CDialog*>(wnd)) {
    if (CWxDialog* native = DialogOf(dialog)) native->Detach();
  }
}

void CWxHost::InvalidateWindow(CWnd* wnd) {
  // Tree controls change only while their dialog is being filled or through
  // the native tree's own reports, after which it syncs itself.
  if (CWxViewerArea* area = AreaOf(wnd)) area->CanvasPanel()->QueueRefresh();
}

void CWxHost::PresentWindow(CWnd* wnd) {
  if (CWxViewerArea* area = AreaOf(wnd)) area->CanvasPanel()->PresentNow();
}

void CWxHost::ScrollBarsChanged(CWnd* wnd) {
  if (CWxViewerArea* area = AreaOf(wnd)) area->SyncScrollBar();
}

void CWxHost::SetFocus(CWnd* wnd) {
  if (CWxViewerArea* area = AreaOf(wnd)) area->CanvasPanel()->SetFocus();
}

BOOL CWxHost::CreateCommandBar(CCommandBar* bar) {
  if (m_pFrame == nullptr || bar->GetParent() != m_pFrameWnd) return FALSE;
  m_pCommandBar = bar;
  m_pFrame->AttachCommandBar(bar);
  return TRUE;
}

void CWxHost::CommandBarChanged(CCommandBar* bar) {
  if (bar == m_pCommandBar && m_pFrame != nullptr) m_pFrame->SyncCommandBar();
}

void CWxHost::RunModalDialog(CDialog* dialog) {
  CWxDialog native(m_pFrame, dialog);
  m_dialogs.push_back(&native);
  native.ShowModal();
  m_dialogs.pop_back();
  const DialogResource* t = dialog->GetTemplate();
  Probe::Line("dialog-end %u", t != nullptr ? t->id : 0u);
}

void CWxHost::EndModalDialog(CDialog* dialog) {
  CWxDialog* native = DialogOf(dialog);
  if (native != nullptr && native->IsModal()) native->EndModal(dialog->GetResult() == IDOK ? wxID_OK : wxID_CANCEL);
}

void CWxHost::SetWaitCursor(BOOL busy) {
  // The layer counts nested periods; the native cursor only turns on and off.
  if (busy && !m_bBusy) {
    wxBeginBusyCursor();
    m_bBusy = true;
  } else if (!busy && m_bBusy) {
    wxEndBusyCursor();
    m_bBusy = false;
  }
}

int CWxHost::RunMessageLoop() {
  if (wxTheApp == nullptr) return m_nExitCode;
  wxTheApp->MainLoop();
  return m_nExitCode;
}

void CWxHost::TimersChanged() {
  // Also called from RunDueTimers' handlers; the last call arms the shot.
  m_timer.Stop();
  const DWORD next = NextTimerDue();
  if (next != kNoTimerDue) m_timer.StartOnce(next == 0 ? 1 : (int)next);
}

void CWxHost::WakeUiThread() {
  // Any thread: QueueEvent, under CallAfter, is safe to call from workers.
  if (wxTheApp != nullptr) wxTheApp->CallAfter([] { RunUiTasks(); });
}

void CWxHost::QuitMessageLoop(int exitCode) {
  m_nExitCode = exitCode;
  Probe::Line("exit %d", exitCode);
  if (wxTheApp != nullptr) wxTheApp->ExitMainLoop();
}

bool CWxHost::ReportIdleIfSettled() {
  if (!Probe::HasActivity()) return true;
  bool settled = true;
  if (m_pArea != nullptr) settled = settled && m_pArea->CanvasPanel()->IsSettled();
  if (m_pFrame != nullptr) settled = settled && m_pFrame->IsCommandBarSettled();
  for (const CWxDialog* dialog : m_dialogs) settled = settled && dialog->IsSettled();
  if (!settled) return false;
  // Background work ends with a wake-up event, after which idle comes
  // again: no need to ask for more idle events meanwhile.
  if (UiTasksBusy()) return true;
  // What was drawn has reached the X server before a test looks at it.
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_sync(display);
  Probe::Line("idle");
  Probe::ClearActivity();
  return true;
}

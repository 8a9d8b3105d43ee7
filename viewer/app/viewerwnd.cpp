// Viewer window: page ownership, the message table and page switching.
#include "app/viewerwnd.h"

#include <new>

#include "app/mainframe.h"
#include "app/slideshow.h"
#include "filelist/imagefilelist.h"
#include "pages/browserpage.h"
#include "pages/imagepage.h"
#include "pages/infopanel.h"
#include "platform/controls/dialog.h"
#include "platform/window/app.h"
#include "res/resource_ids.h"

namespace {

void UpdateFrameTitle() {
  if (CMainFrame* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd())) frame->UpdateTitle();
}

// Once a message is handled the caption follows what it did: a tap, a key
// or a scroll may have stepped to another picture, page or folder, and a
// paint of the picture page may have decoded the picture whose size the
// caption gives. A paint of the grid changes nothing the caption says.
class CaptionFollows {
 public:
  CaptionFollows(UINT message, const CViewerWnd& wnd) : m_bFollow(message != WM_PAINT || wnd.IsPicturePageShown()) {}
  ~CaptionFollows() {
    if (m_bFollow) UpdateFrameTitle();
  }
  CaptionFollows(const CaptionFollows&) = delete;
  CaptionFollows& operator=(const CaptionFollows&) = delete;

 private:
  bool m_bFollow;
};

// Once a message other than a paint is handled, the panel shows the picture
// that is current now (a key or a tap may have moved the grid's current
// cell, which repaints only the cells).
class PanelFollows {
 public:
  PanelFollows(UINT message, CViewerWnd& wnd) : m_wnd(message != WM_PAINT ? &wnd : nullptr) {}
  ~PanelFollows() {
    if (m_wnd != nullptr) m_wnd->InfoPanelFollows();
  }
  PanelFollows(const PanelFollows&) = delete;
  PanelFollows& operator=(const PanelFollows&) = delete;

 private:
  CViewerWnd* m_wnd;
};

constexpr UINT kVkInfoPanel = 'I';

}  // namespace

CViewerWnd::CViewerWnd() : m_pCurrentPage(nullptr), m_pBrowserPage(nullptr), m_pImagePage(nullptr) {
  m_pBrowserPage = new (std::nothrow) CBrowserPage(this);
  m_pImagePage = new (std::nothrow) CImagePage(this);
}

CViewerWnd::~CViewerWnd() {
  delete m_pSlideshow;
  m_pSlideshow = nullptr;
  m_pCurrentPage = nullptr;
  delete m_pBrowserPage;
  m_pBrowserPage = nullptr;
  delete m_pImagePage;
  m_pImagePage = nullptr;
  delete m_pInfoPanel;
  m_pInfoPanel = nullptr;
}

void CViewerWnd::EnableInfoPanel() {
  if (m_pInfoPanel == nullptr) m_pInfoPanel = new (std::nothrow) CInfoPanel();
}

RECT CViewerWnd::InfoPanelBand() const {
  RECT rc = {0, 0, 0, 0};
  if (m_pInfoPanel == nullptr || !m_pInfoPanel->IsShown() || !GetClientRect(&rc)) return RECT{0, 0, 0, 0};
  rc.left = rc.right - CInfoPanel::WidthFor(rc.right - rc.left);
  return rc;
}

void CViewerWnd::ApplyInfoPanelBand() {
  const RECT band = InfoPanelBand();
  for (CPage* page : {(CPage*)m_pBrowserPage, (CPage*)m_pImagePage}) {
    if (page != nullptr) page->SetRightBand(band.right - band.left);
  }
}

void CViewerWnd::ToggleInfoPanel() {
  m_pInfoPanel->Toggle();
  ApplyInfoPanelBand();
  // The page lays itself out again in the area it now has.
  if (m_pCurrentPage != nullptr) m_pCurrentPage->OnSize();
  Invalidate(TRUE);
}

void CViewerWnd::AimInfoPanel() {
  const bool onGrid = m_pBrowserPage != nullptr && m_pCurrentPage == (CPage*)m_pBrowserPage;
  m_pInfoPanel->SetFolderSubject(onGrid ? m_pBrowserPage->CurrentFolderPath() : CString());
}

void CViewerWnd::InfoPanelFollows() {
  if (m_pInfoPanel == nullptr || !m_pInfoPanel->IsShown() || IsPaintPending()) return;
  AimInfoPanel();
  if (!m_pInfoPanel->SubjectChanged()) return;
  HDC dc = GetDC();
  if (dc == nullptr) return;
  m_pInfoPanel->Paint(dc, InfoPanelBand());
  ReleaseDC(dc);
}

BOOL CViewerWnd::PreCreateWindow(DWORD& style) {
  style &= ~(DWORD)WS_BORDER;
  return TRUE;
}

int CViewerWnd::SwitchPage(int page) {
  CPage* target;
  if (page == PAGE_BROWSER) {
    target = m_pBrowserPage;
  } else if (page == PAGE_IMAGE) {
    target = m_pImagePage;
  } else {
    return 1;
  }
  if (target == m_pCurrentPage) return 0;
  if (target == nullptr) return 1;
  if (m_pCurrentPage != nullptr && !m_pCurrentPage->CanDeactivate(page)) return 0;
  m_pCurrentPage = target;
  // The show lives on the picture page: leaving it ends the show.
  if (m_pSlideshow != nullptr && target != m_pImagePage) m_pSlideshow->Stop();
  m_pCurrentPage->Activate();
  Invalidate(TRUE);
  UpdateFrameTitle();
  return 1;
}

void CViewerWnd::SetButtonState(int id, int state) {
  if (CMainFrame* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd())) frame->SetButtonState(id, state);
}

void CViewerWnd::ShowInitialPage() {
  m_pCurrentPage = m_pBrowserPage;
  if (m_pCurrentPage != nullptr) m_pCurrentPage->Activate();
}

void CViewerWnd::NotifyListChanged() {
  if (m_pInfoPanel != nullptr) m_pInfoPanel->Forget();
  if (m_pCurrentPage != nullptr) m_pCurrentPage->OnListChanged();
  UpdateFrameTitle();
}

bool CViewerWnd::IsPicturePageShown() const {
  return m_pCurrentPage != nullptr && m_pCurrentPage == m_pImagePage;
}

void CViewerWnd::EnableSlideshow(UINT paceMs) {
  if (m_pSlideshow == nullptr) m_pSlideshow = new (std::nothrow) CSlideshow(this, paceMs);
}

void CViewerWnd::ToggleSlideshow() {
  if (m_pSlideshow == nullptr) return;
  if (m_pSlideshow->IsRunning()) {
    m_pSlideshow->Stop();
    return;
  }
  if (!IsPicturePageShown()) {
    // From the grid the current picture opens first, as Return opens it
    // (with a folder cell current, the list's current picture: the
    // folder's first unless one was chosen since).
    CImageFileList* list = g_pImageFileList;
    if (list == nullptr || !list->SetCurrent(list->m_nCurrent)) return;
    SwitchPage(PAGE_IMAGE);
    if (!IsPicturePageShown()) return;
  }
  m_pSlideshow->Start();
}

BOOL CViewerWnd::OnSlideshowTimer(UINT id) {
  if (m_pSlideshow == nullptr || id != kSlideshowTimerId) return FALSE;
  // A step as the Right key makes it: the picture read ahead, wrap-around.
  // None under an open dialog (a question naming the picture, Rename): the
  // show goes on a pace after it closes.
  if (m_pSlideshow->IsStepDue(id) && IsPicturePageShown() && CDialog::OpenModalCount() == 0) {
    m_pImagePage->StepNext();
  }
  return TRUE;
}

bool CViewerWnd::IsFolderCellCurrent() const {
  return m_pCurrentPage != nullptr && m_pCurrentPage == m_pBrowserPage && m_pBrowserPage->IsFolderCurrent();
}

BOOL CViewerWnd::OpenPicture(const CString& path) {
  CImageFileList* list = g_pImageFileList;
  if (list == nullptr) return FALSE;
  for (int i = 0; i < list->GetCount(); ++i) {
    CString candidate;
    if (list->GetPath(i, candidate) && candidate == path) {
      list->SetCurrent(i);
      return SwitchPage(PAGE_IMAGE) == 1;
    }
  }
  return FALSE;
}

BOOL CViewerWnd::OnCmdMsg(UINT id) {
  const CaptionFollows caption(WM_COMMAND, *this);
  switch (id) {
    case ID_ZOOM_IN:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnZoomIn();
      return TRUE;
    case ID_ZOOM_OUT:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnZoomOut();
      return TRUE;
    case ID_BACK:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnBack();
      return TRUE;
    case ID_VIEW_SLIDESHOW:
      if (m_pSlideshow == nullptr) return FALSE;
      ToggleSlideshow();
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT CViewerWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const UINT repeat = LOWORD((uintptr_t)lParam);
  const UINT keyFlags = HIWORD((uintptr_t)lParam);
  const CaptionFollows caption(message, *this);
  const PanelFollows panel(message, *this);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(&ps);
      if (m_pCurrentPage != nullptr) m_pCurrentPage->Paint(dc);
      if (m_pInfoPanel != nullptr && m_pInfoPanel->IsShown()) {
        AimInfoPanel();
        m_pInfoPanel->Paint(dc, InfoPanelBand());
      }
      EndPaint(&ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnLButtonDown((UINT)wParam, point);
      return 0;
    case WM_MOUSEMOVE:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnMouseMove((UINT)wParam, point);
      return 0;
    case WM_LBUTTONUP:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnLButtonUp((UINT)wParam, point);
      return 0;
    case WM_KEYDOWN:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnKeyDown((UINT)wParam, repeat, keyFlags);
      return 0;
    case WM_KEYUP:
      // A running show has the first word on the picture page's keys.
      if (m_pSlideshow != nullptr && IsPicturePageShown() && m_pSlideshow->TakeKeyUp((UINT)wParam)) return 0;
      if (wParam == kVkInfoPanel && m_pInfoPanel != nullptr) {
        ToggleInfoPanel();
        return 0;
      }
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnKeyUp((UINT)wParam, repeat, keyFlags);
      return 0;
    case WM_CHAR:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnChar((UINT)wParam, repeat, keyFlags);
      return 0;
    case WM_DEADCHAR:
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnDeadChar((UINT)wParam, repeat, keyFlags);
      return 0;
    case WM_VSCROLL: {
      const UINT code = LOWORD(wParam);
      UINT position = HIWORD(wParam);
      // The message carries 16 bits of thumb position; the bar's own track
      // position has all 32, so tall folders stay reachable by dragging.
      if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        SCROLLINFO si = {sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        if (GetScrollInfo(SB_VERT, &si)) position = (UINT)si.nTrackPos;
      }
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnVScroll(code, position);
      return 0;
    }
    case WM_SIZE:
      ApplyInfoPanelBand();
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnSize();
      return 0;
    case WM_TIMER:
      // The slideshow's timer is the window's; the others are the page's.
      if (OnSlideshowTimer((UINT)wParam)) return 0;
      if (m_pCurrentPage != nullptr) m_pCurrentPage->OnTimer((UINT)wParam);
      return 0;
    case WM_MOUSEWHEEL:
      // The pointer travels in lParam as a stylus point does, in client
      // coordinates (the hosts have no screen to measure from).
      if (m_pCurrentPage != nullptr) {
        m_pCurrentPage->OnMouseWheelAt(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), point);
      }
      return 0;
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

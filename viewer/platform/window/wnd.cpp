// Windows: message dispatch, paint cycle, scroll bars and host input.
#include "wnd.h"

#include <algorithm>
#include <cstdlib>

#include "host.h"
#include "platform/base/tick.h"
#include "platform/draw/canvas.h"
#include "timers.h"

namespace {
constexpr DWORD kDoubleTapMs = 500;
constexpr int kDoubleTapSlop = 2;
}  // namespace

BOOL CCmdTarget::OnCmdMsg(UINT /*id*/) {
  return FALSE;
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_bCreated) DestroyWindow();
  if (m_pParent != nullptr) {
    auto& siblings = m_pParent->m_children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (CWnd* child : m_children) child->m_pParent = nullptr;
  delete m_pCanvas;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return WindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(&ps);
      EndPaint(&ps);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_COMMAND:
      return OnCmdMsg(LOWORD(wParam)) ? 0 : 1;
    default:
      return 0;
  }
}

BOOL CWnd::PreCreateWindow(DWORD& /*style*/) {
  return TRUE;
}

BOOL CWnd::CreateHostPeer() {
  return GetHost()->CreateChildWindow(this);
}

BOOL CWnd::CreateChild(CWnd* parent, DWORD style, UINT id) {
  if (m_bCreated) return FALSE;
  DWORD finalStyle = style;
  if (!PreCreateWindow(finalStyle)) return FALSE;
  m_dwStyle = finalStyle;
  m_nId = id;
  m_pParent = parent;
  if (parent != nullptr) parent->m_children.push_back(this);
  if (m_pCanvas == nullptr && HasCanvas()) m_pCanvas = new Canvas();
  m_bCreated = TRUE;
  if (!CreateHostPeer()) {
    m_bCreated = FALSE;
    return FALSE;
  }
  if (SendMessage(WM_CREATE) == -1) {
    DestroyWindow();
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::CreateTopLevel(DWORD style) {
  if (m_bCreated) return FALSE;
  DWORD finalStyle = style;
  if (!PreCreateWindow(finalStyle)) return FALSE;
  m_dwStyle = finalStyle;
  m_bCreated = TRUE;
  if (!CreateHostPeer()) {
    m_bCreated = FALSE;
    PostNcDestroy();  // as after a window whose creation failed; may delete this
    return FALSE;
  }
  if (SendMessage(WM_CREATE) == -1) {
    DestroyWindow();
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_bCreated) return FALSE;
  SendMessage(WM_DESTROY);
  KillWindowTimers(this);
  // Children go before their parent is gone, as on the handheld.
  std::vector<CWnd*> children = m_children;
  for (CWnd* child : children) child->DestroyWindow();
  GetHost()->DestroyWindow(this);
  m_bCreated = FALSE;
  m_bPaintPending = m_bErasePending = FALSE;
  PostNcDestroy();  // may delete this
  return TRUE;
}

BOOL CWnd::SetTimer(UINT id, UINT elapse) {
  return m_bCreated ? SetWindowTimer(this, id, elapse) : FALSE;
}

BOOL CWnd::KillTimer(UINT id) {
  return KillWindowTimer(this, id);
}

CWnd* CWnd::GetDescendantWindow(UINT id) const {
  for (CWnd* child : m_children) {
    if (child->m_nId == id) return child;
    if (CWnd* found = child->GetDescendantWindow(id)) return found;
  }
  return nullptr;
}

BOOL CWnd::GetClientRect(RECT* rect) const {
  if (!m_bCreated || rect == nullptr) return FALSE;
  rect->left = 0;
  rect->top = 0;
  rect->right = m_pCanvas != nullptr ? m_pCanvas->Width() : 0;
  rect->bottom = m_pCanvas != nullptr ? m_pCanvas->Height() : 0;
  return TRUE;
}

void CWnd::Invalidate(BOOL erase) {
  if (!m_bCreated) return;
  m_bPaintPending = TRUE;
  if (erase) m_bErasePending = TRUE;
  GetHost()->InvalidateWindow(this);
}

void CWnd::UpdateWindow() {
  if (!m_bCreated) return;
  if (m_bPaintPending) {
    SendMessage(WM_PAINT);
    GetHost()->PresentWindow(this);
  }
  std::vector<CWnd*> children = m_children;
  for (CWnd* child : children) child->UpdateWindow();
}

HDC CWnd::BeginPaint(PAINTSTRUCT* ps) {
  ps->fErase = m_bErasePending;
  if (m_bErasePending && m_pCanvas != nullptr) m_pCanvas->Fill(kWindowColour);
  m_bPaintPending = FALSE;
  m_bErasePending = FALSE;
  ++m_nPaints;
  GetClientRect(&ps->rcPaint);
  ps->hdc = m_pCanvas != nullptr ? CreateCanvasDC(m_pCanvas) : nullptr;
  return ps->hdc;
}

void CWnd::EndPaint(PAINTSTRUCT* ps) {
  if (ps->hdc != nullptr) DeleteDC(ps->hdc);
  ps->hdc = nullptr;
}

HDC CWnd::GetDC() {
  return m_bCreated && m_pCanvas != nullptr ? CreateCanvasDC(m_pCanvas) : nullptr;
}

void CWnd::ReleaseDC(HDC dc) {
  if (dc == nullptr) return;
  DeleteDC(dc);
  GetHost()->PresentWindow(this);
}

void CWnd::SetFocus() {
  if (m_bCreated) GetHost()->SetFocus(this);
}

int CWnd::SetScrollInfo(int bar, const SCROLLINFO* info, BOOL /*redraw*/) {
  if (info == nullptr || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  SCROLLINFO& s = m_scroll[bar == SB_VERT ? 1 : 0];
  const BOOL wasVisible = IsScrollBarVisible(bar);
  if (info->fMask & SIF_RANGE) {
    s.nMin = info->nMin;
    s.nMax = info->nMax < info->nMin ? info->nMin : info->nMax;
  }
  if (info->fMask & SIF_PAGE) s.nPage = info->nPage;
  if (info->fMask & SIF_POS) s.nPos = info->nPos;
  // Keep the page within the range and the position where the page fits.
  const long long range = (long long)s.nMax - s.nMin + 1;
  if ((long long)s.nPage > range) s.nPage = (UINT)range;
  const long long maxPos = (long long)s.nMax - std::max<long long>((long long)s.nPage - 1, 0);
  if (s.nPos > maxPos) s.nPos = (int)maxPos;
  if (s.nPos < s.nMin) s.nPos = s.nMin;
  if (!IsScrollBarVisible(bar)) s.nTrackPos = s.nPos;
  if (wasVisible != IsScrollBarVisible(bar)) UpdateClientSize();
  GetHost()->ScrollBarsChanged(this);
  return s.nPos;
}

BOOL CWnd::GetScrollInfo(int bar, SCROLLINFO* info) const {
  if (info == nullptr || (bar != SB_HORZ && bar != SB_VERT)) return FALSE;
  const SCROLLINFO& s = m_scroll[bar == SB_VERT ? 1 : 0];
  if (info->fMask & SIF_RANGE) {
    info->nMin = s.nMin;
    info->nMax = s.nMax;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s.nPage;
  if (info->fMask & SIF_POS) info->nPos = s.nPos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.nTrackPos;
  return TRUE;
}

int CWnd::GetScrollPos(int bar) const {
  if (bar != SB_HORZ && bar != SB_VERT) return 0;
  return m_scroll[bar == SB_VERT ? 1 : 0].nPos;
}

int CWnd::SetScrollPos(int bar, int pos, BOOL redraw) {
  const int previous = GetScrollPos(bar);
  SCROLLINFO si = {sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(bar, &si, redraw);
  return previous;
}

BOOL CWnd::IsScrollBarVisible(int bar) const {
  if (bar != SB_HORZ && bar != SB_VERT) return FALSE;
  const SCROLLINFO& s = m_scroll[bar == SB_VERT ? 1 : 0];
  return s.nMax > s.nMin && (long long)s.nPage <= (long long)s.nMax - s.nMin ? TRUE : FALSE;
}

void CWnd::HostSetAreaSize(int width, int height) {
  m_nAreaWidth = std::max(width, 0);
  m_nAreaHeight = std::max(height, 0);
  UpdateClientSize();
}

void CWnd::HostSetScrollBarWidth(int width) {
  m_nScrollBarWidth = std::max(width, 0);
  UpdateClientSize();
}

void CWnd::UpdateClientSize() {
  if (m_pCanvas == nullptr) return;
  const int width = std::max(m_nAreaWidth - (IsScrollBarVisible(SB_VERT) ? m_nScrollBarWidth : 0), 0);
  const int height = std::max(m_nAreaHeight - (IsScrollBarVisible(SB_HORZ) ? m_nScrollBarWidth : 0), 0);
  if (width == m_pCanvas->Width() && height == m_pCanvas->Height()) return;
  m_pCanvas->Resize(width, height);
  if (!m_bCreated) return;
  SendMessage(WM_SIZE, 0, MAKELPARAM((WORD)width, (WORD)height));
  if (GetClassStyle() & (CS_HREDRAW | CS_VREDRAW)) Invalidate(TRUE);
}

void CWnd::HostSetTrackPos(int bar, int trackPos) {
  if (bar == SB_HORZ || bar == SB_VERT) m_scroll[bar == SB_VERT ? 1 : 0].nTrackPos = trackPos;
}

void CWnd::HostRunPendingPaint() {
  if (m_bCreated && m_bPaintPending) SendMessage(WM_PAINT);
}

void CWnd::HostStylusDown(int x, int y) {
  if (!m_bCreated) return;
  const DWORD now = GetTickCount();
  const BOOL doubleTap = (GetClassStyle() & CS_DBLCLKS) && m_bHaveLastDown &&
                         (DWORD)(now - m_lastDownTick) <= kDoubleTapMs &&
                         std::abs(x - m_lastDown.x) <= kDoubleTapSlop && std::abs(y - m_lastDown.y) <= kDoubleTapSlop;
  const LPARAM point = MAKELPARAM((WORD)(int16_t)x, (WORD)(int16_t)y);
  if (doubleTap) {
    m_bHaveLastDown = FALSE;
    SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  } else {
    m_bHaveLastDown = TRUE;
    m_lastDownTick = now;
    m_lastDown = {x, y};
    SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, point);
  }
}

void CWnd::HostStylusMove(int x, int y) {
  if (m_bCreated) SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((WORD)(int16_t)x, (WORD)(int16_t)y));
}

void CWnd::HostStylusUp(int x, int y) {
  if (m_bCreated) SendMessage(WM_LBUTTONUP, 0, MAKELPARAM((WORD)(int16_t)x, (WORD)(int16_t)y));
}

void CWnd::HostKey(BOOL down, UINT virtualKey, BOOL alt) {
  if (!m_bCreated) return;
  // Repeat count 1; key-up messages carry the previous-state and transition
  // bits; the context bit says Alt is held.
  const DWORD context = alt ? (DWORD)KF_ALTDOWN << 16 : 0u;
  const LPARAM flags = (LPARAM)((down ? 1u : 0xC0000001u) | context);
  SendMessage(down ? WM_KEYDOWN : WM_KEYUP, virtualKey, flags);
}

void CWnd::HostVScroll(UINT code, int trackPos) {
  if (!m_bCreated) return;
  if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) HostSetTrackPos(SB_VERT, trackPos);
  SendMessage(WM_VSCROLL, MAKEWPARAM((WORD)code, (WORD)trackPos), 0);
}

void CScrollView::SetScrollSizes(int mapMode, SIZE total, SIZE page, SIZE line) {
  m_nMapMode = mapMode;
  m_totalDev = total;
  m_pageDev = page;
  m_lineDev = line;
  UpdateBars();
}

void CScrollView::GetDeviceScrollSizes(int& mapMode, SIZE& total, SIZE& page, SIZE& line) const {
  mapMode = m_nMapMode;
  total = m_totalDev;
  page = m_pageDev;
  line = m_lineDev;
}

void CScrollView::UpdateBars() {
  const POINT before = GetScrollPosition();
  for (int bar : {SB_VERT, SB_HORZ}) {
    const LONG total = bar == SB_VERT ? m_totalDev.cy : m_totalDev.cx;
    const LONG page = bar == SB_VERT ? m_pageDev.cy : m_pageDev.cx;
    SCROLLINFO si = {sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    if (total > 0 && total > page) {
      si.nMax = total - 1;
      si.nPage = (UINT)std::max<LONG>(page, 0);
      si.nPos = GetScrollPos(bar);
    }
    SetScrollInfo(bar, &si, TRUE);
  }
  const POINT after = GetScrollPosition();
  if (before.x != after.x || before.y != after.y) Invalidate(TRUE);
}

POINT CScrollView::GetScrollPosition() const {
  return {GetScrollPos(SB_HORZ), GetScrollPos(SB_VERT)};
}

void CScrollView::ScrollToPosition(POINT pt) {
  const POINT before = GetScrollPosition();
  SetScrollPos(SB_HORZ, std::max<LONG>(pt.x, 0), TRUE);
  SetScrollPos(SB_VERT, std::max<LONG>(pt.y, 0), TRUE);
  const POINT after = GetScrollPosition();
  // The whole content moves: repaint all of it for the new position.
  if (before.x != after.x || before.y != after.y) Invalidate(TRUE);
}

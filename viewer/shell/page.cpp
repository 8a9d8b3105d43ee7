// Base behaviour of the pages.
#include "shell/page.h"

#include "platform/window/wnd.h"

CPage::CPage(IPageHost* owner) : m_pOwner(owner) {
  // Before the first stylus-down the point lies outside every window, so a
  // stray stylus-up never matches a cell.
  m_ptDown.x = -32768;
  m_ptDown.y = -32768;
}

CPage::~CPage() = default;

CScrollView* CPage::View() const {
  return m_pOwner != nullptr ? &m_pOwner->PageView() : nullptr;
}

void CPage::SetButtonState(int id, int state) {
  if (m_pOwner != nullptr) m_pOwner->SetButtonState(id, state);
}

void CPage::OnLButtonDown(UINT /*flags*/, const POINT& point) {
  m_ptDown = point;
}
void CPage::OnMouseMove(UINT /*flags*/, const POINT& /*point*/) {}
void CPage::OnLButtonUp(UINT /*flags*/, const POINT& /*point*/) {}
void CPage::OnKeyDown(UINT /*virtualKey*/, UINT /*repeat*/, UINT /*flags*/) {}
void CPage::OnKeyUp(UINT /*virtualKey*/, UINT /*repeat*/, UINT /*flags*/) {}
void CPage::OnChar(UINT /*character*/, UINT /*repeat*/, UINT /*flags*/) {}
void CPage::OnDeadChar(UINT /*character*/, UINT /*repeat*/, UINT /*flags*/) {}

void CPage::Activate() {
  CScrollView* view = View();
  if (view == nullptr) return;
  // An empty range removes each bar; the position goes back to 0.
  SCROLLINFO empty = {sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  view->SetScrollInfo(SB_VERT, &empty, TRUE);
  view->SetScrollInfo(SB_HORZ, &empty, TRUE);
}

BOOL CPage::CanDeactivate(int /*nextPage*/) {
  return TRUE;
}
void CPage::OnVScroll(UINT /*code*/, UINT /*position*/) {}

void CPage::RedrawNow() {
  CScrollView* view = View();
  if (view == nullptr) return;
  view->Invalidate(FALSE);
  view->UpdateWindow();
}

void CPage::InvalidatePage() {
  if (CScrollView* view = View()) view->Invalidate(TRUE);
}

void CPage::OnListChanged() {}
void CPage::OnTimer(UINT /*id*/) {}
int CPage::OnZoomIn() {
  return 0;
}
int CPage::OnZoomOut() {
  return 0;
}
void CPage::OnBack() {}

BOOL CPage::GetClientRect(RECT* out) {
  CScrollView* view = View();
  if (view == nullptr || out == nullptr) return FALSE;
  if (!view->GetClientRect(out)) *out = RECT{0, 0, 0, 0};
  out->right = out->right - m_nRightBand > out->left ? out->right - m_nRightBand : out->left;
  return TRUE;
}

void CPage::OnSize() {}

void CPage::OnThumbnailReady(int /*index*/, HMEMBLOCK /*thumbnail*/) {}

void CPage::OnMouseWheel(UINT /*flags*/, int delta) {
  // A part of a notch does nothing: the hosts send whole notches.
  for (int n = delta / WHEEL_DELTA; n > 0; --n) OnVScroll(SB_LINEUP, 0);
  for (int n = delta / WHEEL_DELTA; n < 0; ++n) OnVScroll(SB_LINEDOWN, 0);
}

void CPage::OnMouseWheelAt(UINT flags, int delta, const POINT& /*point*/) {
  OnMouseWheel(flags, delta);
}

int CPage::SwitchTo(int page) {
  return m_pOwner != nullptr ? m_pOwner->SwitchPage(page) : 0;
}

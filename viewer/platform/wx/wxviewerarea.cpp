// Viewer area: size reports, layout and the vertical scroll bar.
#include "wxviewerarea.h"

#include <gtk/gtk.h>

#include "platform/window/wnd.h"
#include "wxids.h"
#include "wxprobe.h"

namespace {

// GTK announces each user action on the bar before it moves the value.
extern "C" gboolean ScrollBarChangeValue(GtkRange* /*range*/, GtkScrollType type, gdouble /*value*/, gpointer bar) {
  static_cast<CWxScrollBar*>(bar)->SetAction((int)type);
  return FALSE;  // GTK moves the bar as usual; the layer corrects it after
}

}  // namespace

wxBEGIN_EVENT_TABLE(CWxScrollBar, wxScrollBar) EVT_MOUSEWHEEL(CWxScrollBar::OnMouseWheel) wxEND_EVENT_TABLE()

    CWxScrollBar::CWxScrollBar(wxWindow* parent)
    : wxScrollBar(parent, ID_VIEWER_SCROLLBAR, wxDefaultPosition, wxDefaultSize, wxSB_VERTICAL) {
  SetCanFocus(false);
  g_signal_connect(GetHandle(), "change-value", G_CALLBACK(ScrollBarChangeValue), this);
}

int CWxScrollBar::TakeActionCode() {
  const int action = m_nAction;
  m_nAction = -1;
  switch (action) {
    case GTK_SCROLL_STEP_BACKWARD:
    case GTK_SCROLL_STEP_UP:
      return SB_LINEUP;
    case GTK_SCROLL_STEP_FORWARD:
    case GTK_SCROLL_STEP_DOWN:
      return SB_LINEDOWN;
    case GTK_SCROLL_PAGE_BACKWARD:
    case GTK_SCROLL_PAGE_UP:
      return SB_PAGEUP;
    case GTK_SCROLL_PAGE_FORWARD:
    case GTK_SCROLL_PAGE_DOWN:
      return SB_PAGEDOWN;
    case GTK_SCROLL_START:
      return SB_TOP;
    case GTK_SCROLL_END:
      return SB_BOTTOM;
    case GTK_SCROLL_JUMP:
      return SB_THUMBTRACK;
    default:
      return -1;
  }
}

void CWxScrollBar::OnMouseWheel(wxMouseEvent& event) {
  // wx treats a lone scroll bar as a horizontal one and turns the wheel
  // sideways for it (down becomes right); this bar is vertical, so it turns
  // back. Not skipped: GTK would otherwise move the bar by its own step.
  int rotation = event.GetWheelRotation();
  if (event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) rotation = -rotation;
  if (CWxViewerArea* area = dynamic_cast<CWxViewerArea*>(GetParent())) {
    // The pointer's place on the canvas (past its right edge, over the bar).
    const wxPoint onCanvas = area->CanvasPanel()->ScreenToClient(ClientToScreen(event.GetPosition()));
    area->Wheel(rotation, event.GetWheelDelta(), event.ControlDown(), onCanvas);
  }
}

wxBEGIN_EVENT_TABLE(CWxViewerArea, wxWindow) EVT_SIZE(CWxViewerArea::OnSize) EVT_SCROLL(CWxViewerArea::OnScroll)
    wxEND_EVENT_TABLE()

        CWxViewerArea::CWxViewerArea(wxWindow* parent, CWnd* wnd, const wxSize& size)
    : wxWindow(parent, ID_VIEWER_AREA, wxPoint(0, 0), size, wxBORDER_NONE), m_pWnd(wnd) {
  SetBackgroundColour(*wxWHITE);
  m_pCanvas = new CWxCanvasPanel(this, wnd);
  m_pBar = new CWxScrollBar(this);
  m_nBarWidth = m_pBar->GetBestSize().GetWidth();
  m_pBar->Hide();
}

void CWxViewerArea::Detach() {
  m_pWnd = nullptr;
  m_pCanvas->Detach();
}

void CWxViewerArea::OnSize(wxSizeEvent& /*event*/) {
  if (m_pWnd == nullptr) return;
  const wxSize size = GetClientSize();
  // The layer resizes the canvas (and may repaint, or show the bar); the
  // layout then follows what it decided.
  m_pWnd->HostSetAreaSize(size.x, size.y);
  LayOut();
}

void CWxViewerArea::LayOut() {
  if (m_pWnd == nullptr) return;
  // The client rectangle is the canvas: the area less a visible bar.
  RECT client;
  if (!m_pWnd->GetClientRect(&client)) client = RECT{0, 0, 0, 0};
  const wxRect fresh(0, 0, client.right, client.bottom);
  if (m_pCanvas->GetRect() != fresh) m_pCanvas->SetSize(fresh);
  const bool barVisible = m_pWnd->IsScrollBarVisible(SB_VERT) != FALSE;
  if (barVisible) {
    const wxSize size = GetClientSize();
    m_pBar->SetSize(size.x - m_nBarWidth, 0, m_nBarWidth, size.y);
  }
  if (barVisible != m_pBar->IsShown()) m_pBar->Show(barVisible);
}

void CWxViewerArea::ReportCanvasRect() {
  if (!Probe::Enabled() || !IsShownOnScreen()) return;
  const std::string rect = Probe::ScreenRect(m_pCanvas);
  if (rect == m_strReportedRect) return;
  m_strReportedRect = rect;
  Probe::Line("canvas %s", rect.c_str());
}

void CWxViewerArea::SyncScrollBar() {
  if (m_pWnd == nullptr) return;
  if (!m_bTracking) {
    SCROLLINFO si = {sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    m_pWnd->GetScrollInfo(SB_VERT, &si);
    const int range = si.nMax - si.nMin + 1;
    const int page = (int)si.nPage;
    const int position = si.nPos - si.nMin;
    if (m_pBar->GetRange() != range || m_pBar->GetThumbSize() != page || m_pBar->GetPageSize() != page ||
        m_pBar->GetThumbPosition() != position) {
      m_pBar->SetScrollbar(position, page, range, page);
    }
  }
  LayOut();
}

void CWxViewerArea::SendScroll(UINT code, int trackPos) {
  if (m_pWnd == nullptr) return;
  m_pWnd->HostVScroll(code, trackPos);
  Probe::Line("vscroll %u %d", code, trackPos);
}

void CWxViewerArea::OnScroll(wxScrollEvent& event) {
  if (m_pWnd == nullptr) return;
  SCROLLINFO si = {sizeof(SCROLLINFO), SIF_RANGE, 0, 0, 0, 0, 0};
  m_pWnd->GetScrollInfo(SB_VERT, &si);
  // The bar counts from 0; the layer's range starts at nMin.
  const int position = event.GetPosition() + si.nMin;
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_SCROLL_THUMBRELEASE) {
    // Only a thumb drag ends with the thumb's final position.
    if (m_bTracking) SendScroll(SB_THUMBPOSITION, position);
    m_bTracking = false;
  } else if (type == wxEVT_SCROLL_CHANGED) {
    m_bTracking = false;
    SendScroll(SB_ENDSCROLL, position);
  } else {
    // A move of the bar: GTK's own name for the action when it gave one,
    // else wx's kind of event.
    int code = m_pBar->TakeActionCode();
    if (code < 0) {
      if (type == wxEVT_SCROLL_LINEUP) code = SB_LINEUP;
      if (type == wxEVT_SCROLL_LINEDOWN) code = SB_LINEDOWN;
      if (type == wxEVT_SCROLL_PAGEUP) code = SB_PAGEUP;
      if (type == wxEVT_SCROLL_PAGEDOWN) code = SB_PAGEDOWN;
      if (type == wxEVT_SCROLL_TOP) code = SB_TOP;
      if (type == wxEVT_SCROLL_BOTTOM) code = SB_BOTTOM;
      if (type == wxEVT_SCROLL_THUMBTRACK) code = SB_THUMBTRACK;
    }
    if (code == SB_THUMBTRACK) m_bTracking = true;
    if (code >= 0) SendScroll((UINT)code, position);
  }
  // GTK has already moved the bar; the layer's position is the one shown.
  SyncScrollBar();
}

void CWxViewerArea::SendControlWheel(int notch, const wxPoint& at) {
  if (m_pWnd == nullptr) return;
  const LPARAM place = MAKELPARAM((WORD)(int16_t)at.x, (WORD)(int16_t)at.y);
  m_pWnd->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM((WORD)MK_CONTROL, (WORD)(int16_t)notch), place);
  Probe::Line("wheel %d %u", notch, (unsigned)MK_CONTROL);
}

void CWxViewerArea::Wheel(int rotation, int delta, bool control, const wxPoint& at) {
  if (m_pWnd == nullptr) return;
  if (delta <= 0) delta = 120;
  m_nWheelRest += rotation;
  // One step per whole notch; a smooth-scrolling remainder waits.
  while (m_nWheelRest >= delta) {
    m_nWheelRest -= delta;
    if (control) {
      SendControlWheel(WHEEL_DELTA, at);
    } else {
      SendScroll(SB_LINEUP, m_pWnd->GetScrollPos(SB_VERT));
    }
  }
  while (m_nWheelRest <= -delta) {
    m_nWheelRest += delta;
    if (control) {
      SendControlWheel(-WHEEL_DELTA, at);
    } else {
      SendScroll(SB_LINEDOWN, m_pWnd->GetScrollPos(SB_VERT));
    }
  }
  SyncScrollBar();
}

// Canvas panel: the paint handler, stylus and keys.
#include "wxcanvaspanel.h"

#include <cairo.h>
#include <wx/dcclient.h>
#include <wx/graphics.h>

#include "platform/draw/canvas.h"
#include "platform/window/app.h"
#include "platform/window/frame.h"
#include "platform/window/wnd.h"
#include "wxids.h"
#include "wxprobe.h"
#include "wxviewerarea.h"

namespace {

// Virtual keys the layer's headers do not name.
enum : UINT {
  kVkTab = 0x09,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkMenu = 0x12,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVkNumpad0 = 0x60,
  kVkF1 = 0x70,
};

}  // namespace

wxBEGIN_EVENT_TABLE(CWxCanvasPanel, wxWindow) EVT_PAINT(CWxCanvasPanel::OnPaint)
    EVT_LEFT_DOWN(CWxCanvasPanel::OnLeftDown)
    // A GTK double click arrives as a double-click event; the layer decides
    // what a second tap means, so it is a plain stylus-down here.
    EVT_LEFT_DCLICK(CWxCanvasPanel::OnLeftDown) EVT_LEFT_UP(CWxCanvasPanel::OnLeftUp)
        EVT_MOTION(CWxCanvasPanel::OnMotion) EVT_MOUSE_CAPTURE_LOST(CWxCanvasPanel::OnCaptureLost)
            EVT_KEY_DOWN(CWxCanvasPanel::OnKeyDown) EVT_KEY_UP(CWxCanvasPanel::OnKeyUp)
                EVT_MOUSEWHEEL(CWxCanvasPanel::OnMouseWheel) wxEND_EVENT_TABLE()

                    CWxCanvasPanel::CWxCanvasPanel(wxWindow* parent, CWnd* wnd)
    : wxWindow(parent, ID_VIEWER_CANVAS, wxPoint(0, 0), wxSize(0, 0), wxWANTS_CHARS | wxBORDER_NONE), m_pWnd(wnd) {
  // Every pixel comes from the canvas: no background erase, no flicker.
  SetBackgroundStyle(wxBG_STYLE_PAINT);
}

void CWxCanvasPanel::Detach() {
  m_pWnd = nullptr;
  if (HasCapture()) ReleaseMouse();
  m_bDown = false;
}

void CWxCanvasPanel::QueueRefresh() {
  const wxSize size = GetClientSize();
  // A window without pixels gets no paint event: nothing would clear the flag.
  if (size.x <= 0 || size.y <= 0 || !IsShownOnScreen()) return;
  m_bRefreshQueued = true;
  Refresh(false);
}

void CWxCanvasPanel::PresentNow() {
  QueueRefresh();
  Update();
}

bool CWxCanvasPanel::IsSettled() const {
  if (m_pWnd != nullptr && m_pWnd->IsPaintPending()) return false;
  return !m_bRefreshQueued || !IsShownOnScreen();
}

void CWxCanvasPanel::OnPaint(wxPaintEvent& /*event*/) {
  wxPaintDC dc(this);
  if (m_pWnd != nullptr && m_pWnd->IsPaintPending()) {
    const int64_t start = Probe::MonoMicros();
    m_pWnd->HostRunPendingPaint();
    Probe::Line("paint took=%lld", (long long)(Probe::MonoMicros() - start));
  }
  m_bRefreshQueued = false;
  const int64_t start = Probe::MonoMicros();
  DrawCanvas(dc);
  Probe::Line("present t=%lld took=%lld", (long long)Probe::EpochMicros(), (long long)(Probe::MonoMicros() - start));
}

void CWxCanvasPanel::DrawCanvas(wxPaintDC& dc) {
  Canvas* canvas = m_pWnd != nullptr ? m_pWnd->GetCanvas() : nullptr;
  wxGraphicsContext* gc = dc.GetGraphicsContext();
  cairo_t* cr = gc != nullptr ? (cairo_t*)gc->GetNativeContext() : nullptr;
  if (cr == nullptr) return;
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  if (canvas != nullptr && canvas->Width() > 0 && canvas->Height() > 0) {
    canvas->Flush();
    cairo_set_source_surface(cr, (cairo_surface_t*)canvas->NativeSurface(), 0, 0);
    cairo_rectangle(cr, 0, 0, canvas->Width(), canvas->Height());
    cairo_fill(cr);
  }
  // Anything beyond the canvas (only while a resize is under way) shows the
  // window colour.
  const wxSize size = GetClientSize();
  const int w = canvas != nullptr ? canvas->Width() : 0;
  const int h = canvas != nullptr ? canvas->Height() : 0;
  cairo_set_source_rgb(cr, 1, 1, 1);
  if (size.x > w) {
    cairo_rectangle(cr, w, 0, size.x - w, size.y);
    cairo_fill(cr);
  }
  if (size.y > h) {
    cairo_rectangle(cr, 0, h, w, size.y - h);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

void CWxCanvasPanel::OnLeftDown(wxMouseEvent& event) {
  // Without a window manager a click does not move the focus by itself.
  SetFocus();
  // A double click whose first press was already delivered as a down would
  // otherwise give two downs for one press.
  if (m_bDown || m_pWnd == nullptr) return;
  m_bDown = true;
  m_ptLast = event.GetPosition();
  if (!HasCapture()) CaptureMouse();
  const int64_t start = Probe::MonoMicros();
  m_pWnd->HostStylusDown(m_ptLast.x, m_ptLast.y);
  Probe::Line("stylus down %d %d took=%lld", m_ptLast.x, m_ptLast.y, (long long)(Probe::MonoMicros() - start));
}

void CWxCanvasPanel::OnMotion(wxMouseEvent& event) {
  if (!m_bDown || m_pWnd == nullptr) return;
  const wxPoint at = event.GetPosition();
  if (at == m_ptLast) return;
  m_ptLast = at;
  const int64_t start = Probe::MonoMicros();
  m_pWnd->HostStylusMove(at.x, at.y);
  Probe::Line("stylus move %d %d took=%lld", at.x, at.y, (long long)(Probe::MonoMicros() - start));
}

void CWxCanvasPanel::OnLeftUp(wxMouseEvent& event) {
  if (!m_bDown) return;
  m_bDown = false;
  if (HasCapture()) ReleaseMouse();
  if (m_pWnd == nullptr) return;
  m_ptLast = event.GetPosition();
  const int64_t start = Probe::MonoMicros();
  m_pWnd->HostStylusUp(m_ptLast.x, m_ptLast.y);
  Probe::Line("stylus up %d %d took=%lld", m_ptLast.x, m_ptLast.y, (long long)(Probe::MonoMicros() - start));
}

void CWxCanvasPanel::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/) {
  // The drag ends where the stylus was last seen.
  if (!m_bDown) return;
  m_bDown = false;
  if (m_pWnd == nullptr) return;
  m_pWnd->HostStylusUp(m_ptLast.x, m_ptLast.y);
  Probe::Line("stylus up %d %d took=0", m_ptLast.x, m_ptLast.y);
}

void CWxCanvasPanel::OnKeyDown(wxKeyEvent& event) {
  const UINT vk = VirtualKeyFromWx(event.GetKeyCode());
  if (vk == 0 || m_pWnd == nullptr) {
    event.Skip();
    return;
  }
  // Known keys are never skipped: GTK would move the focus on arrow keys.
  // The message loop offers each key press to the frame's accelerators first.
  CFrameWnd* frame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
  if (frame != nullptr &&
      frame->TranslateAccelerator(vk, event.ControlDown() ? TRUE : FALSE, event.ShiftDown() ? TRUE : FALSE)) {
    Probe::Line("accelerator %u", vk);
    return;
  }
  m_pWnd->HostKey(TRUE, vk, event.AltDown() ? TRUE : FALSE);
  Probe::Line("key down %u", vk);
}

void CWxCanvasPanel::OnKeyUp(wxKeyEvent& event) {
  const UINT vk = VirtualKeyFromWx(event.GetKeyCode());
  if (vk == 0 || m_pWnd == nullptr) {
    event.Skip();
    return;
  }
  m_pWnd->HostKey(FALSE, vk, event.AltDown() ? TRUE : FALSE);
  Probe::Line("key up %u", vk);
}

void CWxCanvasPanel::OnMouseWheel(wxMouseEvent& event) {
  // The viewer area owns the scroll bar: it turns the wheel into line steps.
  if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) return;
  if (CWxViewerArea* area = dynamic_cast<CWxViewerArea*>(GetParent())) {
    area->Wheel(event.GetWheelRotation(), event.GetWheelDelta(), event.ControlDown(), event.GetPosition());
  }
}

UINT CWxCanvasPanel::VirtualKeyFromWx(int keyCode) {
  if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9')) return (UINT)keyCode;
  if (keyCode >= WXK_F1 && keyCode <= WXK_F24) return kVkF1 + (UINT)(keyCode - WXK_F1);
  if (keyCode >= WXK_NUMPAD0 && keyCode <= WXK_NUMPAD9) return kVkNumpad0 + (UINT)(keyCode - WXK_NUMPAD0);
  switch (keyCode) {
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
      return VK_LEFT;
    case WXK_UP:
    case WXK_NUMPAD_UP:
      return VK_UP;
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
      return VK_RIGHT;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
      return VK_DOWN;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
      return VK_RETURN;
    case WXK_ESCAPE:
      return VK_ESCAPE;
    case WXK_SPACE:
      return VK_SPACE;
    case WXK_BACK:
      return VK_BACK;
    case WXK_TAB:
      return kVkTab;
    case WXK_PAGEUP:
      return VK_PRIOR;
    case WXK_PAGEDOWN:
      return VK_NEXT;
    case WXK_HOME:
      return VK_HOME;
    case WXK_END:
      return VK_END;
    case WXK_INSERT:
      return kVkInsert;
    case WXK_DELETE:
      return kVkDelete;
    // GTK reports the key's unshifted character: '=' for "+" on a US
    // layout, '+' where plus has a key of its own. Both are the plus key.
    case '+':
    case '=':
      return VK_OEM_PLUS;
    case '-':
      return VK_OEM_MINUS;
    case WXK_ADD:
    case WXK_NUMPAD_ADD:
      return VK_ADD;
    case WXK_SUBTRACT:
    case WXK_NUMPAD_SUBTRACT:
      return VK_SUBTRACT;
    case WXK_SHIFT:
      return kVkShift;
    case WXK_CONTROL:
      return kVkControl;
    case WXK_ALT:
      return kVkMenu;
    default:
      return 0;
  }
}

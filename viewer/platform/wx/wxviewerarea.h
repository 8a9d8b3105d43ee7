// The viewer area: the frame's client area below the command bar, holding the
// canvas panel and the classic vertical scroll bar that the layer keeps.
#pragma once

#include <wx/scrolbar.h>
#include <wx/window.h>

#include "wxcanvaspanel.h"

class CWnd;

// The bar never takes the keyboard focus and hands the wheel to the area.
class CWxScrollBar : public wxScrollBar {
 public:
  explicit CWxScrollBar(wxWindow* parent);
  bool AcceptsFocus() const override { return false; }
  bool AcceptsFocusFromKeyboard() const override { return false; }

 private:
  void OnMouseWheel(wxMouseEvent& event);

  wxDECLARE_EVENT_TABLE();
};

class CWxViewerArea : public wxWindow {
 public:
  CWxViewerArea(wxWindow* parent, CWnd* wnd, const wxSize& size);

  CWnd* Wnd() const { return m_pWnd; }
  CWxCanvasPanel* CanvasPanel() const { return m_pCanvas; }
  // The width GTK gives a vertical scroll bar, measured once at creation.
  int ScrollBarWidth() const { return m_nBarWidth; }
  void Detach();
  // Range, page, position and visibility from the layer; then the layout.
  void SyncScrollBar();
  // The canvas panel takes the canvas' size at the top left; the bar, when
  // visible, the strip at the right edge.
  void LayOut();
  // Wheel notches as line steps of the scroll bar.
  void Wheel(const wxMouseEvent& event);
  bool AcceptsFocus() const override { return false; }

 private:
  void OnSize(wxSizeEvent& event);
  void OnScroll(wxScrollEvent& event);
  void SendScroll(UINT code, int trackPos);

  CWnd* m_pWnd;
  CWxCanvasPanel* m_pCanvas;
  CWxScrollBar* m_pBar;
  int m_nBarWidth = 0;
  // Between the first thumb-track event and the release GTK owns the thumb.
  bool m_bTracking = false;
  int m_nWheelRest = 0;

  wxDECLARE_EVENT_TABLE();
};

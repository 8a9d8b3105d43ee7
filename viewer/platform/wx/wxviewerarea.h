// The viewer area: the frame's client area below the command bar, holding the
// canvas panel and the classic vertical scroll bar that the layer keeps.
#pragma once

#include <wx/scrolbar.h>
#include <wx/window.h>

#include <string>

#include "wxcanvaspanel.h"

class CWnd;

// The bar never takes the keyboard focus and hands the wheel to the area.
// It also keeps the kind of the user's last action as GTK names it (line,
// page, jump): wx guesses the kind from how far the value moved, which takes
// a page step cut short at the end of the range for a thumb drag.
class CWxScrollBar : public wxScrollBar {
 public:
  explicit CWxScrollBar(wxWindow* parent);
  bool AcceptsFocus() const override { return false; }
  bool AcceptsFocusFromKeyboard() const override { return false; }

  // The layer's scroll code for the action that moved the bar, or -1 when
  // GTK named none; forgets it.
  int TakeActionCode();
  void SetAction(int gtkScrollType) { m_nAction = gtkScrollType; }

 private:
  void OnMouseWheel(wxMouseEvent& event);

  int m_nAction = -1;

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
  // Wheel notches as line steps of the scroll bar, or with Ctrl held as
  // WM_MOUSEWHEEL messages (MK_CONTROL, one notch each, the pointer `at` on
  // the canvas in lParam) for the page: `rotation` in wx's units (positive
  // is up), `delta` of them a notch.
  void Wheel(int rotation, int delta, bool control, const wxPoint& at);
  bool AcceptsFocus() const override { return false; }
  // Tells the probe where the canvas is on the screen, when that changed.
  void ReportCanvasRect();

 private:
  void OnSize(wxSizeEvent& event);
  void OnScroll(wxScrollEvent& event);
  void SendScroll(UINT code, int trackPos);
  void SendControlWheel(int notch, const wxPoint& at);

  CWnd* m_pWnd;
  CWxCanvasPanel* m_pCanvas;
  CWxScrollBar* m_pBar;
  int m_nBarWidth = 0;
  // Between the first thumb-track event and the release GTK owns the thumb.
  bool m_bTracking = false;
  int m_nWheelRest = 0;
  std::string m_strReportedRect;

  wxDECLARE_EVENT_TABLE();
};

// The native window that shows a CWnd's canvas and turns the user's mouse
// and keyboard into the layer's stylus and key input.
#pragma once

#include <wx/dcclient.h>
#include <wx/window.h>

#include "platform/base/wintypes.h"

class CWnd;

class CWxCanvasPanel : public wxWindow {
 public:
  CWxCanvasPanel(wxWindow* parent, CWnd* wnd);

  // The layer's window is gone: events are dropped from now on.
  void Detach();
  // A paint is pending in the layer: the next EVT_PAINT runs it.
  void QueueRefresh();
  // The canvas changed outside a paint: show it before returning.
  void PresentNow();
  // True when nothing is left to paint (the layer's paint and ours).
  bool IsSettled() const;

  bool AcceptsFocus() const override { return true; }
  bool AcceptsFocusFromKeyboard() const override { return true; }

  // The layer's virtual-key code for a wx key code; 0 when it has none.
  static UINT VirtualKeyFromWx(int keyCode);

 private:
  void OnPaint(wxPaintEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  void OnKeyUp(wxKeyEvent& event);
  void OnMouseWheel(wxMouseEvent& event);
  void DrawCanvas(wxPaintDC& dc);

  CWnd* m_pWnd;
  bool m_bRefreshQueued = false;
  // Stylus state: down between a left press and its release (or capture loss).
  bool m_bDown = false;
  wxPoint m_ptLast;

  wxDECLARE_EVENT_TABLE();
};

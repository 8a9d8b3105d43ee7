// Windows of the platform layer: command targets, windows that receive
// Win32-numbered messages through one dispatch function, the paint cycle over
// a canvas, scroll bars, and the scrolling view that the viewer window is.
#pragma once

#include <vector>

#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"
#include "platform/draw/gdi.h"

class Canvas;
class CWnd;

// Class styles.
enum : UINT { CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_DBLCLKS = 0x0008 };
// Window styles.
enum : DWORD {
  WS_CHILD = 0x40000000,
  WS_VISIBLE = 0x10000000,
  WS_BORDER = 0x00800000,
  WS_CAPTION = 0x00C00000,
  WS_VSCROLL = 0x00200000,
  WS_HSCROLL = 0x00100000,
  FWS_ADDTOTITLE = 0x00008000,
};
// Child ids of the frame's panes.
enum : UINT { AFX_IDW_PANE_FIRST = 0xE900, AFX_IDW_TOOLBAR = 0xE800 };

// The system window colour: the viewer window's class background.
constexpr COLORREF kWindowColour = RGB(255, 255, 255);

// What a control's WM_NOTIFY tells its parent: who sends, and what happened.
struct NMHDR {
  CWnd* hwndFrom;
  UINT idFrom;
  UINT code;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
};

class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  // Offers a command; TRUE when a handler took it.
  virtual BOOL OnCmdMsg(UINT id);
};

class CWnd : public CCmdTarget {
 public:
  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The one dispatch function. The default handling of every message is
  // DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Creates the window as a child of `parent`. PreCreateWindow may change
  // the style first; WM_CREATE follows. FALSE when creation failed.
  BOOL CreateChild(CWnd* parent, DWORD style, UINT id);
  virtual BOOL PreCreateWindow(DWORD& style);
  // Windows that draw (the viewer window) keep a canvas; frames, bars,
  // dialogs and controls are drawn by the host.
  virtual BOOL HasCanvas() const { return TRUE; }
  virtual UINT GetClassStyle() const { return 0; }
  BOOL DestroyWindow();
  BOOL IsWindow() const { return m_bCreated; }
  DWORD GetStyle() const { return m_dwStyle; }
  UINT GetDlgCtrlID() const { return m_nId; }
  CWnd* GetParent() const { return m_pParent; }
  const std::vector<CWnd*>& GetChildren() const { return m_children; }
  CWnd* GetDescendantWindow(UINT id) const;

  // Client area: (0, 0, width, height), the window's area less a visible
  // vertical scroll bar. FALSE before the window exists.
  BOOL GetClientRect(RECT* rect) const;

  // Paint cycle.
  void Invalidate(BOOL erase = TRUE);
  void UpdateWindow();
  HDC BeginPaint(PAINTSTRUCT* ps);
  void EndPaint(PAINTSTRUCT* ps);
  // Drawing outside the paint cycle: a device context on the canvas; the
  // host shows what was drawn when it is released.
  HDC GetDC();
  void ReleaseDC(HDC dc);
  BOOL IsPaintPending() const { return m_bPaintPending; }
  BOOL IsErasePending() const { return m_bErasePending; }
  int PaintCount() const { return m_nPaints; }

  void SetFocus();

  // WM_TIMER every `elapse` milliseconds while set (timers.h).
  BOOL SetTimer(UINT id, UINT elapse);
  BOOL KillTimer(UINT id);

  // Scroll bars (SB_HORZ, SB_VERT) with the handheld's rules: a bar whose
  // range does not exceed its page is removed, positions are limited to
  // nMin … nMax - max(nPage - 1, 0).
  int SetScrollInfo(int bar, const SCROLLINFO* info, BOOL redraw);
  BOOL GetScrollInfo(int bar, SCROLLINFO* info) const;
  int GetScrollPos(int bar) const;
  int SetScrollPos(int bar, int pos, BOOL redraw);
  BOOL IsScrollBarVisible(int bar) const;

  // ---- Host side -------------------------------------------------------
  Canvas* GetCanvas() { return m_pCanvas; }
  // The area the host gives the window; the client area is this less the
  // vertical scroll bar's width while that bar is visible.
  void HostSetAreaSize(int width, int height);
  void HostSetScrollBarWidth(int width);
  int HostAreaWidth() const { return m_nAreaWidth; }
  int HostAreaHeight() const { return m_nAreaHeight; }
  int HostScrollBarWidth() const { return m_nScrollBarWidth; }
  // The thumb's position while the user drags it (the bar's track position).
  void HostSetTrackPos(int bar, int trackPos);
  // Runs the pending paint, if any (the host's paint handler).
  void HostRunPendingPaint();
  // Stylus input in client coordinates. With CS_DBLCLKS, a second stylus-down
  // within 500 ms and 2 pixels of the first becomes WM_LBUTTONDBLCLK.
  void HostStylusDown(int x, int y);
  void HostStylusMove(int x, int y);
  void HostStylusUp(int x, int y);
  // A key pressed or let go; `alt` when Alt is held with it (KF_ALTDOWN).
  void HostKey(BOOL down, UINT virtualKey, BOOL alt = FALSE);
  void HostVScroll(UINT code, int trackPos);

 protected:
  // Makes the host's window for this one; called before WM_CREATE.
  virtual BOOL CreateHostPeer();
  // WM_DESTROY has been handled and the host window is gone.
  virtual void PostNcDestroy() {}
  // Marks the window created without a parent (top-level windows).
  BOOL CreateTopLevel(DWORD style);

 private:
  void UpdateClientSize();

  BOOL m_bCreated = FALSE;
  DWORD m_dwStyle = 0;
  UINT m_nId = 0;
  CWnd* m_pParent = nullptr;
  std::vector<CWnd*> m_children;
  Canvas* m_pCanvas = nullptr;
  int m_nAreaWidth = 0;
  int m_nAreaHeight = 0;
  int m_nScrollBarWidth = 13;
  BOOL m_bPaintPending = FALSE;
  BOOL m_bErasePending = FALSE;
  int m_nPaints = 0;
  SCROLLINFO m_scroll[2] = {};
  // Double-tap detection.
  DWORD m_lastDownTick = 0;
  POINT m_lastDown = {-1000, -1000};
  BOOL m_bHaveLastDown = FALSE;
};

// A window with scroll sizes and a scroll position for its content, in
// pixels (MM_TEXT). The position lives in the scroll bar.
class CScrollView : public CWnd {
 public:
  void SetScrollSizes(int mapMode, SIZE total, SIZE page, SIZE line);
  void GetDeviceScrollSizes(int& mapMode, SIZE& total, SIZE& page, SIZE& line) const;
  POINT GetScrollPosition() const;
  // Moves to `pt`, limited to 0 … total - page on each axis, and has the
  // content repainted for the new position when it moved.
  void ScrollToPosition(POINT pt);

 private:
  void UpdateBars();

  int m_nMapMode = 0;
  SIZE m_totalDev = {0, 0};
  SIZE m_pageDev = {0, 0};
  SIZE m_lineDev = {0, 0};
};

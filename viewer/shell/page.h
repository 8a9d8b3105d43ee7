// The page interface: one whole-window mode of the viewer window. The viewer
// window hands the current page every paint, stylus, key, scroll and page
// command; the order of the virtual operations is part of the contract.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/draw/gdi.h"
#include "shell/memblock.h"

#define PAGE_BROWSER 0
#define PAGE_IMAGE 1

class CScrollView;

// What a page asks of the window that shows it: another page, the state of
// a command-bar button, and the scrolling window it draws into (client
// area, paint cycle, scroll sizes and position).
class IPageHost {
 public:
  virtual ~IPageHost() = default;
  // 1 when switched or nothing to do, 0 when already current or refused.
  virtual int SwitchPage(int page) = 0;
  // TBSTATE_ENABLED shows a command-bar button, TBSTATE_HIDDEN hides it;
  // nothing happens while there is no command bar.
  virtual void SetButtonState(int id, int state) = 0;
  virtual CScrollView& PageView() = 0;
};

class CPage {
 public:
  explicit CPage(IPageHost* owner);
  virtual ~CPage();
  CPage(const CPage&) = delete;
  CPage& operator=(const CPage&) = delete;

  virtual void Paint(HDC dc) = 0;
  virtual void OnLButtonDown(UINT flags, const POINT& point);
  virtual void OnMouseMove(UINT flags, const POINT& point);
  virtual void OnLButtonUp(UINT flags, const POINT& point);
  virtual void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags);
  virtual void OnKeyUp(UINT virtualKey, UINT repeat, UINT flags);
  virtual void OnChar(UINT character, UINT repeat, UINT flags);
  virtual void OnDeadChar(UINT character, UINT repeat, UINT flags);
  virtual void Activate();
  virtual BOOL CanDeactivate(int nextPage);
  virtual void OnVScroll(UINT code, UINT position);
  virtual void RedrawNow();
  virtual void InvalidatePage();
  virtual void OnListChanged();
  virtual int OnZoomIn();
  virtual int OnZoomOut();
  virtual void OnBack();
  virtual BOOL GetClientRect(RECT* out);
  // The client area changed size (a desktop window can be resized; the
  // handheld's never was). Added after the handheld's operations.
  virtual void OnSize();
  // A thumbnail made in the background for the cell of picture `index` has
  // arrived (a CDib block, still owned by the caller). Nothing by default.
  virtual void OnThumbnailReady(int index, HMEMBLOCK thumbnail);
  // A turn of the mouse wheel (the handheld had none): `flags` the MK_ key
  // state, `delta` the rotation in WHEEL_DELTA units per notch, positive
  // away from the user. By default each whole notch is a line step of
  // OnVScroll, the wheel's meaning without Ctrl.
  virtual void OnMouseWheel(UINT flags, int delta);
  // The same turn with the pointer's place, in client coordinates, as the
  // wheel message carries it. By default the place is not used.
  virtual void OnMouseWheelAt(UINT flags, int delta, const POINT& point);
  // Timer `id` of the page's window (CWnd::SetTimer on View()) is due.
  // Nothing by default.
  virtual void OnTimer(UINT id);

  int SwitchTo(int page);
  // A band of `width` pixels at the right edge that the viewer window keeps
  // for its own drawing (the desktop's information panel): GetClientRect
  // leaves it out, so the page lays itself out beside it. 0 by default.
  void SetRightBand(int width) { m_nRightBand = width; }
  int RightBand() const { return m_nRightBand; }

  IPageHost* m_pOwner;
  POINT m_ptDown;

 protected:
  // The owner's scrolling window; null without an owner.
  CScrollView* View() const;
  void SetButtonState(int id, int state);

 private:
  int m_nRightBand = 0;
};

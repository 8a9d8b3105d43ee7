// The viewer window: the frame's one pane. It draws nothing and decides
// nothing: it owns the two pages, keeps one current, forwards events to it
// and switches pages on their request. It is the pages' host.
#pragma once

#include "platform/window/wnd.h"
#include "shell/page.h"

class CBrowserPage;
class CImagePage;
class CSlideshow;
class CInfoPanel;

class CViewerWnd : public CScrollView, public IPageHost {
 public:
  CViewerWnd();
  ~CViewerWnd() override;

  // IPageHost. Button states go to the main frame's command bar.
  int SwitchPage(int page) override;
  void SetButtonState(int id, int state) override;
  CScrollView& PageView() override { return *this; }

  virtual void ShowInitialPage();
  void NotifyListChanged();
  // Opens the list's picture at device path `path` on the picture page, as
  // a tap on its thumbnail does. FALSE when the list has no such picture.
  BOOL OpenPicture(const CString& path);
  bool IsPicturePageShown() const;
  // The desktop's slideshow at `paceMs` (0: the default pace); the
  // handheld's window has none, and F5 and its keys mean nothing there.
  void EnableSlideshow(UINT paceMs);
  CSlideshow* GetSlideshow() const { return m_pSlideshow; }
  // F5: starts the show from the picture shown, or from the grid's current
  // picture, which opens; ends a running show, which stays on its picture.
  void ToggleSlideshow();
  // The grid is shown with a folder cell current: there is no picture for
  // the file actions to act on.
  bool IsFolderCellCurrent() const;
  // The desktop's information panel: made here, shown and hidden with i.
  // Without it (the handheld) the window is as it always was.
  void EnableInfoPanel();
  CInfoPanel* InfoPanel() const { return m_pInfoPanel; }
  // Draws the panel at once when the current picture changed under it.
  void InfoPanelFollows();

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Zoom In, Zoom Out and Back go to the current page; nothing else.
  BOOL OnCmdMsg(UINT id) override;
  BOOL PreCreateWindow(DWORD& style) override;
  UINT GetClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }

  CPage* m_pCurrentPage;
  CBrowserPage* m_pBrowserPage;
  CImagePage* m_pImagePage;

 private:
  // WM_TIMER: TRUE when the timer was the slideshow's.
  BOOL OnSlideshowTimer(UINT id);

  CSlideshow* m_pSlideshow = nullptr;

  // The panel's band in client coordinates (empty while it is hidden), and
  // that band kept out of both pages' client areas.
  RECT InfoPanelBand() const;
  void ApplyInfoPanelBand();
  void ToggleInfoPanel();
  // Tells the panel which folder cell, if any, is current in the grid.
  void AimInfoPanel();

  CInfoPanel* m_pInfoPanel = nullptr;
};

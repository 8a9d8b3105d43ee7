// The viewer window: the frame's one pane. It draws nothing and decides
// nothing: it owns the two pages, keeps one current, forwards events to it
// and switches pages on their request. It is the pages' host.
#pragma once

#include "platform/window/wnd.h"
#include "shell/page.h"

class CBrowserPage;
class CImagePage;

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

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Zoom In, Zoom Out and Back go to the current page; nothing else.
  BOOL OnCmdMsg(UINT id) override;
  BOOL PreCreateWindow(DWORD& style) override;
  UINT GetClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }

  CPage* m_pCurrentPage;
  CBrowserPage* m_pBrowserPage;
  CImagePage* m_pImagePage;
};

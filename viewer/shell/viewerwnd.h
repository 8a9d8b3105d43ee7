// The viewer window: the frame's one pane. It draws nothing and decides
// nothing: it owns the two pages, keeps one current, forwards events to it
// and switches pages on their request.
#pragma once

#include "platform/wnd.h"
#include "shell/page.h"

class CBrowserPage;
class CImagePage;

class CViewerWnd : public CScrollView {
 public:
  CViewerWnd();
  ~CViewerWnd() override;

  // 1 when switched or nothing to do, 0 when already current or refused.
  int SwitchPage(int page);
  virtual void ShowInitialPage();
  void NotifyListChanged();

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Zoom In, Zoom Out and Back go to the current page; nothing else.
  BOOL OnCmdMsg(UINT id) override;
  BOOL PreCreateWindow(DWORD& style) override;
  UINT GetClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }

  CPage* m_pCurrentPage;
  CBrowserPage* m_pBrowserPage;
  CImagePage* m_pImagePage;
};

// The main frame: the viewer window over its client area and the command
// bar; it creates the picture file list and its observer, routes commands to
// the viewer window first, lets the pages show or hide their buttons and
// says in its caption where the user is.
#pragma once

#include <functional>

#include "app/viewerwnd.h"
#include "filelist/imagefilelist.h"
#include "platform/controls/cmdbar.h"
#include "platform/window/frame.h"

class CFileCommands;
class CSortCommands;

class CMainFrame : public CFrameWnd {
 public:
  explicit CMainFrame(const ListSettings& list = ListSettings());
  ~CMainFrame() override;

  // The desktop's file actions: their menu, their keys and their commands.
  // Called before the frame is loaded; the handheld's frame never has them.
  void EnableFileActions();
  CFileCommands* GetFileCommands() const { return m_pFileCommands; }
  // The desktop's sort orders in the Tools menu; `changed` is told each
  // order the list takes. Called before the frame is loaded.
  void EnableSortOrders(std::function<void(const SortOrder&)> changed);

  virtual void ShowInitialPage();
  // The caption follows the page, the folder and the picture shown; before
  // the first page it is the frame's title.
  void UpdateTitle();
  // TBSTATE_ENABLED shows a button, TBSTATE_HIDDEN hides it.
  void SetButtonState(int id, int state);
  // A new copy of string `id`, at most 254 characters, owned by the caller
  // (release with delete[]).
  WCHAR* LoadStringCopy(UINT id);

  CViewerWnd& GetViewerWnd() { return m_viewerWnd; }
  CCommandBar& GetCommandBar() { return m_commandBar; }

  CCommandBar m_commandBar;
  CViewerWnd m_viewerWnd;
  WCHAR* m_tooltipTexts[6];
  CFileCommands* m_pFileCommands = nullptr;
  CSortCommands* m_pSortCommands = nullptr;
  // On the picture page the caption also gives the picture's size and zoom
  // (the desktop's); the handheld's names the picture and its place only.
  BOOL m_bTitleShowsView = FALSE;
  // On the grid the caption gives the folder's whole path from the device
  // root (the desktop's); the handheld's gives the folder's name.
  BOOL m_bTitleShowsPath = FALSE;

 protected:
  int OnCreate() override;
  void OnSetFocus() override;
  BOOL OnCmdMsg(UINT id) override;
  BOOL OnFrameCommand(UINT id) override;
};

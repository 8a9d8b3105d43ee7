// Main frame: construction order, creation handler, routing, button states.
#include "app/mainframe.h"

#include <new>

#include "app/filecommands.h"
#include "app/frametitle.h"
#include "app/slideshow.h"
#include "app/sortcommands.h"
#include "app/viewerlistobserver.h"
#include "filelist/imagefilelist.h"
#include "pages/imagepage.h"
#include "platform/window/resource.h"
#include "res/resource_ids.h"

namespace {
constexpr DWORD kViewerStyle = 0x50800000;  // WS_CHILD | WS_VISIBLE | WS_BORDER
// WS_CHILD | WS_VISIBLE (0x50000000) and the framework's bar style for a
// bar along the top edge: aligned to the top (0x2000) with a border below
// it (0x0800).
constexpr DWORD kCommandBarStyle = 0x50002800;
constexpr DWORD kBarStyleAdditions = 0x32;  // tooltips, fly-by help, fixed size
}  // namespace

CMainFrame::CMainFrame(const ListSettings& listSettings) : m_tooltipTexts{} {
  // The list is filled before it has an observer: the first scan tells nobody.
  CFileListObserver* observer = new (std::nothrow) CViewerListObserver();
  CImageFileList* list = new (std::nothrow) CImageFileList(listSettings);
  if (list != nullptr) list->m_pObserver = observer;
}

CMainFrame::~CMainFrame() {
  delete m_pFileCommands;
  m_pFileCommands = nullptr;
  delete m_pSortCommands;
  m_pSortCommands = nullptr;
  delete g_pFileListObserver;
  delete g_pImageFileList;
  for (WCHAR*& text : m_tooltipTexts) {
    delete[] text;
    text = nullptr;
  }
}

int CMainFrame::OnCreate() {
  // 1. The framework's frame creation has made the window.
  // 2. The viewer window: the frame's first pane.
  if (!m_viewerWnd.CreateChild(this, kViewerStyle, AFX_IDW_PANE_FIRST)) return -1;
  // 3. Tooltip texts; these string ids are not the buttons' command ids.
  const UINT tips[6] = {IDS_TIP_FILE, IDS_TIP_BROWSER, IDS_TIP_BACK, IDS_TIP_ZOOM_IN, IDS_TIP_ZOOM_OUT, IDS_TIP_ABOUT};
  for (int i = 0; i < 6; ++i) {
    m_tooltipTexts[i] = LoadStringCopy(tips[i]);
    if (m_tooltipTexts[i] == nullptr) return -1;
  }
  // 4. The command bar.
  if (!m_commandBar.Create(this, kCommandBarStyle, AFX_IDW_TOOLBAR)) return -1;
  // 5. The "Tools" menu button.
  if (!m_commandBar.InsertMenuBar(m_pFileCommands != nullptr ? IDR_FILE_ACTIONS : IDR_MAINFRAME)) return -1;
  // 6. The five toolbar buttons.
  if (!m_commandBar.LoadToolBar(IDR_MAINFRAME)) return -1;
  // 7. Tooltips: the menu button's first, then the buttons' in order.
  m_commandBar.SendMessage(TB_SETTOOLTIPS, 6, (LPARAM)m_tooltipTexts);
  // 8. The bar shows tooltips and fly-by help and keeps its size.
  m_commandBar.SetBarStyle(m_commandBar.GetBarStyle() | kBarStyleAdditions);
  return 0;
}

void CMainFrame::OnSetFocus() {
  m_viewerWnd.SetFocus();
}

BOOL CMainFrame::OnCmdMsg(UINT id) {
  if (m_viewerWnd.OnCmdMsg(id)) return TRUE;
  return CFrameWnd::OnCmdMsg(id);
}

void CMainFrame::EnableFileActions() {
  if (m_pFileCommands != nullptr || g_pImageFileList == nullptr) return;
  m_pFileCommands = new (std::nothrow) CFileCommands(g_pImageFileList);
  if (m_pFileCommands != nullptr) SetExtraAccelerators(IDR_FILE_ACTIONS);
}

void CMainFrame::EnableSortOrders(std::function<void(const SortOrder&)> changed) {
  if (m_pSortCommands != nullptr || g_pImageFileList == nullptr) return;
  m_pSortCommands = new (std::nothrow) CSortCommands(g_pImageFileList, std::move(changed));
}

BOOL CMainFrame::OnFrameCommand(UINT id) {
  if (m_pSortCommands != nullptr && m_pSortCommands->OnCommand(id, m_viewerWnd)) {
    UpdateTitle();
    return TRUE;
  }
  if (m_pFileCommands != nullptr && m_pFileCommands->OnCommand(id, m_viewerWnd)) {
    UpdateTitle();
    return TRUE;
  }
  if (id == ID_APP_EXIT) {
    SendMessage(WM_CLOSE);
    return TRUE;
  }
  if (id == ID_VIEW_FULLSCREEN) {
    SetFullScreen(!IsFullScreen());
    return TRUE;
  }
  return FALSE;
}

void CMainFrame::UpdateTitle() {
  if (!IsWindow() || m_viewerWnd.m_pCurrentPage == nullptr) return;
  const bool picturePage = m_viewerWnd.IsPicturePageShown();
  PictureView view;
  const bool withView = m_bTitleShowsView && picturePage && m_viewerWnd.m_pImagePage != nullptr &&
                        m_viewerWnd.m_pImagePage->GetView(&view);
  CString caption = MakeFrameTitle(GetTitle(), g_pImageFileList, picturePage, DeviceRootName(),
                                   withView ? &view : nullptr, m_bTitleShowsPath != FALSE);
  // A running show says so, and whether it waits.
  const CSlideshow* show = m_viewerWnd.GetSlideshow();
  if (picturePage && show != nullptr && show->IsRunning()) {
    caption = WithCaptionNote(caption, show->IsPaused() ? u"Slideshow paused" : u"Slideshow");
  }
  SetWindowText(caption);
  // The file actions' menu items follow the picture the caption names.
  if (m_pFileCommands != nullptr) m_pFileCommands->UpdateMenu(m_commandBar, !m_viewerWnd.IsFolderCellCurrent());
  // The slideshow needs a picture to show.
  if (m_viewerWnd.GetSlideshow() != nullptr) {
    const BOOL any = g_pImageFileList != nullptr && g_pImageFileList->GetCount() > 0 ? TRUE : FALSE;
    m_commandBar.EnableMenuItem(ID_VIEW_SLIDESHOW, any);
  }
  if (m_pSortCommands != nullptr) m_pSortCommands->UpdateMenu(m_commandBar);
}

void CMainFrame::ShowInitialPage() {
  m_viewerWnd.ShowInitialPage();
}

void CMainFrame::SetButtonState(int id, int state) {
  m_commandBar.SendMessage(TB_SETSTATE, (WPARAM)id, MAKELPARAM((WORD)state, 0));
}

WCHAR* CMainFrame::LoadStringCopy(UINT id) {
  WCHAR buffer[256];
  // The loader is told 255 characters including the terminator: at most
  // 254 characters are taken.
  const int length = LoadString(id, buffer, 255);
  WCHAR* copy = new (std::nothrow) WCHAR[(size_t)length + 1];
  if (copy == nullptr) return nullptr;
  for (int i = 0; i < length; ++i) copy[i] = buffer[i];
  copy[length] = 0;
  return copy;
}

// Application start-up and the application's commands.
#include "app/viewerapp.h"

#include <new>

#include "app/aboutdlg.h"
#include "app/mainframe.h"
#include "filelist/imagefilelist.h"
#include "filelist/pictureload.h"
#include "folderdlg/folderdlg.h"
#include "imaging/jpegdecode.h"
#include "pages/browserpage.h"
#include "pages/imagepage.h"
#include "res/resource_ids.h"

namespace {
constexpr DWORD kFrameStyle = WS_CAPTION | FWS_ADDTOTITLE;
}  // namespace

CViewerApp::CViewerApp() {
  InstallViewerResources();
}

BOOL CViewerApp::StartViewer() {
  // 1. Registry key name; nothing is ever stored under it.
  SetRegistryKey(u"Local AppWizard-Generated Applications");
  // 2. The frame; its constructor creates the file list, which starts where
  //    the command line asked, and the observer.
  ListSettings list = m_launch.list;
  if (m_launch.profile == PROFILE_DESKTOP) list.allFormats = TRUE;
  const bool desktop = m_launch.profile == PROFILE_DESKTOP;
  // Pictures upright by their Exif orientation: the desktop's default, the
  // handheld's when asked; --no-auto-rotate shows them as stored in either.
  SetAutoRotate(!m_launch.noAutoRotate && (m_launch.autoRotate || desktop) ? TRUE : FALSE);
  // A camera file whose embedded thumbnail gives no picture gets its cell
  // from the main picture; the handheld's cell stays empty.
  SetJpegThumbnailFallback(desktop ? TRUE : FALSE);
  if (desktop) list.grows = TRUE;
  // The shared thumbnail cache is the desktop's: the handheld reads and
  // writes no files, whatever the list was handed.
  if (!desktop) list.thumbnailCache.clear();
  // Other orders are the desktop's: the handheld lists in name order.
  if (!desktop) list.sortOrder = SortOrder();
  m_sortOrder = list.sortOrder;
  m_nThumbnailSize = ClampThumbSide(m_launch.thumbnailSize);
  list.grid = GridSizesFor(m_nThumbnailSize);
  CMainFrame* frame = new (std::nothrow) CMainFrame(list);
  if (frame == nullptr) return FALSE;
  // The desktop's grid: a current cell driven by keys, cells of every size,
  // titles shortened with an ellipsis. Set before the page is first shown.
  if (desktop && frame->GetViewerWnd().m_pBrowserPage != nullptr) {
    BrowserSettings browser;
    browser.keyboardGrid = TRUE;
    browser.resizableCells = TRUE;
    browser.ellipsizeTitles = TRUE;
    browser.folderCells = TRUE;
    browser.thumbnailSideChanged = [this](int side) { m_nThumbnailSize = side; };
    frame->GetViewerWnd().m_pBrowserPage->SetSettings(browser);
  }
  // The desktop's picture page: fit and 1:1 keys, zooms about the pointer,
  // and a caption that gives the picture's size and zoom.
  if (desktop && frame->GetViewerWnd().m_pImagePage != nullptr) {
    ImagePageSettings picture;
    picture.fitAndActualSizeKeys = TRUE;
    picture.zoomAtPointer = TRUE;
    picture.playAnimations = TRUE;
    frame->GetViewerWnd().m_pImagePage->SetSettings(picture);
    frame->m_bTitleShowsView = TRUE;
    // F5's slideshow, at the command line's pace.
    frame->GetViewerWnd().EnableSlideshow(m_launch.slideshowPaceMs);
    frame->m_bTitleShowsPath = TRUE;
  }
  // The desktop's file actions (Trash, turns, rename, copy, move); the
  // handheld writes nothing.
  if (desktop) frame->EnableFileActions();
  if (desktop) frame->EnableSortOrders([this](const SortOrder& order) { m_sortOrder = order; });
  // The desktop's information panel (i); the handheld never had one.
  if (desktop) frame->GetViewerWnd().EnableInfoPanel();
  // 3. AfxGetMainWnd finds the frame from here on, while it is being created too.
  m_pMainWnd = frame;
  // 4. Frame window from resource 128. A frame that cannot be created has
  // deleted itself; the program then ends without showing anything.
  if (!frame->LoadFrame(IDR_MAINFRAME, kFrameStyle)) {
    m_pMainWnd = nullptr;
    return FALSE;
  }
  // 5. Show it as the launcher asked, full screen when asked.
  frame->ShowWindow(m_nCmdShow);
  if (m_launch.fullScreen) frame->SetFullScreen(TRUE);
  // 6. The browser page becomes current; a picture the command line named
  // opens as if tapped; the caption says where the user is.
  frame->ShowInitialPage();
  if (!m_launch.startPicture.empty()) frame->GetViewerWnd().OpenPicture(m_launch.startPicture);
  frame->UpdateTitle();
  // 7. Paint what is invalid now.
  frame->UpdateWindow();
  return TRUE;
}

BOOL CViewerApp::OnCmdMsg(UINT id) {
  switch (id) {
    case ID_APP_ABOUT: {
      CAboutDlg dialog;
      dialog.DoModal();
      return TRUE;
    }
    case ID_BROWSER: {
      CFolderDlg dialog;
      dialog.DoModal();
      return TRUE;
    }
    default:
      return FALSE;
  }
}

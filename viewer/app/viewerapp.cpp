// Application start-up and the application's commands.
#include "app/viewerapp.h"

#include <new>

#include "app/aboutdlg.h"
#include "app/mainframe.h"
#include "filelist/imagefilelist.h"
#include "filelist/pictureload.h"
#include "folderdlg/folderdlg.h"
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
  SetAutoRotate(m_launch.autoRotate);
  ListSettings list = m_launch.list;
  if (m_launch.profile == PROFILE_DESKTOP) list.allFormats = TRUE;
  if (m_launch.profile == PROFILE_DESKTOP) list.grows = TRUE;
  // The shared thumbnail cache is the desktop's: the handheld reads and
  // writes no files, whatever the list was handed.
  if (m_launch.profile != PROFILE_DESKTOP) list.thumbnailCache.clear();
  CMainFrame* frame = new (std::nothrow) CMainFrame(list);
  if (frame == nullptr) return FALSE;
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

// The main frame's file-list observer.
#include "app/viewerlistobserver.h"

#include "app/mainframe.h"
#include "platform/window/app.h"

void CViewerListObserver::OnFileListEvent(int code) {
  if (code != 0) return;
  CMainFrame* frame = static_cast<CMainFrame*>(AfxGetMainWnd());
  if (frame != nullptr) frame->GetViewerWnd().NotifyListChanged();
}

void CViewerListObserver::OnThumbnailReady(int index, CDib thumbnail) {
  CMainFrame* frame = static_cast<CMainFrame*>(AfxGetMainWnd());
  if (frame == nullptr) return;
  CPage* page = frame->GetViewerWnd().m_pCurrentPage;
  if (page != nullptr) page->OnThumbnailReady(index, thumbnail);
}

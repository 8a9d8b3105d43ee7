// The main frame's file-list observer.
#include "app/viewerlistobserver.h"

#include "app/mainframe.h"
#include "platform/app.h"

void CViewerListObserver::OnFileListEvent(int code) {
  if (code != 0) return;
  CMainFrame* frame = static_cast<CMainFrame*>(AfxGetMainWnd());
  if (frame != nullptr) frame->GetViewerWnd().NotifyListChanged();
}

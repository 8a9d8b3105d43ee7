// File-list observers and the process-wide observer pointer.
#include "shell/listobserver.h"

#include "platform/app.h"
#include "shell/mainframe.h"

CFileListObserver* g_pFileListObserver = nullptr;

CFileListObserver::CFileListObserver() {
  if (g_pFileListObserver == nullptr) g_pFileListObserver = this;
}

CFileListObserver::~CFileListObserver() {
  if (g_pFileListObserver == this) g_pFileListObserver = nullptr;
}

void CViewerListObserver::OnFileListEvent(int code) {
  if (code != 0) return;
  CMainFrame* frame = static_cast<CMainFrame*>(AfxGetMainWnd());
  if (frame != nullptr) frame->GetViewerWnd().NotifyListChanged();
}

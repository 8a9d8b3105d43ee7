// The process-wide file-list observer pointer and its registration rules.
#include "filelist/listobserver.h"

CFileListObserver* g_pFileListObserver = nullptr;

CFileListObserver::CFileListObserver() {
  if (g_pFileListObserver == nullptr) g_pFileListObserver = this;
}

CFileListObserver::~CFileListObserver() {
  if (g_pFileListObserver == this) g_pFileListObserver = nullptr;
}

void CFileListObserver::OnThumbnailReady(int /*index*/, CDib /*thumbnail*/) {}

// The file-list observer: how the picture file list's notice that it was
// rebuilt (code 0) reaches whoever shows it. The first observer constructed
// registers itself as the process-wide observer.
#pragma once

class CFileListObserver {
 public:
  CFileListObserver();
  virtual ~CFileListObserver();
  virtual void OnFileListEvent(int code) = 0;
};

extern CFileListObserver* g_pFileListObserver;

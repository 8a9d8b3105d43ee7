// The file-list observer: how the picture file list's notice that it was
// rebuilt (code 0) reaches the current page. The first observer constructed
// registers itself as the process-wide observer.
#pragma once

class CFileListObserver {
 public:
  CFileListObserver();
  virtual ~CFileListObserver();
  virtual void OnFileListEvent(int code) = 0;
};

extern CFileListObserver* g_pFileListObserver;

// The main frame's observer: code 0 goes to the viewer window's
// NotifyListChanged; other codes are ignored.
class CViewerListObserver : public CFileListObserver {
 public:
  void OnFileListEvent(int code) override;
};

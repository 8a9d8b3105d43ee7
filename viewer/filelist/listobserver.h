// The file-list observer: how the picture file list's notice that it was
// rebuilt (code 0) reaches whoever shows it. The first observer constructed
// registers itself as the process-wide observer.
#pragma once

#include "imaging/dib.h"

class CFileListObserver {
 public:
  CFileListObserver();
  virtual ~CFileListObserver();
  virtual void OnFileListEvent(int code) = 0;
  // A thumbnail asked for by a paint has come from the thumbnail maker, for
  // the cell of `index`; `thumbnail` stays the list's. Nothing by default.
  virtual void OnThumbnailReady(int index, CDib thumbnail);
};

extern CFileListObserver* g_pFileListObserver;

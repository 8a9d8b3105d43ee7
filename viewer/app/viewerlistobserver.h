// The main frame's file-list observer: code 0 goes to the viewer window's
// NotifyListChanged, other codes are ignored; thumbnails made in the
// background go to the current page.
#pragma once

#include "filelist/listobserver.h"

class CViewerListObserver : public CFileListObserver {
 public:
  void OnFileListEvent(int code) override;
  // Goes to the viewer window's current page.
  void OnThumbnailReady(int index, CDib thumbnail) override;
};

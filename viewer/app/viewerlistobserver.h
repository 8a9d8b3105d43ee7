// The main frame's file-list observer: code 0 goes to the viewer window's
// NotifyListChanged; other codes are ignored.
#pragma once

#include "filelist/listobserver.h"

class CViewerListObserver : public CFileListObserver {
 public:
  void OnFileListEvent(int code) override;
};

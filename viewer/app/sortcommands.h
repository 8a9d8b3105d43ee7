// The desktop's sort orders in the Tools menu: by name, date taken,
// modification time or file size, and the reversal of the one chosen. The
// grid and the picture page keep the current picture through a change;
// the application is told each new order so that it can be kept. Only the
// desktop's frame has them; the handheld stays in name order.
#pragma once

#include <functional>

#include "filelist/imagefilelist.h"
#include "platform/controls/cmdbar.h"

class CViewerWnd;

class CSortCommands {
 public:
  CSortCommands(CImageFileList* list, std::function<void(const SortOrder&)> changed)
      : m_pList(list), m_changed(std::move(changed)) {}

  // TRUE when `id` is one of the sort commands (taken or not).
  BOOL OnCommand(UINT id, CViewerWnd& view);
  // Checks in `bar`'s menu the list's key, and Reverse Order when reversed.
  void UpdateMenu(CCommandBar& bar) const;

 private:
  CImageFileList* m_pList;
  std::function<void(const SortOrder&)> m_changed;
};

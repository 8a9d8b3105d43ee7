// The desktop's information panel: what the current picture's file says of
// itself (name, folder, size, format, pixels, the camera's Exif facts, the
// colour profile), one fact a line, in a band of fixed width at the right
// edge of the viewer area. It describes the list's current picture, which
// is the picture page's and the grid's current cell alike, or the folder
// whose cell is current in the grid. The viewer
// window draws it after the page, so screenshots hold it; the pages lay
// themselves out in what is left beside it.
#pragma once

#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"
#include "platform/draw/gdi.h"

class CInfoPanel {
 public:
  // The band's width; a client area narrower than twice that gives the
  // panel half of it.
  static constexpr int kWidth = 240;
  static int WidthFor(int clientWidth);

  BOOL IsShown() const { return m_bShown; }
  void Toggle();
  // The facts are read again at the next look (the file may have changed).
  void Forget() { m_bRead = false; }

  // The device path of the folder cell current in the grid, which the panel
  // then describes instead of the current picture; empty for none.
  void SetFolderSubject(const CString& folder) { m_folderSubject = folder; }

  // TRUE when the current subject is not the one the lines are of.
  BOOL SubjectChanged() const;
  // The lines of the current picture (read when it changed): "Name: …",
  // "Folder: …", then the facts' lines; "No picture" without one. For a
  // folder cell: its name, the folder it is in, and "Type: Folder".
  const std::vector<std::string>& Lines();
  // Draws the lines into `band`, each label in grey and its value after it,
  // cut with "…" where the band ends.
  void Paint(HDC dc, const RECT& band);

 private:
  CString CurrentPath() const;

  BOOL m_bShown = FALSE;
  bool m_bRead = false;
  CString m_folderSubject;
  CString m_path;
  bool m_bFolder = false;
  std::vector<std::string> m_lines;
};

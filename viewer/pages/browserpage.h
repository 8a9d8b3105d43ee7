// The thumbnail browser page: the current folder's pictures as a grid of
// thumbnails with titles, scrolled by whole rows; a tap opens one. The
// desktop adds a current cell driven by keys, cell sizes and short titles.
#pragma once

#include <functional>

#include "filelist/folderlisting.h"
#include "imaging/dib.h"
#include "pages/gridlayout.h"
#include "shell/page.h"

// What the page does beyond the handheld's grid; the defaults are the
// handheld's (64-pixel cells from the list's grid, no current cell, the
// handheld's keys on release, titles clipped at both ends).
struct BrowserSettings {
  // A current cell (the list's m_nCurrent) is drawn and moved by the
  // arrows, Page Up/Down, Home and End; Return or Space opens it. These
  // keys act when pressed, and again with the key's auto-repeat, as a
  // desktop user expects; the handheld's keys acted on release.
  BOOL keyboardGrid = FALSE;
  // Ctrl + wheel, + and - (alone or with Ctrl) step the thumbnail side along
  // the ladder of gridsizes.h.
  BOOL resizableCells = FALSE;
  // A title wider than its box ends in "…", the start of the name kept whole.
  BOOL ellipsizeTitles = FALSE;
  // The folder's subfolders come first, as folder cells in name order
  // (green when they hold pictures), then the pictures. A tap, Return or
  // Space enters a folder as Select Folder's OK does; BackSpace or Alt+Up
  // goes to the parent folder, never above the device root, and its cell
  // becomes current. The list's indices keep counting pictures only.
  BOOL folderCells = FALSE;
  // Told of every side the user picks, so that it can be remembered.
  std::function<void(int side)> thumbnailSideChanged;
};

class CBrowserPage : public CPage {
 public:
  explicit CBrowserPage(IPageHost* owner);
  ~CBrowserPage() override;

  void SetSettings(const BrowserSettings& settings) { m_settings = settings; }
  const BrowserSettings& GetSettings() const { return m_settings; }

  void Paint(HDC dc) override;
  void OnLButtonUp(UINT flags, const POINT& point) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;
  void OnKeyUp(UINT virtualKey, UINT repeat, UINT flags) override;
  void Activate() override;
  // Leaving for the picture page: its picture is the current cell on return.
  BOOL CanDeactivate(int nextPage) override;
  void OnVScroll(UINT code, UINT position) override;
  void OnListChanged() override;
  BOOL GetClientRect(RECT* out) override;
  void OnSize() override;
  // Draws an arrived thumbnail into its cell at once, if the cell is shown.
  void OnThumbnailReady(int index, HMEMBLOCK thumbnail) override;
  // Ctrl + wheel steps the thumbnail side when cells are resizable; the
  // wheel otherwise scrolls by rows.
  void OnMouseWheel(UINT flags, int delta) override;

  // The grid takes thumbnails of `side` pixels (64 … 256): the list's cache
  // starts again for them, the current picture stays in view, and the
  // settings' hook hears of it. Nothing when the side is the one shown.
  void SetThumbnailSide(int side);

  // The current cell is a folder cell (file actions have no picture then).
  bool IsFolderCurrent() const;
  // The device path of the current folder cell; empty when a picture's cell
  // is current.
  CString CurrentFolderPath() const;
  // The folder cells look for pictures again when next drawn: pictures may
  // have gone into one of their folders.
  void ForgetFolderLooks() { m_folders.ForgetLooks(); }

 private:
  GridLayout CurrentGrid();
  int PictureCount() const;
  // Cells: the folder cells (none without folderCells), then one a picture;
  // cell F + i is picture i. Without folder cells the first and current
  // cells are the list's first shown and current pictures.
  int FolderCount() const;
  int CellCount() const { return FolderCount() + PictureCount(); }
  int FirstCell() const;
  void SetFirstCell(int cell);
  int CurrentCell() const;
  BOOL SetCurrentCell(int cell);
  // Lists the subfolders again when the list has changed folders; the first
  // cell becomes current.
  void SyncFolders();
  // Into folder cell `folder`, or up to the parent folder; both go through
  // the list's folder change.
  void EnterFolder(int folder);
  void GoToParent();
  // After a folder change: the cells of the folder now shown, the cell of
  // the folder named `cameFrom` (if any) current and in view.
  void FollowFolder(const CString& target, const CString& cameFrom);
  // Sets the viewer's scroll sizes for the current grid; repeated while the
  // scroll bar's coming or going changes the client area.
  GridLayout LayOut();
  void PaintCell(HDC dc, const GridLayout& grid, int cell, int x, int y);
  void PaintTitle(HDC dc, const GridLayout& grid, const CString& title, int x, int y);
  void PaintThumbnailAndFrame(HDC dc, const GridSizes& sizes, CDib thumbnail, int x, int y);
  // The current cell's mark around the frame, or (on = false) the window's
  // colour where a mark may have been.
  void PaintMark(HDC dc, const GridSizes& sizes, int x, int y, bool on);
  // Paints `cell` again now, if it is on the screen.
  void RepaintCell(int cell);
  // The top row that shows the current picture, as this grid shows it.
  int TopRowShowingCurrent(const GridLayout& grid);
  // Moves the current cell and scrolls by whole rows until it is shown.
  void MoveCurrent(GridMove move);
  // The snapping scroll shared by every scroll path.
  void SnapScroll(int x, long long y);
  // Brings `row` to the top of the screen (as far as the range allows); the
  // one way every caller shows a row.
  void ScrollToRow(const GridLayout& grid, int row);

  BrowserSettings m_settings;
  CFolderListing m_folders;
  // With folder cells: the first cell shown, and the current folder cell
  // (-1 when the current cell is the list's current picture).
  int m_nFirstCell = 0;
  int m_nCurrentFolder = -1;
  bool m_bInLayout = false;
  bool m_bSizeChanged = false;
};

// The thumbnail browser page: the current folder's pictures as a grid of
// thumbnails with titles, scrolled by whole rows; a tap opens one. The
// desktop adds a current cell driven by keys, cell sizes and short titles.
#pragma once

#include <functional>

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

 private:
  GridLayout CurrentGrid();
  int PictureCount() const;
  // Sets the viewer's scroll sizes for the current grid; repeated while the
  // scroll bar's coming or going changes the client area.
  GridLayout LayOut();
  void PaintCell(HDC dc, const GridLayout& grid, int index, int x, int y);
  void PaintThumbnailAndFrame(HDC dc, const GridSizes& sizes, CDib thumbnail, int x, int y);
  // The current cell's mark around the frame, or (on = false) the window's
  // colour where a mark may have been.
  void PaintMark(HDC dc, const GridSizes& sizes, int x, int y, bool on);
  // Paints picture `index` again now, if its cell is on the screen.
  void RepaintCell(int index);
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
  bool m_bInLayout = false;
  bool m_bSizeChanged = false;
};

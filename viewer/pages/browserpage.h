// The thumbnail browser page: the current folder's pictures as a grid of
// 64 × 64 thumbnails with titles, scrolled by whole rows; a tap opens one.
#pragma once

#include "imaging/dib.h"
#include "pages/gridlayout.h"
#include "shell/page.h"

class CBrowserPage : public CPage {
 public:
  explicit CBrowserPage(IPageHost* owner);
  ~CBrowserPage() override;

  void Paint(HDC dc) override;
  void OnLButtonUp(UINT flags, const POINT& point) override;
  void OnKeyUp(UINT virtualKey, UINT repeat, UINT flags) override;
  void Activate() override;
  void OnVScroll(UINT code, UINT position) override;
  void OnListChanged() override;
  BOOL GetClientRect(RECT* out) override;
  void OnSize() override;
  // Draws an arrived thumbnail into its cell at once, if the cell is shown.
  void OnThumbnailReady(int index, HMEMBLOCK thumbnail) override;

 private:
  GridLayout CurrentGrid();
  int PictureCount() const;
  // Sets the viewer's scroll sizes for the current grid; repeated while the
  // scroll bar's coming or going changes the client area.
  GridLayout LayOut();
  void PaintCell(HDC dc, const GridLayout& grid, int index, int x, int y);
  void PaintThumbnailAndFrame(HDC dc, const GridSizes& sizes, CDib thumbnail, int x, int y);
  // The snapping scroll shared by every scroll path.
  void SnapScroll(int x, long long y);
  // Brings `row` to the top of the screen (as far as the range allows); the
  // one way every caller shows a row.
  void ScrollToRow(const GridLayout& grid, int row);

  bool m_bInLayout = false;
  bool m_bSizeChanged = false;
};

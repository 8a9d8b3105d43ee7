// The browser page's grid: columns, rows and gaps for a client area, the
// scroll geometry, and the tap hit test over rows × cols equal regions.
#pragma once

struct GridLayout {
  int width;       // client width W
  int height;      // client height H
  int cellHeight;  // C: 80 with titles, 64 without
  int cols;
  int gapX;
  int rows;
  int gapY;
};

struct GridScroll {
  bool needed;  // more pictures than one page shows
  int totalHeight;
  int pageHeight;
  int lineHeight;
};

GridLayout ComputeGridLayout(int width, int height, bool titles);
// How far the bottom row of the screen, as painted, runs past the client
// area's bottom edge beyond what it may lose (two empty pixels of a title box);
// 0 or less when it is whole.
int GridLastRowOverrun(const GridLayout& grid);
// Scroll sizes for `count` pictures; not needed (all zero) when one page
// holds them, or the window is too small for one row. When the screen's
// bottom row runs over, a page is one row less.
GridScroll ComputeGridScroll(const GridLayout& grid, int count);
// The cell a point falls into, row by row; -1 when the grid has no cell or
// the point lies outside the client area.
int GridHitTest(const GridLayout& grid, int x, int y);
// Row pitch while painting: two pixels more than C + gapY with titles.
inline int GridRowPitch(const GridLayout& grid, bool titles) {
  return (titles ? 82 : 64) + grid.gapY;
}
// Where painting puts the thumbnail box of `cell` (counted from the first
// cell shown, row by row): the place the paint's walk reaches after `cell`
// steps of 64 + gapX that wrap after `cols` cells.
void GridCellOrigin(const GridLayout& grid, bool titles, int cell, int* x, int* y);

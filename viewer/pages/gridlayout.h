// The browser page's grid: columns, rows and gaps for a client area, the
// scroll geometry, the tap hit test over rows × cols equal regions, where
// painting puts a cell, the scroll position that shows a row, and where
// the desktop's keys move the current cell.
#pragma once

#include "filelist/gridsizes.h"

struct GridLayout {
  GridSizes sizes;
  bool titles;
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

GridLayout ComputeGridLayout(int width, int height, bool titles, const GridSizes& sizes = kHandheldGrid);
// How far the bottom row of the screen, as painted, runs past the client
// area's bottom edge beyond what it may lose (two empty pixels of a title box);
// 0 or less when it is whole.
int GridLastRowOverrun(const GridLayout& grid);
// Scroll sizes for `count` pictures; not needed (all zero) when one page
// holds them, or the window is too small for one row. When the screen's
// bottom row runs over, a page is one row less.
GridScroll ComputeGridScroll(const GridLayout& grid, int count);
// The rows a page shows whole: one less than `rows` when the bottom row runs
// over (as ComputeGridScroll counts a page), but at least 1 while the grid
// has rows: the current cell needs a row to stand on.
int GridWholeRows(const GridLayout& grid);
// The cell a point falls into, row by row; -1 when the grid has no cell or
// the point lies outside the client area.
int GridHitTest(const GridLayout& grid, int x, int y);
// Row pitch while painting: two pixels more than C + gapY with titles.
inline int GridRowPitch(const GridLayout& grid) {
  return (grid.titles ? grid.sizes.titledPitch : grid.sizes.thumb) + grid.gapY;
}
// Where painting puts the thumbnail box of `cell` (counted from the first
// cell shown, row by row): the place the paint's walk reaches after `cell`
// steps of thumb + gapX that wrap after `cols` cells.
void GridCellOrigin(const GridLayout& grid, int cell, int* x, int* y);

// Bringing a picture into view. The top row that shows `current` when the
// screen starts at `firstShown`: unchanged when its row is on the screen,
// else the row that makes it the last row shown (below) or the first
// (above). The grid must have columns and rows.
int GridTopRowShowing(const GridLayout& grid, int firstShown, int current);
// The same with the row shown whole, its title included: the desktop's
// current cell is never left on a bottom row that runs over.
int GridTopRowShowingWhole(const GridLayout& grid, int firstShown, int current);
// The scroll position of `row`'s top for the snapping scroll: row × H / rows,
// multiplied first. Dividing first (row × line height) loses H mod rows on
// every row, and the snap then lands a row short far down a folder.
long long GridRowPosition(const GridLayout& grid, int row);

// Moves of the desktop's current cell.
enum GridMove {
  GRID_MOVE_LEFT,       // the cell before
  GRID_MOVE_RIGHT,      // the cell after
  GRID_MOVE_UP,         // the cell above; none on the first row
  GRID_MOVE_DOWN,       // the cell below, or the last one when the row below is shorter; none on the last row
  GRID_MOVE_PAGE_UP,    // as many rows up as a page shows whole, at most to the first row's cell
  GRID_MOVE_PAGE_DOWN,  // as many rows down, at most to the last picture
  GRID_MOVE_FIRST,
  GRID_MOVE_LAST,
};
// The cell a move leads to among `count` pictures; `current` when it leads
// nowhere. The grid must have columns and rows.
int GridMoveTarget(const GridLayout& grid, int count, int current, GridMove move);

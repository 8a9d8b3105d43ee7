// Grid geometry of the browser page, in truncating integer steps.
#include "pages/gridlayout.h"

GridLayout ComputeGridLayout(int width, int height, bool titles, const GridSizes& sizes) {
  GridLayout g;
  g.sizes = sizes;
  g.titles = titles;
  g.width = width;
  g.height = height;
  g.cellHeight = titles ? sizes.titledCell : sizes.thumb;
  g.cols = (width - sizes.minGap) / (sizes.thumb + sizes.minGap);
  g.gapX = (width - sizes.thumb * g.cols) / (g.cols + 1);
  g.rows = (height - sizes.minGap) / (g.cellHeight + sizes.minGap);
  g.gapY = (height - g.cellHeight * g.rows) / (g.rows + 1);
  // A window narrower than the least gap would give a negative count.
  if (g.cols < 0) g.cols = 0;
  if (g.rows < 0) g.rows = 0;
  return g;
}

int GridLastRowOverrun(const GridLayout& grid) {
  if (grid.rows <= 0) return 0;
  // What a cell needs whole: with titles the box down to its title's text
  // (the empty pixels at the bottom of the title box may go), without them
  // the frame's bottom line.
  const int needed = grid.titles ? grid.sizes.titleBottom - grid.sizes.titleSpare : grid.sizes.thumb + 1;
  return grid.gapY + (grid.rows - 1) * GridRowPitch(grid) + needed - grid.height;
}

GridScroll ComputeGridScroll(const GridLayout& grid, int count) {
  GridScroll s = {false, 0, 0, 0};
  if (grid.rows <= 0 || grid.height <= 0) return s;
  // In tall windows the bottom row of the screen runs past the edge and its
  // titles are cut (rows are counted with a pitch of 86, painted 88 and more
  // apart). A page is then one row less: paging brings the cut row up whole
  // instead of stepping over it, and the bottom of the range shows the
  // folder's last row above the cut one. Positions stay on whole rows.
  const bool cut = GridLastRowOverrun(grid) > 0;
  const int pageRows = cut ? grid.rows - 1 : grid.rows;
  if (count <= grid.cols * pageRows) return s;
  const int columns = grid.cols < 1 ? 1 : grid.cols;
  const long long totalRows = count / columns + (count % columns != 0 ? 1 : 0);
  s.needed = true;
  s.totalHeight = (int)((long long)grid.height * totalRows / grid.rows);
  s.pageHeight = (int)((long long)grid.height * pageRows / grid.rows);
  s.lineHeight = grid.height / grid.rows;
  return s;
}

int GridWholeRows(const GridLayout& grid) {
  // A window of one row that runs over still shows that row, cut.
  if (grid.rows <= 1) return grid.rows;
  return GridLastRowOverrun(grid) > 0 ? grid.rows - 1 : grid.rows;
}

int GridHitTest(const GridLayout& grid, int x, int y) {
  if (grid.cols <= 0 || grid.rows <= 0 || grid.width <= 0 || grid.height <= 0) return -1;
  if (x < 0 || y < 0 || x > grid.width || y > grid.height) return -1;
  int row = (int)((long long)y * grid.rows / grid.height);
  if (row == grid.rows) row = grid.rows - 1;
  int column = (int)((long long)x * grid.cols / grid.width);
  if (column == grid.cols) column = grid.cols - 1;
  return row * grid.cols + column;
}

void GridCellOrigin(const GridLayout& grid, int cell, int* x, int* y) {
  const int columns = grid.cols < 1 ? 1 : grid.cols;
  *x = grid.gapX + (cell % columns) * (grid.sizes.thumb + grid.gapX);
  *y = grid.gapY + (cell / columns) * GridRowPitch(grid);
}

namespace {

int TopRowShowing(int cols, int rowsShown, int firstShown, int current) {
  const int topRow = firstShown / cols;
  const int currentRow = current / cols;
  if (currentRow >= topRow + rowsShown) return currentRow - rowsShown + 1;
  if (currentRow < topRow) return currentRow;
  return topRow;
}

}  // namespace

int GridTopRowShowing(const GridLayout& grid, int firstShown, int current) {
  return TopRowShowing(grid.cols, grid.rows, firstShown, current);
}

int GridTopRowShowingWhole(const GridLayout& grid, int firstShown, int current) {
  return TopRowShowing(grid.cols, GridWholeRows(grid), firstShown, current);
}

int GridMoveTarget(const GridLayout& grid, int count, int current, GridMove move) {
  if (count <= 0 || grid.cols <= 0) return current;
  const int last = count - 1;
  const int step = grid.cols * GridWholeRows(grid);
  int target = current;
  switch (move) {
    case GRID_MOVE_LEFT:
      target = current - 1;
      break;
    case GRID_MOVE_RIGHT:
      target = current + 1;
      break;
    case GRID_MOVE_UP:
      target = current - grid.cols;
      break;
    case GRID_MOVE_DOWN:
      // A shorter last row below: its last picture, as file managers do.
      if (current / grid.cols < last / grid.cols) target = current + grid.cols < last ? current + grid.cols : last;
      break;
    case GRID_MOVE_PAGE_UP:
      target = current - step < 0 ? current % grid.cols : current - step;
      break;
    case GRID_MOVE_PAGE_DOWN:
      target = current + step > last ? last : current + step;
      break;
    case GRID_MOVE_FIRST:
      target = 0;
      break;
    case GRID_MOVE_LAST:
      target = last;
      break;
  }
  return target < 0 || target > last ? current : target;
}

long long GridRowPosition(const GridLayout& grid, int row) {
  return (long long)row * grid.height / grid.rows;
}

// Browser page: painting the grid, taps, keys, cell sizes, activation and
// snapping scroll. Folder cells are in browsercells.cpp.
#include "pages/browserpage.h"

#include "filelist/imagefilelist.h"
#include "imaging/dibdraw.h"
#include "pages/foldercell.h"
#include "platform/window/resource.h"
#include "platform/window/wnd.h"
#include "res/resource_ids.h"
#include "shell/memblock.h"

namespace {

constexpr COLORREF kFrameColour = RGB(128, 128, 128);
// The current cell's mark: two pixels of a selection blue around the grey
// frame, which stand out against the window's white and against the frame
// whatever the thumbnail holds, and a white line just inside the frame that
// parts the frame from a dark or blue thumbnail.
constexpr COLORREF kMarkColour = RGB(28, 113, 216);
constexpr COLORREF kMarkInnerColour = RGB(255, 255, 255);
constexpr int kMarkWidth = 2;

void FillBand(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  const RECT band = {left, top, right, bottom};
  FillSolidRect(dc, &band, colour);
}

// The keys of the desktop's current cell and the moves they make.
bool MoveOfKey(UINT virtualKey, GridMove* move) {
  switch (virtualKey) {
    case VK_LEFT:
      *move = GRID_MOVE_LEFT;
      return true;
    case VK_RIGHT:
      *move = GRID_MOVE_RIGHT;
      return true;
    case VK_UP:
      *move = GRID_MOVE_UP;
      return true;
    case VK_DOWN:
      *move = GRID_MOVE_DOWN;
      return true;
    case VK_PRIOR:
      *move = GRID_MOVE_PAGE_UP;
      return true;
    case VK_NEXT:
      *move = GRID_MOVE_PAGE_DOWN;
      return true;
    case VK_HOME:
      *move = GRID_MOVE_FIRST;
      return true;
    case VK_END:
      *move = GRID_MOVE_LAST;
      return true;
    default:
      return false;
  }
}

}  // namespace

CBrowserPage::CBrowserPage(IPageHost* owner) : CPage(owner) {}

CBrowserPage::~CBrowserPage() = default;

GridLayout CBrowserPage::CurrentGrid() {
  RECT rc = {0, 0, 0, 0};
  GetClientRect(&rc);
  const bool titles = g_pImageFileList == nullptr || g_pImageFileList->m_bShowTitles != 0;
  const GridSizes sizes = g_pImageFileList != nullptr ? g_pImageFileList->GetGridSizes() : kHandheldGrid;
  return ComputeGridLayout(rc.right - rc.left, rc.bottom - rc.top, titles, sizes);
}

void CBrowserPage::Paint(HDC dc) {
  RECT rc = {0, 0, 0, 0};
  GetClientRect(&rc);
  // A folder changed without a word to the page (a folder without entries
  // tells nobody) gets its cells now.
  if (m_settings.folderCells && g_pImageFileList != nullptr &&
      (!m_folders.IsListed() || m_folders.Folder() != g_pImageFileList->m_strFolder)) {
    SyncFolders();
    LayOut();
  }
  const GridLayout grid = CurrentGrid();
  const int count = CellCount();
  if (count == 0) {
    WCHAR text[256];
    LoadString(IDS_NO_PICTURES, text, 256);
    RECT box = rc;
    box.top = (rc.top + rc.bottom) / 2 - 10;
    DrawText(dc, text, -1, &box, DT_CENTER);
    return;
  }
  if (grid.cols <= 0 || grid.rows <= 0) return;
  int i = FirstCell();
  if (i < 0) return;
  // Thumbnails asked for by earlier paints and not yet started are dropped:
  // this paint asks again for what it shows, in grid order.
  g_pImageFileList->BeginThumbnailPass();
  int x = grid.gapX;
  int y = grid.gapY;
  int row = 0;
  for (;;) {
    PaintCell(dc, grid, i, x, y);
    x += grid.sizes.thumb + grid.gapX;
    if (x + grid.sizes.thumb > grid.width) {
      x = grid.gapX;
      y += GridRowPitch(grid);
      ++row;
    }
    // Every row that the grid counts is painted; what runs past the bottom
    // edge is clipped by the window.
    if (row >= grid.rows || i + 1 > count - 1) break;
    ++i;
  }
}

void CBrowserPage::PaintCell(HDC dc, const GridLayout& grid, int cell, int x, int y) {
  CImageFileList* list = g_pImageFileList;
  const int folders = FolderCount();
  const bool current = cell == CurrentCell();
  // A paint without erase must not leave the mark of a cell that was current.
  if (m_settings.keyboardGrid && !current) PaintMark(dc, grid.sizes, x, y, false);
  CString title;
  if (cell < folders) {
    // A folder shows its whole name: a dot in it starts no extension.
    title = m_folders.GetName(cell);
    DrawFolderCell(dc, x, y, grid.sizes.thumb, m_folders.HoldsPictures(cell) == CFolderListing::kHolds);
    PaintThumbnailAndFrame(dc, grid.sizes, nullptr, x, y);
  } else {
    list->GetTitle(cell - folders, title);
    // A cell whose file gives no picture shows only its frame and title; so
    // does one whose thumbnail is being made in the background, until it comes.
    const CDibOwner thumbnail(list->GetOrMakeThumbnail(cell - folders));
    PaintThumbnailAndFrame(dc, grid.sizes, thumbnail.Get(), x, y);
  }
  if (m_settings.keyboardGrid && current) PaintMark(dc, grid.sizes, x, y, true);
  PaintTitle(dc, grid, title, x, y);
}

void CBrowserPage::PaintTitle(HDC dc, const GridLayout& grid, const CString& title, int x, int y) {
  if (!grid.titles) return;
  RECT titleBox = {x, y + grid.sizes.titleTop, x + grid.sizes.thumb, y + grid.sizes.titleBottom};
  const UINT shortened = m_settings.ellipsizeTitles ? (UINT)DT_END_ELLIPSIS : 0u;
  DrawText(dc, title.c_str(), -1, &titleBox, DT_CENTER | DT_VCENTER | shortened);
}

void CBrowserPage::PaintMark(HDC dc, const GridSizes& sizes, int x, int y, bool on) {
  const int side = sizes.thumb;
  const int w = kMarkWidth;
  const COLORREF ring = on ? kMarkColour : kWindowColour;
  // The ring: the bands just outside the frame's lines at x, y, x + side
  // and y + side.
  FillBand(dc, x - w, y - w, x + side + 1 + w, y, ring);
  FillBand(dc, x - w, y + side + 1, x + side + 1 + w, y + side + 1 + w, ring);
  FillBand(dc, x - w, y, x, y + side + 1, ring);
  FillBand(dc, x + side + 1, y, x + side + 1 + w, y + side + 1, ring);
  // The inner line lies over the thumbnail's outer pixels; a cell that is
  // no longer current gets them back with its thumbnail.
  if (!on) return;
  FillBand(dc, x + 1, y + 1, x + side, y + 2, kMarkInnerColour);
  FillBand(dc, x + 1, y + side - 1, x + side, y + side, kMarkInnerColour);
  FillBand(dc, x + 1, y + 2, x + 2, y + side - 1, kMarkInnerColour);
  FillBand(dc, x + side - 1, y + 2, x + side, y + side - 1, kMarkInnerColour);
}

void CBrowserPage::PaintThumbnailAndFrame(HDC dc, const GridSizes& sizes, CDib thumbnail, int x, int y) {
  const int side = sizes.thumb;
  if (thumbnail != nullptr) {
    const RECT box = {x, y, x + side, y + side};
    DrawDibFit(thumbnail, &box, dc);
  }
  // The grey frame lies on the box's right and bottom edge lines; its top
  // and left lines cross the thumbnail's first row and column, so it is
  // drawn after the thumbnail.
  HPEN pen = CreatePen(PS_SOLID, 1, kFrameColour);
  HGDIOBJ previous = SelectObject(dc, pen);
  const POINT frame[5] = {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}};
  Polyline(dc, frame, 5);
  SelectObject(dc, previous);
  DeleteObject(pen);
}

void CBrowserPage::OnThumbnailReady(int index, HMEMBLOCK thumbnail) {
  CScrollView* view = View();
  if (view == nullptr || g_pImageFileList == nullptr || thumbnail == nullptr) return;
  // A paint on its way draws every cell from the cache anyway.
  if (view->IsPaintPending()) return;
  const GridLayout grid = CurrentGrid();
  if (index < 0 || index >= PictureCount()) return;
  const int cell = FolderCount() + index;
  const int shown = cell - FirstCell();
  if (grid.cols <= 0 || grid.rows <= 0 || shown < 0 || shown >= grid.cols * grid.rows) return;
  int x = 0, y = 0;
  GridCellOrigin(grid, shown, &x, &y);
  // Only the thumbnail box and its frame: the title is there already.
  HDC dc = view->GetDC();
  if (dc == nullptr) return;
  PaintThumbnailAndFrame(dc, grid.sizes, thumbnail, x, y);
  if (m_settings.keyboardGrid && cell == CurrentCell()) PaintMark(dc, grid.sizes, x, y, true);
  view->ReleaseDC(dc);
}

void CBrowserPage::RepaintCell(int cell) {
  CScrollView* view = View();
  if (view == nullptr || g_pImageFileList == nullptr || view->IsPaintPending()) return;
  const GridLayout grid = CurrentGrid();
  const int shown = cell - FirstCell();
  if (grid.cols <= 0 || grid.rows <= 0 || shown < 0 || shown >= grid.cols * grid.rows) return;
  if (cell < 0 || cell >= CellCount()) return;
  int x = 0, y = 0;
  GridCellOrigin(grid, shown, &x, &y);
  HDC dc = view->GetDC();
  if (dc == nullptr) return;
  PaintCell(dc, grid, cell, x, y);
  view->ReleaseDC(dc);
}

void CBrowserPage::OnLButtonUp(UINT /*flags*/, const POINT& point) {
  if (g_pImageFileList == nullptr) return;
  const GridLayout grid = CurrentGrid();
  const int down = GridHitTest(grid, m_ptDown.x, m_ptDown.y);
  const int up = GridHitTest(grid, point.x, point.y);
  if (down < 0 || down != up) return;
  const int cell = FirstCell() + up;
  if (cell < FolderCount()) {
    EnterFolder(cell);
  } else if (SetCurrentCell(cell)) {
    SwitchTo(PAGE_IMAGE);
  }
}

GridLayout CBrowserPage::LayOut() {
  GridLayout grid = CurrentGrid();
  CScrollView* view = View();
  if (view == nullptr) return grid;
  const bool outer = !m_bInLayout;
  m_bInLayout = true;
  // Showing or hiding the scroll bar changes the client width, and with it
  // possibly the number of columns: lay out again until nothing changes.
  for (int round = 0; round < 4; ++round) {
    m_bSizeChanged = false;
    const GridScroll scroll = ComputeGridScroll(grid, CellCount());
    view->SetScrollSizes(MM_TEXT, SIZE{0, scroll.totalHeight}, SIZE{0, scroll.pageHeight}, SIZE{0, scroll.lineHeight});
    grid = CurrentGrid();
    if (!m_bSizeChanged) break;
  }
  if (outer) m_bInLayout = false;
  return grid;
}

void CBrowserPage::Activate() {
  // 1. The base clears both scroll bars.
  CPage::Activate();
  // 2. The folder cells and the scroll sizes for this folder in this window.
  SyncFolders();
  const GridLayout grid = LayOut();
  // 3. Command bar: Browser shown; Zoom In, Zoom Out and Back hidden.
  SetButtonState(ID_BROWSER, TBSTATE_ENABLED);
  SetButtonState(ID_ZOOM_IN, TBSTATE_HIDDEN);
  SetButtonState(ID_ZOOM_OUT, TBSTATE_HIDDEN);
  SetButtonState(ID_BACK, TBSTATE_HIDDEN);
  // 4. Bring the current picture's row into view.
  if (grid.cols == 0 || grid.rows == 0 || g_pImageFileList == nullptr) return;
  ScrollToRow(grid, TopRowShowingCurrent(grid));
}

int CBrowserPage::TopRowShowingCurrent(const GridLayout& grid) {
  const int first = FirstCell();
  const int current = CurrentCell();
  // The desktop's current cell is looked at, title and all: a cut bottom
  // row does not show it.
  return m_settings.keyboardGrid ? GridTopRowShowingWhole(grid, first, current)
                                 : GridTopRowShowing(grid, first, current);
}

void CBrowserPage::ScrollToRow(const GridLayout& grid, int row) {
  CScrollView* view = View();
  if (view == nullptr) return;
  SnapScroll(view->GetScrollPosition().x, GridRowPosition(grid, row));
}

void CBrowserPage::SnapScroll(int x, long long y) {
  CScrollView* view = View();
  if (view == nullptr || g_pImageFileList == nullptr) return;
  const GridLayout grid = CurrentGrid();
  const GridScroll scroll = ComputeGridScroll(grid, CellCount());
  // 1. Nothing to do without height or without scrolling.
  if (grid.height == 0 || !scroll.needed) return;
  // 2. Snap to the nearest row.
  const long long H = grid.height;
  const long long row = (y * grid.rows + H / 2) / H;
  y = row * H / grid.rows;
  // 3. Scroll; the viewer limits the position to its range.
  if (y > 0x7FFFFFFF) y = 0x7FFFFFFF;
  if (y < -0x7FFFFFFF) y = -0x7FFFFFFF;
  view->ScrollToPosition(POINT{x, (LONG)y});
  // 4. The row the viewer stands on gives the first cell shown.
  const long long shown = view->GetScrollPosition().y;
  SetFirstCell((int)(((shown * grid.rows + H / 2) / H) * grid.cols));
}

void CBrowserPage::OnVScroll(UINT code, UINT position) {
  CScrollView* view = View();
  if (view == nullptr || code > SB_BOTTOM) return;
  const POINT at = view->GetScrollPosition();
  int mapMode;
  SIZE total, page, line;
  view->GetDeviceScrollSizes(mapMode, total, page, line);
  long long y = at.y;
  switch (code) {
    case SB_LINEUP:
      y -= line.cy;
      break;
    case SB_LINEDOWN:
      y += line.cy;
      break;
    case SB_PAGEUP:
      y -= page.cy;
      break;
    case SB_PAGEDOWN:
      y += page.cy;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      y = (int)position;
      break;
    default:
      break;  // SB_TOP, SB_BOTTOM: snapped again where it is
  }
  SnapScroll(at.x, y);
}

void CBrowserPage::OnKeyDown(UINT virtualKey, UINT /*repeat*/, UINT flags) {
  CImageFileList* list = g_pImageFileList;
  if (list == nullptr) return;
  // The size keys: "+" and "-" of either row, with or without Ctrl (the
  // Ctrl key comes as a key of its own and changes nothing here).
  if (m_settings.resizableCells) {
    if (virtualKey == VK_OEM_PLUS || virtualKey == VK_ADD) {
      SetThumbnailSide(StepThumbSide(list->GetGridSizes().thumb, +1));
      return;
    }
    if (virtualKey == VK_OEM_MINUS || virtualKey == VK_SUBTRACT) {
      SetThumbnailSide(StepThumbSide(list->GetGridSizes().thumb, -1));
      return;
    }
  }
  if (!m_settings.keyboardGrid) return;
  if (m_settings.folderCells && (virtualKey == VK_BACK || (virtualKey == VK_UP && (flags & KF_ALTDOWN) != 0))) {
    GoToParent();
    return;
  }
  if (virtualKey == VK_RETURN || virtualKey == VK_SPACE) {
    if (IsFolderCurrent()) {
      EnterFolder(CurrentCell());
    } else if (list->SetCurrent(list->m_nCurrent)) {
      SwitchTo(PAGE_IMAGE);
    }
    return;
  }
  GridMove move;
  if (MoveOfKey(virtualKey, &move)) MoveCurrent(move);
}

void CBrowserPage::MoveCurrent(GridMove move) {
  const GridLayout grid = CurrentGrid();
  if (grid.cols <= 0 || grid.rows <= 0 || CellCount() == 0) return;
  const int before = CurrentCell();
  const int firstBefore = FirstCell();
  if (!SetCurrentCell(GridMoveTarget(grid, CellCount(), before, move))) return;
  // 1. A page key turns the page as well, so that the current cell keeps
  //    its place on the screen while the range lasts.
  if (move == GRID_MOVE_PAGE_UP || move == GRID_MOVE_PAGE_DOWN) {
    const int pageRows = GridWholeRows(grid);
    const int topRow = firstBefore / grid.cols;
    ScrollToRow(grid, move == GRID_MOVE_PAGE_UP ? (topRow > pageRows ? topRow - pageRows : 0) : topRow + pageRows);
  }
  // 2. Whole rows until the current cell is shown.
  ScrollToRow(grid, TopRowShowingCurrent(grid));
  // 3. A grid that did not move shows the change in the two cells alone;
  //    one that moved is painted again whole.
  if (FirstCell() == firstBefore && CurrentCell() != before) {
    RepaintCell(before);
    RepaintCell(CurrentCell());
  }
}

void CBrowserPage::SetThumbnailSide(int side) {
  CImageFileList* list = g_pImageFileList;
  side = ClampThumbSide(side);
  if (list == nullptr || !list->SetGridSizes(GridSizesFor(side))) return;
  // 1. The scroll sizes of the new cells.
  const GridLayout grid = LayOut();
  // 2. The row the first picture shown falls in now stays at the top if it
  //    can; the current picture's row is brought into view as on return
  //    from the picture page. A grid that needs no scrolling starts at the
  //    first picture, or those above could not be reached.
  if (grid.cols > 0 && grid.rows > 0) {
    if (!ComputeGridScroll(grid, CellCount()).needed) {
      SetFirstCell(0);
    } else {
      ScrollToRow(grid, TopRowShowingCurrent(grid));
    }
  }
  // 3. Every cell changes: the whole window is painted afresh.
  InvalidatePage();
  if (m_settings.thumbnailSideChanged) m_settings.thumbnailSideChanged(side);
}

void CBrowserPage::OnMouseWheel(UINT flags, int delta) {
  if ((flags & MK_CONTROL) == 0 || !m_settings.resizableCells || g_pImageFileList == nullptr) {
    CPage::OnMouseWheel(flags, delta);
    return;
  }
  // A notch away from the user makes the cells larger, one step a notch.
  int side = g_pImageFileList->GetGridSizes().thumb;
  for (int n = delta / WHEEL_DELTA; n > 0; --n) side = StepThumbSide(side, +1);
  for (int n = delta / WHEEL_DELTA; n < 0; ++n) side = StepThumbSide(side, -1);
  SetThumbnailSide(side);
}

void CBrowserPage::OnKeyUp(UINT virtualKey, UINT /*repeat*/, UINT /*flags*/) {
  // The desktop's keys acted when pressed.
  if (m_settings.keyboardGrid) return;
  CScrollView* view = View();
  if (view == nullptr) return;
  const POINT at = view->GetScrollPosition();
  int mapMode;
  SIZE total, page, line;
  view->GetDeviceScrollSizes(mapMode, total, page, line);
  long long y = at.y;
  if (virtualKey == VK_UP || virtualKey == VK_PRIOR) y -= page.cy;
  if (virtualKey == VK_DOWN || virtualKey == VK_NEXT) y += page.cy;
  // Home and End go to either end; the view keeps the position in its range.
  if (virtualKey == VK_HOME) y = 0;
  if (virtualKey == VK_END) y = total.cy;
  SnapScroll(at.x, y);
}

void CBrowserPage::OnListChanged() {
  // A new folder gets its cells (Activate); the same one, sorted anew,
  // keeps them and its current cell.
  Activate();
}

BOOL CBrowserPage::GetClientRect(RECT* out) {
  CPage::GetClientRect(out);
  return TRUE;
}

void CBrowserPage::OnSize() {
  if (m_bInLayout) {
    m_bSizeChanged = true;  // the layout in progress goes round again
    return;
  }
  // A resized window: the scroll geometry follows the new client area and
  // the first shown row stays at the top.
  const GridLayout grid = LayOut();
  if (grid.cols == 0 || grid.rows == 0 || g_pImageFileList == nullptr) return;
  // A window that grew to hold every picture has nothing left to scroll:
  // the grid starts at the first picture again, or those above the old top
  // row could not be reached at all.
  if (!ComputeGridScroll(grid, CellCount()).needed) {
    SetFirstCell(0);
    return;
  }
  const int topRow = FirstCell() < 0 ? 0 : FirstCell() / grid.cols;
  ScrollToRow(grid, topRow);
}

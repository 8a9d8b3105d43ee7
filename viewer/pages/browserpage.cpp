// Browser page: painting the grid, taps, activation and snapping scroll.
#include "pages/browserpage.h"

#include "filelist/imagefilelist.h"
#include "imaging/dibdraw.h"
#include "platform/app.h"
#include "platform/resource.h"
#include "res/resource_ids.h"
#include "shell/mainframe.h"
#include "shell/memblock.h"
#include "shell/viewerwnd.h"

namespace {

constexpr int kThumbBox = 64;
constexpr int kDecodeBox = 160;
constexpr COLORREF kFrameColour = RGB(128, 128, 128);

CMainFrame* MainFrame() { return dynamic_cast<CMainFrame*>(AfxGetMainWnd()); }

// The byte size a thumbnail block was made with: header and 24-bit rows.
DWORD ThumbnailBytes(CDib thumbnail) {
  int width = 0, height = 0;
  if (GetDibSize(thumbnail, width, height) != 0) return 0;
  const DWORD stride = (((DWORD)width * 24 + 31) / 32) * 4;
  return 40 + stride * (DWORD)height;
}

}  // namespace

CBrowserPage::CBrowserPage(CViewerWnd* owner) : CPage(owner) {}

CBrowserPage::~CBrowserPage() = default;

int CBrowserPage::PictureCount() const { return g_pImageFileList != nullptr ? g_pImageFileList->GetCount() : 0; }

GridLayout CBrowserPage::CurrentGrid() {
  RECT rc = {0, 0, 0, 0};
  GetClientRect(&rc);
  const bool titles = g_pImageFileList == nullptr || g_pImageFileList->m_bShowTitles != 0;
  return ComputeGridLayout(rc.right - rc.left, rc.bottom - rc.top, titles);
}

void CBrowserPage::Paint(HDC dc) {
  RECT rc = {0, 0, 0, 0};
  GetClientRect(&rc);
  const GridLayout grid = CurrentGrid();
  const int count = PictureCount();
  if (count == 0) {
    WCHAR text[256];
    LoadString(IDS_NO_PICTURES, text, 256);
    RECT box = rc;
    box.top = (rc.top + rc.bottom) / 2 - 10;
    DrawText(dc, text, -1, &box, DT_CENTER);
    return;
  }
  if (grid.cols <= 0 || grid.rows <= 0) return;
  const bool titles = g_pImageFileList->m_bShowTitles != 0;
  int i = g_pImageFileList->m_nFirstShown;
  if (i < 0) return;
  int x = grid.gapX;
  int y = grid.gapY;
  int row = 0;
  for (;;) {
    PaintCell(dc, i, x, y);
    x += kThumbBox + grid.gapX;
    if (x + kThumbBox > grid.width) {
      x = grid.gapX;
      y += GridRowPitch(grid, titles);
      ++row;
    }
    // Every row that the grid counts is painted; what runs past the bottom
    // edge is clipped by the window.
    if (row >= grid.rows || i + 1 > count - 1) break;
    ++i;
  }
}

void CBrowserPage::PaintCell(HDC dc, int index, int x, int y) {
  CImageFileList* list = g_pImageFileList;
  CString title;
  list->GetTitle(index, title);
  CDib thumb = list->GetThumbnail(index);
  CDib big = nullptr;
  if (thumb == nullptr) big = list->LoadPictureToFit(index, kDecodeBox, kDecodeBox);
  const RECT box = {x, y, x + kThumbBox, y + kThumbBox};
  if (thumb != nullptr) {
    DrawDibFit(thumb, &box, dc);
    MemFree(thumb);
  } else if (big != nullptr) {
    CDib small = MakeDibThumbnail(big, kThumbBox, kThumbBox);
    if (small != nullptr) {
      list->StoreThumbnail(index, small, ThumbnailBytes(small));
      DrawDibFit(small, &box, dc);
      MemFree(small);
    } else {
      DrawDibFit(big, &box, dc);
    }
    MemFree(big);
  }
  // The grey frame lies on the box's right and bottom edge lines.
  HPEN pen = CreatePen(PS_SOLID, 1, kFrameColour);
  HGDIOBJ previous = SelectObject(dc, pen);
  const POINT frame[5] = {{x, y}, {x + kThumbBox, y}, {x + kThumbBox, y + kThumbBox}, {x, y + kThumbBox}, {x, y}};
  Polyline(dc, frame, 5);
  SelectObject(dc, previous);
  DeleteObject(pen);
  if (list->m_bShowTitles) {
    RECT titleBox = {x, y + 66, x + kThumbBox, y + 84};
    DrawText(dc, title.c_str(), -1, &titleBox, DT_CENTER | DT_VCENTER);
  }
}

void CBrowserPage::OnLButtonUp(UINT /*flags*/, const POINT& point) {
  if (g_pImageFileList == nullptr) return;
  const GridLayout grid = CurrentGrid();
  const int down = GridHitTest(grid, m_ptDown.x, m_ptDown.y);
  const int up = GridHitTest(grid, point.x, point.y);
  if (down < 0 || down != up) return;
  if (g_pImageFileList->SetCurrent(g_pImageFileList->m_nFirstShown + up)) SwitchTo(PAGE_IMAGE);
}

GridLayout CBrowserPage::LayOut() {
  GridLayout grid = CurrentGrid();
  if (m_pOwner == nullptr) return grid;
  const bool outer = !m_bInLayout;
  m_bInLayout = true;
  // Showing or hiding the scroll bar changes the client width, and with it
  // possibly the number of columns: lay out again until nothing changes.
  for (int round = 0; round < 4; ++round) {
    m_bSizeChanged = false;
    const GridScroll scroll = ComputeGridScroll(grid, PictureCount());
    m_pOwner->SetScrollSizes(MM_TEXT, SIZE{0, scroll.totalHeight}, SIZE{0, scroll.pageHeight},
                             SIZE{0, scroll.lineHeight});
    grid = CurrentGrid();
    if (!m_bSizeChanged) break;
  }
  if (outer) m_bInLayout = false;
  return grid;
}

void CBrowserPage::Activate() {
  // 1. The base clears both scroll bars.
  CPage::Activate();
  // 2. Scroll geometry.
  const GridLayout grid = LayOut();
  // 3. Command bar: Browser shown; Zoom In, Zoom Out and Back hidden.
  if (CMainFrame* frame = MainFrame()) {
    frame->SetButtonState(ID_BROWSER, TBSTATE_ENABLED);
    frame->SetButtonState(ID_ZOOM_IN, TBSTATE_HIDDEN);
    frame->SetButtonState(ID_ZOOM_OUT, TBSTATE_HIDDEN);
    frame->SetButtonState(ID_BACK, TBSTATE_HIDDEN);
  }
  // 4. Bring the current picture's row into view.
  if (grid.cols == 0 || grid.rows == 0 || g_pImageFileList == nullptr || m_pOwner == nullptr) return;
  int topRow = g_pImageFileList->m_nFirstShown / grid.cols;
  const int currentRow = g_pImageFileList->m_nCurrent / grid.cols;
  if (currentRow >= topRow + grid.rows) {
    topRow = currentRow - grid.rows + 1;
  } else if (currentRow < topRow) {
    topRow = currentRow;
  }
  // Multiply before dividing: topRow × (H / rows) would lose H mod rows on
  // every row and snap one row short far down a folder.
  SnapScroll(m_pOwner->GetScrollPosition().x, (long long)topRow * grid.height / grid.rows);
}

void CBrowserPage::SnapScroll(int x, long long y) {
  if (m_pOwner == nullptr || g_pImageFileList == nullptr) return;
  const GridLayout grid = CurrentGrid();
  const GridScroll scroll = ComputeGridScroll(grid, PictureCount());
  // 1. Nothing to do without height or without scrolling.
  if (grid.height == 0 || !scroll.needed) return;
  // 2. Snap to the nearest row.
  const long long H = grid.height;
  const long long row = (y * grid.rows + H / 2) / H;
  y = row * H / grid.rows;
  // 3. Scroll; the viewer limits the position to its range.
  if (y > 0x7FFFFFFF) y = 0x7FFFFFFF;
  if (y < -0x7FFFFFFF) y = -0x7FFFFFFF;
  m_pOwner->ScrollToPosition(POINT{x, (LONG)y});
  // 4. The row the viewer stands on gives the first thumbnail shown.
  const long long shown = m_pOwner->GetScrollPosition().y;
  g_pImageFileList->SetFirstShown((int)(((shown * grid.rows + H / 2) / H) * ((grid.width - 6) / 70)));
}

void CBrowserPage::OnVScroll(UINT code, UINT position) {
  if (m_pOwner == nullptr || code > SB_BOTTOM) return;
  const POINT at = m_pOwner->GetScrollPosition();
  int mapMode;
  SIZE total, page, line;
  m_pOwner->GetDeviceScrollSizes(mapMode, total, page, line);
  long long y = at.y;
  switch (code) {
    case SB_LINEUP: y -= line.cy; break;
    case SB_LINEDOWN: y += line.cy; break;
    case SB_PAGEUP: y -= page.cy; break;
    case SB_PAGEDOWN: y += page.cy; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: y = (int)position; break;
    default: break;  // SB_TOP, SB_BOTTOM: snapped again where it is
  }
  SnapScroll(at.x, y);
}

void CBrowserPage::OnKeyUp(UINT virtualKey, UINT /*repeat*/, UINT /*flags*/) {
  if (m_pOwner == nullptr) return;
  const POINT at = m_pOwner->GetScrollPosition();
  int mapMode;
  SIZE total, page, line;
  m_pOwner->GetDeviceScrollSizes(mapMode, total, page, line);
  long long y = at.y;
  if (virtualKey == VK_UP) y -= page.cy;
  if (virtualKey == VK_DOWN) y += page.cy;
  SnapScroll(at.x, y);
}

void CBrowserPage::OnListChanged() { Activate(); }

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
  if (grid.cols == 0 || grid.rows == 0 || g_pImageFileList == nullptr || m_pOwner == nullptr) return;
  const int topRow = g_pImageFileList->m_nFirstShown < 0 ? 0 : g_pImageFileList->m_nFirstShown / grid.cols;
  SnapScroll(m_pOwner->GetScrollPosition().x, (long long)topRow * grid.height / grid.rows);
}

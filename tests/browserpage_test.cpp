// The browser page is the viewer's start screen: its grid positions, taps,
// scrolling and thumbnail cache are checked here through the headless host,
// by the messages a user's actions send, reading the canvas afterwards.
#include "pages/browserpage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pages/gridlayout.h"
#include "platform/base/tick.h"
#include "platform/base/wstr.h"
#include "res/resource_ids.h"
#include "support/pixels.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kFrame = RGB(128, 128, 128);

class BrowserTest : public ViewerFixture {
 protected:
  // Pictures named p000.jpg, p001.jpg ... in "\My Documents", each a flat
  // 64 × 64 colour so that its cell shows which one was drawn.
  void MakePictures(int count, const std::string& folder = "\\My Documents", bool empty = false) {
    device.MakeFolder(folder);
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "\\p%03d.jpg", i);
      device.WriteFile(folder + name, empty ? std::string() : FlatJpeg(i, 64, 64));
    }
  }
  // The picture index shown in the cell whose box starts at (x, y), or -1.
  int ShownAt(int x, int y) const {
    const COLORREF seen = Screen().PixelAt(x + 32, y + 32);
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString path;
      List()->GetPath(i, path);
      const int n = std::stoi(Utf8FromWide(path.substr(path.rfind(u'\\') + 2, 3)));
      if (Near(seen, ColourOf(n), 3)) return i;
    }
    return -1;
  }
  bool FramedAt(int x, int y) const {
    for (int i = 0; i <= 64; ++i) {
      if (Screen().PixelAt(x + i, y) != kFrame || Screen().PixelAt(x + 64, y + i) != kFrame) return false;
      if (Screen().PixelAt(x + i, y + 64) != kFrame || Screen().PixelAt(x, y + i) != kFrame) return false;
    }
    return true;
  }
  SIZE Total() const {
    int mode;
    SIZE total, page, line;
    Viewer().GetDeviceScrollSizes(mode, total, page, line);
    return total;
  }
  SIZE Line() const {
    int mode;
    SIZE total, page, line;
    Viewer().GetDeviceScrollSizes(mode, total, page, line);
    return line;
  }
  bool OnImagePage() const { return Viewer().m_pCurrentPage == (CPage*)Viewer().m_pImagePage; }
};

TEST(GridLayout, HandheldExampleAndDegenerateWindows) {
  const GridLayout g = ComputeGridLayout(240, 268, true);
  EXPECT_EQ(g.cols, 3);
  EXPECT_EQ(g.gapX, 12);
  EXPECT_EQ(g.rows, 3);
  EXPECT_EQ(g.gapY, 7);
  EXPECT_EQ(GridRowPitch(g), 89);
  const GridScroll s = ComputeGridScroll(g, 10);
  EXPECT_TRUE(s.needed);
  EXPECT_EQ(s.totalHeight, 357);
  EXPECT_EQ(s.lineHeight, 89);
  EXPECT_FALSE(ComputeGridScroll(g, 9).needed);
  // Column regions 0…79, 80…159, 160…239: x = 80 is the second column.
  EXPECT_EQ(GridHitTest(g, 79, 10), 0);
  EXPECT_EQ(GridHitTest(g, 80, 10), 1);
  EXPECT_EQ(GridHitTest(g, 239, 267), 8);
  EXPECT_EQ(GridHitTest(g, 240, 268), 8);
  EXPECT_EQ(GridHitTest(g, -1, 10), -1);
  for (int w : {0, 5, 50, 75}) {
    const GridLayout small = ComputeGridLayout(w, 0, true);
    EXPECT_EQ(small.cols, 0);
    EXPECT_EQ(small.rows, 0);
    EXPECT_EQ(GridHitTest(small, 1, 1), -1);
    EXPECT_FALSE(ComputeGridScroll(small, 1000).needed);
  }
}

TEST_F(BrowserTest, NinePicturesFillThePageWithoutScrollBar) {
  MakePictures(9);
  Start();
  EXPECT_FALSE(Viewer().IsScrollBarVisible(SB_VERT));
  const int xs[3] = {12, 88, 164}, ys[3] = {7, 96, 185};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_TRUE(FramedAt(xs[c], ys[r])) << r << "," << c;
      EXPECT_EQ(ShownAt(xs[c], ys[r]), r * 3 + c) << r << "," << c;
      // The title sits below the box, centred in (x, y + 66) to (x + 64, y + 84).
      int ink = 0;
      for (int y = ys[r] + 66; y < ys[r] + 84; ++y)
        for (int x = xs[c]; x < xs[c] + 64; ++x) ink += Screen().PixelAt(x, y) != kWhite;
      EXPECT_GT(ink, 20);
    }
  }
  EXPECT_EQ(Total().cy, 0);
  // A folder of exactly one page: the keys and the bar change nothing.
  Key(VK_DOWN);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(List()->m_nFirstShown, 0);
}

TEST_F(BrowserTest, TenthPictureMakesScrolling) {
  MakePictures(10);
  Start();
  ASSERT_TRUE(Viewer().IsScrollBarVisible(SB_VERT));
  EXPECT_EQ(Total().cy, 357);
  EXPECT_EQ(Line().cy, 89);
  // The bar's width leaves 227 pixels: gaps of 8.
  RECT rc;
  Viewer().GetClientRect(&rc);
  EXPECT_EQ(rc.right, 227);
  EXPECT_TRUE(FramedAt(8, 7));
  EXPECT_TRUE(FramedAt(152, 185));
}

TEST_F(BrowserTest, TapsOpenTheCellUnderBothDownAndUp) {
  MakePictures(9);
  Start();
  // Stylus down on one cell and up on another: nothing.
  Drag(30, 30, 110, 30);
  EXPECT_FALSE(OnImagePage());
  // A tap in the gap at x = 80 opens the second column's picture.
  Tap(80, 30);
  ASSERT_TRUE(OnImagePage());
  EXPECT_EQ(List()->m_nCurrent, 1);
  EXPECT_EQ(Bar().ButtonState(ID_BROWSER), (int)TBSTATE_HIDDEN);
  EXPECT_EQ(Bar().ButtonState(ID_BACK), (int)TBSTATE_ENABLED);
}

TEST_F(BrowserTest, TapAfterTheLastPictureDoesNothing) {
  MakePictures(7);
  Start();
  Tap(200, 200);  // cell 8 of a page holding 0 … 6
  EXPECT_FALSE(OnImagePage());
  Tap(30, 200);  // cell 6
  EXPECT_TRUE(OnImagePage());
  EXPECT_EQ(List()->m_nCurrent, 6);
}

TEST_F(BrowserTest, DownKeyOnTheLastPageStays) {
  MakePictures(20);
  Start();
  for (int i = 0; i < 5; ++i) Key(VK_DOWN);
  EXPECT_EQ(Viewer().GetScrollPosition().y, 357);
  EXPECT_EQ(List()->m_nFirstShown, 12);
  EXPECT_EQ(ShownAt(8, 7), 12);
  Key(VK_UP);
  EXPECT_EQ(List()->m_nFirstShown, 3);
  Key(VK_LEFT);  // other keys only snap where the grid is
  EXPECT_EQ(List()->m_nFirstShown, 3);
}

TEST_F(BrowserTest, ScrollCodesMoveByLineAndPageAndSnapThumbDrags) {
  MakePictures(40);
  Start();
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(List()->m_nFirstShown, 3);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(List()->m_nFirstShown, 12);
  VScroll(SB_LINEUP);
  EXPECT_EQ(List()->m_nFirstShown, 9);
  // Thumb drags land on the nearest whole row.
  VScroll(SB_THUMBTRACK, 100);
  EXPECT_EQ(Viewer().GetScrollPosition().y, 89);
  EXPECT_EQ(List()->m_nFirstShown, 3);
  VScroll(SB_THUMBTRACK, 140);
  EXPECT_EQ(Viewer().GetScrollPosition().y, 178);
  EXPECT_EQ(List()->m_nFirstShown, 6);
  VScroll(SB_THUMBPOSITION, 300);
  EXPECT_EQ(List()->m_nFirstShown, 9);
  EXPECT_EQ(ShownAt(8, 7), 9);
  VScroll(SB_ENDSCROLL, 0);  // ignored
  VScroll(SB_TOP);
  EXPECT_EQ(List()->m_nFirstShown, 9);
  VScroll(SB_PAGEUP);
  VScroll(SB_PAGEUP);
  EXPECT_EQ(List()->m_nFirstShown, 0);
}

TEST_F(BrowserTest, TallFoldersAreReachableByDraggingTheThumb) {
  MakePictures(3000, "\\My Documents", true);
  Start();
  ASSERT_GT(Total().cy, 65535);
  VScroll(SB_THUMBTRACK, 70000);
  // Row (70000 × 3 + 134) / 268 = 784 of 1000.
  EXPECT_EQ(List()->m_nFirstShown, 784 * 3);
}

TEST_F(BrowserTest, ReturningFromAPictureScrollsJustFarEnough) {
  MakePictures(30);
  Start();
  Tap(30, 30);  // picture 0
  ASSERT_TRUE(OnImagePage());
  for (int i = 0; i < 18; ++i) Key(VK_RIGHT);  // picture 18: row 6, three rows below
  EXPECT_EQ(List()->m_nCurrent, 18);
  Command(ID_BACK);
  ASSERT_FALSE(OnImagePage());
  EXPECT_EQ(List()->m_nFirstShown, 12);  // row 6 is the last row shown
  EXPECT_EQ(ShownAt(8, 185), 18);
  Tap(30, 30);  // picture 12
  for (int i = 0; i < 9; ++i) Key(VK_LEFT);
  Command(ID_BACK);
  EXPECT_EQ(List()->m_nFirstShown, 3);  // row 1 is the first row shown
}

TEST_F(BrowserTest, CurrentRowFarDownComesIntoViewExactly) {
  MakePictures(450, "\\My Documents", true);
  Start();
  ASSERT_TRUE(List()->SetCurrent(411));  // row 137
  Viewer().SwitchPage(PAGE_IMAGE);
  Pump();
  Command(ID_BACK);
  EXPECT_EQ(List()->m_nFirstShown, 405);  // rows 135 … 137 shown
}

TEST_F(BrowserTest, EveryCountedRowIsPainted) {
  MakePictures(15);
  Start(240, 436);  // rows = 5, gapY = 6: the fifth row begins at 358
  // Its title box (424 to 442) runs past the bottom, so the bar is there to
  // lift the row up; the narrower client area moves the columns to x = 8,
  // 80, 152, the rows stay where they were.
  EXPECT_TRUE(Viewer().IsScrollBarVisible(SB_VERT));
  EXPECT_TRUE(FramedAt(8, 358));
  EXPECT_EQ(ShownAt(152, 358), 14);
  Tap(200, 430);
  EXPECT_EQ(List()->m_nCurrent, 14);
}

// Ink of a title drawn alone into a whole title box: what the grid must show
// of it.
int TitleInk(const CString& title) {
  Canvas canvas;
  canvas.Resize(64, 18);
  canvas.Fill(kWhite);
  HDC dc = CreateCanvasDC(&canvas);
  RECT box = {0, 0, 64, 18};
  DrawText(dc, title.c_str(), -1, &box, DT_CENTER | DT_VCENTER);
  DeleteDC(dc);
  int ink = 0;
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 64; ++x) ink += canvas.PixelAt(x, y) != kWhite;
  return ink;
}

// In tall windows the bottom row of the screen runs past the edge. At every
// height from 100 to 1,200 pixels, at two widths, for a folder one row and a
// picture longer than a screen and one that just fills it: paging from the
// top moves by whole rows, at the bottom of the range every painted title is
// whole, and every picture's title is seen whole on some page.
class GridTitleTest : public BrowserTest, public ::testing::WithParamInterface<int> {};

TEST_P(GridTitleTest, EveryTitleCanBeReadAtEveryHeight) {
  const int width = GetParam();
  const int cols = (width - 6) / 70;
  ASSERT_EQ((width - kDefaultScrollBarWidth - 6) / 70, cols);  // the same with the bar
  // The same tiny picture under every name: decoded once, then cached.
  const std::string tiny = EncodeJpeg(SolidColour(8, 8, 90, 90, 90));
  std::vector<int> ink;
  for (int i = 0; i < cols * 14 + 1; ++i) {
    char title[16];
    std::snprintf(title, sizeof title, "t%03d", i);
    ink.push_back(TitleInk(WideFromUtf8(title)));
  }
  for (int rows = 1; rows <= 13; ++rows) {
    for (const int count : {cols * rows, cols * (rows + 1) + 1}) {
      const std::string folder = "\\f" + std::to_string(count);
      device.MakeFolder(folder);
      for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\t%03d.jpg", i);
        device.WriteFile(folder + name, tiny);
      }
    }
  }
  Start(width, 100);
  for (int rows = 1; rows <= 13; ++rows) {
    for (const int count : {cols * rows, cols * (rows + 1) + 1}) {
      List()->SelectFolder(WideFromUtf8("\\f" + std::to_string(count)));
      ASSERT_EQ(List()->GetCount(), count);
      Viewer().Invalidate(TRUE);  // as the Select Folder dialog does when it closes
      for (int height = std::max(100, 86 * rows + 6); height < 86 * (rows + 1) + 6 && height <= 1200; ++height) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", " + std::to_string(count) +
                     " pictures");
        host->Resize(width, height);
        VScroll(SB_THUMBPOSITION, 0);
        std::vector<bool> seen(count, false);
        int previous = -1;
        for (;;) {
          const GridLayout grid = ComputeGridLayout(Screen().Width(), Screen().Height(), true);
          ASSERT_EQ(grid.rows, rows);
          const int first = List()->m_nFirstShown;
          ASSERT_EQ(first % cols, 0);
          // A page moves on by whole rows, less than a screen only where the
          // range ends; what a page leaves out must show whole on the next.
          if (previous >= 0) {
            ASSERT_GT(first, previous);
            ASSERT_LE(first, previous + rows * cols);
          }
          bool whole = true;
          for (int cell = 0; cell < rows * cols && first + cell < count; ++cell) {
            int x = 0, y = 0;
            GridCellOrigin(grid, cell, &x, &y);
            int seenInk = 0;
            for (int yy = y + 66; yy < y + 84 && yy < grid.height; ++yy)
              for (int xx = x; xx < x + 64; ++xx) seenInk += Screen().PixelAt(xx, yy) != kWhite;
            CString title;
            List()->GetTitle(first + cell, title);
            if (seenInk == ink[std::stoi(Utf8FromWide(title.substr(1)))]) {
              seen[first + cell] = true;
            } else {
              whole = false;
            }
          }
          VScroll(SB_PAGEDOWN);
          if (List()->m_nFirstShown == first) {
            ASSERT_TRUE(whole) << "a title is cut at the bottom of the range";
            break;
          }
          previous = first;
        }
        for (int i = 0; i < count; ++i) ASSERT_TRUE(seen[i]) << "picture " << i << "'s title never whole";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TwoWidths, GridTitleTest, ::testing::Values(240, 520));

TEST_F(BrowserTest, CorruptPictureLeavesAFramedTitledEmptyCell) {
  MakePictures(3);
  device.WriteFile("\\My Documents\\p001.jpg", "not a jpeg at all");
  Start();
  int bad = -1;
  for (int i = 0; i < 3; ++i) {
    CString path;
    List()->GetPath(i, path);
    if (path == u"\\My Documents\\p001.jpg") bad = i;
  }
  ASSERT_GE(bad, 0);
  const int x = 12 + 76 * bad;
  EXPECT_TRUE(FramedAt(x, 7));
  int inside = 0;
  for (int y = 8; y < 71; ++y)
    for (int xx = x + 1; xx < x + 64; ++xx) inside += Screen().PixelAt(xx, y) != kWhite;
  EXPECT_EQ(inside, 0);
  for (int i = 0; i < 3; ++i) {
    if (i == bad) continue;
    EXPECT_EQ(ShownAt(12 + 76 * i, 7), i);
  }
}

TEST_F(BrowserTest, EmptyFolderShowsTheThreeLineMessage) {
  device.MakeFolder("\\My Documents");
  Start();
  int top = -1, bottom = -1;
  for (int y = 0; y < 268; ++y)
    for (int x = 0; x < 240; ++x)
      if (Screen().PixelAt(x, y) != kWhite) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
  // The text starts 10 pixels above the middle and holds three lines.
  EXPECT_GE(top, 124);
  EXPECT_LE(top, 128);
  EXPECT_GT(bottom - top, 30);
  EXPECT_FALSE(Viewer().IsScrollBarVisible(SB_VERT));
  Tap(30, 30);
  EXPECT_FALSE(OnImagePage());
}

TEST_F(BrowserTest, ThumbnailsAreMadeOnceThenServedFromTheCache) {
  MakePictures(9);
  Start();
  for (int i = 0; i < 9; ++i) {
    const CDibOwner cached(List()->GetThumbnail(i));
    ASSERT_NE(cached.Get(), nullptr) << i;
  }
  // With the files gone, only the cache can paint the cells.
  device.Remove("\\My Documents");
  Viewer().Invalidate(TRUE);
  Pump();
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ShownAt(12 + 76 * (i % 3), 7 + 89 * (i / 3)), i);
}

TEST_F(BrowserTest, ResizeLaysTheGridOutAgain) {
  MakePictures(20);
  Start();
  host->Resize(380, 268);  // 367 wide with the bar: 5 columns
  Pump();
  EXPECT_EQ(Total().cy, 357);  // 4 rows of 5
  RECT rc;
  Viewer().GetClientRect(&rc);
  EXPECT_EQ(rc.right, 367);
  Tap(230, 30);  // the fourth column exists now
  EXPECT_TRUE(OnImagePage());
  EXPECT_EQ(List()->m_nCurrent, 3);
  Command(ID_BACK);
  host->Resize(240, 600);  // 6 rows of 3 hold 18 of the 20
  Pump();
  EXPECT_EQ(Total().cy, 600 * 7 / 6);
}

TEST_F(BrowserTest, DegenerateWindowsNeitherCrashNorSelect) {
  MakePictures(12);
  Start();
  for (auto size : {std::pair<int, int>{50, 50}, {240, 0}, {0, 268}, {75, 91}, {0, 0}}) {
    host->Resize(size.first, size.second);
    Pump();
    Tap(10, 10);
    Key(VK_DOWN);
    VScroll(SB_PAGEDOWN);
    VScroll(SB_THUMBTRACK, 5000);
    EXPECT_FALSE(OnImagePage()) << size.first << "x" << size.second;
    EXPECT_GE(List()->m_nFirstShown, 0);
  }
}

}  // namespace

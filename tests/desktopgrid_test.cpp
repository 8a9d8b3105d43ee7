// The desktop profile's grid: cells of 64 to 256 pixels in which every part
// scales (64 being the handheld's grid pixel for pixel), a current cell driven
// from the keyboard, and titles ended in "…". The handheld keeps its own.
#include <gtest/gtest.h>

#include <string>

#include "imaging/dibdraw.h"
#include "pages/gridlayout.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "res/resource_ids.h"
#include "support/pixels.h"
#include "support/viewer_fixture.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kMark = RGB(28, 113, 216);
constexpr UINT kTitle = DT_CENTER | DT_VCENTER;

// `text` drawn into a 64 × 18 title box at (20, 5) of a 104 × 28 canvas.
struct Title {
  Canvas canvas;
  Title(const std::u16string& text, UINT format) {
    canvas.Resize(104, 28);
    HDC dc = CreateCanvasDC(&canvas);
    RECT box = {20, 5, 84, 23};
    DrawText(dc, text.c_str(), -1, &box, format);
    DeleteDC(dc);
  }
  bool operator==(const Title& other) const { return Pixels(canvas) == Pixels(other.canvas); }
};

class DesktopGridTest : public ViewerFixture {
 protected:
  void TearDown() override {
    ViewerFixture::TearDown();
    HeapSetBudget(kDefaultHeapBudget);
  }
  // Flat pictures p000.jpg … of ColourOf(i) in "\My Documents".
  void MakePictures(int count, int width, int height) {
    device.MakeFolder("\\My Documents");
    for (int i = 0; i < count; ++i) {
      device.WriteFile("\\My Documents\\p" + std::to_string(1000 + i).substr(1) + ".jpg", FlatJpeg(i, width, height));
    }
  }
  // As Start, in `profile` with cells of `side`, after any viewer before has
  // gone with its host; a shared thumbnail cache goes to the test's folder.
  void StartAs(ViewerProfile profile, int side, int width, int height) {
    Quit();
    app.reset();
    host.reset();
    setenv("XDG_CACHE_HOME", (device.Root() + "/.host-cache").c_str(), 1);
    TickSetManual(1000000);
    host = std::make_unique<CHeadlessHost>(width, height, 13);
    app = std::make_unique<CViewerApp>();
    app->m_launch.list.threads = threads;
    app->m_launch.profile = profile;
    app->m_launch.thumbnailSize = side;
    ASSERT_TRUE(app->InitInstance());
    ASSERT_TRUE(host->WaitForBackgroundWork());
  }
  GridLayout Grid() const {
    RECT rc;
    Viewer().GetClientRect(&rc);
    return ComputeGridLayout(rc.right, rc.bottom, true, List()->GetGridSizes());
  }
  // Where picture `index`'s cell is painted; false when it is not shown.
  bool CellOf(int index, int* x, int* y) const {
    const int cell = index - List()->m_nFirstShown;
    if (cell < 0 || cell >= Grid().cols * Grid().rows) return false;
    GridCellOrigin(Grid(), cell, x, y);
    return true;
  }
  bool OnImagePage() const { return Viewer().m_pCurrentPage == (CPage*)Viewer().m_pImagePage; }
  // The square outline of `side` at (x, y) + offset, whole in `colour`.
  bool Outline(int x, int y, int side, int offset, COLORREF colour) const {
    const int a = -offset, b = side + offset;
    for (int i = a; i <= b; ++i) {
      if (Screen().PixelAt(x + i, y + a) != colour || Screen().PixelAt(x + i, y + b) != colour) return false;
      if (Screen().PixelAt(x + a, y + i) != colour || Screen().PixelAt(x + b, y + i) != colour) return false;
    }
    return true;
  }
  // Both lines of the ring around picture `index`'s cell in the mark's colour (or white).
  bool Marked(int index, bool marked) const {
    int x, y, side = List()->GetGridSizes().thumb;
    const COLORREF want = marked ? kMark : kWhite;
    return CellOf(index, &x, &y) && Outline(x, y, side, 1, want) && Outline(x, y, side, 2, want);
  }
  // Rows from `top` to `bottom` with ink over the cell's width at x.
  int InkRows(int x, int side, int top, int bottom) const {
    int rows = 0;
    for (int y = top; y < bottom && y < Screen().Height(); ++y) {
      bool ink = false;
      for (int i = 0; i <= side; ++i) ink = ink || Screen().PixelAt(x + i, y) != kWhite;
      rows += ink;
    }
    return rows;
  }
};

TEST_F(DesktopGridTest, EveryPartOfTheGridScalesWithTheThumbnail) {
  // 16 pictures of 640 × 480 in 1000 × 800: pages of 14 × 9, 7 × 4, and 3 × 2
  // beside a scroll bar 13 pixels wide. Two columns, two rows, the title box:
  const struct {
    int side, xs[2], ys[2], titleTop, titleBottom;
  } kSizes[] = {
      {64, {6, 76}, {8, 98}, 66, 84},         // gaps 6 and 8, rows 90 apart
      {128, {13, 154}, {32, 228}, 132, 168},  // gaps 13 and 32, rows 196 apart
      {256, {54, 364}, {53, 434}, 264, 336},  // gaps 54 and 53, rows 381 apart
  };
  MakePictures(16, 640, 480);
  for (const auto& c : kSizes) {
    StartAs(PROFILE_DESKTOP, c.side, 1000, 800);
    for (int cell = 0; cell < 4; ++cell) {
      const int x = c.xs[cell % 2], y = c.ys[cell / 2], index = (cell / 2) * Grid().cols + cell % 2;
      SCOPED_TRACE(std::to_string(c.side) + " picture " + std::to_string(index));
      EXPECT_TRUE(Outline(x, y, c.side, 0, RGB(128, 128, 128)));
      // The thumbnail as wide as the box, three quarters as high.
      EXPECT_TRUE(Near(Screen().PixelAt(x + 2, y + c.side / 8 + 2), ColourOf(index), 4));
      EXPECT_EQ(Screen().PixelAt(x + c.side / 2, y + c.side / 8 - 2), kWhite);
      // The title's ink in the title box; none between it and the frame or the next row.
      EXPECT_GE(InkRows(x, c.side, y + c.titleTop, y + c.titleBottom), 8);
      EXPECT_EQ(InkRows(x, c.side, y + c.side + 3, y + c.titleTop), 0);
      EXPECT_EQ(InkRows(x, c.side, y + c.titleBottom, y + c.ys[1] - c.ys[0] - 3), 0);
    }
  }
}

TEST_F(DesktopGridTest, AtSixtyFourItIsTheHandheldsGridPixelForPixel) {
  MakePictures(40, 120, 90);
  for (const auto& size : {std::pair<int, int>{240, 268}, {700, 524}}) {
    StartAs(PROFILE_HANDHELD, 64, size.first, size.second);
    const std::vector<uint32_t> handheld = Pixels(Screen());
    StartAs(PROFILE_DESKTOP, 64, size.first, size.second);
    const std::vector<uint32_t> desktop = Pixels(Screen());
    // Only the current cell's mark differs: its ring and inner line.
    int x, y, differ = 0, elsewhere = 0;
    ASSERT_TRUE(CellOf(0, &x, &y));
    for (size_t at = 0; at < desktop.size(); ++at) {
      const int px = (int)(at % Screen().Width()) - x, py = (int)(at / Screen().Width()) - y;
      const bool mark = px >= -2 && px <= 66 && py >= -2 && py <= 66 && !(px >= 3 && px <= 61 && py >= 3 && py <= 61);
      differ += handheld[at] != desktop[at];
      elsewhere += handheld[at] != desktop[at] && !mark;
    }
    EXPECT_GT(differ, 4 * 64);
    EXPECT_EQ(elsewhere, 0) << size.first << " × " << size.second;
  }
}

TEST_F(DesktopGridTest, SizesFromKeysAndCtrlWheelRestartTheCacheWithinTheBudget) {
  const struct {
    int threads, budgetMb;  // 3 MB hold 15 thumbnails of 256 pixels, not the folder's 40
  } kRuns[] = {{1, 1024}, {3, 1024}, {1, 3}, {3, 3}};
  const struct {
    unsigned key;  // 0: Ctrl + wheel by `notches`
    int notches, side;
  } kSteps[] = {{VK_OEM_PLUS, 0, 96},   {0, 1, 128}, {VK_ADD, 0, 160},    {0, 3, 256}, {VK_OEM_PLUS, 0, 256},
                {VK_OEM_MINUS, 0, 192}, {0, -9, 64}, {VK_SUBTRACT, 0, 64}};
  MakePictures(40, 320, 240);
  for (const auto& run : kRuns) {
    threads = run.threads;
    HeapSetBudget((size_t)run.budgetMb << 20);
    StartAs(PROFILE_DESKTOP, 64, 1000, 800);
    for (const auto& s : kSteps) {
      SCOPED_TRACE(std::to_string(run.threads) + " threads, " + std::to_string(run.budgetMb) + " MB, " +
                   std::to_string(s.side));
      Key(VK_END);  // the current picture: the last
      const WPARAM wheel = MAKEWPARAM((WORD)MK_CONTROL, (WORD)(int16_t)(s.notches * WHEEL_DELTA));
      s.key != 0 ? Key(s.key) : (void)Viewer().SendMessage(WM_MOUSEWHEEL, wheel, 0);
      ASSERT_TRUE(host->WaitForBackgroundWork());
      EXPECT_EQ(app->CurrentThumbnailSize(), s.side);
      // The current picture still shown whole, in a cell of the new side.
      int x, y, held = 0;
      ASSERT_TRUE(CellOf(39, &x, &y));
      EXPECT_LT(39 - List()->m_nFirstShown, Grid().cols * GridWholeRows(Grid()));
      EXPECT_TRUE(Outline(x, y, s.side, 0, RGB(128, 128, 128)));
      EXPECT_TRUE(Near(Screen().PixelAt(x + s.side / 2, y + s.side / 2), ColourOf(39), 4));
      // Under the small budget every thumbnail is made, page by page; the
      // cache holds thumbnails of the new side only.
      for (int page = 0; run.budgetMb < 1024 && page <= 40; page += 6) {
        Key(page == 0 ? VK_HOME : VK_NEXT);
        ASSERT_TRUE(host->WaitForBackgroundWork());
      }
      for (int i = 0; i < 40; ++i) {
        const CDibOwner cached(List()->GetThumbnail(i));
        int w = 0, h = 0;
        held += GetDibSize(cached.Get(), w, h) == 0;
        EXPECT_TRUE(!cached || w == s.side) << i;
      }
      EXPECT_TRUE(s.side < 256 || run.budgetMb == 1024 || held < 40);  // the budget took some back
      EXPECT_EQ(List()->GetError(), 0);
    }
  }
}

TEST_F(DesktopGridTest, KeysMoveAMarkSeenOnAnyThumbnailByWholeRowsOpenItAndBackComesToIt) {
  MakePictures(29, 64, 64);
  const BYTE kGreys[3] = {255, 0, 128};  // the first three white, black and grey
  for (int i = 0; i < 3; ++i) {
    device.WriteFile("\\My Documents\\p00" + std::to_string(i) + ".jpg",
                     EncodeJpeg(SolidColour(64, 64, kGreys[i], kGreys[i], kGreys[i])));
  }
  StartAs(PROFILE_DESKTOP, 64, 240, 268);  // 3 × 3 cells a page; the last row holds 27 and 28
  for (int i = 0; i < 3; ++i) {
    int x, y;
    if (i > 0) Key(VK_RIGHT);
    ASSERT_TRUE(CellOf(i, &x, &y));
    // From the window in: window, ring, ring, grey frame, inner line,
    // thumbnail; the ring stands apart from all, the frame from the thumbnail.
    COLORREF c[6];
    for (int k = 0; k < 6; ++k) c[k] = Screen().PixelAt(x - 3 + k, y + 32);
    ASSERT_TRUE(Near(c[5], RGB(kGreys[i], kGreys[i], kGreys[i]), 8));
    EXPECT_TRUE(c[1] == kMark && c[2] == kMark && !Near(c[0], kMark, 90) && !Near(c[3], kMark, 90)) << i;
    EXPECT_TRUE(!Near(c[5], kMark, 90) && (!Near(c[3], c[4], 90) || !Near(c[4], c[5], 90))) << i;
  }
  Key(VK_HOME);
  const struct {
    unsigned key;
    int current, firstShown;
  } kSteps[] = {
      {VK_RIGHT, 1, 0},   {VK_DOWN, 4, 0}, {VK_DOWN, 7, 0},    {VK_DOWN, 10, 3},   // a row down, no more
      {VK_NEXT, 19, 12},                                                           // a page: the cell keeps its row
      {VK_END, 28, 21},   {VK_UP, 25, 21}, {VK_RIGHT, 26, 21}, {VK_DOWN, 28, 21},  // the shorter last row
      {VK_PRIOR, 19, 12}, {VK_UP, 16, 12}, {VK_UP, 13, 12},    {VK_UP, 10, 9},
      {VK_RETURN, 10, 9},  // opened, then Back
      {VK_HOME, 0, 0},    {VK_LEFT, 0, 0}, {VK_UP, 0, 0},      {VK_SPACE, 0, 0},
  };
  int previous = 0, x, y;
  for (const auto& s : kSteps) {
    Key(s.key);
    if (s.key == VK_RETURN || s.key == VK_SPACE) {
      EXPECT_TRUE(OnImagePage()) << s.key;
      Command(ID_BACK);
    }
    EXPECT_EQ(List()->m_nCurrent, s.current) << s.key;
    EXPECT_EQ(List()->m_nFirstShown, s.firstShown) << s.key;
    EXPECT_TRUE(Marked(s.current, true)) << s.key;
    EXPECT_TRUE(previous == s.current || !CellOf(previous, &x, &y) || Marked(previous, false)) << s.key;
    previous = s.current;
  }
  // Pressed and repeated by the key's auto-repeat, before any release.
  Viewer().HostKey(TRUE, VK_RIGHT);
  Viewer().HostKey(TRUE, VK_RIGHT);
  EXPECT_EQ(List()->m_nCurrent, 2);
  // A tap still opens at once, and its cell becomes the current one.
  Tap(100, 100);
  EXPECT_TRUE(OnImagePage());
  EXPECT_EQ(List()->m_nCurrent, 4);
}

TEST_F(DesktopGridTest, TitlesKeepTheLongestStartThatFitsBesideAnEllipsis) {
  // What DejaVu Sans at 11 pixels leaves of each name in 64 pixels; a name
  // kept whole fits, and is drawn as without the flag.
  const struct {
    std::u16string name;
    size_t kept;
  } kNames[] = {
      {u"DSC_0001_o1", 7},  // "DSC_000…": "DSC_0001…" takes 68 pixels
      {u"IMG_20240716_093512", 7}, {u"WWWWWWWWWWWW", 4}, {u"holiday photo from the beach", 9}, {u"IMG_0001", 8},
  };
  for (const auto& c : kNames) {
    const std::u16string expected = c.kept < c.name.size() ? c.name.substr(0, c.kept) + u"…" : c.name;
    // Unclipped, it is all inside the box.
    EXPECT_TRUE(Title(c.name, kTitle | DT_END_ELLIPSIS | DT_NOCLIP) == Title(expected, kTitle)) << c.kept;
  }
  // On the grid: the desktop's title ends in "…", the handheld's is clipped.
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\A.jpg", FlatJpeg(0, 64, 64));
  device.WriteFile("\\My Documents\\DSC_0001_o1.jpg", FlatJpeg(1, 64, 64));
  for (ViewerProfile profile : {PROFILE_DESKTOP, PROFILE_HANDHELD}) {
    StartAs(profile, 64, 240, 268);
    const Title expected(u"DSC_0001_o1", profile == PROFILE_DESKTOP ? kTitle | DT_END_ELLIPSIS : kTitle);
    int x, y, differ = 0;
    ASSERT_TRUE(CellOf(1, &x, &y));  // not the current cell: no mark near its title
    for (int j = 0; j < 18; ++j) {
      for (int i = 0; i < 64; ++i)
        differ += Screen().PixelAt(x + i, y + 66 + j) != expected.canvas.PixelAt(20 + i, 5 + j);
    }
    EXPECT_EQ(differ, 0) << profile;
  }
}

}  // namespace

// Why: every thumbnail and every picture on screen goes through these
// integer reductions; exact pixels, block sizes and placements on a canvas
// are the only proof that the walks, the block averages and the centring
// are right, and that odd sizes and bad headers never read outside a block.
#include "imaging/dibdraw.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/base/heap.h"
#include "platform/draw/canvas.h"
#include "shell/memblock.h"
#include "support/dibpics.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

// Colour source whose lanes identify each pixel: blue = x, green = row,
// red = 3 for odd columns plus 6 for odd rows (averages then truncate).
CDib IdentifyingDib(int width, int height) {
  CDib dib = NewTestDib(width, height, 24);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      BYTE* p = DibPixel(dib, x, row);
      p[0] = (BYTE)x;
      p[1] = (BYTE)row;
      p[2] = (BYTE)((x & 1) * 3 + (row & 1) * 6);
    }
  }
  return dib;
}

// Grey source with index = (x + 2 × row) mod 256.
CDib GreyDib(int width, int height) {
  CDib dib = NewTestDib(width, height, 8);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) *DibPixel(dib, x, row) = (BYTE)((x + 2 * row) & 0xFF);
  }
  return dib;
}

// A canvas of the given size, white, with a device context on it.
class CanvasTest : public ::testing::Test {
 protected:
  void Open(int width, int height) {
    ASSERT_TRUE(m_canvas.Resize(width, height));
    m_canvas.Fill(kWhite);
    m_dc = CreateCanvasDC(&m_canvas);
    m_objects = GdiLiveObjectCount();
  }
  void TearDown() override {
    // Every drawing call released its memory context and section.
    EXPECT_EQ(GdiLiveObjectCount(), m_objects);
    if (m_dc != nullptr) DeleteDC(m_dc);
  }
  // Rows [top, bottom) of columns [left, right) are untouched.
  void ExpectWhite(int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) ASSERT_EQ(m_canvas.PixelAt(x, y), kWhite) << x << "," << y;
    }
  }
  Canvas m_canvas;
  HDC m_dc = nullptr;
  int m_objects = 0;
};

TEST(DibSize, ReadsTheHeader) {
  int w = 7, h = 7;
  EXPECT_EQ(GetDibSize(nullptr, w, h), -1);
  CDibOwner dib(NewTestDib(31, 17, 24));
  EXPECT_EQ(GetDibSize(dib.Get(), w, h), 0);
  EXPECT_EQ(w, 31);
  EXPECT_EQ(h, 17);
  dib.Reset();
  const CDibOwner shortBlock(MemAlloc(12));
  EXPECT_EQ(GetDibSize(shortBlock.Get(), w, h), -1);
}

TEST(Thumbnail, AveragesTwoByTwoBlocksOf200x150) {
  const CDibOwner source(IdentifyingDib(200, 150));
  const CDibOwner thumb(MakeDibThumbnail(source.Get(), 64, 64));
  ASSERT_NE(thumb.Get(), nullptr);
  EXPECT_EQ(MemSize(thumb.Get()), 9256u);
  const BITMAPINFOHEADER h = DibHeaderOf(thumb.Get());
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 64);
  EXPECT_EQ(h.biHeight, 48);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, 0u);
  EXPECT_EQ(h.biSizeImage, 0u);
  EXPECT_EQ(h.biXPelsPerMeter, 0);
  EXPECT_EQ(h.biClrUsed, 0u);
  // Column walk 100 blocks onto 64: 0, 2, 3, 5, 7, 8; rows 75 onto 48: 0, 2, 3, 5, 7.
  const int columns[] = {0, 2, 3, 5, 7, 8};
  const int rows[] = {0, 2, 3, 5, 7};
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 6; ++j) {
      const BYTE* p = DibPixel(thumb.Get(), j, i);
      // Blue (2a + 2a + 2a+1 + 2a+1) / 4 = 2a; red (0 + 3 + 6 + 9) / 4 = 4.
      EXPECT_EQ(p[0], 2 * columns[j]) << j << "," << i;
      EXPECT_EQ(p[1], 2 * rows[i]) << j << "," << i;
      EXPECT_EQ(p[2], 4) << j << "," << i;
    }
  }
}

TEST(Thumbnail, PicksPixelsOf160x120) {
  const CDibOwner source(IdentifyingDib(160, 120));
  const CDibOwner thumb(MakeDibThumbnail(source.Get(), 64, 64));
  ASSERT_NE(thumb.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biWidth, 64);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biHeight, 48);
  // q = 2 picks: columns 160 onto 64 and rows 120 onto 48 give 1, 3, 6, 8, ...
  const int columns[] = {1, 3, 6, 8};
  const int rows[] = {1, 3, 6, 8, 11, 13};
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 4; ++j) {
      const BYTE* p = DibPixel(thumb.Get(), j, i);
      EXPECT_EQ(p[0], columns[j]);
      EXPECT_EQ(p[1], rows[i]);
      EXPECT_EQ(p[2], (columns[j] & 1) * 3 + (rows[i] & 1) * 6);
    }
  }
  // The last output row and column stay inside the source.Get().
  EXPECT_LT(DibPixel(thumb.Get(), 63, 47)[0], 160);
  EXPECT_LT(DibPixel(thumb.Get(), 63, 47)[1], 120);
}

TEST(Thumbnail, SmallPicturesAreCopiedExactly) {
  const CDibOwner source(IdentifyingDib(50, 40));
  const CDibOwner thumb(MakeDibThumbnail(source.Get(), 64, 64));
  ASSERT_NE(thumb.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biWidth, 50);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biHeight, 40);
  EXPECT_EQ(MemSize(thumb.Get()), 40u + 152u * 40u);
  EXPECT_EQ(std::memcmp((BYTE*)thumb.Get() + 40, (BYTE*)source.Get() + 40, 152 * 40), 0);
}

TEST(Thumbnail, LargestThumbnailFillsOneCacheSlot) {
  const CDibOwner source(IdentifyingDib(256, 256));
  const CDibOwner thumb(MakeDibThumbnail(source.Get(), 64, 64));
  ASSERT_NE(thumb.Get(), nullptr);
  EXPECT_EQ(MemSize(thumb.Get()), 12328u);
  // q = 4: 2 × 2 blocks over a 128 × 128 grid, walked onto 64: blocks 0, 2, 4, ...
  EXPECT_EQ(DibPixel(thumb.Get(), 0, 0)[0], 0);
  EXPECT_EQ(DibPixel(thumb.Get(), 1, 0)[0], 4);
  EXPECT_EQ(DibPixel(thumb.Get(), 63, 63)[1], 252);
}

TEST(Thumbnail, GreySourcesGiveEqualLanes) {
  const CDibOwner source(GreyDib(128, 96));
  const CDibOwner thumb(MakeDibThumbnail(source.Get(), 64, 64));
  ASSERT_NE(thumb.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biBitCount, 24);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biWidth, 64);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biHeight, 48);
  // q = 2 picks; columns 128 onto 64: 0, 2, 4, ...; rows 96 onto 48 likewise.
  for (int i = 0; i < 48; ++i) {
    for (int j = 0; j < 64; ++j) {
      const BYTE* p = DibPixel(thumb.Get(), j, i);
      ASSERT_EQ(p[0], (BYTE)(2 * j + 2 * (2 * i)));
      ASSERT_EQ(p[1], p[0]);
      ASSERT_EQ(p[2], p[0]);
    }
  }
}

TEST(Thumbnail, EightBitSourcesAverageTheirPaletteColours) {
  const CDibOwner source(NewTestDib(6, 6, 8));
  for (int i = 0; i < 256; ++i) *DibPalette(source.Get(), i) = RGBQUAD{(BYTE)i, (BYTE)(255 - i), 7, 0};
  // Index 10 and 20 alternate by column: blue (10 + 20) / 2 = 15 per block.
  for (int row = 0; row < 6; ++row) {
    for (int x = 0; x < 6; ++x) *DibPixel(source.Get(), x, row) = (BYTE)((x & 1) ? 20 : 10);
  }
  const CDibOwner thumb(MakeDibThumbnail(source.Get(), 2, 2));  // q = 3: 2 × 2 blocks
  ASSERT_NE(thumb.Get(), nullptr);
  const BYTE* p = DibPixel(thumb.Get(), 0, 0);
  EXPECT_EQ(p[0], 15);
  EXPECT_EQ(p[1], 240);
  EXPECT_EQ(p[2], 7);
}

TEST(ThumbnailEdges, DegenerateSizesMakeEmptyThumbnails) {
  struct Case {
    int w, h;
    unsigned bw, bh;
    LONG tw, th;
  };
  const Case cases[] = {{1, 100, 64, 64, 0, 64},
                        {100, 1, 64, 64, 64, 0},
                        {0, 0, 64, 64, 0, 0},
                        {0, 30, 64, 64, 0, 30},
                        {40, 30, 0, 0, 0, 0}};
  for (const Case& c : cases) {
    const CDibOwner source(IdentifyingDib(c.w, c.h));
    const CDibOwner thumb(MakeDibThumbnail(source.Get(), c.bw, c.bh));
    ASSERT_NE(thumb.Get(), nullptr);
    EXPECT_EQ(DibHeaderOf(thumb.Get()).biWidth, c.tw);
    EXPECT_EQ(DibHeaderOf(thumb.Get()).biHeight, c.th);
    EXPECT_EQ(MemSize(thumb.Get()), 40u + (c.tw == 0 ? 0 : ((size_t)c.tw * 3 + 3) / 4 * 4 * (size_t)c.th));
  }
}

TEST(ThumbnailEdges, ShortBlockGridStopsInsideTheSource) {
  // 3 × 100 into 64 × 64: 1 × 64 output, q = 3 gives 2 × 2 blocks, but only
  // 50 block rows exist: rows past them stay zero.
  const CDibOwner source(IdentifyingDib(3, 100));
  const CDibOwner thumb(MakeDibThumbnail(source.Get(), 64, 64));
  ASSERT_NE(thumb.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biWidth, 1);
  EXPECT_EQ(DibHeaderOf(thumb.Get()).biHeight, 64);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(DibPixel(thumb.Get(), 0, i)[1], 2 * i) << i;
  for (int i = 50; i < 64; ++i) EXPECT_EQ(DibPixel(thumb.Get(), 0, i)[1], 0) << i;
}

TEST(ThumbnailEdges, RefusesWhatItCannotRead) {
  const size_t blocks = HeapBlockCount();
  EXPECT_EQ(MakeDibThumbnail(nullptr, 64, 64), nullptr);
  CDibOwner source(IdentifyingDib(8, 8));
  BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)source.Get();
  for (WORD bits : {1, 4, 16, 32}) {
    h->biBitCount = bits;
    EXPECT_EQ(MakeDibThumbnail(source.Get(), 4, 4), nullptr) << bits;
  }
  // A header announcing more rows than its block holds is not read.
  h->biBitCount = 24;
  h->biWidth = 1000;
  h->biHeight = 1000;
  EXPECT_EQ(MakeDibThumbnail(source.Get(), 64, 64), nullptr);
  h->biWidth = -8;
  h->biHeight = 8;
  EXPECT_EQ(MakeDibThumbnail(source.Get(), 64, 64), nullptr);
  source.Reset();
  // An 8-bit block too short for a full palette.
  CDibOwner tiny(MemAlloc(40 + 4 + 4));
  std::memcpy(tiny.Get(), "\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x08\0", 16);
  ((BITMAPINFOHEADER*)tiny.Get())->biClrUsed = 1;
  EXPECT_EQ(MakeDibThumbnail(tiny.Get(), 64, 64), nullptr);
  tiny.Reset();
  EXPECT_EQ(HeapBlockCount(), blocks);
}

TEST(ThumbnailEdges, AllocationPastTheBudgetFails) {
  const CDibOwner source(IdentifyingDib(200, 150));
  const size_t budget = HeapBudget();
  const size_t blocks = HeapBlockCount();
  HeapSetBudget(HeapBytesInUse() + 9000);
  EXPECT_EQ(MakeDibThumbnail(source.Get(), 64, 64), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
  HeapSetBudget(budget);
}

TEST_F(CanvasTest, FitDrawsAThumbnailOneToOneInACell) {
  Open(100, 100);
  const CDibOwner thumb(IdentifyingDib(64, 48));
  const RECT cell{10, 20, 74, 84};
  EXPECT_EQ(DrawDibFit(thumb.Get(), &cell, m_dc), 1);
  ExpectWhite(0, 0, 100, 28);    // 8 empty rows above the picture
  ExpectWhite(0, 76, 100, 100);  // and 8 below
  ExpectWhite(0, 28, 10, 76);
  ExpectWhite(74, 28, 100, 76);
  // Device row y shows storage row 75 - y.
  for (int y = 28; y < 76; ++y) {
    for (int x = 10; x < 74; ++x) {
      const BYTE* p = DibPixel(thumb.Get(), x - 10, 75 - y);
      ASSERT_EQ(m_canvas.PixelAt(x, y), RGB(p[2], p[1], p[0])) << x << "," << y;
    }
  }
}

TEST_F(CanvasTest, FitReducesALargePictureByFourByFourBlocks) {
  Open(300, 400);
  // 1600 × 1200 with blue = block column (x / 4) mod 256 and green =
  // block row (row / 4) mod 256, so every 4 × 4 block is flat.
  const CDibOwner picture(NewTestDib(1600, 1200, 24));
  for (int row = 0; row < 1200; ++row) {
    for (int x = 0; x < 1600; ++x) {
      BYTE* p = DibPixel(picture.Get(), x, row);
      p[0] = (BYTE)((x / 4) & 0xFF);
      p[1] = (BYTE)((row / 4) & 0xFF);
      p[2] = 9;
    }
  }
  const RECT rect{30, 40, 270, 360};  // 240 × 320
  EXPECT_EQ(DrawDibFit(picture.Get(), &rect, m_dc), 1);
  // 240 × 180 at x0 = 30, with 70 spare rows above and below.
  ExpectWhite(30, 40, 270, 110);
  ExpectWhite(30, 290, 270, 360);
  ExpectWhite(0, 110, 30, 290);
  ExpectWhite(270, 110, 300, 290);
  // Columns: 400 blocks onto 240 give 0, 2, 4, 5; rows: 300 onto 180 give 0, 2, 4, 5.
  const int blocks[] = {0, 2, 4, 5};
  const int y0 = 360 - 70 - 1;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(m_canvas.PixelAt(30 + j, y0 - i), RGB(9, (BYTE)blocks[i], (BYTE)blocks[j])) << j << "," << i;
    }
  }
  for (int x = 30; x < 270; ++x) {
    ASSERT_NE(m_canvas.PixelAt(x, 110), kWhite);
    ASSERT_NE(m_canvas.PixelAt(x, 289), kWhite);
  }
}

TEST_F(CanvasTest, FitPutsOddSpareColumnsRightAndOddSpareRowsAbove) {
  Open(20, 20);
  const CDibOwner picture(IdentifyingDib(10, 5));
  const RECT rect{0, 0, 13, 8};
  EXPECT_EQ(DrawDibFit(picture.Get(), &rect, m_dc), 1);
  // 3 spare columns: 1 left, 2 right. 3 spare rows: 2 above, 1 below.
  ExpectWhite(0, 0, 13, 2);
  ExpectWhite(0, 7, 13, 8);
  ExpectWhite(0, 2, 1, 7);
  ExpectWhite(11, 2, 13, 7);
  EXPECT_EQ(m_canvas.PixelAt(1, 6), RGB(0, 0, 0));   // storage row 0, column 0
  EXPECT_EQ(m_canvas.PixelAt(10, 2), RGB(3, 4, 9));  // storage row 4, column 9
}

TEST_F(CanvasTest, FitDrawsGreyThroughThePalette) {
  Open(40, 40);
  const CDibOwner grey(GreyDib(32, 32));
  const RECT rect{0, 0, 16, 16};
  EXPECT_EQ(DrawDibFit(grey.Get(), &rect, m_dc), 1);
  // q = 2: 2 × 2 blocks of indices x + 2·row average to 2a + 4o + 1.
  for (int i = 0; i < 16; ++i) {
    for (int j = 0; j < 16; ++j) {
      const BYTE level = (BYTE)((((2 * j + 4 * i) * 4 + 1 + 1 + 2 + 2) >> 1) >> 1);
      ASSERT_EQ(m_canvas.PixelAt(j, 15 - i), RGB(level, level, level)) << j << "," << i;
    }
  }
}

TEST_F(CanvasTest, FitAveragesIndicesBeforeThePalette) {
  Open(4, 4);
  const CDibOwner dib(NewTestDib(2, 2, 8));
  for (int i = 0; i < 256; ++i) *DibPalette(dib.Get(), i) = RGBQUAD{(BYTE)i, 0, (BYTE)(255 - i), 0};
  *DibPixel(dib.Get(), 0, 0) = 10;
  *DibPixel(dib.Get(), 1, 0) = 20;
  *DibPixel(dib.Get(), 0, 1) = 30;
  *DibPixel(dib.Get(), 1, 1) = 40;
  const RECT rect{0, 0, 1, 1};
  EXPECT_EQ(DrawDibFit(dib.Get(), &rect, m_dc), 1);
  EXPECT_EQ(m_canvas.PixelAt(0, 0), RGB(255 - 25, 0, 25));  // index (10+20+30+40)/4 = 25
}

TEST_F(CanvasTest, FitFailuresAndEmptyDraws) {
  Open(64, 64);
  const RECT rect{0, 0, 64, 64};
  EXPECT_EQ(DrawDibFit(nullptr, &rect, m_dc), 0);
  const CDibOwner picture(IdentifyingDib(16, 16));
  EXPECT_EQ(DrawDibFit(picture.Get(), nullptr, m_dc), 0);
  // Empty rectangles and pictures draw nothing and succeed.
  const RECT flat{10, 10, 10, 50};
  const RECT inverted{50, 50, 10, 10};
  EXPECT_EQ(DrawDibFit(picture.Get(), &flat, m_dc), 1);
  EXPECT_EQ(DrawDibFit(picture.Get(), &inverted, m_dc), 1);
  const CDibOwner thin(IdentifyingDib(1, 200));  // fits as 0 × 64
  EXPECT_EQ(DrawDibFit(thin.Get(), &rect, m_dc), 1);
  const CDibOwner empty(IdentifyingDib(0, 0));
  EXPECT_EQ(DrawDibFit(empty.Get(), &rect, m_dc), 1);
  ExpectWhite(0, 0, 64, 64);
  // Depths the section cannot take, and headers that overrun their block.
  BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)picture.Get();
  h->biBitCount = 32;
  EXPECT_EQ(DrawDibFit(picture.Get(), &rect, m_dc), 0);
  h->biBitCount = 24;
  h->biHeight = 17;
  EXPECT_EQ(DrawDibFit(picture.Get(), &rect, m_dc), 0);
  ExpectWhite(0, 0, 64, 64);
}

TEST_F(CanvasTest, FitShortBlockGridDrawsOnlyWhatExists) {
  Open(64, 64);
  // 3 × 100 into 64 × 64: 1 × 64 output; q = 3 gives s = 1 and 50 block rows.
  const CDibOwner picture(IdentifyingDib(3, 100));
  const RECT rect{0, 0, 64, 64};
  EXPECT_EQ(DrawDibFit(picture.Get(), &rect, m_dc), 1);
  // x0 = 31; rows 63 down to 14 are drawn, 13 up to 0 stay white.
  for (int i = 0; i < 50; ++i) EXPECT_EQ(GetGValue(m_canvas.PixelAt(31, 63 - i)), 2 * i) << i;
  ExpectWhite(0, 0, 64, 14);
}

TEST_F(CanvasTest, RectClipsWindowsPastTheEdges) {
  Open(120, 120);
  const CDibOwner picture(IdentifyingDib(100, 80));
  RECT window{60, 50, 200, 300};
  const RECT rect{0, 0, 100, 100};
  EXPECT_EQ(DrawDibRect(m_dc, &rect, picture.Get(), &window), 1);
  EXPECT_EQ(window.left, 60);
  EXPECT_EQ(window.top, 50);
  EXPECT_EQ(window.right, 100);
  EXPECT_EQ(window.bottom, 80);
  // 40 × 30 drawn 1:1 at x0 = 30, lowest row at y0 = 100 - 35 - 1 = 64.
  ExpectWhite(0, 0, 120, 35);
  ExpectWhite(0, 65, 120, 120);
  for (int i = 0; i < 30; ++i) {
    for (int j = 0; j < 40; ++j) {
      const BYTE* p = DibPixel(picture.Get(), 60 + j, 50 + i);
      ASSERT_EQ(m_canvas.PixelAt(30 + j, 64 - i), RGB(p[2], p[1], p[0])) << j << "," << i;
    }
  }
  // Negative left and top become 0.
  RECT corner{-10, -5, 20, 10};
  EXPECT_EQ(DrawDibRect(m_dc, &rect, picture.Get(), &corner), 1);
  EXPECT_EQ(corner.left, 0);
  EXPECT_EQ(corner.top, 0);
}

TEST_F(CanvasTest, RectShowsAGreyWindowAwayFromTheCorner) {
  Open(64, 64);
  const CDibOwner grey(GreyDib(64, 64));
  RECT window{16, 8, 48, 40};
  const RECT same{0, 0, 32, 32};
  EXPECT_EQ(DrawDibRect(m_dc, &same, grey.Get(), &window), 1);
  for (int i = 0; i < 32; ++i) {
    for (int j = 0; j < 32; ++j) {
      const BYTE level = (BYTE)((16 + j) + 2 * (8 + i));
      ASSERT_EQ(m_canvas.PixelAt(j, 31 - i), RGB(level, level, level)) << j << "," << i;
    }
  }
  // The same window halved: 2 × 2 blocks relative to the window's corner.
  m_canvas.Fill(kWhite);
  RECT again{16, 8, 48, 40};
  const RECT half{0, 0, 16, 16};
  EXPECT_EQ(DrawDibRect(m_dc, &half, grey.Get(), &again), 1);
  for (int i = 0; i < 16; ++i) {
    for (int j = 0; j < 16; ++j) {
      const int x = 16 + 2 * j, row = 8 + 2 * i;
      const BYTE level = (BYTE)(((4 * (x + 2 * row) + 1 + 1 + 2 + 2) >> 1) >> 1);
      ASSERT_EQ(m_canvas.PixelAt(j, 15 - i), RGB(level, level, level)) << j << "," << i;
    }
  }
}

TEST_F(CanvasTest, RectOutsideThePictureDrawsNothing) {
  Open(32, 32);
  const CDibOwner picture(IdentifyingDib(20, 20));
  const RECT rect{0, 0, 32, 32};
  RECT beyond{25, 0, 40, 10};
  EXPECT_EQ(DrawDibRect(m_dc, &rect, picture.Get(), &beyond), 1);
  RECT above{0, 30, 10, 40};
  EXPECT_EQ(DrawDibRect(m_dc, &rect, picture.Get(), &above), 1);
  RECT backwards{10, 10, 5, 5};
  EXPECT_EQ(DrawDibRect(m_dc, &rect, picture.Get(), &backwards), 1);
  ExpectWhite(0, 0, 32, 32);
  EXPECT_EQ(DrawDibRect(m_dc, &rect, nullptr, &beyond), 0);
  EXPECT_EQ(DrawDibRect(m_dc, &rect, picture.Get(), nullptr), 0);
}

}  // namespace

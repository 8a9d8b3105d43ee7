// Drawing primitives are checked by their pixels on a canvas, with no
// display: the pages' grid frames, the one-row bitmap transfer that every
// picture goes through, and text placement.
#include "platform/draw/gdi.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/draw/canvas.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

struct Surface {
  Canvas canvas;
  HDC dc;
  Surface(int w, int h) {
    canvas.Resize(w, h);
    dc = CreateCanvasDC(&canvas);
  }
  ~Surface() { DeleteDC(dc); }
  int CountNot(COLORREF colour, int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += canvas.PixelAt(x, y) != colour;
    return n;
  }
};

TEST(Canvas, StartsWhiteAndKeepsPixelsOnResize) {
  Canvas canvas;
  ASSERT_TRUE(canvas.Resize(4, 3));
  EXPECT_EQ(canvas.PixelAt(3, 2), kWhite);
  canvas.Row(1)[1] = 0x00102030;
  canvas.MarkDirty();
  ASSERT_TRUE(canvas.Resize(6, 5));
  EXPECT_EQ(canvas.PixelAt(1, 1), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(canvas.PixelAt(5, 4), kWhite);
  EXPECT_EQ(canvas.PixelAt(6, 0), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.PixelAt(-1, 0), 0xFFFFFFFFu);
}

TEST(Polyline, GreyFrameOnExactPixels) {
  Surface s(100, 100);
  const int x = 12, y = 7;
  HPEN pen = CreatePen(PS_SOLID, 1, kGrey);
  HGDIOBJ old = SelectObject(s.dc, pen);
  const POINT frame[5] = {{x, y}, {x + 64, y}, {x + 64, y + 64}, {x, y + 64}, {x, y}};
  ASSERT_TRUE(Polyline(s.dc, frame, 5));
  SelectObject(s.dc, old);
  EXPECT_TRUE(DeleteObject(pen));
  // Top and left edges, and the right and bottom edge lines one pixel
  // outside the 64 × 64 box; the four corners included.
  for (int i = 0; i <= 64; ++i) {
    EXPECT_EQ(s.canvas.PixelAt(x + i, y), kGrey) << i;
    EXPECT_EQ(s.canvas.PixelAt(x + i, y + 64), kGrey) << i;
    EXPECT_EQ(s.canvas.PixelAt(x, y + i), kGrey) << i;
    EXPECT_EQ(s.canvas.PixelAt(x + 64, y + i), kGrey) << i;
  }
  EXPECT_EQ(s.CountNot(kWhite, 0, 0, 100, 100), 4 * 64);
}

TEST(Polyline, SegmentLeavesItsLastPixel) {
  Surface s(10, 10);
  const POINT line[2] = {{1, 1}, {5, 1}};
  ASSERT_TRUE(Polyline(s.dc, line, 2));
  EXPECT_EQ(s.canvas.PixelAt(4, 1), RGB(0, 0, 0));
  EXPECT_EQ(s.canvas.PixelAt(5, 1), kWhite);
  const POINT outside[2] = {{-5, -5}, {20, 20}};
  EXPECT_TRUE(Polyline(s.dc, outside, 2));  // clipped, never written past
  EXPECT_FALSE(Polyline(s.dc, line, 1));
}

// A one-row bitmap section put on the canvas, the way every picture is drawn.
TEST(BitBlt, PutsOneRowOf24BitPixels) {
  Surface s(8, 4);
  BITMAPINFO info = {};
  info.bmiHeader = {40, 3, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC mem = CreateCompatibleDC(s.dc);
  HBITMAP section = CreateDIBSection(s.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  const unsigned char bgr[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  std::copy(bgr, bgr + 9, (unsigned char*)bits);
  HGDIOBJ old = SelectObject(mem, section);
  ASSERT_TRUE(BitBlt(s.dc, 6, 2, 3, 1, mem, 0, 0, SRCCOPY));
  SelectObject(mem, old);
  EXPECT_EQ(s.canvas.PixelAt(6, 2), RGB(3, 2, 1));
  EXPECT_EQ(s.canvas.PixelAt(7, 2), RGB(6, 5, 4));
  EXPECT_EQ(s.CountNot(kWhite, 0, 0, 8, 4), 2);  // the third pixel is clipped
  EXPECT_TRUE(DeleteObject(section));
  EXPECT_TRUE(DeleteDC(mem));
}

TEST(BitBlt, Puts8BitPixelsThroughThePalette) {
  Surface s(4, 1);
  std::vector<unsigned char> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  BITMAPINFO* info = (BITMAPINFO*)storage.data();
  info->bmiHeader = {40, 2, 1, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
  for (int i = 0; i < 256; ++i) info->bmiColors[i] = {(BYTE)i, (BYTE)(255 - i), 7, 0};
  void* bits = nullptr;
  HDC mem = CreateCompatibleDC(s.dc);
  HBITMAP section = CreateDIBSection(s.dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  ((unsigned char*)bits)[0] = 10;
  ((unsigned char*)bits)[1] = 200;
  HGDIOBJ old = SelectObject(mem, section);
  ASSERT_TRUE(BitBlt(s.dc, 1, 0, 2, 1, mem, 0, 0, SRCCOPY));
  SelectObject(mem, old);
  EXPECT_EQ(s.canvas.PixelAt(1, 0), RGB(7, 245, 10));
  EXPECT_EQ(s.canvas.PixelAt(2, 0), RGB(7, 55, 200));
  DeleteObject(section);
  DeleteDC(mem);
}

TEST(GdiObjects, AreReleasedAndRefusedWhileSelected) {
  const int live = GdiLiveObjectCount();
  Surface s(2, 2);
  BITMAPINFO info = {};
  info.bmiHeader = {40, 1, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  HDC mem = CreateCompatibleDC(s.dc);
  HBITMAP section = CreateDIBSection(s.dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, section);
  EXPECT_FALSE(DeleteObject(section));
  SelectObject(mem, old);
  EXPECT_TRUE(DeleteObject(section));
  DeleteDC(mem);
  info.bmiHeader.biBitCount = 16;
  EXPECT_EQ(CreateDIBSection(s.dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biWidth = 0;
  EXPECT_EQ(CreateDIBSection(s.dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(GdiLiveObjectCount(), live + 1);  // the canvas context of `s`
}

// Columns of a region that hold any non-white pixel.
void InkColumns(const Canvas& c, int top, int bottom, int* first, int* last) {
  *first = -1;
  *last = -1;
  for (int x = 0; x < c.Width(); ++x)
    for (int y = top; y < bottom; ++y)
      if (c.PixelAt(x, y) != kWhite) {
        if (*first < 0) *first = x;
        *last = x;
        break;
      }
}

void InkRows(const Canvas& c, int* first, int* last) {
  *first = -1;
  *last = -1;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.PixelAt(x, y) != kWhite) {
        if (*first < 0) *first = y;
        *last = y;
        break;
      }
}

TEST(DrawText, CentresEachLineAndTheBlock) {
  Surface s(200, 100);
  RECT box = {0, 0, 200, 100};
  const int height = DrawText(s.dc, u"Wide first line\nab", -1, &box, DT_CENTER | DT_VCENTER);
  EXPECT_GT(height, 15);
  int top, bottom;
  InkRows(s.canvas, &top, &bottom);
  ASSERT_GE(top, 0);
  // The block is centred vertically (within the font's spare pixels).
  EXPECT_NEAR((top + bottom) / 2.0, 50.0, 4.0);
  // Each line centred on its own: compare ink spans of the two lines.
  const int middle = top + (bottom - top) / 2;
  int l1, r1, l2, r2;
  InkColumns(s.canvas, top, middle, &l1, &r1);
  InkColumns(s.canvas, middle + 1, bottom + 1, &l2, &r2);
  EXPECT_NEAR((l1 + r1) / 2.0, 100.0, 2.0);
  EXPECT_NEAR((l2 + r2) / 2.0, 100.0, 2.0);
  EXPECT_GT(r1 - l1, 3 * (r2 - l2));
}

TEST(DrawText, ClipsAtBothEndsOfTheRectangle) {
  Surface s(120, 30);
  RECT box = {40, 5, 80, 25};
  DrawText(s.dc, u"A much longer title than fits", -1, &box, DT_CENTER | DT_VCENTER);
  int left, right;
  InkColumns(s.canvas, 0, 30, &left, &right);
  EXPECT_EQ(left, 40);   // ink reaches the left edge ...
  EXPECT_EQ(right, 79);  // ... and the right edge, and stops there
  EXPECT_EQ(s.CountNot(kWhite, 0, 0, 120, 5), 0);
  EXPECT_EQ(s.CountNot(kWhite, 0, 25, 120, 30), 0);
}

TEST(DrawText, TopAlignedWithoutVerticalCentring) {
  Surface s(100, 100);
  RECT box = {0, 40, 100, 100};
  DrawText(s.dc, u"Top", -1, &box, DT_CENTER);
  int top, bottom;
  InkRows(s.canvas, &top, &bottom);
  EXPECT_GE(top, 40);
  EXPECT_LT(top, 46);
  EXPECT_LT(bottom, 60);
}

}  // namespace

// Why: a turned picture must hold every pixel of the original at the place
// the turn gives it, in both depths and with the row padding of odd sides;
// a quarter turn that cannot get its second block must leave the picture as
// it was, and no turn may leave a block behind.
#include "imaging/dibturn.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/heap.h"
#include "shell/memblock.h"
#include "support/dibpics.h"
#include "support/orientpics.h"

namespace {

// A pixel value that tells (x, y) apart (y counted from the top), per byte.
BYTE Mark(int x, int y, int lane) {
  return (BYTE)(x * 7 + y * 31 + lane * 101 + 1);
}

CDib MarkedDib(int width, int height, int bitCount) {
  CDib dib = NewTestDib(width, height, bitCount);
  if (dib == nullptr) return nullptr;
  const int bytes = bitCount / 8;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      BYTE* pixel = DibPixel(dib, x, height - 1 - y);
      for (int lane = 0; lane < bytes; ++lane) pixel[lane] = Mark(x, y, lane);
    }
  }
  BYTE* header = (BYTE*)MemLock(dib);
  reinterpret_cast<BITMAPINFOHEADER*>(header)->biXPelsPerMeter = 2835;
  reinterpret_cast<BITMAPINFOHEADER*>(header)->biYPelsPerMeter = 1417;
  return dib;
}

// Where the point (x, y) of a w × h picture goes after one clockwise quarter
// turn: the left column becomes the top row.
void TurnPointOnce(int& x, int& y, int& w, int& h) {
  const int nx = h - 1 - y;
  const int ny = x;
  x = nx;
  y = ny;
  const int side = w;
  w = h;
  h = side;
}

TEST(DibTurn, EveryPixelLandsWhereTheTurnPutsIt) {
  const struct { int width, height; } kSizes[] = {{1, 1}, {5, 3}, {3, 5}, {7, 2}, {2, 7}, {64, 33}, {33, 64}, {1, 9}};
  for (int bitCount : {24, 8}) {
    for (const auto& size : kSizes) {
      for (int turns : {-1, 0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(std::to_string(bitCount) + " bits, " + std::to_string(size.width) + "x" +
                     std::to_string(size.height) + ", " + std::to_string(turns) + " turns");
        const size_t blocksBefore = HeapBlockCount();
        CDibOwner owner(MarkedDib(size.width, size.height, bitCount));
        ASSERT_TRUE(owner);
        const CDib original = owner.Get();
        ASSERT_TRUE(TurnDib(&owner, turns));
        const CDib dib = owner.Get();
        const int clockwise = ((turns % 4) + 4) % 4;
        // A half turn keeps its block; a quarter turn replaces it.
        if (clockwise % 2 == 0) {
          EXPECT_EQ(dib, original);
        }
        EXPECT_EQ(HeapBlockCount(), blocksBefore + 1);
        const int w = clockwise % 2 ? size.height : size.width;
        const int h = clockwise % 2 ? size.width : size.height;
        const BITMAPINFOHEADER header = DibHeaderOf(dib);
        ASSERT_EQ(header.biWidth, w);
        ASSERT_EQ(header.biHeight, h);
        EXPECT_EQ(header.biBitCount, bitCount);
        EXPECT_EQ(header.biXPelsPerMeter, clockwise % 2 ? 1417 : 2835);
        EXPECT_EQ(header.biYPelsPerMeter, clockwise % 2 ? 2835 : 1417);
        EXPECT_EQ(MemSize(dib), 40 + (bitCount == 8 ? 1024 : 0) + DibRowStride(dib) * (size_t)h);
        if (bitCount == 8) {
          EXPECT_EQ(DibPalette(dib, 200)->rgbGreen, 200);
        }
        int wrong = 0;
        for (int y0 = 0; y0 < size.height; ++y0) {
          for (int x0 = 0; x0 < size.width; ++x0) {
            int x = x0, y = y0, tw = size.width, th = size.height;
            for (int i = 0; i < clockwise; ++i) TurnPointOnce(x, y, tw, th);
            const BYTE* pixel = DibPixel(dib, x, h - 1 - y);
            for (int lane = 0; lane < bitCount / 8; ++lane) wrong += pixel[lane] != Mark(x0, y0, lane);
          }
        }
        EXPECT_EQ(wrong, 0);
        // The padding at the end of each row stays zero.
        const size_t used = (size_t)w * (size_t)(bitCount / 8);
        int padding = 0;
        for (int row = 0; row < h; ++row) {
          const BYTE* start = DibPixel(dib, 0, row);
          for (size_t k = used; k < DibRowStride(dib); ++k) padding += start[k] != 0;
        }
        EXPECT_EQ(padding, 0);
        owner.Reset();
        EXPECT_EQ(HeapBlockCount(), blocksBefore);
      }
    }
  }
}

TEST(DibTurn, QuarterTurnWithoutMemoryLeavesThePictureAsItWas) {
  const size_t budget = HeapBudget();
  for (int bitCount : {24, 8}) {
    SCOPED_TRACE(bitCount);
    CDibOwner owner(MarkedDib(300, 200, bitCount));
    ASSERT_TRUE(owner);
    const CDib dib = owner.Get();
    // Room for anything but a second picture.
    HeapSetBudget(HeapBytesInUse() + MemSize(dib) / 2);
    EXPECT_FALSE(TurnDib(&owner, 1));
    EXPECT_FALSE(TurnDib(&owner, 3));
    EXPECT_EQ(owner.Get(), dib);
    EXPECT_EQ(DibHeaderOf(dib).biWidth, 300);
    EXPECT_EQ(DibPixel(dib, 17, 200 - 1 - 9)[0], Mark(17, 9, 0));
    // The half turn needs no second block.
    EXPECT_TRUE(TurnDib(&owner, 2));
    EXPECT_EQ(DibPixel(dib, 300 - 1 - 17, 9)[0], Mark(17, 9, 0));
    HeapSetBudget(budget);
  }
}

TEST(DibTurn, EachOrientationStandsThePictureUpInPlaceOrInOneCopy) {
  // Mirrors and the half turn work in place; the four orientations that
  // swap the sides fill one second block, mirrored or not, and free the first.
  const struct { int width, height; } kSizes[] = {{1, 1}, {5, 3}, {3, 5}, {7, 2}, {2, 7}, {64, 33}, {33, 64}, {1, 9}};
  const size_t budget = HeapBudget();
  for (int bitCount : {24, 8}) {
    for (const auto& size : kSizes) {
      for (int orientation = 0; orientation <= 9; ++orientation) {
        for (bool roomForACopy : {true, false}) {
          SCOPED_TRACE(std::to_string(bitCount) + " bits, " + std::to_string(size.width) + "x" +
                       std::to_string(size.height) + ", orientation " + std::to_string(orientation) +
                       (roomForACopy ? "" : ", no room for a copy"));
          const size_t blocksBefore = HeapBlockCount();
          CDibOwner owner(MarkedDib(size.width, size.height, bitCount));
          ASSERT_TRUE(owner);
          const CDib original = owner.Get();
          const bool swaps = orientation >= 5 && orientation <= 8;
          EXPECT_EQ(OrientationSwapsSides(orientation), swaps ? TRUE : FALSE);
          if (!roomForACopy) HeapSetBudget(HeapBytesInUse() + MemSize(original) / 2);
          const BOOL stood = OrientDib(&owner, orientation);
          HeapSetBudget(budget);
          const bool refused = swaps && !roomForACopy;
          EXPECT_EQ(stood, refused ? FALSE : TRUE);
          EXPECT_EQ(owner.Get() == original, !swaps || refused);
          EXPECT_EQ(HeapBlockCount(), blocksBefore + 1);
          const CDib dib = owner.Get();
          const bool turned = swaps && !refused;
          const int w = turned ? size.height : size.width;
          const int h = turned ? size.width : size.height;
          const BITMAPINFOHEADER header = DibHeaderOf(dib);
          ASSERT_EQ(header.biWidth, w);
          ASSERT_EQ(header.biHeight, h);
          EXPECT_EQ(header.biXPelsPerMeter, turned ? 1417 : 2835);
          int wrong = 0;
          for (int y0 = 0; y0 < size.height; ++y0) {
            for (int x0 = 0; x0 < size.width; ++x0) {
              int x = x0, y = y0;
              if (!refused) OrientedPoint(orientation, x0, y0, size.width, size.height, &x, &y);
              const BYTE* pixel = DibPixel(dib, x, h - 1 - y);
              for (int lane = 0; lane < bitCount / 8; ++lane) wrong += pixel[lane] != Mark(x0, y0, lane);
            }
          }
          EXPECT_EQ(wrong, 0);
          int padding = 0;
          for (int row = 0; row < h; ++row) {
            const BYTE* start = DibPixel(dib, 0, row);
            for (size_t k = (size_t)w * (size_t)(bitCount / 8); k < DibRowStride(dib); ++k) padding += start[k] != 0;
          }
          EXPECT_EQ(padding, 0);
          owner.Reset();
          EXPECT_EQ(HeapBlockCount(), blocksBefore);
        }
      }
    }
  }
  EXPECT_FALSE(OrientDib(nullptr, 2));
}

TEST(DibTurn, RefusesWhatIsNotAPicture) {
  EXPECT_FALSE(TurnDib(nullptr, 1));
  CDibOwner none;
  EXPECT_FALSE(TurnDib(&none, 1));
  EXPECT_FALSE(none);
  // A header that claims more rows than its block holds.
  CDibOwner dib(NewTestDib(10, 10, 24));
  ASSERT_TRUE(dib);
  reinterpret_cast<BITMAPINFOHEADER*>(MemLock(dib.Get()))->biHeight = 1000;
  const CDib original = dib.Get();
  EXPECT_FALSE(TurnDib(&dib, 1));
  EXPECT_FALSE(TurnDib(&dib, 2));
  EXPECT_EQ(dib.Get(), original);
}

}  // namespace

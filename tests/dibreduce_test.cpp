// Why: the fit rule, the two block exponents and the stepping walk are the
// integer core of every thumbnail and every drawn picture; their worked
// examples must hold exactly, and no size may overflow or divide by zero.
#include "imaging/dibreduce.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int64_t> Walk(int64_t blocks, int64_t positions, int count) {
  StepWalk walk(blocks, positions);
  std::vector<int64_t> picked;
  for (int i = 0; i < count; ++i) picked.push_back(walk.Next());
  return picked;
}

void ExpectFit(uint64_t w, uint64_t h, uint64_t boxW, uint64_t boxH, uint64_t dw, uint64_t dh) {
  const FitSize fit = FitIntoBox(w, h, boxW, boxH);
  EXPECT_EQ(fit.width, dw) << w << "x" << h << " into " << boxW << "x" << boxH;
  EXPECT_EQ(fit.height, dh) << w << "x" << h << " into " << boxW << "x" << boxH;
}

TEST(FitRule, WiderSourcesFollowTheWidth) {
  ExpectFit(200, 150, 64, 64, 64, 48);
  ExpectFit(160, 120, 64, 64, 64, 48);
  ExpectFit(1600, 1200, 240, 320, 240, 180);
  // Truncating division of the other side.
  ExpectFit(130, 97, 64, 64, 64, 47);
}

TEST(FitRule, TallerSourcesAndTiesFollowTheHeight) {
  ExpectFit(120, 160, 64, 64, 48, 64);
  ExpectFit(100, 100, 50, 50, 50, 50);
  ExpectFit(64, 48, 64, 48, 64, 48);
  ExpectFit(6000, 4000, 1920, 1080, 1620, 1080);
}

TEST(FitRule, NeverEnlarges) {
  ExpectFit(50, 40, 64, 64, 50, 40);
  ExpectFit(64, 48, 64, 64, 64, 48);
  ExpectFit(1, 1, 160, 160, 1, 1);
}

TEST(FitRule, DegenerateSidesGiveEmptyOutputWithoutDividing) {
  ExpectFit(1, 100, 64, 64, 0, 64);  // more than 64 times taller than wide
  ExpectFit(100, 1, 64, 64, 64, 0);
  ExpectFit(0, 10, 64, 64, 0, 10);
  ExpectFit(10, 0, 64, 64, 10, 0);
  ExpectFit(0, 0, 64, 64, 0, 0);
  ExpectFit(100, 80, 0, 0, 0, 0);
  ExpectFit(100, 80, 0, 64, 0, 0);
  ExpectFit(100, 80, 64, 0, 0, 0);
}

TEST(FitRule, LargeSidesDoNotOverflow) {
  // 65,500 × 4,294,967,295 does not fit 32 bits; the rule must still hold.
  ExpectFit(65500, 65500, 4294967295u, 4294967295u, 65500, 65500);
  ExpectFit(65500, 32750, 4294967295u, 1000, 2000, 1000);
  ExpectFit(2147483647u, 1, 1920, 1080, 1920, 0);
}

TEST(BlockExponent, ThumbnailsHalveWhileAboveTwo) {
  const unsigned expected[] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3};  // q = 0 ... 12
  for (unsigned q = 0; q < sizeof expected / sizeof expected[0]; ++q) {
    EXPECT_EQ(ThumbnailBlockExponent(q), expected[q]) << "q = " << q;
  }
}

TEST(BlockExponent, DrawingHalvesWhileAtLeastTwo) {
  const unsigned expected[] = {0, 0, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3};  // q = 0 ... 12
  for (unsigned q = 0; q < sizeof expected / sizeof expected[0]; ++q) {
    EXPECT_EQ(DrawingBlockExponent(q), expected[q]) << "q = " << q;
  }
  EXPECT_EQ(DrawingBlockExponent(65536), 16u);
  EXPECT_EQ(ThumbnailBlockExponent(65536), 15u);
}

TEST(StepWalk, WorkedExamples) {
  EXPECT_EQ(Walk(40, 40, 6), (std::vector<int64_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Walk(100, 64, 6), (std::vector<int64_t>{0, 2, 3, 5, 7, 8}));
  EXPECT_EQ(Walk(120, 48, 6), (std::vector<int64_t>{1, 3, 6, 8, 11, 13}));
  EXPECT_EQ(Walk(160, 64, 4), (std::vector<int64_t>{1, 3, 6, 8}));
  EXPECT_EQ(Walk(75, 48, 5), (std::vector<int64_t>{0, 2, 3, 5, 7}));
}

TEST(StepWalk, StaysInsideTheBlocksWhenThereAreEnough) {
  for (int64_t m = 1; m <= 130; ++m) {
    for (int64_t n = 1; n <= m; ++n) {
      StepWalk walk(m, n);
      int64_t previous = -1;
      for (int64_t i = 0; i < n; ++i) {
        const int64_t block = walk.Next();
        ASSERT_GT(block, previous) << m << " onto " << n;
        previous = block;
      }
      ASSERT_LE(previous, m - 1) << m << " onto " << n;
    }
  }
}

TEST(StepWalk, RunsPastTheBlocksWhenThereAreTooFew) {
  // Every position advances by at least one: callers must stop at m.
  EXPECT_EQ(Walk(3, 6, 6), (std::vector<int64_t>{0, 1, 2, 3, 4, 5}));
}

TEST(StepWalk, HugeCountsDoNotOverflow) {
  // n × m exceeds 2^32: the target must not wrap.
  StepWalk walk(70000, 70000);
  int64_t last = -1;
  for (int i = 0; i < 70000; ++i) last = walk.Next();
  EXPECT_EQ(last, 69999);
}

}  // namespace

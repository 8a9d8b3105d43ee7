// The heap's budget is what turns memory pressure into the viewer's own
// out-of-memory paths; these tests hold it to its arithmetic.
#include "platform/heap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct BudgetGuard {
  size_t saved = HeapBudget();
  ~BudgetGuard() { HeapSetBudget(saved); }
};

TEST(Heap, BlocksAreZeroFilledAndSized) {
  unsigned char* block = (unsigned char*)HeapAllocZero(1000);
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(block[i], 0);
  EXPECT_EQ(HeapBlockSize(block), 1000u);
  HeapFreeBlock(block);
  EXPECT_EQ(HeapBlockSize(nullptr), 0u);
  HeapFreeBlock(nullptr);
}

TEST(Heap, BudgetRefusesWhatWouldNotFit) {
  BudgetGuard guard;
  const size_t base = HeapBytesInUse();
  HeapSetBudget(base + 100);
  void* a = HeapAllocZero(60);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(HeapAllocZero(41), nullptr);
  void* b = HeapAllocZero(40);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(HeapBytesAvailable(), 0u);
  HeapFreeBlock(a);
  EXPECT_EQ(HeapBytesAvailable(), 60u);
  HeapFreeBlock(b);
  EXPECT_EQ(HeapBytesInUse(), base);
}

TEST(Heap, ZeroBudgetFailsEveryAllocation) {
  BudgetGuard guard;
  HeapSetBudget(0);
  EXPECT_EQ(HeapAllocZero(1), nullptr);
  EXPECT_EQ(HeapAllocZero(SIZE_MAX), nullptr);
  EXPECT_EQ(HeapBytesAvailable(), 0u);
}

TEST(Heap, HugeRequestsFailCleanly) {
  BudgetGuard guard;
  HeapSetBudget(SIZE_MAX);
  EXPECT_EQ(HeapAllocZero(SIZE_MAX), nullptr);
  EXPECT_EQ(HeapAllocZero(SIZE_MAX - 8), nullptr);
}

TEST(Heap, CountsBlocksAndPeak) {
  const size_t blocks = HeapBlockCount();
  HeapResetPeak();
  const size_t peakBase = HeapPeakBytes();
  void* a = HeapAllocZero(500);
  void* b = HeapAllocZero(700);
  EXPECT_EQ(HeapBlockCount(), blocks + 2);
  HeapFreeBlock(a);
  HeapFreeBlock(b);
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_EQ(HeapPeakBytes(), peakBase + 1200);
}

}  // namespace

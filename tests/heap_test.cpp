// The heap's budget is what turns memory pressure into the viewer's own
// out-of-memory paths; these tests hold it to its arithmetic.
#include "platform/heap.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

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

// Workers and the user-interface thread allocate at once: whatever the
// interleaving, the live blocks of all threads together stay within the
// budget (each thread sums what it holds, and the sum is checked against the
// heap's own count), and every count is back to its start at the end.
TEST(Heap, ThreadsShareTheBudgetWithoutPassingIt) {
  BudgetGuard guard;
  const size_t baseBytes = HeapBytesInUse();
  const size_t baseBlocks = HeapBlockCount();
  constexpr size_t kRoom = 64 * 1024;
  HeapSetBudget(baseBytes + kRoom);
  HeapResetPeak();

  constexpr int kThreads = 4;
  constexpr int kRounds = 4000;
  std::atomic<size_t> held{0};
  std::atomic<bool> overBudget{false};
  std::atomic<int> refused{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<void*> mine;
      unsigned seed = 2654435761u * (unsigned)(t + 1);
      for (int round = 0; round < kRounds; ++round) {
        seed = seed * 1103515245u + 12345u;
        const size_t bytes = 1 + (seed >> 8) % (kRoom / 4);
        if (mine.size() < 8 && (seed & 3) != 0) {
          void* block = HeapAllocZero(bytes);
          if (block == nullptr) {
            refused.fetch_add(1);
            continue;
          }
          const size_t now = held.fetch_add(HeapBlockSize(block)) + HeapBlockSize(block);
          if (now > kRoom) overBudget = true;
          mine.push_back(block);
        } else if (!mine.empty()) {
          void* block = mine.back();
          mine.pop_back();
          held.fetch_sub(HeapBlockSize(block));
          HeapFreeBlock(block);
        }
        if (HeapBytesAvailable() > kRoom) overBudget = true;
      }
      for (void* block : mine) {
        held.fetch_sub(HeapBlockSize(block));
        HeapFreeBlock(block);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  EXPECT_FALSE(overBudget.load());
  EXPECT_GT(refused.load(), 0);  // the budget was actually contended
  EXPECT_LE(HeapPeakBytes(), baseBytes + kRoom);
  EXPECT_EQ(held.load(), 0u);
  EXPECT_EQ(HeapBytesInUse(), baseBytes);
  EXPECT_EQ(HeapBlockCount(), baseBlocks);
  EXPECT_EQ(HeapBytesAvailable(), kRoom);
}

}  // namespace

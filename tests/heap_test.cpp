// The heap's budget is what turns memory pressure into the viewer's own
// out-of-memory paths; these tests hold it to its arithmetic.
#include "platform/base/heap.h"

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

TEST(Heap, ReservationsShareTheBudgetWithBlocks) {
  BudgetGuard guard;
  const size_t base = HeapBytesInUse();
  const size_t blocks = HeapBlockCount();
  HeapSetBudget(base + 1000);
  HeapResetPeak();
  ASSERT_TRUE(HeapReserve(600));
  EXPECT_EQ(HeapBytesReserved(), 600u);
  EXPECT_EQ(HeapBytesInUse(), base + 600);
  EXPECT_EQ(HeapBlockCount(), blocks);  // a reservation is not a block
  EXPECT_EQ(HeapBytesAvailable(), 400u);
  EXPECT_EQ(HeapAllocZero(401), nullptr);
  EXPECT_FALSE(HeapReserve(401));
  EXPECT_TRUE(HeapReserve(0));
  void* block = HeapAllocZero(400);
  ASSERT_NE(block, nullptr);
  EXPECT_FALSE(HeapReserve(1));
  EXPECT_FALSE(HeapReserve(SIZE_MAX));
  HeapRelease(600);
  EXPECT_EQ(HeapBytesReserved(), 0u);
  EXPECT_EQ(HeapBytesInUse(), base + 400);
  EXPECT_EQ(HeapPeakBytes(), base + 1000);
  HeapFreeBlock(block);
  EXPECT_EQ(HeapBytesInUse(), base);
}

// Workers and the user-interface thread allocate and reserve at once:
// whatever the interleaving, what all threads hold together stays within the
// budget (each thread adds what it holds to a shared sum, which can only lag
// behind the heap's own count), and every count is back to its start at the
// end.
TEST(Heap, ThreadsShareTheBudgetWithoutPassingIt) {
  BudgetGuard guard;
  const size_t baseBytes = HeapBytesInUse();
  const size_t baseBlocks = HeapBlockCount();
  const size_t baseReserved = HeapBytesReserved();
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
      std::vector<void*> blocks;
      std::vector<size_t> reservations;
      unsigned seed = 2654435761u * (unsigned)(t + 1);
      for (int round = 0; round < kRounds; ++round) {
        seed = seed * 1103515245u + 12345u;
        const size_t bytes = 1 + (seed >> 8) % (kRoom / 4);
        const bool reserve = (seed & 4) != 0;
        if (blocks.size() + reservations.size() < 8 && (seed & 3) != 0) {
          void* block = reserve ? nullptr : HeapAllocZero(bytes);
          if (reserve ? !HeapReserve(bytes) : block == nullptr) {
            refused.fetch_add(1);
            continue;
          }
          if (reserve) {
            reservations.push_back(bytes);
          } else {
            blocks.push_back(block);
          }
          if (held.fetch_add(bytes) + bytes > kRoom) overBudget = true;
        } else if (reserve && !reservations.empty()) {
          held.fetch_sub(reservations.back());
          HeapRelease(reservations.back());
          reservations.pop_back();
        } else if (!blocks.empty()) {
          held.fetch_sub(HeapBlockSize(blocks.back()));
          HeapFreeBlock(blocks.back());
          blocks.pop_back();
        }
        if (HeapBytesAvailable() > kRoom || HeapBytesReserved() > kRoom) overBudget = true;
      }
      for (void* block : blocks) {
        held.fetch_sub(HeapBlockSize(block));
        HeapFreeBlock(block);
      }
      for (size_t bytes : reservations) {
        held.fetch_sub(bytes);
        HeapRelease(bytes);
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
  EXPECT_EQ(HeapBytesReserved(), baseReserved);
  EXPECT_EQ(HeapBytesAvailable(), kRoom);
}

}  // namespace

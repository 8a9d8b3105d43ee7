// The heap's budget is what turns memory pressure into the viewer's own
// out-of-memory paths; these tests hold it to its arithmetic.
#include "platform/base/heap.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct BudgetGuard {
  size_t saved = HeapBudget();
  ~BudgetGuard() { HeapSetBudget(saved); }
};

// Sizes on both sides of the line between the C library's blocks and
// mappings of their own, and one large enough for huge pages: each block is
// zero-filled, 16-aligned, charged exactly its size, and whole (written to
// its last byte, then freed and allocated again zero-filled).
TEST(Heap, BlocksAreZeroFilledAndSized) {
  const size_t sizes[] = {1000, 64 * 1024 - 1, 64 * 1024, 1 << 20, (size_t)5 << 20};
  for (size_t bytes : sizes) {
    SCOPED_TRACE(bytes);
    const size_t base = HeapBytesInUse();
    for (int round = 0; round < 2; ++round) {
      unsigned char* block = (unsigned char*)HeapAllocZero(bytes);
      ASSERT_NE(block, nullptr);
      EXPECT_EQ((uintptr_t)block % 16, 0u);
      const unsigned char* nonzero = std::find_if(block, block + bytes, [](unsigned char b) { return b != 0; });
      ASSERT_EQ(nonzero, block + bytes) << "a byte at " << nonzero - block << " is not zero";
      EXPECT_EQ(HeapBlockSize(block), bytes);
      EXPECT_EQ(HeapBytesInUse(), base + bytes);
      std::memset(block, 0xA5, bytes);
      HeapFreeBlock(block);
      EXPECT_EQ(HeapBytesInUse(), base);
    }
  }
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

// Resident memory of this process, KB.
long ResidentKb() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = -1;
  if (f == nullptr) return -1;
  if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
  std::fclose(f);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizerAllocator = true;
#elif defined(__has_feature)
constexpr bool kSanitizerAllocator = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kSanitizerAllocator = false;
#endif

struct Allocator {
  void* (*alloc)(size_t bytes);
  void (*free)(void* block);
};
const Allocator kHeap = {HeapAllocZero, HeapFreeBlock};
const Allocator kLibrary = {std::malloc, std::free};

// What a viewer's course does to the C library: a large block freed (the
// library then raises its threshold for mapping blocks to that size), then
// 24 MB of 256 KB blocks, each followed by a small block that stays, and
// those 256 KB blocks freed. Returns how much resident memory they left
// behind, KB (kNoBlock when a block or the reading could not be had).
constexpr long kNoBlock = LONG_MIN, kRefused = LONG_MIN + 1;
long ResidueKb(const Allocator& allocator) {
  constexpr size_t kLarge = (size_t)8 << 20, kMedium = 256 * 1024;
  constexpr int kMediums = 96;
  void* large = allocator.alloc(kLarge);
  if (large == nullptr) return kNoBlock;
  std::memset(large, 1, kLarge);
  allocator.free(large);
  const long start = ResidentKb();
  if (start <= 0) return kNoBlock;
  std::vector<void*> mediums, pins;
  for (int i = 0; i < kMediums; ++i) {
    mediums.push_back(allocator.alloc(kMedium));
    pins.push_back(allocator.alloc(1024));
    if (mediums.back() == nullptr || pins.back() == nullptr) return kNoBlock;
    std::memset(mediums.back(), 2, kMedium);
    std::memset(pins.back(), 3, 1024);
  }
  for (void* block : mediums) allocator.free(block);
  const long end = ResidentKb();
  const long residue = end <= 0 ? kNoBlock : end - start;
  for (void* block : pins) allocator.free(block);
  return residue;
}

// Memory given back is given back to the system: the heap's own large
// blocks by themselves, the JPEG library's (plain C library blocks) once
// HeapConfigureProcess has run. Each case runs in a child process of its
// own, whose C library has seen nothing else.
TEST(Heap, FreedLargeBlocksLeaveTheProcess) {
  if (kSanitizerAllocator) GTEST_SKIP() << "a sanitizer's allocator keeps freed memory on purpose";
  struct Case {
    const char* what;
    const Allocator& allocator;
    bool configure;
  } cases[] = {
      {"heap blocks", kHeap, false},
      {"C library blocks after HeapConfigureProcess", kLibrary, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      long residue = c.configure && !HeapConfigureProcess() ? kRefused : ResidueKb(c.allocator);
      _exit(write(pipes[1], &residue, sizeof residue) == sizeof residue ? 0 : 1);
    }
    close(pipes[1]);
    long residue = kNoBlock;
    const bool read = ::read(pipes[0], &residue, sizeof residue) == sizeof residue;
    close(pipes[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(read && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_NE(residue, kNoBlock);
    ASSERT_NE(residue, kRefused) << "the C library refused the settings";
    EXPECT_LT(residue, 8 * 1024) << "KB still resident of 24 MB freed";
  }
}

}  // namespace

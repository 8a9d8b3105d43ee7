// Budgeted heap. Each block carries a small header with its size in front of
// the caller's bytes, so that release and size queries need no table.
#include "heap.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace {

struct alignas(16) BlockHeader {
  size_t size;
  size_t magic;
};
constexpr size_t kMagic = 0x56494D42'4C4F434BULL;  // "VIMBLOCK"

// One lock for the whole account: the budget test and the charge to the
// in-use count happen under it together, so threads that allocate at the
// same time can never pass the budget between them. The host allocation
// itself runs outside it; the bytes are charged first and given back when
// the host has none.
std::mutex g_lock;
size_t g_budget = kDefaultHeapBudget;
size_t g_inUse = 0;
size_t g_peak = 0;
size_t g_count = 0;
size_t g_reserved = 0;

BlockHeader* HeaderOf(const void* block) {
  return (BlockHeader*)((char*)block - sizeof(BlockHeader));
}

// Charges `bytes` to the account when they fit the budget; caller holds g_lock.
bool ChargeLocked(size_t bytes) {
  if (bytes > g_budget || g_inUse > g_budget - bytes) return false;
  g_inUse += bytes;
  if (g_inUse > g_peak) g_peak = g_inUse;
  return true;
}

}  // namespace

void* HeapAllocZero(size_t bytes) {
  if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!ChargeLocked(bytes)) return nullptr;
    ++g_count;
  }
  void* raw = std::calloc(1, sizeof(BlockHeader) + bytes);
  if (raw == nullptr) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_inUse -= bytes;
    --g_count;
    return nullptr;
  }
  BlockHeader* header = (BlockHeader*)raw;
  header->size = bytes;
  header->magic = kMagic;
  return header + 1;
}

void HeapFreeBlock(void* block) {
  if (block == nullptr) return;
  BlockHeader* header = HeaderOf(block);
  if (header->magic != kMagic) std::abort();  // not one of ours: never guess
  header->magic = 0;
  const size_t bytes = header->size;
  std::free(header);
  std::lock_guard<std::mutex> hold(g_lock);
  g_inUse -= bytes;
  --g_count;
}

size_t HeapBlockSize(const void* block) {
  if (block == nullptr) return 0;
  return HeaderOf(block)->size;
}

void HeapSetBudget(size_t bytes) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_budget = bytes;
}
size_t HeapBudget() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_budget;
}
size_t HeapBytesInUse() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_inUse;
}
size_t HeapPeakBytes() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_peak;
}
void HeapResetPeak() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_peak = g_inUse;
}
size_t HeapBlockCount() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_count;
}

bool HeapReserve(size_t bytes) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!ChargeLocked(bytes)) return false;
  g_reserved += bytes;
  return true;
}

void HeapRelease(size_t bytes) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (bytes > g_reserved) std::abort();  // more than was reserved: the account is broken
  g_reserved -= bytes;
  g_inUse -= bytes;
}

size_t HeapBytesReserved() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_reserved;
}

size_t HeapBytesAvailable() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_inUse >= g_budget ? 0 : g_budget - g_inUse;
}

// Budgeted heap. Each block carries a small header with its size in front of
// the caller's bytes, so that release and size queries need no table.
#include "heap.h"

#include <cstdint>
#include <cstdlib>

namespace {

struct alignas(16) BlockHeader {
  size_t size;
  size_t magic;
};
constexpr size_t kMagic = 0x56494D42'4C4F434BULL;  // "VIMBLOCK"

size_t g_budget = kDefaultHeapBudget;
size_t g_inUse = 0;
size_t g_peak = 0;
size_t g_count = 0;

BlockHeader* HeaderOf(const void* block) {
  return (BlockHeader*)((char*)block - sizeof(BlockHeader));
}

}  // namespace

void* HeapAllocZero(size_t bytes) {
  if (bytes > g_budget || g_inUse > g_budget - bytes) return nullptr;
  if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  void* raw = std::calloc(1, sizeof(BlockHeader) + bytes);
  if (raw == nullptr) return nullptr;
  BlockHeader* header = (BlockHeader*)raw;
  header->size = bytes;
  header->magic = kMagic;
  g_inUse += bytes;
  ++g_count;
  if (g_inUse > g_peak) g_peak = g_inUse;
  return header + 1;
}

void HeapFreeBlock(void* block) {
  if (block == nullptr) return;
  BlockHeader* header = HeaderOf(block);
  if (header->magic != kMagic) std::abort();  // not one of ours: never guess
  header->magic = 0;
  g_inUse -= header->size;
  --g_count;
  std::free(header);
}

size_t HeapBlockSize(const void* block) {
  if (block == nullptr) return 0;
  return HeaderOf(block)->size;
}

void HeapSetBudget(size_t bytes) {
  g_budget = bytes;
}
size_t HeapBudget() {
  return g_budget;
}
size_t HeapBytesInUse() {
  return g_inUse;
}
size_t HeapPeakBytes() {
  return g_peak;
}
void HeapResetPeak() {
  g_peak = g_inUse;
}
size_t HeapBlockCount() {
  return g_count;
}

size_t HeapBytesAvailable() {
  return g_inUse >= g_budget ? 0 : g_budget - g_inUse;
}

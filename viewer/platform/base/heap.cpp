// Budgeted heap. Each block carries a small header with its size in front of
// the caller's bytes, so that release and size queries need no table; large
// blocks are mappings of their own, small ones come from the C library.
#include "heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace {

// The header keeps the caller's bytes 16-aligned, in a C library block and
// in a mapping (which starts on a page) alike. The magic says where the
// block came from, and so how it is given back.
struct alignas(16) BlockHeader {
  size_t size;
  size_t magic;
};
constexpr size_t kMagic = 0x56494D42'4C4F434BULL;        // "VIMBLOCK": from the C library
constexpr size_t kMappedMagic = 0x56494D42'4D4D4150ULL;  // "VIMBMMAP": a mapping of its own

// Blocks from this size on are mappings of their own, unmapped when freed,
// so that their memory leaves the process whatever the C library keeps; the
// kernel's pages come zero-filled. The list's 64 KB blocks are among them.
// AddressSanitizer builds take every block from the C library, whose
// replacement checks the bounds of each block, pictures included.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kMappedBlockBytes = SIZE_MAX;
#elif defined(__has_feature)
constexpr size_t kMappedBlockBytes = __has_feature(address_sanitizer) ? SIZE_MAX : 64 * 1024;
#else
constexpr size_t kMappedBlockBytes = 64 * 1024;
#endif

// Mappings this large ask for transparent huge pages: a 24 MP picture is
// then a few dozen page faults instead of seventeen thousand. The kernel
// backs only whole, aligned 2 MB stretches inside the mapping with them, so
// the resident size never passes the mapping's.
constexpr size_t kHugePageBlockBytes = (size_t)4 << 20;

// What the C library is told by HeapConfigureProcess (see heap.h).
constexpr int kLibraryMapThreshold = 128 * 1024;
constexpr int kLibraryTrimThreshold = 128 * 1024;
constexpr int kLibraryArenas = 2;

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

size_t MappingBytes(size_t bytes) {
  static const size_t page = (size_t)sysconf(_SC_PAGESIZE);
  return (sizeof(BlockHeader) + bytes + page - 1) / page * page;
}

// A zero-filled header and `bytes` bytes from the host, or null.
BlockHeader* HostAllocZero(size_t bytes) {
  if (bytes < kMappedBlockBytes) {
    BlockHeader* header = (BlockHeader*)std::calloc(1, sizeof(BlockHeader) + bytes);
    if (header != nullptr) header->magic = kMagic;
    return header;
  }
  const size_t length = MappingBytes(bytes);
  void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return nullptr;
  if (bytes >= kHugePageBlockBytes) madvise(mapping, length, MADV_HUGEPAGE);  // a hint; refusals change nothing
  BlockHeader* header = (BlockHeader*)mapping;
  header->magic = kMappedMagic;
  return header;
}

void HostFree(BlockHeader* header) {
  if (header->magic == kMappedMagic) {
    munmap(header, MappingBytes(header->size));
  } else {
    header->magic = 0;
    std::free(header);
  }
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
  if (bytes > SIZE_MAX / 2) return nullptr;  // past any address space; the mapping size cannot overflow
  {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!ChargeLocked(bytes)) return nullptr;
    ++g_count;
  }
  BlockHeader* header = HostAllocZero(bytes);
  if (header == nullptr) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_inUse -= bytes;
    --g_count;
    return nullptr;
  }
  header->size = bytes;
  return header + 1;
}

void HeapFreeBlock(void* block) {
  if (block == nullptr) return;
  BlockHeader* header = HeaderOf(block);
  if (header->magic != kMagic && header->magic != kMappedMagic) std::abort();  // not one of ours: never guess
  const size_t bytes = header->size;
  HostFree(header);
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

bool HeapConfigureProcess() {
  // Each setting also turns off the C library's own adjustment of the two
  // thresholds, which is what lets freed large blocks stay resident.
  bool taken = mallopt(M_MMAP_THRESHOLD, kLibraryMapThreshold) == 1;
  taken = mallopt(M_TRIM_THRESHOLD, kLibraryTrimThreshold) == 1 && taken;
  taken = mallopt(M_ARENA_MAX, kLibraryArenas) == 1 && taken;
  return taken;
}

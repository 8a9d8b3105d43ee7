// Memory-block service over the device heap.
#include "shell/memblock.h"

#include "platform/base/heap.h"

namespace {
CMemoryReserve* g_pReserve = nullptr;
thread_local bool t_worker = false;
thread_local bool t_ranOut = false;
}  // namespace

void MemSetReserve(CMemoryReserve* reserve) {
  g_pReserve = reserve;
}

CMemoryReserve* MemGetReserve() {
  return g_pReserve;
}

void MemMarkWorkerThread() {
  t_worker = true;
}

BOOL MemTakeRanOut() {
  const bool ranOut = t_ranOut;
  t_ranOut = false;
  return ranOut ? TRUE : FALSE;
}

HMEMBLOCK MemAlloc(size_t bytes) {
  HMEMBLOCK block = HeapAllocZero(bytes);
  if (block == nullptr && t_worker) t_ranOut = true;
  return block;
}

HMEMBLOCK MemAllocRetry(size_t bytes) {
  if (t_worker) return MemAlloc(bytes);
  for (;;) {
    HMEMBLOCK block = HeapAllocZero(bytes);
    if (block != nullptr) return block;
    // Cached thumbnails are the program's reserve: the highest block goes first.
    if (g_pReserve == nullptr) return nullptr;
    if (!g_pReserve->ReleaseReserveBlock()) {
      g_pReserve->OnOutOfMemory();
      return nullptr;
    }
  }
}

BOOL MemReserveRetry(size_t bytes) {
  for (;;) {
    if (HeapReserve(bytes)) return TRUE;
    if (t_worker) {
      t_ranOut = true;
      return FALSE;
    }
    if (g_pReserve == nullptr) return FALSE;
    if (!g_pReserve->ReleaseReserveBlock()) {
      g_pReserve->OnOutOfMemory();
      return FALSE;
    }
  }
}

void MemUnreserve(size_t bytes) {
  HeapRelease(bytes);
}

void* MemLock(HMEMBLOCK block) {
  return block;
}

BOOL MemUnlock(HMEMBLOCK /*block*/) {
  return TRUE;
}

void MemFree(HMEMBLOCK block) {
  HeapFreeBlock(block);
}

size_t MemSize(HMEMBLOCK block) {
  return HeapBlockSize(block);
}

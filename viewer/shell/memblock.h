// The memory-block service: zero-filled blocks from the process heap. A
// handle is the block's address; lock and unlock cost nothing.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"

typedef void* HMEMBLOCK;

// Memory the program holds only as a cache (the picture list's thumbnails)
// and gives back when an allocation cannot be met. The owner registers it
// with MemSetReserve.
class CMemoryReserve {
 public:
  virtual ~CMemoryReserve() = default;
  // Gives back one block of the cache; FALSE when nothing is left.
  virtual BOOL ReleaseReserveBlock() = 0;
  // An allocation failed with nothing left to give back.
  virtual void OnOutOfMemory() = 0;
};

// Registers the reserve that MemAllocRetry draws on (null: none).
void MemSetReserve(CMemoryReserve* reserve);
CMemoryReserve* MemGetReserve();

// Worker threads never draw on the reserve: it belongs to the user-interface
// thread. On a thread marked as a worker, MemAllocRetry makes one attempt,
// and a failed allocation is remembered for MemTakeRanOut, so that the
// worker can hand its job back to the user-interface thread.
void MemMarkWorkerThread();
// TRUE when an allocation on this worker thread failed since the last call.
BOOL MemTakeRanOut();

// One attempt at a zero-filled block; null on failure, nothing recorded
// (on a worker thread the failure is remembered).
HMEMBLOCK MemAlloc(size_t bytes);
// A zero-filled block; on failure gives back the reserve one block at a
// time and tries again. When nothing is left to give back it tells the
// reserve that memory ran out and returns null.
HMEMBLOCK MemAllocRetry(size_t bytes);
// Counts `bytes` that another allocator (the JPEG library's own buffers) is
// about to use against the budget, giving back the reserve as MemAllocRetry
// does (one attempt on a worker thread); MemUnreserve gives them back.
BOOL MemReserveRetry(size_t bytes);
void MemUnreserve(size_t bytes);
void* MemLock(HMEMBLOCK block);
BOOL MemUnlock(HMEMBLOCK block);
void MemFree(HMEMBLOCK block);
// The size the block was allocated with.
size_t MemSize(HMEMBLOCK block);

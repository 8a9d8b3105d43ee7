// The memory-block service: zero-filled blocks from the process heap. A
// handle is the block's address; lock and unlock cost nothing.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

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

// One attempt at a zero-filled block; null on failure, nothing recorded.
HMEMBLOCK MemAlloc(size_t bytes);
// A zero-filled block; on failure gives back the reserve one block at a
// time and tries again. When nothing is left to give back it tells the
// reserve that memory ran out and returns null.
HMEMBLOCK MemAllocRetry(size_t bytes);
void* MemLock(HMEMBLOCK block);
BOOL MemUnlock(HMEMBLOCK block);
void MemFree(HMEMBLOCK block);
// The size the block was allocated with.
size_t MemSize(HMEMBLOCK block);

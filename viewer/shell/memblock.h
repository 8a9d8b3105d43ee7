// The memory-block service: zero-filled blocks from the process heap. A
// handle is the block's address; lock and unlock cost nothing.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

typedef void* HMEMBLOCK;

// One attempt at a zero-filled block; null on failure, nothing recorded.
HMEMBLOCK MemAlloc(size_t bytes);
// A zero-filled block; on failure gives back cached thumbnails of the picture
// file list, one block at a time, and tries again. When nothing is left to
// give back it records LIST_ERROR_NO_MEMORY in the list and returns null.
HMEMBLOCK MemAllocRetry(size_t bytes);
void* MemLock(HMEMBLOCK block);
BOOL MemUnlock(HMEMBLOCK block);
void MemFree(HMEMBLOCK block);
// The size the block was allocated with.
size_t MemSize(HMEMBLOCK block);

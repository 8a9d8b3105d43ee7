// Memory-block service over the device heap.
#include "memblock.h"

#include "filelist/imagefilelist.h"
#include "platform/heap.h"

HMEMBLOCK MemAlloc(size_t bytes) { return HeapAllocZero(bytes); }

HMEMBLOCK MemAllocRetry(size_t bytes) {
  for (;;) {
    HMEMBLOCK block = HeapAllocZero(bytes);
    if (block != nullptr) return block;
    // Thumbnails are the program's reserve: the highest block goes first.
    if (g_pImageFileList == nullptr) return nullptr;
    if (!g_pImageFileList->ReleaseThumbnailBlock()) {
      g_pImageFileList->SetError(LIST_ERROR_NO_MEMORY);
      return nullptr;
    }
  }
}

void* MemLock(HMEMBLOCK block) { return block; }

BOOL MemUnlock(HMEMBLOCK /*block*/) { return TRUE; }

void MemFree(HMEMBLOCK block) { HeapFreeBlock(block); }

size_t MemSize(HMEMBLOCK block) { return HeapBlockSize(block); }

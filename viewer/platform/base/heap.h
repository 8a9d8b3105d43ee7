// The process heap of the device: zero-filled blocks within a byte budget.
// The handheld had little memory; on the host the budget keeps that property,
// so that a picture too large for it becomes the viewer's own out-of-memory
// path instead of the process being killed. Every function is safe to call
// from any thread; the budget holds for all threads together.
#pragma once

#include <cstddef>

// Allocates a zero-filled block of `bytes` bytes, or returns null when the
// block would take the heap past its budget (or the host has no memory).
// A request of 0 bytes gets a valid, empty block. Blocks of 64 KB and more
// (the list's blocks, pictures) are mappings of their own: freeing one
// returns its memory to the system at once.
void* HeapAllocZero(size_t bytes);
// Releases a block from HeapAllocZero; null is ignored.
void HeapFreeBlock(void* block);
// The size that the block was allocated with; 0 for null.
size_t HeapBlockSize(const void* block);

// Budget in bytes for all live blocks together. SIZE_MAX means unlimited.
void HeapSetBudget(size_t bytes);
size_t HeapBudget();
size_t HeapBytesInUse();
size_t HeapPeakBytes();
void HeapResetPeak();
// What can still be allocated before the budget is reached.
size_t HeapBytesAvailable();
// Number of live blocks (tests use it to find leaks of the system's own blocks).
size_t HeapBlockCount();

// Memory that the heap does not hand out but that must fit the budget all
// the same (the JPEG library's own buffers while it decodes): HeapReserve
// charges `bytes` to bytes in use and the peak, or returns false when they
// would take the heap past its budget; HeapRelease gives them back. The
// block count is untouched.
bool HeapReserve(size_t bytes);
void HeapRelease(size_t bytes);
// Reserved bytes not yet released (part of HeapBytesInUse).
size_t HeapBytesReserved();

// The budget the viewer runs with unless told otherwise (--memory).
constexpr size_t kDefaultHeapBudget = (size_t)1024 * 1024 * 1024;

// Sets the C library's allocator up so that the budget bounds the process,
// not only the heap's own blocks: what the JPEG library allocates while it
// decodes (the heap only reserves budget for it) is mapped at a fixed 128 KB
// and returned when freed, instead of the threshold rising after each large
// free and keeping freed pictures resident; free memory at the top of an
// arena goes back above 128 KB; all threads share at most two arenas rather
// than one for each worker. Call it first in main, before any thread starts.
// False when the allocator refused a setting (AddressSanitizer's refuses
// them all); the process then keeps the allocator's defaults.
bool HeapConfigureProcess();

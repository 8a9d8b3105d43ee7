// What every decoder of the picture interface reads its file through, and
// what it may take: the stream read with a count and a bound, the thread's
// stop flag, and library memory reserved from the heap's budget first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/base/wintypes.h"

// The most bytes a decode may read: an allowance for what precedes the
// pixels (metadata, colour profiles), then so many bytes for each pixel once
// the header has told the size, as the JPEG path bounds its reads. A file
// that needs more is refused as damaged.
constexpr uint64_t kDecodeReadAllowance = (uint64_t)16 << 20;
constexpr uint64_t kDecodeReadBytesPerPixel = 8;

// The reasons the input gives a decode that it ends.
constexpr const char kDecodeStopped[] = "stopped";
constexpr const char kDecodeTooMuchData[] = "too much data for its size";

// A stream as a decoder reads it. Reads past the bound, and every read once
// the thread's stop flag is raised, deliver nothing and record why; the
// decoder then fails and the front takes that reason over the library's.
class CDecodeInput {
 public:
  explicit CDecodeInput(FILE* stream) : m_stream(stream) {}

  // Up to `count` bytes at the current position; fewer at the end of the
  // file, none once stopped or past the bound.
  size_t Read(void* buffer, size_t count);
  BOOL Seek(uint64_t position);
  // Back to the start for another pass over the file (an animation's next
  // loop): the count starts again, so the bound holds for each pass.
  BOOL Rewind();
  uint64_t Tell() const { return m_position; }
  // The stream's size in bytes; 0 when it cannot be told.
  uint64_t Size();
  // The header has told the pixel count: the bound becomes the allowance
  // plus so many bytes a pixel.
  void BoundByPixels(uint64_t pixels);
  // TRUE once the thread's stop flag is raised (recorded as the failure).
  BOOL Stopped();
  // Why the input ended the decode; null while it has not.
  const char* Failure() const { return m_failure; }
  uint64_t BytesRead() const { return m_bytesRead; }

 private:
  FILE* m_stream;
  uint64_t m_position = 0;
  uint64_t m_bytesRead = 0;
  uint64_t m_bound = kDecodeReadAllowance;
  uint64_t m_size = UINT64_MAX;  // not asked yet
  const char* m_failure = nullptr;
};

// Budget taken for a library that allocates by itself: reserved before the
// library runs (giving back cached thumbnails on the user-interface thread,
// as picture blocks do), given back when the holder ends.
class CDecodeReservation {
 public:
  CDecodeReservation() = default;
  ~CDecodeReservation() { Release(); }
  CDecodeReservation(const CDecodeReservation&) = delete;
  CDecodeReservation& operator=(const CDecodeReservation&) = delete;
  // Adds `bytes` to what is held; FALSE (nothing added) when the budget
  // cannot give them.
  BOOL Take(uint64_t bytes);
  void Release();
  uint64_t Held() const { return m_bytes; }

 private:
  uint64_t m_bytes = 0;
};

// Allocation hooks for libraries that take them: each block's size is
// reserved from the budget before the host allocates it, and given back
// when it is freed. Null when the budget or the host refuses.
void* DecoderAlloc(size_t bytes);
void DecoderFree(void* block);
// A block of DecoderAlloc grown or shrunk to `bytes`, its first bytes kept;
// null (the old block left as it was) when the budget or the host refuses.
// A null block is allocated.
void* DecoderRealloc(void* block, size_t bytes);

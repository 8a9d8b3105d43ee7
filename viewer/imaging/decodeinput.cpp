// The decoders' input: counted, bounded and stoppable reads of a stream, and
// the library memory they reserve from the heap's budget.
#include "imaging/decodeinput.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "imaging/jpegdecode.h"
#include "shell/memblock.h"

size_t CDecodeInput::Read(void* buffer, size_t count) {
  if (Stopped() || m_failure != nullptr) return 0;
  if (m_bytesRead >= m_bound) {
    m_failure = kDecodeTooMuchData;
    return 0;
  }
  const size_t got = std::fread(buffer, 1, count, m_stream);
  m_bytesRead += got;
  m_position += got;
  return got;
}

BOOL CDecodeInput::Seek(uint64_t position) {
  if (Stopped() || position > (uint64_t)LONG_MAX) return FALSE;
  if (std::fseek(m_stream, (long)position, SEEK_SET) != 0) return FALSE;
  m_position = position;
  return TRUE;
}

BOOL CDecodeInput::Rewind() {
  if (m_failure != nullptr || !Seek(0)) return FALSE;
  m_bytesRead = 0;
  return TRUE;
}

uint64_t CDecodeInput::Size() {
  if (m_size != UINT64_MAX) return m_size;
  const long at = std::ftell(m_stream);
  m_size = 0;
  if (at >= 0 && std::fseek(m_stream, 0, SEEK_END) == 0) {
    const long end = std::ftell(m_stream);
    if (end >= 0) m_size = (uint64_t)end;
  }
  if (at < 0 || std::fseek(m_stream, at, SEEK_SET) != 0) m_failure = kDecodeTooMuchData;
  return m_size;
}

void CDecodeInput::BoundByPixels(uint64_t pixels) {
  // Pixel counts are checked against the decoders' limit before this, so
  // the product stays far from overflowing.
  m_bound = kDecodeReadAllowance + kDecodeReadBytesPerPixel * pixels;
}

BOOL CDecodeInput::Stopped() {
  if (m_failure == kDecodeStopped) return TRUE;
  if (!DecodeStopRequested()) return FALSE;
  m_failure = kDecodeStopped;
  return TRUE;
}

BOOL CDecodeReservation::Take(uint64_t bytes) {
  if (bytes > (uint64_t)SIZE_MAX / 2 || !MemReserveRetry((size_t)bytes)) return FALSE;
  m_bytes += bytes;
  return TRUE;
}

void CDecodeReservation::Release() {
  if (m_bytes != 0) MemUnreserve((size_t)m_bytes);
  m_bytes = 0;
}

namespace {

// The size sits in front of the library's bytes, 16 bytes keep them aligned.
constexpr size_t kHookHeader = 16;

}  // namespace

void* DecoderAlloc(size_t bytes) {
  if (bytes > SIZE_MAX / 2) return nullptr;
  const size_t total = bytes + kHookHeader;
  if (!MemReserveRetry(total)) return nullptr;
  char* block = (char*)std::malloc(total);
  if (block == nullptr) {
    MemUnreserve(total);
    return nullptr;
  }
  *(size_t*)block = total;
  return block + kHookHeader;
}

void DecoderFree(void* block) {
  if (block == nullptr) return;
  char* start = (char*)block - kHookHeader;
  const size_t total = *(size_t*)start;
  std::free(start);
  MemUnreserve(total);
}

void* DecoderRealloc(void* block, size_t bytes) {
  if (block == nullptr) return DecoderAlloc(bytes);
  void* grown = DecoderAlloc(bytes);
  if (grown == nullptr) return nullptr;
  const size_t had = *(size_t*)((char*)block - kHookHeader) - kHookHeader;
  std::memcpy(grown, block, had < bytes ? had : bytes);
  DecoderFree(block);
  return grown;
}

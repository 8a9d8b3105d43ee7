// A checked walk of an in-memory Exif block to its IFD0 Orientation entry.
#include "imaging/exiforientation.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kTagOrientation = 0x0112;
constexpr uint32_t kTypeShort = 3;

uint32_t Get16(const BYTE* p, bool little) {
  return little ? (uint32_t)(p[0] | (p[1] << 8)) : (uint32_t)((p[0] << 8) | p[1]);
}

uint32_t Get32(const BYTE* p, bool little) {
  return little ? (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24)
                : ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | (uint32_t)p[3];
}

}  // namespace

int ExifOrientationOfBlock(const BYTE* block, size_t size) {
  if (block == nullptr) return 0;
  if (size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) {
    block += 6;
    size -= 6;
  }
  // 1. Byte order ("II" or "MM"), magic 42, IFD0's offset.
  if (size < 8 || block[0] != block[1] || (block[0] != 'I' && block[0] != 'M')) return 0;
  const bool little = block[0] == 'I';
  if (Get16(block + 2, little) != 42) return 0;
  const uint64_t ifd0 = Get32(block + 4, little);
  if (ifd0 < 8 || ifd0 + 2 > size) return 0;
  // 2. The entries that lie inside the block, whatever the count claims.
  uint64_t count = Get16(block + ifd0, little);
  const uint64_t room = (size - ifd0 - 2) / 12;
  if (count > room) count = room;
  for (uint64_t i = 0; i < count; ++i) {
    const BYTE* entry = block + ifd0 + 2 + 12 * i;
    if (Get16(entry, little) != kTagOrientation) continue;
    // One SHORT sits in the first two bytes of the value field.
    if (Get16(entry + 2, little) != kTypeShort || Get32(entry + 4, little) != 1) return 0;
    const uint32_t value = Get16(entry + 8, little);
    return value >= 1 && value <= 8 ? (int)value : 0;
  }
  return 0;
}

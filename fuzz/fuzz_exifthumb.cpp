// libFuzzer target for the Exif thumbnail walk and the Orientation reader: any
// bytes as a file. The walk must end, and agree with a second walk written
// over the bytes in memory; the reader must end with 0 to 8.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzzstream.h"
#include "imaging/exifthumb.h"

namespace {

// The same layout read by index from the buffer; positions in 64 bits. A read
// past the end is "not there"; seeks on a file never fail forwards.
struct Reference {
  const uint8_t* data;
  size_t size;
  bool little = true;

  bool Get(uint64_t at, size_t count, uint8_t* out) const {
    if (at > size || count > size - at) return false;
    std::memcpy(out, data + at, count);
    return true;
  }
  bool U16(uint64_t at, uint32_t* v) const {
    uint8_t b[2];
    if (!Get(at, 2, b)) return false;
    *v = little ? (uint32_t)(b[0] | b[1] << 8) : (uint32_t)(b[0] << 8 | b[1]);
    return true;
  }
  bool U32(uint64_t at, uint32_t* v) const {
    uint32_t a, b;
    if (!U16(at, &a) || !U16(at + 2, &b)) return false;
    *v = little ? (a | b << 16) : (a << 16 | b);
    return true;
  }

  // True and the thumbnail's file offset, or false.
  bool Find(uint64_t* position) {
    uint8_t head[14];
    if (!Get(0, sizeof head, head)) return false;
    if (head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF || head[3] != 0xE1) return false;
    if (std::memcmp(head + 6, "Exif\0\0", 6) != 0) return false;
    little = head[12] == 'I' && head[13] == 'I';
    uint32_t ifd0, n0, ifd1, n1, magic;
    if (!U16(14, &magic) || !U32(16, &ifd0)) return false;
    const uint64_t ifd0At = 12 + (uint64_t)ifd0;
    if (!U16(ifd0At, &n0) || !U32(ifd0At + 2 + 12 * (uint64_t)n0, &ifd1) || ifd1 == 0) return false;
    const uint64_t ifd1At = 12 + (uint64_t)ifd1;
    if (!U16(ifd1At, &n1) || n1 == 0) return false;
    for (uint32_t i = 0; i < n1; ++i) {
      const uint64_t entry = ifd1At + 2 + 12 * (uint64_t)i;
      uint32_t tag, value, ignored;
      if (!U16(entry, &tag) || !U16(entry + 2, &ignored) || !U32(entry + 4, &ignored) || !U32(entry + 8, &value)) {
        return false;
      }
      if (tag == 0x0201) {
        *position = 12 + (uint64_t)value;
        return true;
      }
    }
    return false;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* stream = FuzzStream(data, size);
  if (stream == nullptr) return 0;
  const BOOL found = FindExifThumbnail(stream);
  Reference reference{data, size};
  uint64_t expected = 0;
  const bool expectedFound = reference.Find(&expected);
  if ((found != FALSE) != expectedFound) std::abort();
  if (found && (uint64_t)std::ftell(stream) != expected) std::abort();
  // The reader starts from the first byte wherever the walk left the stream.
  const int orientation = ReadExifOrientation(stream);
  if (orientation < 0 || orientation > 8 || ReadExifOrientation(stream) != orientation) std::abort();
  return 0;
}

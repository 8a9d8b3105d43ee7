// The Exif thumbnail lookup: SOI, APP1 "Exif\0\0", the TIFF header, IFD0
// skipped by seeking, and IFD1's JPEGInterchangeFormat entry; the
// Orientation reader, whose every offset is held inside its APP1 segment.
#include "imaging/exifthumb.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

// The APP1 segment starts right after SOI at file offset 2, so the TIFF
// header lies at file offset 12 and every TIFF offset is a file offset - 12.
constexpr int64_t kTiffBase = 12;
constexpr uint16_t kTagJpegInterchangeFormat = 0x0201;
constexpr int64_t kEntryBytes = 12;

// Reads the fields of the walk in the byte order of the TIFF header. Every
// read must deliver all its bytes: a file that ends inside the walk ends it
// with false, so no position is ever taken from bytes that were not there.
class TiffReader {
 public:
  // Where long has 32 bits, a position it cannot hold is not in the file.
  static bool Fits(int64_t v) { return v >= LONG_MIN && v <= LONG_MAX; }

  explicit TiffReader(FILE* stream) : m_stream(stream) {}

  void SetLittleEndian(bool little) { m_little = little; }

  bool Bytes(void* out, size_t count) { return std::fread(out, 1, count, m_stream) == count; }

  bool U16(uint32_t* value) {
    uint8_t b[2];
    if (!Bytes(b, sizeof b)) return false;
    *value = m_little ? (uint32_t)(b[0] | (b[1] << 8)) : (uint32_t)((b[0] << 8) | b[1]);
    return true;
  }

  bool U32(uint32_t* value) {
    uint8_t b[4];
    if (!Bytes(b, sizeof b)) return false;
    if (m_little) {
      *value = (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
    } else {
      *value = ((uint32_t)b[0] << 24) | ((uint32_t)b[1] << 16) | ((uint32_t)b[2] << 8) | (uint32_t)b[3];
    }
    return true;
  }

  // Offsets are unsigned 32-bit TIFF values; 64-bit positions keep them so
  // (an offset of 0xFFFFFFFF lies 4 GB into the file, not 1 byte before it).
  bool SeekBy(int64_t delta) { return Fits(delta) && std::fseek(m_stream, (long)delta, SEEK_CUR) == 0; }
  bool SeekTo(int64_t position) { return Fits(position) && std::fseek(m_stream, (long)position, SEEK_SET) == 0; }
  bool Tell(int64_t* position) {
    const long at = std::ftell(m_stream);
    *position = at;
    return at >= 0;
  }

 private:
  FILE* m_stream;
  bool m_little = true;
};

// Steps 2 to 5: the fixed start of a camera file, up to the IFD0 offset.
bool ReadExifHeader(TiffReader& reader, uint32_t* ifd0Offset) {
  static const uint8_t kStart[4] = {0xFF, 0xD8, 0xFF, 0xE1};
  for (uint8_t expected : kStart) {
    uint8_t byte;
    if (!reader.Bytes(&byte, 1) || byte != expected) return false;
  }
  uint8_t length[2];
  if (!reader.Bytes(length, sizeof length)) return false;
  uint8_t identifier[6];
  if (!reader.Bytes(identifier, sizeof identifier)) return false;
  if (std::memcmp(identifier, "Exif", 4) != 0 || identifier[4] != 0 || identifier[5] != 0) return false;
  uint8_t order[2];
  if (!reader.Bytes(order, sizeof order)) return false;
  reader.SetLittleEndian(order[0] == 0x49 && order[1] == 0x49);
  uint32_t magic;
  if (!reader.U16(&magic)) return false;
  return reader.U32(ifd0Offset);
}

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint32_t kTypeShort = 3;
// Segments looked at before giving up: a camera file has two or three.
constexpr int kMaxSegmentsBeforeExif = 16;

// The Orientation entry of IFD0, the stream standing at the TIFF header of
// an APP1 payload of `size` bytes. Only bytes inside the payload are read.
int OrientationInTiff(TiffReader& reader, int64_t size) {
  int64_t base;
  if (!reader.Tell(&base)) return 0;
  // 1. Byte order ("II" or "MM", nothing else), magic 42, IFD0's offset.
  uint8_t order[2];
  if (size < 8 || !reader.Bytes(order, sizeof order) || order[0] != order[1]) return 0;
  if (order[0] != 0x49 && order[0] != 0x4D) return 0;
  reader.SetLittleEndian(order[0] == 0x49);
  uint32_t magic, ifd0;
  if (!reader.U16(&magic) || magic != 42 || !reader.U32(&ifd0)) return 0;
  // 2. IFD0 and its count inside the payload; entries past its end are not
  //    read, however many the count claims.
  if (ifd0 < 8 || (int64_t)ifd0 + 2 > size || !reader.SeekTo(base + ifd0)) return 0;
  uint32_t count;
  if (!reader.U16(&count)) return 0;
  const int64_t room = (size - ifd0 - 2) / kEntryBytes;
  if ((int64_t)count > room) count = (uint32_t)room;
  // 3. The entry: one SHORT, which sits in the first two bytes of the value
  //    field in either byte order.
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t tag, type, values;
    if (!reader.U16(&tag) || !reader.U16(&type) || !reader.U32(&values)) return 0;
    if (tag != kTagOrientation) {
      if (!reader.SeekBy(4)) return 0;
      continue;
    }
    uint32_t value;
    if (type != kTypeShort || values != 1 || !reader.U16(&value)) return 0;
    return value >= 1 && value <= 8 ? (int)value : 0;
  }
  return 0;
}

}  // namespace

int ReadExifOrientation(FILE* stream) {
  if (stream == nullptr) return 0;
  TiffReader reader(stream);
  // 1. SOI at the first byte.
  uint8_t soi[2];
  if (!reader.SeekTo(0) || !reader.Bytes(soi, sizeof soi) || soi[0] != 0xFF || soi[1] != 0xD8) return 0;
  // 2. APPn and COM segments up to the Exif one; any other marker means the
  //    picture's tables have begun and there is no Exif block.
  for (int i = 0; i < kMaxSegmentsBeforeExif; ++i) {
    uint8_t marker[4];
    if (!reader.Bytes(marker, sizeof marker) || marker[0] != 0xFF) return 0;
    if ((marker[1] < 0xE0 || marker[1] > 0xEF) && marker[1] != 0xFE) return 0;
    const int64_t length = (marker[2] << 8) | marker[3];  // counts its own two bytes
    if (length < 2) return 0;
    if (marker[1] == 0xE1 && length >= 8) {
      uint8_t identifier[6];
      if (!reader.Bytes(identifier, sizeof identifier)) return 0;
      if (std::memcmp(identifier, "Exif\0\0", 6) == 0) return OrientationInTiff(reader, length - 8);
      if (!reader.SeekBy(length - 8)) return 0;
    } else if (!reader.SeekBy(length - 2)) {
      return 0;
    }
  }
  return 0;
}

BOOL FindExifThumbnail(FILE* stream) {
  if (stream == nullptr) return FALSE;
  TiffReader reader(stream);

  // 1. Start from the first byte of the file.
  if (!reader.SeekTo(0)) return FALSE;

  // 2.-5. SOI, APP1, its length (unused), "Exif\0\0", byte order, magic, IFD0 offset.
  uint32_t ifd0Offset;
  if (!ReadExifHeader(reader, &ifd0Offset)) return FALSE;

  // 6. The stream stands at TIFF offset 8; move to IFD0 relative to it
  //    (an offset below 8 moves backwards).
  if (ifd0Offset != 8 && !reader.SeekBy((int64_t)ifd0Offset - 8)) return FALSE;

  // 7. IFD0 matters only for the link to IFD1: skip its entries.
  uint32_t ifd0Count;
  if (!reader.U16(&ifd0Count)) return FALSE;
  if (!reader.SeekBy((int64_t)ifd0Count * kEntryBytes)) return FALSE;

  // 8. The offset of the next directory, IFD1; 0 means there is none.
  uint32_t ifd1Offset;
  if (!reader.U32(&ifd1Offset) || ifd1Offset == 0) return FALSE;

  // 9.-10. IFD1 and its entry count.
  if (!reader.SeekTo((int64_t)ifd1Offset + kTiffBase)) return FALSE;
  uint32_t ifd1Count;
  if (!reader.U16(&ifd1Count) || ifd1Count == 0) return FALSE;

  // 11. Look for JPEGInterchangeFormat; at most 65535 entries of 12 bytes.
  for (uint32_t i = 0; i < ifd1Count; ++i) {
    uint32_t tag, type, count, value;
    if (!reader.U16(&tag) || !reader.U16(&type) || !reader.U32(&count) || !reader.U32(&value)) return FALSE;
    if (tag == kTagJpegInterchangeFormat) return reader.SeekTo((int64_t)value + kTiffBase) ? TRUE : FALSE;
  }

  // 12. No embedded JPEG picture in IFD1.
  return FALSE;
}

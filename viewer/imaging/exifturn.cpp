// The Exif block's turn: a checked walk of IFD0, its Exif IFD and IFD1
// that edits values in place and moves the thumbnail only when it grows.
#include "imaging/exifturn.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagPixelX = 0xA002;
constexpr uint16_t kTagPixelY = 0xA003;
constexpr uint16_t kTagThumbOffset = 0x0201;
constexpr uint16_t kTagThumbLength = 0x0202;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr size_t kEntryBytes = 12;

// A TIFF block with its byte order; every access is bounds-checked.
class TiffBlock {
 public:
  explicit TiffBlock(std::string* bytes) : m_b(bytes) {}

  bool ReadHeader(uint32_t* ifd0) {
    if (m_b->size() < 8) return false;
    if (m_b->compare(0, 2, "II") == 0) {
      m_little = true;
    } else if (m_b->compare(0, 2, "MM") == 0) {
      m_little = false;
    } else {
      return false;
    }
    return U16(2) == 42 && (*ifd0 = U32(4), true);
  }
  size_t Size() const { return m_b->size(); }
  bool Has(size_t at, size_t n) const { return at <= m_b->size() && n <= m_b->size() - at; }
  uint16_t U16(size_t at) const {
    const unsigned char* p = (const unsigned char*)m_b->data() + at;
    return m_little ? (uint16_t)(p[0] | p[1] << 8) : (uint16_t)(p[0] << 8 | p[1]);
  }
  uint32_t U32(size_t at) const {
    const unsigned char* p = (const unsigned char*)m_b->data() + at;
    return m_little ? (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24
                    : (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3];
  }
  void Put16(size_t at, uint16_t v) {
    (*m_b)[at] = (char)(m_little ? v : v >> 8);
    (*m_b)[at + 1] = (char)(m_little ? v >> 8 : v);
  }
  void Put32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*m_b)[at + (size_t)i] = (char)(v >> (m_little ? 8 * i : 24 - 8 * i));
  }
  std::string& Bytes() { return *m_b; }

  // The entry of `tag` in the IFD at `ifd` holding one SHORT or LONG: the
  // place of its value field; 0 when absent or of another shape.
  size_t ValueOf(uint32_t ifd, uint16_t tag) const {
    const size_t count = Count(ifd);
    for (size_t i = 0; i < count; ++i) {
      const size_t entry = ifd + 2 + i * kEntryBytes;
      if (U16(entry) != tag) continue;
      const uint16_t type = U16(entry + 2);
      return (type == kTypeShort || type == kTypeLong) && U32(entry + 4) == 1 ? entry + 8 : 0;
    }
    return 0;
  }
  // A value field ValueOf found, read or written as its type says.
  uint32_t Read(size_t value) const { return U16(value - 6) == kTypeShort ? U16(value) : U32(value); }
  void Write(size_t value, uint32_t v) {
    if (U16(value - 6) == kTypeShort) {
      Put16(value, (uint16_t)v);
    } else {
      Put32(value, v);
    }
  }
  // The entries of the IFD at `ifd`, 0 when its table does not fit.
  size_t Count(uint32_t ifd) const {
    if (ifd < 8 || !Has(ifd, 2)) return 0;
    const size_t count = U16(ifd);
    return Has(ifd + 2, count * kEntryBytes + 4) ? count : 0;
  }
  // The offset of the IFD after the one at `ifd`, 0 for none.
  uint32_t Next(uint32_t ifd) const {
    const size_t count = Count(ifd);
    return count == 0 ? 0 : U32(ifd + 2 + count * kEntryBytes);
  }

 private:
  std::string* m_b;
  bool m_little = true;
};

// Moves the thumbnail of IFD1 (at `offsetValue`, `lengthValue`) to its
// turned copy: where it was when it fits there or ends the block, else at
// the block's end, so no other offset changes.
int ReplaceThumbnail(TiffBlock& tiff, size_t offsetValue, size_t lengthValue, const ExifThumbnailTurn& turn,
                     size_t maxSize) {
  const uint32_t at = tiff.Read(offsetValue);
  const uint32_t length = tiff.Read(lengthValue);
  if (length == 0 || at < 8 || !tiff.Has(at, length)) return EXIF_TURN_UNREADABLE;
  std::string turned;
  if (!turn(tiff.Bytes().substr(at, length), &turned)) return EXIF_TURN_THUMB_FAILED;
  std::string& bytes = tiff.Bytes();
  size_t place = at;
  if ((size_t)at + length == bytes.size()) {
    bytes.resize(at);
  } else if (turned.size() > length) {
    place = bytes.size() + (bytes.size() & 1);  // TIFF offsets are even
  }
  if (place + turned.size() > maxSize) return EXIF_TURN_NO_ROOM;
  if (place + turned.size() > bytes.size()) bytes.resize(place + turned.size(), '\0');
  std::memcpy(&bytes[place], turned.data(), turned.size());
  if (place == at && turned.size() < length && (size_t)at + length <= bytes.size()) {
    std::memset(&bytes[place + turned.size()], 0, length - turned.size());
  }
  if (tiff.U16(offsetValue - 6) == kTypeShort && place > 0xFFFF) return EXIF_TURN_NO_ROOM;
  tiff.Write(offsetValue, (uint32_t)place);
  tiff.Write(lengthValue, (uint32_t)turned.size());
  return EXIF_TURN_DONE;
}

}  // namespace

int ExifBlockOrientation(const std::string& block) {
  std::string copy = block;
  TiffBlock tiff(&copy);
  uint32_t ifd0 = 0;
  if (!tiff.ReadHeader(&ifd0)) return 0;
  const size_t value = tiff.ValueOf(ifd0, kTagOrientation);
  if (value == 0 || tiff.U16(value - 6) != kTypeShort) return 0;
  const uint32_t orientation = tiff.Read(value);
  return orientation >= 1 && orientation <= 8 ? (int)orientation : 0;
}

int RewriteExifForTurn(std::string* block, bool quarterTurn, const ExifThumbnailTurn& turnThumbnail, size_t maxSize) {
  std::string work = *block;
  TiffBlock tiff(&work);
  // 1. IFD0: the Orientation, and the Exif IFD with the pixel dimensions.
  uint32_t ifd0 = 0;
  if (!tiff.ReadHeader(&ifd0) || tiff.Count(ifd0) == 0) return EXIF_TURN_UNREADABLE;
  if (const size_t value = tiff.ValueOf(ifd0, kTagOrientation)) tiff.Write(value, 1);
  const size_t exifValue = tiff.ValueOf(ifd0, kTagExifIfd);
  const uint32_t exifIfd = exifValue != 0 ? tiff.Read(exifValue) : 0;
  if (quarterTurn && exifIfd != 0 && exifIfd != ifd0) {
    const size_t x = tiff.ValueOf(exifIfd, kTagPixelX);
    const size_t y = tiff.ValueOf(exifIfd, kTagPixelY);
    if (x != 0 && y != 0) {
      const uint32_t width = tiff.Read(x);
      const uint32_t height = tiff.Read(y);
      tiff.Write(x, height);
      tiff.Write(y, width);
    }
  }
  // 2. IFD1: its Orientation, and the thumbnail turned with the picture.
  const uint32_t ifd1 = tiff.Next(ifd0);
  if (ifd1 != 0 && ifd1 != ifd0 && ifd1 != exifIfd && tiff.Count(ifd1) != 0) {
    if (const size_t value = tiff.ValueOf(ifd1, kTagOrientation)) tiff.Write(value, 1);
    const size_t offsetValue = tiff.ValueOf(ifd1, kTagThumbOffset);
    const size_t lengthValue = tiff.ValueOf(ifd1, kTagThumbLength);
    if (offsetValue != 0 && lengthValue != 0) {
      const int replaced = ReplaceThumbnail(tiff, offsetValue, lengthValue, turnThumbnail, maxSize);
      if (replaced != EXIF_TURN_DONE) return replaced;
    }
  }
  if (work.size() > maxSize) return EXIF_TURN_NO_ROOM;
  block->swap(work);
  return EXIF_TURN_DONE;
}

// A small Exif writer of the test suite's own: the APP1 segment that cameras
// put right after SOI (TIFF header, IFD0, IFD1, embedded JPEG thumbnail).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Bytes in either TIFF byte order, with overwriting at a given offset, for
// hand-made layouts (offsets that point anywhere, odd counts).
class TiffBytes {
 public:
  explicit TiffBytes(bool bigEndian) : m_big(bigEndian) {}
  void U8(uint8_t v) { m_bytes.push_back((char)v); }
  void U16(uint32_t v);
  void U32(uint32_t v);
  void Raw(const std::string& bytes) { m_bytes += bytes; }
  void PadTo(size_t size) {
    if (m_bytes.size() < size) m_bytes.resize(size, '\0');
  }
  void PutU32(size_t at, uint32_t v);
  size_t Size() const { return m_bytes.size(); }
  const std::string& Bytes() const { return m_bytes; }

 private:
  bool m_big;
  std::string m_bytes;
};

struct ExifEntry {
  uint16_t tag;
  uint16_t type;  // 3 SHORT, 4 LONG
  uint32_t count;
  uint32_t value;  // SHORT values sit in the first two bytes of the field
};

constexpr uint16_t kTagCompression = 0x0103;
constexpr uint16_t kTagJpegInterchangeFormat = 0x0201;
constexpr uint16_t kTagJpegInterchangeFormatLength = 0x0202;

struct ExifLayout {
  bool bigEndian = false;
  // TIFF offset of IFD0 (8 = right after the TIFF header; more leaves a gap).
  uint32_t ifd0Offset = 8;
  // IFD0's entries (orientation, resolution unit, ... by default).
  std::vector<ExifEntry> ifd0 = {{0x0112, 3, 1, 1}, {0x0128, 3, 1, 2}, {0x0213, 3, 1, 1}};
  // Without IFD1, IFD0's link to the next directory is 0.
  bool withIfd1 = true;
  // IFD1 with Compression = 6 and the 0x0201 / 0x0202 pair pointing at the
  // thumbnail; without it, an uncompressed thumbnail described by strips.
  bool withJpegPointer = true;
};

// The APP1 segment: marker, length, "Exif\0\0", TIFF header, IFD0, IFD1 and
// the thumbnail bytes. Empty if it would not fit into one segment (64 KB).
std::string ExifSegment(const std::string& thumbnailJpeg, const ExifLayout& layout = {});

// A camera-style file: SOI, the Exif segment, then every segment of the main
// JPEG after its own SOI.
std::string CameraFile(const std::string& mainJpeg, const std::string& thumbnailJpeg, const ExifLayout& layout = {});

// File offset at which CameraFile/ExifSegment put the thumbnail bytes (the
// file offset of the 0x0201 value + 12).
size_t ThumbnailOffset(const std::string& cameraFile);

// The file offset of a TIFF offset: the TIFF header lies at file offset 12.
constexpr size_t kTiffBase = 12;

// A TIFF block (no "Exif\0\0") whose IFD0 points at an Exif IFD holding
// DateTimeOriginal `date` ("YYYY:MM:DD HH:MM:SS", as a camera writes it).
std::string DateTakenTiff(const std::string& date, bool bigEndian = false);
// The APP1 segment of that block: marker, length, "Exif\0\0", the block.
std::string DateTakenSegment(const std::string& date, bool bigEndian = false);

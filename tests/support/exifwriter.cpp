// Exif APP1 segments in either byte order and camera-style files built
// around them.
#include "support/exifwriter.h"

void TiffBytes::U16(uint32_t v) {
  if (m_big) {
    U8((uint8_t)(v >> 8));
    U8((uint8_t)v);
  } else {
    U8((uint8_t)v);
    U8((uint8_t)(v >> 8));
  }
}

void TiffBytes::U32(uint32_t v) {
  if (m_big) {
    U16(v >> 16);
    U16(v & 0xFFFF);
  } else {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
}

void TiffBytes::PutU32(size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    const int shift = m_big ? 24 - 8 * i : 8 * i;
    m_bytes[at + (size_t)i] = (char)((v >> shift) & 0xFF);
  }
}

namespace {

void WriteEntry(TiffBytes& tiff, const ExifEntry& entry) {
  tiff.U16(entry.tag);
  tiff.U16(entry.type);
  tiff.U32(entry.count);
  if (entry.type == 3 && entry.count == 1) {
    // A single SHORT is left-justified in the 4-byte value field.
    tiff.U16(entry.value);
    tiff.U16(0);
  } else {
    tiff.U32(entry.value);
  }
}

// Writes a directory; returns the TIFF offset of its next-directory link.
size_t WriteDirectory(TiffBytes& tiff, const std::vector<ExifEntry>& entries) {
  tiff.U16((uint32_t)entries.size());
  for (const ExifEntry& entry : entries) WriteEntry(tiff, entry);
  const size_t link = tiff.Size();
  tiff.U32(0);
  return link;
}

}  // namespace

std::string ExifSegment(const std::string& thumbnailJpeg, const ExifLayout& layout) {
  TiffBytes tiff(layout.bigEndian);
  tiff.Raw(layout.bigEndian ? "MM" : "II");
  tiff.U16(42);
  tiff.U32(layout.ifd0Offset);
  tiff.PadTo(layout.ifd0Offset);
  const size_t ifd0Link = WriteDirectory(tiff, layout.ifd0);

  if (layout.withIfd1) {
    const uint32_t ifd1Offset = (uint32_t)tiff.Size();
    tiff.PutU32(ifd0Link, ifd1Offset);
    const uint32_t entryCount = 3;
    // The thumbnail follows IFD1: count, entries, link.
    const uint32_t thumbnailAt = ifd1Offset + 2 + 12 * entryCount + 4;
    const uint32_t length = (uint32_t)thumbnailJpeg.size();
    std::vector<ExifEntry> ifd1;
    if (layout.withJpegPointer) {
      ifd1 = {{kTagCompression, 3, 1, 6},
              {kTagJpegInterchangeFormat, 4, 1, thumbnailAt},
              {kTagJpegInterchangeFormatLength, 4, 1, length}};
    } else {
      // Uncompressed thumbnail: StripOffsets and StripByteCounts instead.
      ifd1 = {{kTagCompression, 3, 1, 1}, {0x0111, 4, 1, thumbnailAt}, {0x0117, 4, 1, length}};
    }
    WriteDirectory(tiff, ifd1);
    tiff.Raw(thumbnailJpeg);
  }

  const size_t segmentLength = 2 + 6 + tiff.Size();
  if (segmentLength > 0xFFFF) return std::string();
  std::string segment = "\xFF\xE1";
  segment += (char)(segmentLength >> 8);
  segment += (char)(segmentLength & 0xFF);
  segment += std::string("Exif\0\0", 6);
  segment += tiff.Bytes();
  return segment;
}

std::string CameraFile(const std::string& mainJpeg, const std::string& thumbnailJpeg, const ExifLayout& layout) {
  if (mainJpeg.size() < 2) return std::string();
  const std::string segment = ExifSegment(thumbnailJpeg, layout);
  if (segment.empty()) return std::string();
  return std::string("\xFF\xD8", 2) + segment + mainJpeg.substr(2);
}

size_t ThumbnailOffset(const std::string& file) {
  // Walk the fixed layout the way a reader does, in the file's byte order.
  auto byte = [&](size_t at) -> uint32_t { return at < file.size() ? (uint8_t)file[at] : 0; };
  const bool big = byte(kTiffBase) != 0x49;
  auto u16 = [&](size_t at) { return big ? (byte(at) << 8) | byte(at + 1) : byte(at) | (byte(at + 1) << 8); };
  auto u32 = [&](size_t at) { return big ? (u16(at) << 16) | u16(at + 2) : u16(at) | (u16(at + 2) << 16); };
  const size_t ifd0 = kTiffBase + u32(kTiffBase + 4);
  const size_t ifd1 = kTiffBase + u32(ifd0 + 2 + 12 * (size_t)u16(ifd0));
  const size_t entries = u16(ifd1);
  for (size_t i = 0; i < entries; ++i) {
    const size_t entry = ifd1 + 2 + 12 * i;
    if (u16(entry) == kTagJpegInterchangeFormat) return kTiffBase + u32(entry + 8);
  }
  return std::string::npos;
}

std::string DateTakenTiff(const std::string& date, bool bigEndian) {
  // Header (8), IFD0 of one entry (18), Exif IFD of one entry (18), then
  // the date and its NUL.
  TiffBytes tiff(bigEndian);
  tiff.Raw(bigEndian ? "MM" : "II");
  tiff.U16(42);
  tiff.U32(8);
  tiff.U16(1);
  WriteEntry(tiff, {0x8769, 4, 1, 26});
  tiff.U32(0);
  tiff.U16(1);
  WriteEntry(tiff, {0x9003, 2, (uint32_t)date.size() + 1, 44});
  tiff.U32(0);
  tiff.Raw(date);
  tiff.U8(0);
  return tiff.Bytes();
}

std::string DateTakenSegment(const std::string& date, bool bigEndian) {
  const std::string payload = std::string("Exif\0\0", 6) + DateTakenTiff(date, bigEndian);
  const size_t length = payload.size() + 2;
  return std::string("\xFF\xE1", 2) + (char)(length >> 8) + (char)(length & 0xFF) + payload;
}

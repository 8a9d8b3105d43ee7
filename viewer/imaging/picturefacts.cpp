// A picture file's facts gathered (its blocks, the Exif facts, the profile's
// name, a pixel size from the decoder's header where the walk has none) and
// the panel's lines made of them.
#include "imaging/picturefacts.h"

#include <cstring>

#include "imaging/metablocks.h"

namespace {

uint32_t Be32(const BYTE* p) {
  return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}

// Printable ASCII of `count` bytes (every `step`th, for UTF-16BE), cut.
std::string Printable(const BYTE* text, size_t count, size_t step) {
  std::string out;
  for (size_t i = step - 1; i < count && out.size() < kMaxFactChars; i += step) {
    if (text[i] == 0 && (step == 1 || text[i - 1] == 0)) break;
    if (text[i] >= 0x20 && text[i] < 0x7F && (step == 1 || text[i - 1] == 0)) out += (char)text[i];
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string Format(const char* format, double a, double b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

std::string FileSize(uint64_t bytes) {
  char text[64];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%llu bytes", (unsigned long long)bytes);
  } else {
    const bool mega = bytes >= 1024 * 1024;
    std::snprintf(text, sizeof text, "%.1f %s (%llu bytes)", bytes / (mega ? 1048576.0 : 1024.0), mega ? "MB" : "KB",
                  (unsigned long long)bytes);
  }
  return text;
}

// "2024:05:01 10:20:30" as "2024-05-01 10:20:30"; anything else as it is.
std::string DateTaken(std::string date) {
  if (date.size() >= 10 && date[4] == ':' && date[7] == ':') date[4] = date[7] = '-';
  return date;
}

std::string Exposure(double seconds) {
  // Short times as a camera writes them (1/250 s), the longer as decimals.
  if (seconds < 0.3) return Format("1/%.0f s", 1 / seconds);
  return Format("%.4g s", seconds);
}

const char* const kOrientations[] = {"",
                                     "normal",
                                     "mirrored",
                                     "turned 180\xC2\xB0",
                                     "flipped",
                                     "mirrored, turned 270\xC2\xB0 clockwise",
                                     "turned 90\xC2\xB0 clockwise",
                                     "mirrored, turned 90\xC2\xB0 clockwise",
                                     "turned 270\xC2\xB0 clockwise"};

}  // namespace

std::string IccProfileName(const BYTE* profile, size_t size) {
  if (profile == nullptr || size < 132) return "";
  // 1. The tag table after the 128-byte header; only entries inside it.
  uint64_t count = Be32(profile + 128);
  if (count > (size - 132) / 12) count = (size - 132) / 12;
  for (uint64_t i = 0; i < count; ++i) {
    const BYTE* tag = profile + 132 + 12 * i;
    if (std::memcmp(tag, "desc", 4) != 0) continue;
    const uint64_t at = Be32(tag + 4), bytes = Be32(tag + 8);
    if (at >= size || bytes > size - at || bytes < 12) return "";
    const BYTE* d = profile + at;
    // 2. ICC 2: textDescriptionType, an ASCII count and the text.
    if (std::memcmp(d, "desc", 4) == 0) {
      const uint64_t chars = Be32(d + 8);
      return Printable(d + 12, (size_t)(chars < bytes - 12 ? chars : bytes - 12), 1);
    }
    // 3. ICC 4: multiLocalizedUnicodeType, its first record's UTF-16BE text.
    if (std::memcmp(d, "mluc", 4) == 0 && bytes >= 28 && Be32(d + 8) >= 1) {
      const uint64_t length = Be32(d + 20), offset = Be32(d + 24);
      if (offset > bytes || length > bytes - offset) return "";
      return Printable(d + offset, (size_t)length, 2);
    }
    return "";
  }
  return "";
}

BOOL ReadPictureFacts(FILE* stream, PictureFacts* facts) {
  *facts = PictureFacts();
  CPictureBlocks blocks;
  const BOOL known = blocks.Read(stream);
  facts->format = blocks.format;
  facts->fileBytes = blocks.fileBytes;
  if (!known) return FALSE;
  facts->width = blocks.width;
  facts->height = blocks.height;
  if (blocks.exif != nullptr) ReadExifFacts((const BYTE*)blocks.exif, MemSize(blocks.exif), facts);
  if (blocks.icc != nullptr) facts->colourProfile = IccProfileName((const BYTE*)blocks.icc, MemSize(blocks.icc));
  blocks.Clear();
  // GIF and TIFF (and files the walk could not size): the decoder's header,
  // as stored.
  if (facts->width == 0 || facts->height == 0) {
    std::rewind(stream);
    CPictureFile file;
    if (file.OpenStream(stream, FALSE)) {
      facts->width = file.Info().width;
      facts->height = file.Info().height;
    }
  }
  return TRUE;
}

std::vector<std::string> PictureFactLines(const PictureFacts& f) {
  std::vector<std::string> lines;
  lines.push_back("File size: " + FileSize(f.fileBytes));
  if (f.format != PICTURE_UNKNOWN) lines.push_back(std::string("Format: ") + PictureFormatName(f.format));
  if (f.width != 0 && f.height != 0) {
    lines.push_back("Pixels: " + std::to_string(f.width) + " \xC3\x97 " + std::to_string(f.height));
  }
  if (!f.dateTaken.empty()) lines.push_back("Taken: " + DateTaken(f.dateTaken));
  // A model that names its maker already is not given the maker again.
  std::string camera = f.model;
  if (!f.make.empty() && f.model.compare(0, f.make.size(), f.make) != 0) {
    camera = f.make + (f.model.empty() ? "" : " " + f.model);
  }
  if (!camera.empty()) lines.push_back("Camera: " + camera);
  if (!f.lens.empty()) lines.push_back("Lens: " + f.lens);
  if (f.exposureSeconds > 0) lines.push_back("Exposure: " + Exposure(f.exposureSeconds));
  if (f.fNumber > 0) lines.push_back(Format("Aperture: f/%.1f", f.fNumber));
  if (f.iso > 0) lines.push_back("ISO: " + std::to_string(f.iso));
  if (f.focalLengthMm > 0) lines.push_back(Format("Focal length: %.1f mm", f.focalLengthMm));
  if (f.flash >= 0) lines.push_back(std::string("Flash: ") + ((f.flash & 1) != 0 ? "fired" : "did not fire"));
  if (f.orientation >= 1 && f.orientation <= 8) {
    lines.push_back("Orientation: " + std::to_string(f.orientation) + " (" + kOrientations[f.orientation] + ")");
  }
  if (f.hasPosition) lines.push_back(Format("GPS: %.6f, %.6f", f.latitude, f.longitude));
  if (!f.colourProfile.empty()) lines.push_back("Colour profile: " + f.colourProfile);
  return lines;
}

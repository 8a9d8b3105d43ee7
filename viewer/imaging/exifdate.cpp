// The walk from a file's first bytes to its Exif block (JPEG's APP1, PNG's
// eXIf, WebP's EXIF chunk, or a TIFF file itself), then IFD0's Exif IFD
// pointer and that IFD's DateTimeOriginal.
#include "imaging/exifdate.h"

#include <cstring>
#include <ctime>

namespace {

constexpr uint32_t kTagExifIfd = 0x8769;
constexpr uint32_t kTagDateTimeOriginal = 0x9003;
constexpr uint32_t kTypeAscii = 2;
constexpr uint32_t kTypeLong = 4;
constexpr uint32_t kTypeIfd = 13;
constexpr size_t kDateLength = 19;
constexpr uint64_t kEntryBytes = 12;
// Segments or chunks looked at before the Exif block is given up for.
constexpr int kMaxParts = 64;
// Seconds from 1601-01-01 (FILETIME's start) to 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600LL;

uint32_t Get16(const BYTE* p, bool little) {
  return little ? (uint32_t)(p[0] | (p[1] << 8)) : (uint32_t)((p[0] << 8) | p[1]);
}

uint32_t Get32(const BYTE* p, bool little) {
  return little ? (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24)
                : ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | (uint32_t)p[3];
}

// A TIFF block of which `size` bytes are at hand; `whole` when that is all
// of it, so that an offset past them means no date rather than "read more".
struct TiffBlock {
  const BYTE* bytes;
  size_t size;
  bool whole;
  bool little;
  ExifDateFind Past() const { return whole ? EXIF_DATE_NONE : EXIF_DATE_NEEDS_MORE; }
};

// The 12-byte entry of `tag` in the IFD at `offset`.
ExifDateFind FindEntry(const TiffBlock& tiff, uint64_t offset, uint32_t tag, const BYTE** entry) {
  if (offset < 8) return EXIF_DATE_NONE;
  if (offset + 2 > tiff.size) return tiff.Past();
  const uint64_t count = Get16(tiff.bytes + offset, tiff.little);
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t at = offset + 2 + kEntryBytes * i;
    if (at + kEntryBytes > tiff.size) return tiff.Past();
    if (Get16(tiff.bytes + at, tiff.little) == tag) {
      *entry = tiff.bytes + at;
      return EXIF_DATE_FOUND;
    }
  }
  return EXIF_DATE_NONE;
}

ExifDateFind DateInTiff(const BYTE* block, size_t size, bool whole, int64_t* taken) {
  if (size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) {
    block += 6;
    size -= 6;
  }
  TiffBlock tiff = {block, size, whole, true};
  // 1. Byte order ("II" or "MM"), magic 42.
  if (size < 8) return tiff.Past();
  if (block[0] != block[1] || (block[0] != 'I' && block[0] != 'M')) return EXIF_DATE_NONE;
  tiff.little = block[0] == 'I';
  if (Get16(block + 2, tiff.little) != 42) return EXIF_DATE_NONE;
  // 2. IFD0's pointer to the Exif IFD: one LONG (or IFD) value.
  const BYTE* entry = nullptr;
  ExifDateFind found = FindEntry(tiff, Get32(block + 4, tiff.little), kTagExifIfd, &entry);
  if (found != EXIF_DATE_FOUND) return found;
  const uint32_t pointerType = Get16(entry + 2, tiff.little);
  if ((pointerType != kTypeLong && pointerType != kTypeIfd) || Get32(entry + 4, tiff.little) != 1) {
    return EXIF_DATE_NONE;
  }
  // 3. DateTimeOriginal: ASCII of 19 characters and its NUL, kept at an
  //    offset since it is longer than the 4-byte value field.
  found = FindEntry(tiff, Get32(entry + 8, tiff.little), kTagDateTimeOriginal, &entry);
  if (found != EXIF_DATE_FOUND) return found;
  if (Get16(entry + 2, tiff.little) != kTypeAscii || Get32(entry + 4, tiff.little) < kDateLength) {
    return EXIF_DATE_NONE;
  }
  const uint64_t text = Get32(entry + 8, tiff.little);
  if (text + kDateLength > size) return tiff.Past();
  return ParseExifDateTime((const char*)block + text, kDateLength, taken) ? EXIF_DATE_FOUND : EXIF_DATE_NONE;
}

// The Exif block of the payload at `at`, `length` bytes long.
ExifDateFind DateInPart(const BYTE* start, size_t size, uint64_t at, uint64_t length, int64_t* taken) {
  if (at >= size) return EXIF_DATE_NEEDS_MORE;
  const size_t held = (size_t)(length < size - at ? length : size - at);
  return DateInTiff(start + at, held, held == length, taken);
}

// SOI, then APPn and COM segments up to the one of "Exif\0\0"; any other
// marker means the picture's tables have begun.
ExifDateFind DateInJpeg(const BYTE* start, size_t size, int64_t* taken) {
  uint64_t at = 2;
  for (int i = 0; i < kMaxParts; ++i) {
    if (at + 4 > size) return EXIF_DATE_NEEDS_MORE;
    const BYTE* marker = start + at;
    if (marker[0] != 0xFF || ((marker[1] < 0xE0 || marker[1] > 0xEF) && marker[1] != 0xFE)) return EXIF_DATE_NONE;
    const uint64_t length = Get16(marker + 2, false);  // counts its own two bytes
    if (length < 2) return EXIF_DATE_NONE;
    if (marker[1] == 0xE1 && length >= 8) {
      if (at + 10 > size) return EXIF_DATE_NEEDS_MORE;
      if (std::memcmp(marker + 4, "Exif\0\0", 6) == 0) return DateInPart(start, size, at + 10, length - 8, taken);
    }
    at += 2 + length;
  }
  return EXIF_DATE_NONE;
}

// The chunks after PNG's signature, up to eXIf; the picture's data or its
// end comes after any eXIf worth reading.
ExifDateFind DateInPng(const BYTE* start, size_t size, int64_t* taken) {
  uint64_t at = 8;
  for (int i = 0; i < kMaxParts; ++i) {
    if (at + 8 > size) return EXIF_DATE_NEEDS_MORE;
    const uint64_t length = Get32(start + at, false);
    const BYTE* type = start + at + 4;
    if (std::memcmp(type, "eXIf", 4) == 0) return DateInPart(start, size, at + 8, length, taken);
    if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) return EXIF_DATE_NONE;
    at += 12 + length;
  }
  return EXIF_DATE_NONE;
}

// RIFF chunks after "WEBP", each padded to an even length, up to EXIF.
ExifDateFind DateInWebp(const BYTE* start, size_t size, int64_t* taken) {
  uint64_t at = 12;
  for (int i = 0; i < kMaxParts; ++i) {
    if (at + 8 > size) return EXIF_DATE_NEEDS_MORE;
    const uint64_t length = Get32(start + at + 4, true);
    if (std::memcmp(start + at, "EXIF", 4) == 0) return DateInPart(start, size, at + 8, length, taken);
    at += 8 + length + (length & 1);
  }
  return EXIF_DATE_NONE;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
}

// A wall-clock time of the local zone as seconds since 1970 UTC: the offset
// in force then, looked up twice (a time in a daylight-saving gap or fold
// takes the offset of one side). localtime_r reads the zone once, where
// mktime looks at the zone's file again on every call.
int64_t LocalToUtc(int64_t wall) {
  time_t at = (time_t)wall;
  struct tm parts;
  if (localtime_r(&at, &parts) == nullptr) return wall;
  at = (time_t)(wall - parts.tm_gmtoff);
  if (localtime_r(&at, &parts) == nullptr) return (int64_t)at;
  return wall - parts.tm_gmtoff;
}

bool TwoDigits(const char* text, int* value) {
  if (text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9') return false;
  *value = (text[0] - '0') * 10 + (text[1] - '0');
  return true;
}

}  // namespace

ExifDateFind FindExifDateTaken(const BYTE* start, size_t size, int64_t* taken) {
  if (start == nullptr || taken == nullptr) return EXIF_DATE_NONE;
  if (size < 12) return EXIF_DATE_NEEDS_MORE;
  if (start[0] == 0xFF && start[1] == 0xD8) return DateInJpeg(start, size, taken);
  if (std::memcmp(start, "II*\0", 4) == 0 || std::memcmp(start, "MM\0*", 4) == 0) {
    return DateInTiff(start, size, false, taken);
  }
  if (std::memcmp(start, "\x89PNG\r\n\x1a\n", 8) == 0) return DateInPng(start, size, taken);
  if (std::memcmp(start, "RIFF", 4) == 0 && std::memcmp(start + 8, "WEBP", 4) == 0) {
    return DateInWebp(start, size, taken);
  }
  // GIF has no Exif; HEIF and AVIF keep theirs behind box tables that the
  // start of the file does not settle.
  return EXIF_DATE_NONE;
}

BOOL ParseExifDateTime(const char* text, size_t length, int64_t* fileTime) {
  if (text == nullptr || length < kDateLength) return FALSE;
  int century, year, month, day, hour, minute, second;
  if (!TwoDigits(text, &century) || !TwoDigits(text + 2, &year) || text[4] != ':' || !TwoDigits(text + 5, &month) ||
      text[7] != ':' || !TwoDigits(text + 8, &day) || text[10] != ' ' || !TwoDigits(text + 11, &hour) ||
      text[13] != ':' || !TwoDigits(text + 14, &minute) || text[16] != ':' || !TwoDigits(text + 17, &second)) {
    return FALSE;
  }
  year += century * 100;
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
    return FALSE;
  }
  const int64_t wall = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  const int64_t seconds = LocalToUtc(wall);
  if (seconds < -kEpochDifference) return FALSE;
  *fileTime = (seconds + kEpochDifference) * 10000000LL;
  return TRUE;
}

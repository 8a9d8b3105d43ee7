// The moment a picture was taken, as its Exif DateTimeOriginal (tag 0x9003
// of the Exif IFD) says, found in the first bytes of a JPEG, TIFF, PNG or
// WebP file held in memory. Nothing is decoded; every offset is checked
// against the bytes given.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/base/wintypes.h"

enum ExifDateFind {
  EXIF_DATE_FOUND,
  // The file has no readable date in the bytes it was walked to.
  EXIF_DATE_NONE,
  // The walk needs bytes past the `size` given; a longer start may hold it.
  EXIF_DATE_NEEDS_MORE,
};

// Walks `start`, the first `size` bytes of a file, to its DateTimeOriginal:
// *taken receives it in FILETIME units (100 ns since 1601), the camera's
// clock read as local time.
ExifDateFind FindExifDateTaken(const BYTE* start, size_t size, int64_t* taken);

// "YYYY:MM:DD HH:MM:SS" (the Exif form, 19 characters) read as local time,
// in FILETIME units. FALSE for anything else, or a date of zeros (a camera
// whose clock was never set).
BOOL ParseExifDateTime(const char* text, size_t length, int64_t* fileTime);

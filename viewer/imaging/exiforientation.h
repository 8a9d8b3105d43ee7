// The Orientation tag of an Exif block held in memory, as PNG (eXIf) and
// WebP (EXIF) carry it: a TIFF header and IFD0, with or without the
// "Exif\0\0" prefix that JPEG's APP1 segment puts before it.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"

// 1 to 8, or 0 when there is none or it cannot be read. Every offset is
// checked against `size`, so nothing outside the block is read.
int ExifOrientationOfBlock(const BYTE* block, size_t size);

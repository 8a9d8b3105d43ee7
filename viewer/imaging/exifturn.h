// The Exif block of a picture turned for good: its Orientation set to 1,
// its pixel dimensions following a quarter turn, and its embedded JPEG
// thumbnail (IFD1) replaced by a turned copy, the offsets that point at it
// rewritten. The block is a TIFF header and its IFDs (a JPEG APP1 segment
// after "Exif\0\0", a PNG eXIf chunk); every offset and count is checked
// against it, so a hostile block is refused, never read past.
#pragma once

#include <functional>
#include <string>

// The Orientation of IFD0 (1 to 8), or 0 when there is none or the block
// cannot be read.
int ExifBlockOrientation(const std::string& block);

// Turns a thumbnail's JPEG bytes: false when it cannot.
typedef std::function<bool(const std::string& thumbnail, std::string* turned)> ExifThumbnailTurn;

enum ExifTurnResult {
  EXIF_TURN_DONE = 0,         // rewritten
  EXIF_TURN_UNREADABLE = -1,  // not a block this walk can read: leave it as it is
  EXIF_TURN_NO_ROOM = -2,     // the turned thumbnail would not fit a JPEG segment
  EXIF_TURN_THUMB_FAILED = -3,
};

// Rewrites `block` in place for a picture turned so that it now stands
// upright: Orientation (IFD0 and IFD1) 1, PixelXDimension and
// PixelYDimension swapped when `quarterTurn`, the thumbnail replaced by
// what `turnThumbnail` makes of it. At most `maxSize` bytes result.
int RewriteExifForTurn(std::string* block, bool quarterTurn, const ExifThumbnailTurn& turnThumbnail, size_t maxSize);

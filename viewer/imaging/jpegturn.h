// The lossless JPEG turn with libjpeg-turbo's transform: the coefficients
// are moved, never decoded, every other marker is kept, the Exif block says
// Orientation 1 and holds its thumbnail turned alike.
#pragma once

#include <string>

#include "imaging/pictureturn.h"

// PICTURE_TURN_NEEDS_TRIM when `op` would move partial edge blocks and
// `trim` is false; with `trim` they are dropped.
int TurnJpegLossless(const std::string& in, PictureOp op, bool trim, std::string* out, std::string* reason);

// The Orientation in the file's Exif APP1 segment, 0 when none.
int JpegExifOrientation(const std::string& jpeg);

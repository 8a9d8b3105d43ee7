// The PNG turn: the pixels decoded as stored (every bit depth, palette and
// transparency kept), moved, and encoded again with the file's other chunks.
#pragma once

#include <string>

#include "imaging/pictureturn.h"

int TurnPngLossless(const std::string& in, PictureOp op, std::string* out, std::string* reason);

// The Orientation in the file's eXIf chunk, 0 when none.
int PngExifOrientation(const std::string& png);

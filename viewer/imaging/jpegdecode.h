// JPEG decoding into CDib blocks: at full size, or reduced by the decoder
// towards a box (from the camera's embedded Exif thumbnail when the file has
// one). Every failure gives null; the caller owns what it gets.
#pragma once

#include <cstdio>

#include "imaging/dib.h"
#include "platform/wintypes.h"

// Path-level: open the device path with "rb", decode, close.
CDib LoadJpeg(const WCHAR* path);
CDib LoadJpegToFit(const WCHAR* path, int width, int height);

// Stream-level: the stream is left open at an unspecified position.
CDib DecodeJpeg(FILE* stream);
CDib DecodeJpegToFit(FILE* stream, int width, int height);
CDib DecodeJpegStream(FILE* stream, int width, int height, BOOL allowThumbnail);

// JPEG decoding into CDib blocks: at full size, or reduced by the decoder
// towards a box (from the camera's embedded Exif thumbnail when the file has
// one). Every failure gives null; the caller owns what it gets.
#pragma once

#include <cstdio>

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

// Path-level: open the device path with "rb", decode, close.
CDib LoadJpeg(const WCHAR* path);
CDib LoadJpegToFit(const WCHAR* path, int width, int height);

// Stream-level: the stream is left open at an unspecified position.
CDib DecodeJpeg(FILE* stream);
CDib DecodeJpegToFit(FILE* stream, int width, int height);
CDib DecodeJpegStream(FILE* stream, int width, int height, BOOL allowThumbnail);

// The most scans a picture may have; one with more is refused as damaged.
// Camera and web files have about ten, and every scan makes the decoder
// visit each block of the picture again: a file of thousands of tiny scans
// would otherwise keep it busy for minutes.
constexpr int kJpegMaxScans = 100;

// Why the calling thread's last decode gave null, as words for a log line:
// "too many scans", "not enough memory", "cannot open the file",
// "unsupported colour layout (CMYK)", or the library's own message ("Not a
// JPEG file: starts with 0x6e 0x6f"). "" when that decode gave a picture.
// Every thread has its own.
const char* JpegLastError();

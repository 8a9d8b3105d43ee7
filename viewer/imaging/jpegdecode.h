// JPEG decoding into CDib blocks: at full size, or reduced by the decoder
// towards a box (from the camera's embedded Exif thumbnail when the file has
// one). Every failure gives null; the caller owns what it gets.
#pragma once

#include <atomic>
#include <cstdint>
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

// An embedded thumbnail that gives no picture (an empty one, one that cannot
// be decoded) is replaced by the main picture reduced towards the same box.
// Off by default: the handheld's decode then fails, and its grid cell stays
// empty. Read by every decode that starts after it is set, on any thread.
void SetJpegThumbnailFallback(BOOL on);

// The most scans a picture may have; one with more is refused as damaged.
// Camera and web files have about ten, and every scan makes the decoder
// visit each block of the picture again: a file of thousands of tiny scans
// would otherwise keep it busy for minutes.
constexpr int kJpegMaxScans = 100;

// The most bytes a decode reads from its stream: an allowance for what comes
// before the frame (Exif, colour profiles and other segments), then so many
// bytes for each pixel of the frame. A file that needs more is refused as
// damaged: sound entropy-coded data takes at most about 4 bytes a pixel
// (noise at quality 100 without chroma subsampling). The end marker is never
// read for: a decode ends when its picture is complete.
constexpr uint64_t kJpegReadAllowance = (uint64_t)16 << 20;
constexpr uint64_t kJpegReadBytesPerPixel = 8;

// The bytes the calling thread's last decode read from its stream.
uint64_t JpegLastBytesRead();

// A thread whose decodes may be stopped from another thread points them at a
// flag while the scope lives. Once the flag is raised, a decode of that
// thread ends at its next read from the file or its next row, with no
// picture and the reason "stopped". A thread without a scope (the
// user-interface thread) is never stopped. Scopes nest.
class CDecodeStopScope {
 public:
  explicit CDecodeStopScope(const std::atomic<bool>* flag);
  ~CDecodeStopScope();
  CDecodeStopScope(const CDecodeStopScope&) = delete;
  CDecodeStopScope& operator=(const CDecodeStopScope&) = delete;

 private:
  const std::atomic<bool>* m_previous;
};

// Whether the calling thread's flag is raised.
BOOL DecodeStopRequested();

// Why the calling thread's last decode gave null, as words for a log line:
// "too many scans", "not enough memory", "cannot open the file",
// "unsupported colour layout (CMYK)", "too much data for its size",
// "stopped", or the library's own message ("Not a JPEG file: starts with
// 0x6e 0x6f"). "" when that decode gave a picture.
// Every thread has its own.
const char* JpegLastError();

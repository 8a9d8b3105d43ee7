// The one picture interface: a file's format told by its first bytes (never
// by its name), its header read, and its picture decoded towards a box into
// a CDib, whatever the format: JPEG on its own path, PNG, GIF, WebP, TIFF,
// HEIF and AVIF through their libraries. Every failure gives null and a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

enum PictureFormat {
  PICTURE_UNKNOWN,
  PICTURE_JPEG,
  PICTURE_PNG,
  PICTURE_GIF,
  PICTURE_WEBP,
  PICTURE_TIFF,
  PICTURE_HEIF,
  PICTURE_AVIF,
};

// Bytes enough to tell every format apart (an ISO media file's brands).
constexpr size_t kPictureSniffBytes = 64;
// The format that `count` bytes from a file's start announce.
PictureFormat PictureFormatOf(const BYTE* head, size_t count);
// "JPEG", "PNG", "GIF", "WebP", "TIFF", "HEIF", "AVIF"; "unknown".
const char* PictureFormatName(PictureFormat format);

// The most pixels a picture (or a frame's canvas) may have; a header that
// claims more is refused as damaged ("picture too large"), before anything
// is decoded. About 10,000 × 10,000: a grid cell of such a picture is read
// in well under a second; larger claims are nearly always crafted.
constexpr uint64_t kMaxPicturePixels = 100000000;
// The most frames an animation may have, and the most records (extension
// blocks, chunks) a decoder passes over before the first picture.
constexpr uint64_t kMaxPictureFrames = 10000;

struct PictureInfo {
  PictureFormat format = PICTURE_UNKNOWN;
  // Of the stored picture (0 where the decoder does not read it before the
  // pixels, as the JPEG path does not).
  uint64_t width = 0;
  uint64_t height = 0;
  // The Exif orientation the file gives its picture, 1 to 8; 0 for none.
  // HEIF's own transformations are never reported here: an upright open has
  // the library apply them, any other shows the picture as stored.
  int orientation = 0;
  // Frames of an animation; 1 for a still picture.
  uint64_t frames = 1;
};

class CDecodeInput;
class CPictureDecoder;

// One picture file, open from its header to its last decode. A decoder that
// holds its library's state between calls (the frames of an animation come
// one after another from the same open file) keeps it here.
class CPictureFile {
 public:
  CPictureFile();
  ~CPictureFile();
  CPictureFile(const CPictureFile&) = delete;
  CPictureFile& operator=(const CPictureFile&) = delete;

  // Opens a device path ("rb"), or takes a stream that stays the caller's
  // (read from its start). `upright`: the caller turns the picture by its
  // orientation, and HEIF's transformations are to be applied. FALSE with
  // the reason recorded when the file cannot be opened, no decoder knows its
  // first bytes, or its header is refused.
  BOOL Open(const WCHAR* path, BOOL upright);
  BOOL OpenStream(FILE* stream, BOOL upright);
  const PictureInfo& Info() const { return m_info; }

  // The picture (an animation's first frame) reduced towards a width ×
  // height box of the stored picture, from an embedded thumbnail where the
  // file has one fit for it; 0 × 0 whole. Null on failure, the reason
  // recorded. Call once per open.
  CDib Decode(int width, int height);

 private:
  void Close();

  FILE* m_stream = nullptr;
  BOOL m_bOwnsStream = FALSE;
  CDecodeInput* m_pInput = nullptr;
  BOOL m_bUpright = FALSE;
  CPictureDecoder* m_pDecoder = nullptr;
  PictureInfo m_info;
};

// Why the calling thread's last open or decode failed, as words for a log
// line: the JPEG path's own reasons, "not a picture: starts with 0x6e 0x6f",
// "picture too large", "too many frames", "unsupported colour layout
// (CMYK)", "not enough memory", "stopped", "too much data for its size", or
// the library's message after the format's name ("PNG: IDAT: CRC error");
// "" after a success. Every thread has its own.
const char* PictureDecodeLastError();

// What kind of failure that was: the file could not be opened, memory ran
// out (the budget or the host), the decode was stopped, or anything else
// (the file is damaged, unknown or refused by a limit).
enum PictureFailure {
  PICTURE_FAILURE_NONE,
  PICTURE_FAILURE_OPEN,
  PICTURE_FAILURE_MEMORY,
  PICTURE_FAILURE_STOPPED,
  PICTURE_FAILURE_DAMAGED,
};
PictureFailure PictureFailureOf(const char* reason);

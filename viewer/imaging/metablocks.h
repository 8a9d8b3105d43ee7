// The blocks a picture file carries beside its pixels, as the information
// panel reads them: the Exif block (JPEG APP1, PNG eXIf, WebP EXIF, HEIF's
// Exif item) and the ICC colour profile (JPEG APP2, PNG iCCP, WebP ICCP,
// HEIF colr), with the stored picture's size. Every read is bounded and
// every block is memory of the heap's budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "imaging/picturedecode.h"
#include "platform/base/wintypes.h"
#include "shell/memblock.h"

// The largest blocks read; a larger one is passed over as if absent.
constexpr size_t kMaxExifBlockBytes = (size_t)1 << 20;
constexpr size_t kMaxIccProfileBytes = (size_t)1 << 20;
// Records (segments, chunks) walked before giving up on the rest.
constexpr int kMaxMetaRecords = 4096;

class CPictureBlocks {
 public:
  CPictureBlocks() = default;
  ~CPictureBlocks() { Clear(); }
  CPictureBlocks(const CPictureBlocks&) = delete;
  CPictureBlocks& operator=(const CPictureBlocks&) = delete;

  // Reads `stream` from its start. FALSE when its first bytes are no
  // picture format; otherwise TRUE with whatever could be read (a damaged
  // file gives its format and size and the blocks found before the damage).
  BOOL Read(FILE* stream);
  void Clear();

  PictureFormat format = PICTURE_UNKNOWN;
  uint64_t fileBytes = 0;
  // The picture as stored; 0 × 0 when its header was not reached.
  uint64_t width = 0;
  uint64_t height = 0;
  // "Exif\0\0", then the TIFF header and its directories; null for none.
  HMEMBLOCK exif = nullptr;
  // The ICC profile, whole; null for none.
  HMEMBLOCK icc = nullptr;
};

class CDecodeInput;
// The HEIF and AVIF side of Read, on libheif (the primary picture's size,
// its first Exif item, its ICC profile).
void ReadHeifBlocks(CDecodeInput* input, CPictureBlocks* blocks);
// A block of `prefix` (may be empty) followed by `count` bytes read from
// the input's position; null when the budget refuses or the file ends first.
HMEMBLOCK ReadMetaBlock(CDecodeInput* input, const char* prefix, size_t prefixBytes, uint64_t count);

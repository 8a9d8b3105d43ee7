// Thumbnails as the PNG files of the desktop's shared cache: written as 8-bit
// RGBA with their text chunks ahead of the pixels, and read back, whichever
// program wrote them, within bounds of size, time and memory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

struct PngText {
  std::string key;
  std::string value;
};
typedef std::vector<PngText> PngTextList;

// `dib` (24-bit, or 8-bit grey) as an opaque, non-interlaced 8-bit RGBA PNG
// with `text` as tEXt chunks before the pixels, compressed for speed; a null
// `dib` gives the one transparent pixel of a failure record. FALSE when the
// block is neither or memory runs out (the library's own memory counts
// against the heap's budget).
BOOL EncodeThumbnailPng(CDib dib, const PngTextList& text, std::string* png);

// Shown the text chunks read so far: once before the pixels with those that
// precede them, and once, `complete`, after the last chunk with all of them.
// FALSE refuses the file; nothing more of it is decoded.
typedef std::function<bool(const PngTextList& text, bool complete)> PngTextCheck;

// The PNG held in `bytes` as a new 24-bit CDib (alpha composited over
// white), when neither side passes `maxSide` and `check` accepts its text.
// Null otherwise: damaged, cut short, too large, refused, or out of memory
// (the budget counts the library's memory too). Work and memory are bounded
// by `count` and `maxSide`.
CDib DecodeThumbnailPng(const void* bytes, size_t count, int maxSide, const PngTextCheck& check);

// Test pictures in every format beside JPEG, written with the formats' own
// libraries (libpng, giflib, libwebp with its mux and animation encoders,
// libtiff, libheif with x265 and aom), so that no binary fixture is needed.
#pragma once

#include <string>
#include <vector>

#include "support/testpics.h"

// Pictures handed to the writers: 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
// components (straight alpha), top row first, as Picture holds them.
Picture WithAlpha(const Picture& picture, uint8_t (*alpha)(int x, int y));

struct PngOptions {
  int bitDepth = 8;         // 8 or 16 (samples scaled v × 257)
  bool palette = false;     // an indexed picture of the picture's colours (at most 256)
  bool interlaced = false;  // Adam7
  int orientation = 0;      // an eXIf chunk before the pixels, when 1 to 8
  int level = 6;            // zlib's compression level
  std::string exif = {};    // an eXIf chunk of these bytes (a TIFF block), in place of the orientation's
  std::string icc = {};     // an iCCP chunk of this profile
};
std::string EncodePng(const Picture& picture, const PngOptions& options = {});

struct GifOptions {
  bool interlaced = false;
  // Pixels whose alpha is below 128 (components 4) take this index, made
  // transparent; -1 writes no transparency.
  int transparentIndex = -1;
  // Further frames of the same size after the first (each the picture with
  // its colours turned), for animations.
  int extraFrames = 0;
};
// Colours past 256 are rounded to a 6 × 6 × 6 cube.
std::string EncodeGif(const Picture& picture, const GifOptions& options = {});

struct WebpOptions {
  bool lossless = false;
  int quality = 90;
  int orientation = 0;    // an EXIF chunk, when 1 to 8
  int extraFrames = 0;    // an animation: further frames after the first
  std::string exif = {};  // an EXIF chunk of these bytes, in place of the orientation's
  std::string icc = {};   // an ICCP chunk of this profile
};
std::string EncodeWebp(const Picture& picture, const WebpOptions& options = {});

struct TiffOptions {
  int bitDepth = 8;     // 8 or 16
  int compression = 5;  // 1 none, 5 LZW, 8 Deflate, 7 JPEG
  bool tiled = false;   // 64 × 64 tiles
  bool separatePlanes = false;
  bool minIsWhite = false;  // grey pictures stored inverted
  bool cmyk = false;        // four components taken as C, M, Y, K
  int orientation = 0;      // the Orientation tag, when 1 to 8
  int rowsPerStrip = 0;     // 0: the library's default
};
std::string EncodeTiff(const Picture& picture, const TiffOptions& options = {});

struct HeifOptions {
  bool avif = false;      // AV1 (aom) instead of HEVC (x265)
  int quality = 90;       // 100 lossless where the encoder can
  int thumbnail = 0;      // the side of an embedded thumbnail's box; 0 none
  int orientation = 0;    // irot and imir transformations meaning this Exif orientation
  std::string exif = {};  // an Exif item of these bytes (a TIFF block)
  std::string icc = {};   // a colr box of this ICC profile
};
// Empty when the library has no encoder for the format.
std::string EncodeHeif(const Picture& picture, const HeifOptions& options = {});

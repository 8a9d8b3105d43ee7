// Colours the grid and thread tests read back: the flat colour that numbers
// a test picture, its exact JPEG, closeness after decoding, whole screens.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/draw/canvas.h"
#include "support/testpics.h"

// The flat colour of test picture number `i`; near numbers differ clearly.
inline COLORREF ColourOf(int i) {
  return RGB((BYTE)(40 + (i * 53) % 200), (BYTE)(30 + (i * 97) % 200), (BYTE)(60 + (i * 31) % 180));
}

// A flat JPEG of ColourOf(i), at quality 100 with full chroma: it decodes
// within a step or two of that colour.
inline std::string FlatJpeg(int i, int width, int height) {
  JpegOptions exact;
  exact.quality = 100;
  exact.fullChroma = true;
  const COLORREF c = ColourOf(i);
  return EncodeJpeg(SolidColour(width, height, GetRValue(c), GetGValue(c), GetBValue(c)), exact);
}

inline bool Near(COLORREF a, COLORREF b, int tolerance = 6) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// Every pixel of the canvas, top row first.
inline std::vector<uint32_t> Pixels(const Canvas& canvas) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < canvas.Height(); ++y) pixels.insert(pixels.end(), canvas.Row(y), canvas.Row(y) + canvas.Width());
  return pixels;
}

// Decoded rows to the CDib's pixels: alpha composited over the window's
// colour (white), 16-bit samples to 8. Each runs once per decoded row.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/base/wintypes.h"

// c over white with straight (unassociated) alpha a, rounded:
// (c·a + 255·(255 − a)) / 255.
inline BYTE OverWhite(unsigned c, unsigned a) {
  const unsigned x = c * a + 255u * (255u - a) + 128u;
  return (BYTE)((x + (x >> 8)) >> 8);
}

// A 16-bit sample to 8 bits, rounded: v × 255 / 65535.
inline BYTE Sample16To8(unsigned v) {
  return (BYTE)((v * 255u + 32767u) / 65535u);
}

// Red, green, blue, alpha (straight) to blue, green, red over white.
void CompositeRgbaOverWhite(const BYTE* rgba, BYTE* bgr, size_t width);
// Blue, green, red, alpha premultiplied to blue, green, red over white: a
// premultiplied sample over white is c + 255 − a.
void CompositePremultipliedBgraOverWhite(const BYTE* bgra, BYTE* bgr, size_t width);

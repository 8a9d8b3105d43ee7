// Row conversions shared by the decoding glue.
#include "imaging/pixelrows.h"

void CompositeRgbaOverWhite(const BYTE* rgba, BYTE* bgr, size_t width) {
  for (size_t x = 0; x < width; ++x, rgba += 4, bgr += 3) {
    const unsigned a = rgba[3];
    if (a == 255) {
      bgr[0] = rgba[2];
      bgr[1] = rgba[1];
      bgr[2] = rgba[0];
    } else {
      bgr[0] = OverWhite(rgba[2], a);
      bgr[1] = OverWhite(rgba[1], a);
      bgr[2] = OverWhite(rgba[0], a);
    }
  }
}

void CompositePremultipliedBgraOverWhite(const BYTE* bgra, BYTE* bgr, size_t width) {
  for (size_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
    const unsigned spare = 255u - bgra[3];
    // A sound premultiplied sample never exceeds its alpha; clamp all the same.
    for (int c = 0; c < 3; ++c) {
      const unsigned v = bgra[c] + spare;
      bgr[c] = (BYTE)(v > 255u ? 255u : v);
    }
  }
}

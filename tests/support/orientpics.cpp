// Stored orientations and the letter F.
#include "support/orientpics.h"

#include <cstring>

void OrientedPoint(int orientation, int x, int y, int w, int h, int* seenX, int* seenY) {
  switch (orientation) {
    case 2:
      *seenX = w - 1 - x, *seenY = y;
      return;
    case 3:
      *seenX = w - 1 - x, *seenY = h - 1 - y;
      return;
    case 4:
      *seenX = x, *seenY = h - 1 - y;
      return;
    case 5:
      *seenX = y, *seenY = x;
      return;
    case 6:
      *seenX = h - 1 - y, *seenY = x;
      return;
    case 7:
      *seenX = h - 1 - y, *seenY = w - 1 - x;
      return;
    case 8:
      *seenX = y, *seenY = w - 1 - x;
      return;
    default:
      *seenX = x, *seenY = y;
      return;
  }
}

Picture StoredAs(const Picture& upright, int orientation) {
  const bool swaps = orientation >= 5 && orientation <= 8;
  Picture stored =
      MakePicture(swaps ? upright.height : upright.width, swaps ? upright.width : upright.height, upright.components);
  for (int y = 0; y < stored.height; ++y) {
    for (int x = 0; x < stored.width; ++x) {
      int seenX, seenY;
      OrientedPoint(orientation, x, y, stored.width, stored.height, &seenX, &seenY);
      std::memcpy(stored.At(x, y), upright.At(seenX, seenY), (size_t)upright.components);
    }
  }
  return stored;
}

Picture LetterF(int width, int height, int block, int seed) {
  Picture picture = MakePicture(width, height, 3);
  const int columns = width / block, rows = height / block;
  auto inF = [&](int bx, int by) {
    const int top = rows / 6, bottom = rows - rows / 6, stemLeft = columns / 4, stemRight = stemLeft + columns / 8 + 1;
    if (by < top || by >= bottom || bx < stemLeft) return false;
    if (bx < stemRight) return true;                                 // the stem
    if (by < top + rows / 8 + 1) return bx < columns - columns / 4;  // the top bar
    const int middle = rows / 2;
    return by >= middle - rows / 16 && by <= middle && bx < columns / 2 + 1;  // the middle bar
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int bx = x / block, by = y / block;
      const int ground = inF(bx, by) ? 20 : 150;
      uint8_t* p = picture.At(x, y);
      for (int c = 0; c < 3; ++c) p[c] = (uint8_t)(ground + (bx * 53 + by * 97 + c * 71 + seed * 37) % 80);
    }
  }
  return picture;
}

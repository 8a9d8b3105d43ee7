// Pictures as a camera stores them in each Exif orientation, made from the
// upright picture by what the orientation says of the stored rows and
// columns; and a letter F of flat blocks, which no turn or mirror leaves
// looking the same.
#pragma once

#include "support/testpics.h"

// Where stored pixel (x, y) of a w × h stored picture (top row first) is
// seen once orientation `orientation` (1 to 8) stands it up: 2 puts the
// stored first column on the right, 3 the first row at the bottom and the
// first column on the right, 4 the first row at the bottom; 5 to 8 make the
// first row the left (5, 8) or right (6, 7) side and the first column the
// top (5, 6) or bottom (7, 8). Any other value leaves it where it is.
void OrientedPoint(int orientation, int x, int y, int w, int h, int* seenX, int* seenY);

// The stored picture that orientation `orientation` shows as `upright`.
Picture StoredAs(const Picture& upright, int orientation);

// `block`-pixel flat blocks whose colours follow `seed`, a dark F over a
// light ground, the F spanning most of the picture whatever its shape.
Picture LetterF(int width, int height, int block, int seed = 0);

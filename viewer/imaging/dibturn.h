// Turning and mirroring a CDib (24-bit colour and 8-bit grey), for pictures
// that a camera stored on their side, upside down or mirrored.
#pragma once

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

// Turns the picture in *dib clockwise by `quarterTurns` (taken modulo 4;
// negative turns go counter-clockwise). A half turn is made in place; a
// quarter turn fills a second block from the memory-block service
// (MemAllocRetry), which then replaces the first: *dib owns the new block and
// the old one is freed. FALSE, with *dib unchanged, for a block that is not
// a readable picture or when the second block cannot be had.
BOOL TurnDib(CDibOwner* dib, int quarterTurns);

// Stands up a picture stored in Exif orientation `orientation`: 2 and 4 are
// mirrors (left to right, top to bottom) and 3 a half turn, all in place; 6
// and 8 are quarter turns (clockwise, counter-clockwise), and 5 and 7 quarter
// turns whose copy is written mirrored, at the cost of a plain one. 1 and
// values outside 1 to 8 leave the picture as stored. FALSE as for TurnDib.
BOOL OrientDib(CDibOwner* dib, int orientation);

// Whether standing up orientation `orientation` swaps the picture's sides
// (5 to 8), so a box meant for the upright picture is swapped for the decode.
BOOL OrientationSwapsSides(int orientation);

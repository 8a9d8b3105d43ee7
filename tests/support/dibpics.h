// CDib blocks built in memory with exact pixels, and pixel access by storage
// row, for the reduction, drawing and decoding tests.
#pragma once

#include <cstdint>

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

// A zero-filled 24-bit (no palette) or 8-bit (identity grey palette, 256
// entries) bitmap laid out as the decoder lays it out; null if the block
// cannot be allocated.
CDib NewTestDib(int width, int height, int bitCount);

// The header of a block, by value.
BITMAPINFOHEADER DibHeaderOf(CDib dib);
// Bytes per pixel row of the block.
size_t DibRowStride(CDib dib);
// The first byte of pixel (x, row); row 0 is the bottom row.
BYTE* DibPixel(CDib dib, int x, int row);
// Palette entry i (8-bit blocks).
RGBQUAD* DibPalette(CDib dib, int index);

// The arithmetic of a CDib block (row stride, palette size, block size, all
// in 64 bits) and a checked view of an existing block for the code that reads it.
#pragma once

#include <cstdint>

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

constexpr uint64_t kDibHeaderBytes = 40;
constexpr uint64_t kGreyPaletteEntries = 256;

// Bytes per row: width × bitCount bits, filled up to whole 32-bit words.
inline uint64_t DibStride(uint64_t width, unsigned bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

// Header, palette and rows: 40 + 4 × colours + stride × height. Inputs of up
// to 32 bits each cannot overflow the 64-bit result.
inline uint64_t DibBlockBytes(uint64_t width, uint64_t height, unsigned bitCount, uint64_t colours) {
  return kDibHeaderBytes + 4 * colours + DibStride(width, bitCount) * height;
}

// Where the parts of a block lie. Rows are in storage order: row 0 is the
// bottom row of the picture.
struct DibLayout {
  BYTE* block;     // the header; the palette starts 40 bytes in
  BYTE* rows;      // storage row 0
  uint64_t bytes;  // the block's size
  int64_t width;
  int64_t height;
  unsigned bitCount;  // 24 or 8
  uint64_t colours;   // biClrUsed
  uint64_t stride;
};

// Reads the header of `dib`. FALSE for a null handle, a block too short for
// a header, a negative side, a depth other than 24 or 8, more than 256
// colours, or rows that would reach past the end of the block: a header that
// does not describe its own block is never read through.
BOOL ReadDibLayout(CDib dib, DibLayout* layout);

// The header fields of a CDib (size 40, one plane, no compression); the
// caller sets what differs (image size, densities, colours).
void WriteDibHeader(CDib dib, int64_t width, int64_t height, unsigned bitCount);

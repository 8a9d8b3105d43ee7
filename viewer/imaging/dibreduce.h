// Integer reduction of bitmaps: the fit rule, the power-of-two block exponent
// (thumbnail and drawing variants), the stepping walk and the block averages.
#pragma once

#include <cstdint>

#include "platform/base/wintypes.h"

// Output size of a w × h source fitted into a box of boxWidth × boxHeight,
// never enlarged. The relatively wider side decides (ties go to the height);
// the other side follows with a truncating division. Products are taken in
// 64 bits, so sides up to 2^31 never overflow; a side of 0 gives 0 × 0 or a
// 0-wide result instead of a division by zero.
struct FitSize {
  uint64_t width;
  uint64_t height;
};
FitSize FitIntoBox(uint64_t w, uint64_t h, uint64_t boxWidth, uint64_t boxHeight);

// s such that 2^s is the block side for a width ratio q = w / dw.
// Thumbnails halve while q > 2 (q = 2 picks pixels, q = 3 averages 2 × 2);
// drawing halves while q >= 2 (2^s is the largest power of two not above q).
unsigned ThumbnailBlockExponent(uint64_t q);
unsigned DrawingBlockExponent(uint64_t q);

// Spreads n output positions over m blocks with additions only. Each call of
// Next() gives the block of the next position; every position advances the
// block by at least one, so when m < n the walk runs past m - 1 and callers
// must stop there. 64-bit counters: the target grows to n × m.
class StepWalk {
 public:
  StepWalk(int64_t blocks, int64_t positions) : m_blocks(blocks), m_positions(positions), m_accumulator(blocks >> 1) {}

  int64_t Next() {
    m_target += m_blocks;
    do {
      ++m_block;
      m_accumulator += m_positions;
    } while (m_accumulator < m_target);
    return m_block;
  }

 private:
  int64_t m_blocks;
  int64_t m_positions;
  int64_t m_block = -1;
  int64_t m_accumulator;
  int64_t m_target = 0;
};

// ---- Block averages ---------------------------------------------------------
// Each function fills one output row of a thumbnail or of a drawn row:
// k × k source pixels per output pixel (k = 2^s), columns by the walk.

// A window of a bitmap's pixel rows as the reduction sees it. Rows are
// storage rows (0 = bottom); `left` counts pixels, `top` storage rows.
struct ReduceSource {
  const BYTE* rows;     // storage row 0 of the bitmap
  uint64_t stride;      // bytes per row
  int64_t left;         // first pixel column of the window
  int64_t top;          // first storage row of the window
  const BYTE* palette;  // RGBQUAD entries at 4 × index (8-bit thumbnails only)
};

// Every function below fills `count` output pixels for block row `blockRow`
// of the window, taking block columns from a fresh walk over `blockColumns`
// blocks. The caller guarantees that the window holds blockColumns × 2^s
// columns and (blockRow + 1) × 2^s rows, and that blockColumns >= count, so
// no read leaves the window. Sums over a block are shifted right by s twice.

// 24-bit source to 24-bit output: lanes blue, green, red averaged separately.
void ReduceRowColour(const ReduceSource& source, unsigned s, int64_t blockRow, int64_t blockColumns, int64_t count,
                     BYTE* out);

// 8-bit source to 8-bit output: the index bytes themselves are averaged (with
// an identity grey palette, the average grey).
void ReduceRowIndex(const ReduceSource& source, unsigned s, int64_t blockRow, int64_t blockColumns, int64_t count,
                    BYTE* out);

// 8-bit source to 24-bit output: each index looks up its palette entry, whose
// blue, green and red bytes are averaged into the output lanes.
void ReduceRowPalette(const ReduceSource& source, unsigned s, int64_t blockRow, int64_t blockColumns, int64_t count,
                      BYTE* out);

// Fit rule, block exponents and the block averages for one output row.
// Picking (s = 0) and 2 × 2 blocks (s = 1) have their own loops, the common
// cases; larger blocks first sum each byte column over the block's rows (one
// pass down the rows, in memory order), then add k of those sums for each
// output pixel. All arithmetic is integer; sums are exact, so the order of
// the additions does not change a result.
#include "imaging/dibreduce.h"

#include <cstring>
#include <vector>

FitSize FitIntoBox(uint64_t w, uint64_t h, uint64_t boxWidth, uint64_t boxHeight) {
  FitSize fit;
  if (boxHeight * w > boxWidth * h) {
    // Relatively wider than the box: the width decides. w > 0 here, since
    // the left product is positive.
    fit.width = boxWidth < w ? boxWidth : w;
    fit.height = h * fit.width / w;
  } else {
    fit.height = boxHeight < h ? boxHeight : h;
    fit.width = h == 0 ? 0 : w * fit.height / h;
  }
  return fit;
}

unsigned ThumbnailBlockExponent(uint64_t q) {
  unsigned s = 0;
  while (q > 2) {
    q /= 2;
    ++s;
  }
  return s;
}

unsigned DrawingBlockExponent(uint64_t q) {
  unsigned s = 0;
  while (q >= 2) {
    q /= 2;
    ++s;
  }
  return s;
}

namespace {

// The first byte of block row `blockRow` at column 0 of the window.
inline const BYTE* BlockRowStart(const ReduceSource& source, unsigned s, int64_t blockRow, unsigned bytesPerPixel) {
  const uint64_t row = (uint64_t)source.top + ((uint64_t)blockRow << s);
  return source.rows + row * source.stride + (uint64_t)source.left * bytesPerPixel;
}

// The sums of each byte of a block row's first `bytes` bytes over its k
// rows, in a buffer of the calling thread's (workers reduce at once). k × 255
// fits 32 bits for every block side the pictures' sizes allow.
const uint32_t* ColumnSums(const BYTE* base, uint64_t stride, int64_t k, uint64_t bytes) {
  thread_local std::vector<uint32_t> sums;
  sums.assign((size_t)bytes, 0);
  uint32_t* total = sums.data();
  for (int64_t r = 0; r < k; ++r, base += stride) {
    for (uint64_t i = 0; i < bytes; ++i) total[i] += base[i];
  }
  return total;
}

}  // namespace

void ReduceRowColour(const ReduceSource& source, unsigned s, int64_t blockRow, int64_t blockColumns, int64_t count,
                     BYTE* out) {
  const BYTE* base = BlockRowStart(source, s, blockRow, 3);
  const uint64_t stride = source.stride;
  StepWalk columns(blockColumns, count);
  if (s == 0 && blockColumns == count) {
    // As many blocks as positions: the walk picks every column in turn.
    std::memcpy(out, base, (size_t)count * 3);
  } else if (s == 0) {
    for (int64_t j = 0; j < count; ++j, out += 3) {
      const BYTE* p = base + columns.Next() * 3;
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
    }
  } else if (s == 1) {
    for (int64_t j = 0; j < count; ++j, out += 3) {
      const BYTE* p = base + columns.Next() * 6;
      const BYTE* q = p + stride;
      out[0] = (BYTE)((((unsigned)p[0] + p[3] + q[0] + q[3]) >> 1) >> 1);
      out[1] = (BYTE)((((unsigned)p[1] + p[4] + q[1] + q[4]) >> 1) >> 1);
      out[2] = (BYTE)((((unsigned)p[2] + p[5] + q[2] + q[5]) >> 1) >> 1);
    }
  } else {
    const int64_t k = (int64_t)1 << s;
    const uint32_t* sums = ColumnSums(base, stride, k, (uint64_t)blockColumns * k * 3);
    for (int64_t j = 0; j < count; ++j, out += 3) {
      const uint32_t* p = sums + columns.Next() * k * 3;
      uint64_t blue = 0, green = 0, red = 0;
      for (int64_t c = 0; c < k; ++c, p += 3) {
        blue += p[0];
        green += p[1];
        red += p[2];
      }
      out[0] = (BYTE)((blue >> s) >> s);
      out[1] = (BYTE)((green >> s) >> s);
      out[2] = (BYTE)((red >> s) >> s);
    }
  }
}

void ReduceRowIndex(const ReduceSource& source, unsigned s, int64_t blockRow, int64_t blockColumns, int64_t count,
                    BYTE* out) {
  const BYTE* base = BlockRowStart(source, s, blockRow, 1);
  const uint64_t stride = source.stride;
  StepWalk columns(blockColumns, count);
  if (s == 0 && blockColumns == count) {
    std::memcpy(out, base, (size_t)count);
  } else if (s == 0) {
    for (int64_t j = 0; j < count; ++j) out[j] = base[columns.Next()];
  } else if (s == 1) {
    for (int64_t j = 0; j < count; ++j) {
      const BYTE* p = base + columns.Next() * 2;
      out[j] = (BYTE)((((unsigned)p[0] + p[1] + p[stride] + p[stride + 1]) >> 1) >> 1);
    }
  } else {
    const int64_t k = (int64_t)1 << s;
    const uint32_t* sums = ColumnSums(base, stride, k, (uint64_t)blockColumns * k);
    for (int64_t j = 0; j < count; ++j) {
      const uint32_t* p = sums + columns.Next() * k;
      uint64_t sum = 0;
      for (int64_t c = 0; c < k; ++c) sum += p[c];
      out[j] = (BYTE)((sum >> s) >> s);
    }
  }
}

void ReduceRowPalette(const ReduceSource& source, unsigned s, int64_t blockRow, int64_t blockColumns, int64_t count,
                      BYTE* out) {
  const BYTE* base = BlockRowStart(source, s, blockRow, 1);
  const BYTE* palette = source.palette;
  const int64_t k = (int64_t)1 << s;
  StepWalk columns(blockColumns, count);
  for (int64_t j = 0; j < count; ++j, out += 3) {
    const BYTE* p = base + columns.Next() * k;
    uint64_t blue = 0, green = 0, red = 0;
    for (int64_t r = 0; r < k; ++r, p += source.stride) {
      for (int64_t c = 0; c < k; ++c) {
        const BYTE* entry = palette + 4 * (unsigned)p[c];
        blue += entry[0];
        green += entry[1];
        red += entry[2];
      }
    }
    out[0] = (BYTE)((blue >> s) >> s);
    out[1] = (BYTE)((green >> s) >> s);
    out[2] = (BYTE)((red >> s) >> s);
  }
}

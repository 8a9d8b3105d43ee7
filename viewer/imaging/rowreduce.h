// Reduction of a picture by a power of two while its rows stream in, top row
// first, so that only the reduced CDib and one row of sums are ever held: how
// the PNG, GIF, TIFF and HEIF glue decode towards a box.
#pragma once

#include <cstdint>

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

// The largest reduction a stream takes: with 2^12 × 2^12 blocks the sums of
// 8-bit samples still fit 32 bits. Pictures that would need more (extreme
// sides) come out larger than the box; the thumbnail's reduction goes on.
constexpr unsigned kMaxRowReduceShift = 12;

// Doublings of `target` until it is no longer below `side`: the decoders'
// shared choice of reduction for a box, the one the JPEG path makes.
unsigned DoublingsToReach(int64_t target, int64_t side);
// The reduction for a width × height picture towards a box; 0 without a box
// (a side of 0 or less), at most kMaxRowReduceShift.
unsigned ReduceShiftForBox(uint64_t width, uint64_t height, int boxWidth, int boxHeight);

// A zero-filled CDib of width × height, 24-bit colour (channels 3) or 8-bit
// grey with its identity palette (channels 1), header written as the JPEG
// glue writes it; null when it cannot be described or the memory cannot be
// had (MemAllocRetry).
CDib NewPictureDib(uint64_t width, uint64_t height, unsigned channels);

// Rows of `channels` bytes a pixel (3: blue, green, red; 1: grey) come in
// top first through NextRow and CommitRow. Every 2^shift × 2^shift block of
// the picture becomes one pixel of a CDib of ceil(width / 2^shift) ×
// ceil(height / 2^shift), its average truncated, as the thumbnail's block
// average truncates; the blocks of the right and bottom edges average only
// the pixels they hold. With shift 0 rows are written straight into the CDib.
class CRowReducer {
 public:
  CRowReducer() = default;
  ~CRowReducer();
  CRowReducer(const CRowReducer&) = delete;
  CRowReducer& operator=(const CRowReducer&) = delete;

  // Allocates the CDib (MemAllocRetry) and the sums. FALSE when the memory
  // cannot be had, or the reduced picture cannot be described by a header.
  BOOL Start(uint64_t width, uint64_t height, unsigned shift, unsigned channels);
  // Where the next row (width × channels bytes) goes; then CommitRow.
  BYTE* NextRow() { return m_pDirect != nullptr ? m_pDirect : m_pScratch; }
  void CommitRow();
  // Rows committed so far.
  uint64_t RowsDone() const { return m_nRow; }
  // The CDib once every row has come; null before. The caller owns it.
  CDib Finish();

 private:
  void AddRow(const BYTE* row);
  void EmitRow();

  CDibOwner m_dib;
  HMEMBLOCK m_hWork = nullptr;  // the scratch row, then the sums
  BYTE* m_pScratch = nullptr;
  uint32_t* m_pSums = nullptr;
  BYTE* m_pDirect = nullptr;
  BYTE* m_pRows = nullptr;  // storage row 0 of the CDib
  uint64_t m_nWidth = 0, m_nHeight = 0, m_nOutWidth = 0, m_nOutHeight = 0, m_nStride = 0;
  uint64_t m_nRow = 0;
  uint64_t m_nBandRows = 0;
  unsigned m_nShift = 0, m_nChannels = 3;
};

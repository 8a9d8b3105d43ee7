// The streaming power-of-two reduction: one row of 32-bit sums per lane of
// each output pixel, emitted bottom-up into the CDib as each band of rows ends.
#include "imaging/rowreduce.h"

#include <cstring>

#include "imaging/diblayout.h"
#include "shell/memblock.h"

unsigned DoublingsToReach(int64_t target, int64_t side) {
  unsigned n = 0;
  for (int64_t t = target; t < side; t *= 2) ++n;
  return n;
}

unsigned ReduceShiftForBox(uint64_t width, uint64_t height, int boxWidth, int boxHeight) {
  if (boxWidth <= 0 || boxHeight <= 0) return 0;
  const unsigned nw = DoublingsToReach(boxWidth, (int64_t)width);
  const unsigned nh = DoublingsToReach(boxHeight, (int64_t)height);
  const unsigned n = nw > nh ? nw : nh;
  return n > kMaxRowReduceShift ? kMaxRowReduceShift : n;
}

CDib NewPictureDib(uint64_t width, uint64_t height, unsigned channels) {
  const unsigned bitCount = 8 * channels;
  const uint64_t colours = channels == 1 ? kGreyPaletteEntries : 0;
  const uint64_t stride = DibStride(width, bitCount);
  if ((channels != 1 && channels != 3) || width > INT32_MAX || height > INT32_MAX || stride * height > UINT32_MAX) {
    return nullptr;
  }
  CDib dib = MemAllocRetry(DibBlockBytes(width, height, bitCount, colours));
  if (dib == nullptr) return nullptr;
  WriteDibHeader(dib, (int64_t)width, (int64_t)height, bitCount);
  BYTE* block = (BYTE*)MemLock(dib);
  BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)block;
  header->biSizeImage = (DWORD)(stride * height);
  header->biClrUsed = (DWORD)colours;
  RGBQUAD* palette = (RGBQUAD*)(block + kDibHeaderBytes);
  for (uint64_t i = 0; i < colours; ++i) palette[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
  return dib;
}

CRowReducer::~CRowReducer() {
  MemFree(m_hWork);
}

BOOL CRowReducer::Start(uint64_t width, uint64_t height, unsigned shift, unsigned channels) {
  if (width == 0 || height == 0 || (channels != 1 && channels != 3) || shift > kMaxRowReduceShift) return FALSE;
  m_nWidth = width;
  m_nHeight = height;
  m_nShift = shift;
  m_nChannels = channels;
  m_nOutWidth = (width + (1ull << shift) - 1) >> shift;
  m_nOutHeight = (height + (1ull << shift) - 1) >> shift;
  // 1. The reduced picture, header and (for grey) palette written.
  const uint64_t colours = channels == 1 ? kGreyPaletteEntries : 0;
  m_nStride = DibStride(m_nOutWidth, 8 * channels);
  m_dib.Reset(NewPictureDib(m_nOutWidth, m_nOutHeight, channels));
  if (!m_dib) return FALSE;
  m_pRows = (BYTE*)MemLock(m_dib.Get()) + kDibHeaderBytes + 4 * colours;
  if (shift == 0) {
    m_pDirect = m_pRows + (m_nOutHeight - 1) * m_nStride;
    return TRUE;
  }
  // 2. The scratch row a decoder writes into, then one sum a lane.
  const uint64_t rowBytes = width * channels;
  const uint64_t sumBytes = m_nOutWidth * channels * sizeof(uint32_t);
  m_hWork = MemAllocRetry((size_t)(rowBytes + sumBytes + 16));
  if (m_hWork == nullptr) {
    m_dib.Reset();
    return FALSE;
  }
  m_pSums = (uint32_t*)MemLock(m_hWork);
  m_pScratch = (BYTE*)(m_pSums + m_nOutWidth * channels);
  return TRUE;
}

void CRowReducer::CommitRow() {
  if (m_nRow >= m_nHeight) return;
  ++m_nRow;
  if (m_nShift == 0) {
    // Row k (from 1) went to storage row height - k; the next goes below it.
    if (m_nRow < m_nHeight) m_pDirect -= m_nStride;
    return;
  }
  AddRow(m_pScratch);
  ++m_nBandRows;
  if (m_nBandRows == (1ull << m_nShift) || m_nRow == m_nHeight) EmitRow();
}

void CRowReducer::AddRow(const BYTE* row) {
  const uint64_t k = 1ull << m_nShift;
  const uint64_t fullBlocks = m_nWidth >> m_nShift;
  uint32_t* sums = m_pSums;
  if (m_nChannels == 3) {
    for (uint64_t b = 0; b < fullBlocks; ++b, sums += 3) {
      uint32_t s0 = 0, s1 = 0, s2 = 0;
      for (uint64_t i = 0; i < k; ++i, row += 3) {
        s0 += row[0];
        s1 += row[1];
        s2 += row[2];
      }
      sums[0] += s0;
      sums[1] += s1;
      sums[2] += s2;
    }
    for (uint64_t x = fullBlocks << m_nShift; x < m_nWidth; ++x, row += 3) {
      sums[0] += row[0];
      sums[1] += row[1];
      sums[2] += row[2];
    }
  } else {
    for (uint64_t b = 0; b < fullBlocks; ++b, ++sums) {
      uint32_t s = 0;
      for (uint64_t i = 0; i < k; ++i) s += *row++;
      *sums += s;
    }
    for (uint64_t x = fullBlocks << m_nShift; x < m_nWidth; ++x) *sums += *row++;
  }
}

// The band's averages into its storage row (the first band is the top row),
// then the sums start again.
void CRowReducer::EmitRow() {
  const uint64_t outRow = (m_nRow - 1) >> m_nShift;
  BYTE* out = m_pRows + (m_nOutHeight - 1 - outRow) * m_nStride;
  const uint64_t k = 1ull << m_nShift;
  const uint64_t fullBlocks = m_nWidth >> m_nShift;
  const uint64_t lanes = m_nOutWidth * m_nChannels;
  if (m_nBandRows == k) {
    const unsigned fullShift = 2 * m_nShift;
    for (uint64_t i = 0; i < fullBlocks * m_nChannels; ++i) out[i] = (BYTE)(m_pSums[i] >> fullShift);
  } else {
    const uint32_t count = (uint32_t)(k * m_nBandRows);
    for (uint64_t i = 0; i < fullBlocks * m_nChannels; ++i) out[i] = (BYTE)(m_pSums[i] / count);
  }
  if (fullBlocks < m_nOutWidth) {
    const uint32_t count = (uint32_t)((m_nWidth - (fullBlocks << m_nShift)) * m_nBandRows);
    for (uint64_t i = fullBlocks * m_nChannels; i < lanes; ++i) out[i] = (BYTE)(m_pSums[i] / count);
  }
  std::memset(m_pSums, 0, lanes * sizeof(uint32_t));
  m_nBandRows = 0;
}

CDib CRowReducer::Finish() {
  if (m_nRow < m_nHeight) return nullptr;
  MemFree(m_hWork);
  m_hWork = nullptr;
  return m_dib.Release();
}

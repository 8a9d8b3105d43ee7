// Checked views of CDib blocks and the common header fields.
// The block's real size (from the memory-block service) bounds every read.
#include "imaging/diblayout.h"

#include <cstring>

BOOL ReadDibLayout(CDib dib, DibLayout* layout) {
  if (dib == nullptr || layout == nullptr) return FALSE;
  const uint64_t bytes = MemSize(dib);
  if (bytes < kDibHeaderBytes) return FALSE;
  BYTE* block = (BYTE*)MemLock(dib);
  BITMAPINFOHEADER header;
  std::memcpy(&header, block, sizeof header);
  if (header.biWidth < 0 || header.biHeight < 0) return FALSE;
  if (header.biBitCount != 24 && header.biBitCount != 8) return FALSE;
  if (header.biClrUsed > kGreyPaletteEntries) return FALSE;

  const uint64_t rowsOffset = kDibHeaderBytes + 4 * (uint64_t)header.biClrUsed;
  const uint64_t stride = DibStride((uint64_t)header.biWidth, header.biBitCount);
  // Both factors are below 2^31, so the product cannot wrap.
  if (rowsOffset > bytes || stride * (uint64_t)header.biHeight > bytes - rowsOffset) return FALSE;

  layout->block = block;
  layout->rows = block + rowsOffset;
  layout->bytes = bytes;
  layout->width = header.biWidth;
  layout->height = header.biHeight;
  layout->bitCount = header.biBitCount;
  layout->colours = header.biClrUsed;
  layout->stride = stride;
  return TRUE;
}

void WriteDibHeader(CDib dib, int64_t width, int64_t height, unsigned bitCount) {
  BITMAPINFOHEADER header;
  std::memset(&header, 0, sizeof header);
  header.biSize = (DWORD)kDibHeaderBytes;
  header.biWidth = (LONG)width;
  header.biHeight = (LONG)height;
  header.biPlanes = 1;
  header.biBitCount = (WORD)bitCount;
  header.biCompression = BI_RGB;
  std::memcpy(MemLock(dib), &header, sizeof header);
}

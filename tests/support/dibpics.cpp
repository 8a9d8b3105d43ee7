// In-memory CDib blocks for tests: the same layout the decoder writes.
#include "support/dibpics.h"

#include <cstring>

#include "shell/memblock.h"

CDib NewTestDib(int width, int height, int bitCount) {
  const size_t stride = ((size_t)width * (size_t)bitCount + 31) / 32 * 4;
  const size_t colours = bitCount == 8 ? 256 : 0;
  CDib dib = MemAlloc(40 + 4 * colours + stride * (size_t)height);
  if (dib == nullptr) return nullptr;
  BITMAPINFOHEADER header;
  std::memset(&header, 0, sizeof header);
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = (WORD)bitCount;
  header.biSizeImage = (DWORD)(stride * (size_t)height);
  header.biClrUsed = (DWORD)colours;
  std::memcpy(dib, &header, sizeof header);
  for (size_t i = 0; i < colours; ++i) *DibPalette(dib, (int)i) = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
  return dib;
}

BITMAPINFOHEADER DibHeaderOf(CDib dib) {
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib, sizeof header);
  return header;
}

size_t DibRowStride(CDib dib) {
  const BITMAPINFOHEADER header = DibHeaderOf(dib);
  return ((size_t)header.biWidth * header.biBitCount + 31) / 32 * 4;
}

BYTE* DibPixel(CDib dib, int x, int row) {
  const BITMAPINFOHEADER header = DibHeaderOf(dib);
  BYTE* rows = (BYTE*)dib + 40 + 4 * (size_t)header.biClrUsed;
  return rows + (size_t)row * DibRowStride(dib) + (size_t)x * (header.biBitCount / 8);
}

RGBQUAD* DibPalette(CDib dib, int index) {
  return (RGBQUAD*)((BYTE*)dib + 40) + index;
}

// Size, thumbnails and fitted drawing of CDib blocks. The arithmetic (fit
// rule, block exponent, stepping walk, block averages) is in dibreduce; this
// file applies it to whole blocks and puts the rows on a device context, one
// row at a time through a bitmap section.
#include "imaging/dibdraw.h"

#include <cstring>

#include "imaging/diblayout.h"
#include "imaging/dibreduce.h"
#include "shell/memblock.h"

namespace {

// A window of a bitmap in storage rows, already clipped to it.
struct SourceWindow {
  int64_t left;
  int64_t top;
  int64_t width;
  int64_t height;
};

// Header and palette of the one-row section: the bitmap's own, with the
// width replaced by the output width and the height by 1. A copy, so the
// bitmap's header stays as it was.
struct SectionInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

void FillSectionInfo(const DibLayout& layout, int64_t width, SectionInfo* info) {
  std::memset(info, 0, sizeof *info);
  std::memcpy(&info->header, layout.block, sizeof info->header);
  info->header.biWidth = (LONG)width;
  info->header.biHeight = 1;
  // ReadDibLayout checked that these entries lie inside the block.
  std::memcpy(info->colours, layout.block + kDibHeaderBytes, 4 * layout.colours);
}

// Puts the fitted window on `dc`, row by row through one bitmap section of
// the output width, in the order: section, then per row select, block
// transfer, select back; finally delete the section. The memory context is
// the caller's. 1 on success (also when nothing is to be drawn), 0 when the
// section cannot be made.
int DrawFittedWindow(HDC dc, HDC memory, const RECT& rect, const DibLayout& layout, const SourceWindow& window) {
  const int64_t rectWidth = (int64_t)rect.right - rect.left;
  const int64_t rectHeight = (int64_t)rect.bottom - rect.top;
  // Degenerate windows and rectangles draw nothing and divide by nothing.
  if (window.width <= 0 || window.height <= 0 || rectWidth <= 0 || rectHeight <= 0) return 1;
  const FitSize fit = FitIntoBox(window.width, window.height, rectWidth, rectHeight);
  const int64_t dw = (int64_t)fit.width;
  const int64_t dh = (int64_t)fit.height;
  if (dw == 0 || dh == 0) return 1;

  // Odd spare columns go to the right, odd spare rows above the picture.
  const int64_t x0 = rect.left + ((rectWidth - dw) >> 1);
  const int64_t y0 = rect.bottom - ((rectHeight - dh) >> 1) - 1;

  const unsigned s = DrawingBlockExponent((uint64_t)(window.width / dw));
  const int64_t blockColumns = window.width >> s;
  const int64_t blockRows = window.height >> s;
  // 2^s <= width / dw makes blockColumns >= dw; only the rows can run short.
  if (blockColumns < dw) return 1;

  SectionInfo info;
  FillSectionInfo(layout, dw, &info);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(memory, (const BITMAPINFO*)&info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(section);
    return 0;
  }

  const ReduceSource source{layout.rows, layout.stride, window.left, window.top, nullptr};
  StepWalk rows(blockRows, dh);
  for (int64_t i = 0; i < dh; ++i) {
    const int64_t blockRow = rows.Next();
    // A grid shorter than the output (extreme aspect ratios) ends the
    // picture early instead of reading past the window.
    if (blockRow >= blockRows) break;
    if (layout.bitCount >= 16) {
      ReduceRowColour(source, s, blockRow, blockColumns, dw, (BYTE*)bits);
    } else {
      ReduceRowIndex(source, s, blockRow, blockColumns, dw, (BYTE*)bits);
    }
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(dc, (int)x0, (int)(y0 - i), (int)dw, 1, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
  }
  DeleteObject(section);
  return 1;
}

}  // namespace

int GetDibSize(CDib dib, int& width, int& height) {
  // A block too short for a header is no bitmap either.
  if (dib == nullptr || MemSize(dib) < kDibHeaderBytes) return -1;
  BITMAPINFOHEADER header;
  std::memcpy(&header, MemLock(dib), sizeof header);
  width = header.biWidth;
  height = header.biHeight;
  return 0;
}

CDib MakeDibThumbnail(CDib source, unsigned boxWidth, unsigned boxHeight) {
  // 1. Only 24-bit and 8-bit bitmaps that fit their block.
  DibLayout layout;
  if (!ReadDibLayout(source, &layout)) return nullptr;
  // 8-bit pixels index the palette at 40 + 4 × index: all 256 entries must
  // lie inside the block, whatever biClrUsed says.
  if (layout.bitCount == 8 && layout.bytes < kDibHeaderBytes + 4 * kGreyPaletteEntries) return nullptr;

  // 2. Thumbnail size by the fit rule, never larger than the source.
  const FitSize fit = FitIntoBox(layout.width, layout.height, boxWidth, boxHeight);
  const int64_t tw = (int64_t)fit.width;
  const int64_t th = (int64_t)fit.height;

  // 3. A 24-bit block with no palette; every other header field stays 0.
  const uint64_t stride = DibStride(tw, 24);
  CDib thumbnail = MemAllocRetry(DibBlockBytes(tw, th, 24, 0));
  if (thumbnail == nullptr) return nullptr;
  WriteDibHeader(thumbnail, tw, th, 24);
  if (tw == 0 || th == 0) return thumbnail;

  // 4. Block side 2^s from the width ratio (halving while q > 2).
  const unsigned s = ThumbnailBlockExponent((uint64_t)(layout.width / tw));
  const int64_t blockColumns = layout.width >> s;
  const int64_t blockRows = layout.height >> s;
  if (blockColumns < tw) return thumbnail;

  // 5. Output rows in storage order; the row walk carries over all rows.
  BYTE* out = (BYTE*)MemLock(thumbnail) + kDibHeaderBytes;
  const ReduceSource from{layout.rows, layout.stride, 0, 0, layout.block + kDibHeaderBytes};
  StepWalk rows(blockRows, th);
  for (int64_t i = 0; i < th; ++i, out += stride) {
    const int64_t blockRow = rows.Next();
    // Rows past a short block grid stay zero rather than read outside.
    if (blockRow >= blockRows) break;
    if (layout.bitCount == 24) {
      ReduceRowColour(from, s, blockRow, blockColumns, tw, out);
    } else {
      ReduceRowPalette(from, s, blockRow, blockColumns, tw, out);
    }
  }
  // 6. The caller owns the thumbnail.
  return thumbnail;
}

int DrawDibFit(CDib dib, const RECT* rect, HDC dc) {
  // 1. A bitmap, a rectangle and a memory context, or nothing.
  if (dib == nullptr || rect == nullptr) return 0;
  HDC memory = CreateCompatibleDC(dc);
  if (memory == nullptr) return 0;
  DibLayout layout;
  if (!ReadDibLayout(dib, &layout)) {
    DeleteDC(memory);
    return 0;
  }
  // 2.-7. The whole picture, fitted and centred.
  const int result = DrawFittedWindow(dc, memory, *rect, layout, SourceWindow{0, 0, layout.width, layout.height});
  DeleteDC(memory);
  return result;
}

int DrawDibRect(HDC dc, const RECT* rect, CDib dib, RECT* window) {
  // 1. As DrawDibFit.
  if (dib == nullptr || rect == nullptr || window == nullptr) return 0;
  HDC memory = CreateCompatibleDC(dc);
  if (memory == nullptr) return 0;
  DibLayout layout;
  if (!ReadDibLayout(dib, &layout)) {
    DeleteDC(memory);
    return 0;
  }
  // 2. Clip the window in place; its rows are storage rows.
  if (window->top < 0) window->top = 0;
  if (window->left < 0) window->left = 0;
  if (window->bottom > layout.height) window->bottom = (LONG)layout.height;
  if (window->right > layout.width) window->right = (LONG)layout.width;

  // 3.-4. The window instead of the whole picture.
  const SourceWindow source{window->left, window->top, (int64_t)window->right - window->left,
                            (int64_t)window->bottom - window->top};
  const int result = DrawFittedWindow(dc, memory, *rect, layout, source);
  DeleteDC(memory);
  return result;
}

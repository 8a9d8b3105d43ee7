// libFuzzer target for the whole path of one grid cell: the Exif walk, the
// decode towards the 160 × 160 box, the 64 × 64 thumbnail and the fitted
// drawing into the cell, under a small budget and the scan limit. Every
// input must end quickly with the heap as it was and a reason for a refusal.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzzstream.h"
#include "imaging/dibdraw.h"
#include "imaging/jpegdecode.h"
#include "platform/base/heap.h"
#include "platform/draw/canvas.h"
#include "platform/draw/gdi.h"
#include "shell/memblock.h"

namespace {

// The browser page's sizes: the decode box, the thumbnail box, and a canvas
// of one cell with its gaps and title row.
constexpr int kDecodeBox = 160;
constexpr int kThumbBox = 64;
constexpr int kCellX = 6;
constexpr int kCellY = 4;

// One cell as CBrowserPage::PaintCell makes it; without a thumbnail the
// reduced picture itself is drawn.
void PaintCell(CDib big, Canvas* canvas) {
  CDib small = MakeDibThumbnail(big, kThumbBox, kThumbBox);
  CDib shown = small != nullptr ? small : big;
  HDC dc = CreateCanvasDC(canvas);
  const RECT box{kCellX, kCellY, kCellX + kThumbBox, kCellY + kThumbBox};
  if (DrawDibFit(shown, &box, dc) != 1) std::abort();
  DeleteDC(dc);
  MemFree(small);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // 16 MB: a decompression bomb or a coefficient buffer past it is refused
  // before it costs anything, and the scan limit bounds the time of the rest.
  static const bool configured = [] {
    HeapSetBudget(16u << 20);
    return true;
  }();
  (void)configured;
  static Canvas canvas;
  if (canvas.Width() == 0) canvas.Resize(kCellX + kThumbBox + 8, kCellY + kThumbBox + 22);

  const size_t blocks = HeapBlockCount();
  const size_t inUse = HeapBytesInUse();
  FILE* stream = FuzzStream(data, size);
  if (stream == nullptr) return 0;
  CDib big = DecodeJpegToFit(stream, kDecodeBox, kDecodeBox);
  // A refusal always says why; a picture never carries an old reason.
  if ((big == nullptr) != (JpegLastError()[0] != '\0')) std::abort();
  // Nothing stays reserved for the library once the decode is over.
  if (HeapBytesReserved() != 0) std::abort();
  if (big != nullptr) {
    PaintCell(big, &canvas);
    MemFree(big);
  }
  if (HeapBlockCount() != blocks || HeapBytesInUse() != inUse) std::abort();
  return 0;
}

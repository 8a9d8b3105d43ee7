// libFuzzer target for the decoding glue: any bytes as a file, decoded
// towards the browser's box and at full size; whatever comes back must be a
// consistent CDib that the thumbnail and drawing code can take.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzzstream.h"
#include "imaging/dibdraw.h"
#include "imaging/jpegdecode.h"
#include "platform/base/heap.h"
#include "platform/draw/canvas.h"
#include "shell/memblock.h"

namespace {

// A block must be exactly header, palette and rows as its header says.
void CheckLayout(CDib dib) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib, sizeof h);
  if (h.biSize != 40 || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight <= 0) std::abort();
  if (!((h.biBitCount == 24 && h.biClrUsed == 0) || (h.biBitCount == 8 && h.biClrUsed == 256))) std::abort();
  const uint64_t stride = ((uint64_t)h.biWidth * h.biBitCount + 31) / 32 * 4;
  if (h.biSizeImage != stride * (uint64_t)h.biHeight) std::abort();
  if (MemSize(dib) != 40 + 4 * (uint64_t)h.biClrUsed + stride * (uint64_t)h.biHeight) std::abort();
}

// Thumbnail, fitted drawing and a window drawing of a decoded picture.
void Exercise(CDib dib, Canvas* canvas) {
  CheckLayout(dib);
  CDib thumbnail = MakeDibThumbnail(dib, 64, 64);
  HDC dc = CreateCanvasDC(canvas);
  const RECT cell{0, 0, 64, 64};
  if (thumbnail != nullptr && DrawDibFit(thumbnail, &cell, dc) != 1) std::abort();
  const RECT rect{3, 5, 61, 40};
  if (DrawDibFit(dib, &rect, dc) != 1) std::abort();
  RECT window{-4, 7, 33, 1000};
  if (DrawDibRect(dc, &rect, dib, &window) != 1) std::abort();
  DeleteDC(dc);
  MemFree(thumbnail);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A small heap keeps decompression bombs short: the glue refuses blocks
  // and library reservations past it.
  static const bool configured = [] {
    HeapSetBudget(64u << 20);
    return true;
  }();
  (void)configured;
  static Canvas canvas;
  if (canvas.Width() == 0) canvas.Resize(64, 64);

  const size_t blocks = HeapBlockCount();
  FILE* stream = FuzzStream(data, size);
  if (stream == nullptr) return 0;
  for (int pass = 0; pass < 3; ++pass) {
    std::rewind(stream);
    const int box = pass == 2 ? 0 : 160;
    CDib dib = DecodeJpegStream(stream, box, box, pass == 0 ? TRUE : FALSE);
    if (dib != nullptr) Exercise(dib, &canvas);
    MemFree(dib);
    // Nothing of ours may stay behind, success or failure: no block, and
    // nothing reserved for the library.
    if (HeapBlockCount() != blocks || HeapBytesReserved() != 0) std::abort();
  }
  return 0;
}

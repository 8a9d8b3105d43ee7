// One input through the picture interface: the format's glue only, under a
// 64 MB budget, with the layout of every CDib and the heap's balance checked;
// a GIF or WebP played besides, frame after frame, on its first frame.
#include "fuzzpicture.h"

#include <cstdlib>
#include <cstring>

#include "fuzzstream.h"
#include "imaging/dibdraw.h"
#include "imaging/pictureanimation.h"
#include "platform/base/heap.h"
#include "platform/draw/canvas.h"
#include "shell/memblock.h"

namespace {

// Up to 64 frames of the animation on its whole first frame.
void Play(FILE* stream) {
  std::rewind(stream);
  CDib canvas = nullptr;
  {
    CPictureFile file;
    if (file.OpenStream(stream, FALSE)) canvas = file.Decode(0, 0);
  }
  if (canvas == nullptr) return;
  std::rewind(stream);
  {
    CPictureAnimation animation;
    int step = animation.StartStream(stream, canvas, FALSE);
    for (int frame = 0; step == ANIMATION_NEXT && frame < 64; ++frame) {
      if (animation.Delay() < kAnimationMinDelayMs) std::abort();
      step = animation.Advance();
    }
  }
  CheckDibLayout(canvas);
  MemFree(canvas);
}

}  // namespace

void CheckDibLayout(CDib dib) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib, sizeof h);
  if (h.biSize != 40 || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight <= 0) std::abort();
  if (!((h.biBitCount == 24 && h.biClrUsed == 0) || (h.biBitCount == 8 && h.biClrUsed == 256))) std::abort();
  const uint64_t stride = ((uint64_t)h.biWidth * h.biBitCount + 31) / 32 * 4;
  if (h.biSizeImage != stride * (uint64_t)h.biHeight) std::abort();
  if (MemSize(dib) != 40 + 4 * (uint64_t)h.biClrUsed + stride * (uint64_t)h.biHeight) std::abort();
}

void ExerciseDib(CDib dib, Canvas* canvas) {
  CheckDibLayout(dib);
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

int FuzzPictureInput(const uint8_t* data, size_t size, PictureFormat format) {
  static const bool configured = [] {
    HeapSetBudget(64u << 20);
    return true;
  }();
  (void)configured;
  PictureFormat found = PictureFormatOf(data, size);
  if (found == PICTURE_AVIF) found = PICTURE_HEIF;
  if (found != format) return 0;
  static Canvas canvas;
  if (canvas.Width() == 0) canvas.Resize(64, 64);
  const size_t blocks = HeapBlockCount();
  FILE* stream = FuzzStream(data, size);
  if (stream == nullptr) return 0;
  for (int box : {160, 0}) {
    std::rewind(stream);
    CDib dib = nullptr;
    {
      CPictureFile file;
      if (file.OpenStream(stream, box == 0 ? TRUE : FALSE)) dib = file.Decode(box, box);
    }
    if (dib != nullptr) ExerciseDib(dib, &canvas);
    MemFree(dib);
    // Nothing of ours stays behind: no block, nothing reserved.
    if (HeapBlockCount() != blocks || HeapBytesReserved() != 0) std::abort();
  }
  if (format == PICTURE_GIF || format == PICTURE_WEBP) Play(stream);
  if (HeapBlockCount() != blocks || HeapBytesReserved() != 0) std::abort();
  return 0;
}

// libFuzzer target for the decoding glue: any bytes as a file, decoded
// towards the browser's box and at full size; whatever comes back must be a
// consistent CDib that the thumbnail and drawing code can take.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzzpicture.h"
#include "fuzzstream.h"
#include "imaging/dibdraw.h"
#include "imaging/jpegdecode.h"
#include "platform/base/heap.h"
#include "platform/draw/canvas.h"
#include "shell/memblock.h"

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
    if (dib != nullptr) ExerciseDib(dib, &canvas);
    MemFree(dib);
    // Nothing of ours may stay behind, success or failure: no block, and
    // nothing reserved for the library.
    if (HeapBlockCount() != blocks || HeapBytesReserved() != 0) std::abort();
  }
  return 0;
}

// Picture loading: open, read the orientation, decode, turn.
#include "filelist/pictureload.h"

#include <atomic>
#include <cstdio>

#include "imaging/dibturn.h"
#include "imaging/exifthumb.h"
#include "imaging/jpegdecode.h"
#include "platform/devicefs.h"

namespace {
// Written on the user-interface thread, read by the thumbnail workers.
std::atomic<bool> g_bAutoRotate{false};
}  // namespace

void SetAutoRotate(BOOL on) {
  g_bAutoRotate.store(on != FALSE);
}

BOOL GetAutoRotate() {
  return g_bAutoRotate.load() ? TRUE : FALSE;
}

CDib LoadPicture(const WCHAR* path, int width, int height) {
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) return nullptr;
  // 1. The turn the picture needs; the decode starts from the first byte.
  const int turns = g_bAutoRotate.load() ? OrientationQuarterTurns(ReadExifOrientation(stream)) : 0;
  if (std::fseek(stream, 0, SEEK_SET) != 0) {
    std::fclose(stream);
    return nullptr;
  }
  // 2. Decode. A quarter turn swaps the sides, so the box is swapped too:
  //    the decoder's reduction then suits the upright picture.
  CDib dib = nullptr;
  if (width > 0 && height > 0) {
    dib = turns % 2 != 0 ? DecodeJpegToFit(stream, height, width) : DecodeJpegToFit(stream, width, height);
  } else {
    dib = DecodeJpeg(stream);
  }
  std::fclose(stream);
  // 3. Turn. Without the memory for it the picture is refused, as one too
  //    large to decode is: the user-interface thread's allocation has told
  //    the memory service (the out-of-memory message), and a worker's hands
  //    its cell back to be made where cached thumbnails can be given back.
  if (dib != nullptr && turns != 0 && !TurnDib(&dib, turns)) {
    MemFree(dib);
    dib = nullptr;
  }
  return dib;
}

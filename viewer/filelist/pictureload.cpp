// Picture loading: the orientation, the decode, the turn.
#include "filelist/pictureload.h"

#include <atomic>
#include <cstdio>

#include "imaging/dibturn.h"
#include "imaging/exifthumb.h"
#include "imaging/jpegdecode.h"
#include "platform/device/devicefs.h"

namespace {

// Written on the user-interface thread, read by the thumbnail workers.
std::atomic<bool> g_bAutoRotate{false};
// Set when the calling thread's last load failed at the turn.
thread_local bool t_bTurnFailed = false;

// Clockwise quarter turns that stand the file's picture upright; 0 when it
// cannot be opened (the decode then says why).
int TurnsOf(const WCHAR* path) {
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) return 0;
  const int turns = OrientationQuarterTurns(ReadExifOrientation(stream));
  std::fclose(stream);
  return turns;
}

}  // namespace

void SetAutoRotate(BOOL on) {
  g_bAutoRotate.store(on != FALSE);
}

BOOL GetAutoRotate() {
  return g_bAutoRotate.load() ? TRUE : FALSE;
}

namespace {

// Width and height 0: the whole picture.
CDib LoadPicture(const WCHAR* path, int width, int height) {
  t_bTurnFailed = false;
  // 1. The turn the picture needs; without auto-rotation the file is
  //    decoded exactly as the handheld decoded it.
  const int turns = g_bAutoRotate.load() ? TurnsOf(path) : 0;
  // 2. Decode. A quarter turn swaps the sides, so the box is swapped too:
  //    the decoder's reduction then suits the upright picture.
  CDibOwner dib;
  if (width > 0 && height > 0) {
    dib.Reset(turns % 2 != 0 ? LoadJpegToFit(path, height, width) : LoadJpegToFit(path, width, height));
  } else {
    dib.Reset(LoadJpeg(path));
  }
  // 3. Turn. Without the memory for it the picture is refused, as one too
  //    large to decode is: the user-interface thread's allocation has told
  //    the memory service (the out-of-memory message), and a worker's hands
  //    its cell back to be made where cached thumbnails can be given back.
  if (dib && turns != 0 && !TurnDib(&dib, turns)) {
    t_bTurnFailed = true;
    return nullptr;
  }
  return dib.Release();
}

}  // namespace

CDib LoadWholePicture(const WCHAR* path) {
  return LoadPicture(path, 0, 0);
}

CDib LoadPictureTowards(const WCHAR* path, int width, int height) {
  return LoadPicture(path, width, height);
}

const char* PictureLastError() {
  return t_bTurnFailed ? "not enough memory" : JpegLastError();
}

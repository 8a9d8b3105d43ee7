// Picture loading: the orientation, the decode (as JPEG, or as whatever the
// file is), the turn.
#include "filelist/pictureload.h"

#include <atomic>
#include <cstdio>

#include "imaging/dibturn.h"
#include "imaging/exifthumb.h"
#include "imaging/jpegdecode.h"
#include "imaging/picturedecode.h"
#include "platform/device/devicefs.h"

namespace {

// Written on the user-interface thread, read by the thumbnail workers.
std::atomic<bool> g_bAutoRotate{false};
std::atomic<bool> g_bAllFormats{false};
// Set when the calling thread's last load failed at the turn.
thread_local bool t_bTurnFailed = false;
// Set when the calling thread's last load went through the picture interface.
thread_local bool t_bAnyFormat = false;

// The Exif orientation the file's picture is stored in; 0 when it has none
// or cannot be opened (the decode then says why).
int OrientationOf(const WCHAR* path) {
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) return 0;
  const int orientation = ReadExifOrientation(stream);
  std::fclose(stream);
  return orientation;
}

}  // namespace

void SetAutoRotate(BOOL on) {
  g_bAutoRotate.store(on != FALSE);
}

BOOL GetAutoRotate() {
  return g_bAutoRotate.load() ? TRUE : FALSE;
}

void SetAllFormats(BOOL on) {
  g_bAllFormats.store(on != FALSE);
}

BOOL GetAllFormats() {
  return g_bAllFormats.load() ? TRUE : FALSE;
}

namespace {

// Any format through the picture interface, the same steps: the
// orientation from the header when pictures are stood up, the box turned
// with it, the decode. A JPEG file comes out of the JPEG path exactly as below.
CDib DecodeAnyFormat(const WCHAR* path, int width, int height, int* orientation) {
  const bool upright = g_bAutoRotate.load();
  CPictureFile file;
  if (!file.Open(path, upright ? TRUE : FALSE)) return nullptr;
  *orientation = upright ? file.Info().orientation : 0;
  return OrientationSwapsSides(*orientation) ? file.Decode(height, width) : file.Decode(width, height);
}

// Width and height 0: the whole picture.
CDib LoadPicture(const WCHAR* path, int width, int height) {
  t_bTurnFailed = false;
  t_bAnyFormat = g_bAllFormats.load();
  if (t_bAnyFormat) {
    int orientation = 0;
    CDibOwner dib(DecodeAnyFormat(path, width, height, &orientation));
    if (dib && orientation > 1 && !OrientDib(&dib, orientation)) {
      t_bTurnFailed = true;
      return nullptr;
    }
    return dib.Release();
  }
  // 1. The orientation the picture is stored in; without auto-rotation the
  //    file is decoded exactly as the handheld decoded it.
  const int orientation = g_bAutoRotate.load() ? OrientationOf(path) : 0;
  // 2. Decode. A quarter turn swaps the sides, so the box is swapped too:
  //    the decoder's reduction then suits the upright picture.
  CDibOwner dib;
  if (width > 0 && height > 0) {
    dib.Reset(OrientationSwapsSides(orientation) ? LoadJpegToFit(path, height, width)
                                                 : LoadJpegToFit(path, width, height));
  } else {
    dib.Reset(LoadJpeg(path));
  }
  // 3. Turn or mirror. Without the memory for it the picture is refused, as
  //    one too large to decode is: the user-interface thread's allocation
  //    has told the memory service (the out-of-memory message), and a
  //    worker's hands its cell back to be made where cached thumbnails can
  //    be given back.
  if (dib && orientation > 1 && !OrientDib(&dib, orientation)) {
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
  if (t_bTurnFailed) return "not enough memory";
  return t_bAnyFormat ? PictureDecodeLastError() : JpegLastError();
}

PictureFailure PictureLastFailure() {
  return PictureFailureOf(PictureLastError());
}

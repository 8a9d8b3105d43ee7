// Which files are turned and how: the format by the file's first bytes,
// the turn composed of the Exif Orientation's and the user's.
#include "imaging/pictureturn.h"

#include "imaging/jpegturn.h"
#include "imaging/pngturn.h"

namespace {

// Each op as the matrix it applies to pixel coordinates (x right, y down).
struct Matrix {
  int a, b, c, d;  // (x, y) -> (a x + b y, c x + d y)
};
constexpr Matrix kMatrices[] = {
    {1, 0, 0, 1},    // OP_NONE
    {-1, 0, 0, 1},   // OP_FLIP_H
    {1, 0, 0, -1},   // OP_FLIP_V
    {0, 1, 1, 0},    // OP_TRANSPOSE
    {0, -1, -1, 0},  // OP_TRANSVERSE
    {0, -1, 1, 0},   // OP_ROT90, clockwise
    {-1, 0, 0, -1},  // OP_ROT180
    {0, 1, -1, 0},   // OP_ROT270
};

bool EndsWithNoCase(const CString& name, const char* suffix) {
  CString tail = WideFromUtf8(suffix);
  if (name.size() < tail.size()) return false;
  return WStrEqualNoCase(std::u16string_view(name).substr(name.size() - tail.size()), tail);
}

}  // namespace

bool CanTurnPictureNamed(const CString& name) {
  return EndsWithNoCase(name, ".jpg") || EndsWithNoCase(name, ".jpeg") || EndsWithNoCase(name, ".jpe") ||
         EndsWithNoCase(name, ".png");
}

PictureOp UprightOp(int orientation) {
  switch (orientation) {
    case 2:
      return OP_FLIP_H;
    case 3:
      return OP_ROT180;
    case 4:
      return OP_FLIP_V;
    case 5:
      return OP_TRANSPOSE;
    case 6:
      return OP_ROT90;
    case 7:
      return OP_TRANSVERSE;
    case 8:
      return OP_ROT270;
    default:
      return OP_NONE;
  }
}

PictureOp ComposeOps(PictureOp first, PictureOp second) {
  const Matrix& f = kMatrices[first];
  const Matrix& s = kMatrices[second];
  const Matrix product = {s.a * f.a + s.b * f.c, s.a * f.b + s.b * f.d, s.c * f.a + s.d * f.c, s.c * f.b + s.d * f.d};
  for (int op = OP_NONE; op <= OP_ROT270; ++op) {
    const Matrix& m = kMatrices[op];
    if (m.a == product.a && m.b == product.b && m.c == product.c && m.d == product.d) return (PictureOp)op;
  }
  return OP_NONE;  // unreachable: the eight form a group
}

bool OpIsQuarterTurn(PictureOp op) {
  return kMatrices[op].a == 0;
}

int TurnPictureBytes(const std::string& in, PictureTurn turn, bool trim, std::string* out, std::string* reason) {
  const PictureOp user = turn == TURN_RIGHT ? OP_ROT90 : OP_ROT270;
  if (in.size() >= 3 && in.compare(0, 3, "\xFF\xD8\xFF") == 0) {
    return TurnJpegLossless(in, ComposeOps(UprightOp(JpegExifOrientation(in)), user), trim, out, reason);
  }
  if (in.size() >= 8 && in.compare(0, 8, "\x89PNG\r\n\x1A\n", 8) == 0) {
    return TurnPngLossless(in, ComposeOps(UprightOp(PngExifOrientation(in)), user), out, reason);
  }
  *reason = "it is neither a JPEG nor a PNG picture";
  return PICTURE_TURN_UNSUPPORTED;
}

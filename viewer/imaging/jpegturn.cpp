// The lossless JPEG turn: the Exif block rewritten in the source (its
// thumbnail turned by the same transform), then the whole file turned by
// tjTransform, which copies every APPn and COM marker it does not write
// itself (JFIF and Adobe are written afresh from the same values).
#include "imaging/jpegturn.h"

#include <turbojpeg.h>

#include <cstdint>

#include "imaging/exifturn.h"

namespace {

constexpr int kMarkerSos = 0xDA;
constexpr int kMarkerEoi = 0xD9;
constexpr int kMarkerApp1 = 0xE1;
constexpr int kMarkerSof2 = 0xC2;
// A segment's payload with its 2-byte length must stay within 65,535 bytes.
constexpr size_t kMaxSegmentPayload = 65533;
const char kExifPrefix[] = "Exif\0\0";
constexpr size_t kExifPrefixBytes = 6;

// A marker segment of the header: its marker, and where its payload lies.
struct Segment {
  int marker;
  size_t payload;
  size_t length;
};

// Walks the header's segments up to the first scan; false to stop early.
template <typename Visit>
void WalkSegments(const std::string& jpeg, Visit&& visit) {
  size_t at = 2;
  const unsigned char* b = (const unsigned char*)jpeg.data();
  while (at + 4 <= jpeg.size()) {
    if (b[at] != 0xFF) return;
    const int marker = b[at + 1];
    if (marker == 0xFF) {
      ++at;  // fill byte
      continue;
    }
    if (marker == kMarkerSos || marker == kMarkerEoi) return;
    const size_t length = (size_t)(b[at + 2] << 8 | b[at + 3]);
    if (length < 2 || at + 2 + length > jpeg.size()) return;
    if (!visit(Segment{marker, at + 4, length - 2})) return;
    at += 2 + length;
  }
}

bool IsExif(const std::string& jpeg, const Segment& s) {
  return s.marker == kMarkerApp1 && s.length >= kExifPrefixBytes &&
         jpeg.compare(s.payload, kExifPrefixBytes, kExifPrefix, kExifPrefixBytes) == 0;
}

bool IsProgressive(const std::string& jpeg) {
  bool progressive = false;
  WalkSegments(jpeg, [&](const Segment& s) {
    progressive = progressive || s.marker == kMarkerSof2;
    return true;
  });
  return progressive;
}

TJXOP OpFor(PictureOp op) {
  static const TJXOP kOps[] = {TJXOP_NONE,       TJXOP_HFLIP, TJXOP_VFLIP,  TJXOP_TRANSPOSE,
                               TJXOP_TRANSVERSE, TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270};
  return kOps[op];
}

// The lossless transform itself; `options` TJXOPT_PERFECT or TJXOPT_TRIM.
bool Transform(const std::string& in, PictureOp op, int options, std::string* out, std::string* reason) {
  tjhandle handle = tjInitTransform();
  if (handle == nullptr) {
    *reason = tjGetErrorStr2(nullptr);
    return false;
  }
  tjtransform transform = {};
  transform.op = OpFor(op);
  transform.options = options | (IsProgressive(in) ? TJXOPT_PROGRESSIVE : 0);
  unsigned char* turned = nullptr;
  unsigned long size = 0;
  // A warning (a damaged file) counts as a failure too: a picture that does
  // not read cleanly is not written back.
  const int status =
      tjTransform(handle, (const unsigned char*)in.data(), (unsigned long)in.size(), 1, &turned, &size, &transform, 0);
  if (status == 0) {
    out->assign((const char*)turned, size);
  } else {
    *reason = tjGetErrorStr2(handle);
  }
  tjFree(turned);
  tjDestroy(handle);
  return status == 0;
}

// Whether `op` moves only whole blocks of the picture in `jpeg`; false with
// a reason when its header cannot be read.
bool IsPerfect(const std::string& jpeg, PictureOp op, bool* perfect, std::string* reason) {
  tjhandle handle = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  const int status = handle == nullptr
                         ? -1
                         : tjDecompressHeader3(handle, (const unsigned char*)jpeg.data(), (unsigned long)jpeg.size(),
                                               &width, &height, &subsampling, &colourspace);
  if (status != 0 || subsampling < 0 || subsampling >= TJ_NUMSAMP) {
    *reason = tjGetErrorStr2(handle);
    if (handle != nullptr) tjDestroy(handle);
    return false;
  }
  tjDestroy(handle);
  const bool wholeWidth = width % tjMCUWidth[subsampling] == 0;
  const bool wholeHeight = height % tjMCUHeight[subsampling] == 0;
  switch (op) {
    case OP_FLIP_H:
    case OP_ROT270:
      *perfect = wholeWidth;
      break;
    case OP_FLIP_V:
    case OP_ROT90:
      *perfect = wholeHeight;
      break;
    case OP_TRANSVERSE:
    case OP_ROT180:
      *perfect = wholeWidth && wholeHeight;
      break;
    default:
      *perfect = true;
  }
  return true;
}

// The Exif thumbnail's turn: whole blocks where it can, its partial edge
// blocks dropped where it cannot (a thumbnail is never asked about).
bool TurnThumbnail(const std::string& thumbnail, PictureOp op, std::string* turned) {
  std::string reason;
  bool perfect = false;
  if (!IsPerfect(thumbnail, op, &perfect, &reason)) return false;
  return Transform(thumbnail, op, perfect ? TJXOPT_PERFECT : TJXOPT_TRIM, turned, &reason);
}

// `jpeg` with its Exif segment rewritten for the turn; unchanged when it
// has none or one this walk cannot read.
bool RewriteExif(std::string* jpeg, PictureOp op, std::string* reason) {
  Segment exif = {0, 0, 0};
  WalkSegments(*jpeg, [&](const Segment& s) {
    if (!IsExif(*jpeg, s)) return true;
    exif = s;
    return false;
  });
  if (exif.marker == 0) return true;
  std::string block = jpeg->substr(exif.payload + kExifPrefixBytes, exif.length - kExifPrefixBytes);
  const int result = RewriteExifForTurn(
      &block, OpIsQuarterTurn(op),
      [op](const std::string& thumbnail, std::string* turned) { return TurnThumbnail(thumbnail, op, turned); },
      kMaxSegmentPayload - kExifPrefixBytes);
  if (result == EXIF_TURN_UNREADABLE) return true;
  if (result == EXIF_TURN_NO_ROOM) *reason = "its Exif block has no room for the turned thumbnail";
  if (result == EXIF_TURN_THUMB_FAILED) *reason = "its Exif thumbnail cannot be turned";
  if (result != EXIF_TURN_DONE) return false;
  const size_t length = kExifPrefixBytes + block.size() + 2;
  std::string segment = {'\xFF', (char)kMarkerApp1, (char)(length >> 8), (char)(length & 0xFF)};
  segment.append(kExifPrefix, kExifPrefixBytes).append(block);
  jpeg->replace(exif.payload - 4, exif.length + 4, segment);
  return true;
}

}  // namespace

int JpegExifOrientation(const std::string& jpeg) {
  int orientation = 0;
  WalkSegments(jpeg, [&](const Segment& s) {
    if (!IsExif(jpeg, s)) return true;
    orientation = ExifBlockOrientation(jpeg.substr(s.payload + kExifPrefixBytes, s.length - kExifPrefixBytes));
    return false;
  });
  return orientation;
}

int TurnJpegLossless(const std::string& in, PictureOp op, bool trim, std::string* out, std::string* reason) {
  // 1. Only whole blocks move unless the user has agreed to lose the edge.
  bool perfect = false;
  if (!IsPerfect(in, op, &perfect, reason)) return PICTURE_TURN_FAILED;
  if (!perfect && !trim) return PICTURE_TURN_NEEDS_TRIM;
  // 2. The Exif block for the turned picture, in a copy of the source.
  std::string source = in;
  if (!RewriteExif(&source, op, reason)) return PICTURE_TURN_FAILED;
  // 3. The turn, markers copied.
  return Transform(source, op, perfect ? TJXOPT_PERFECT : TJXOPT_TRIM, out, reason) ? PICTURE_TURN_DONE
                                                                                    : PICTURE_TURN_FAILED;
}

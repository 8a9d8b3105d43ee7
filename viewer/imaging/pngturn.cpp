// The PNG turn through libpng: read whole as stored (sub-byte depths one
// pixel a byte), pixels moved, written again with the same header values,
// palette, transparency, colour information, texts, eXIf (Orientation 1)
// and unknown chunks. libpng reports errors by a non-local jump: each
// setjmp sits in a small function whose locals the jump does not need.
#include "imaging/pngturn.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/exifturn.h"

namespace {

// The picture read and the picture turned together stay within this.
constexpr uint64_t kMaxPixelBytes = 1ull << 30;

// Everything a read and a write share, in plain fields a jump can leave.
struct PngTurn {
  const std::string* in = nullptr;
  size_t readAt = 0;
  std::string* out = nullptr;
  char error[200] = "";
  png_structp read = nullptr;
  png_infop info = nullptr;
  png_structp write = nullptr;
  png_infop writeInfo = nullptr;
  png_bytepp rows = nullptr;  // as read, owned by `read`
  png_bytep* turned = nullptr;
  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;
  size_t pixelBytes = 0;
};

void OnError(png_structp png, png_const_charp message) {
  PngTurn* turn = (PngTurn*)png_get_error_ptr(png);
  std::strncpy(turn->error, message, sizeof(turn->error) - 1);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep data, png_size_t length) {
  PngTurn* turn = (PngTurn*)png_get_io_ptr(png);
  if (turn->readAt + length > turn->in->size()) png_error(png, "the file ends too soon");
  std::memcpy(data, turn->in->data() + turn->readAt, length);
  turn->readAt += length;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t length) {
  ((PngTurn*)png_get_io_ptr(png))->out->append((const char*)data, length);
}

void Flush(png_structp) {}

bool ReadWhole(PngTurn* t) {
  if (setjmp(png_jmpbuf(t->read))) return false;
  png_set_read_fn(t->read, t, ReadBytes);
  png_set_keep_unknown_chunks(t->read, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
  png_read_png(t->read, t->info, PNG_TRANSFORM_PACKING, nullptr);
  png_get_IHDR(t->read, t->info, &t->width, &t->height, &t->depth, &t->colour, &t->interlace, nullptr, nullptr);
  t->rows = png_get_rows(t->read, t->info);
  t->pixelBytes = (size_t)png_get_channels(t->read, t->info) * (t->depth == 16 ? 2 : 1);
  return true;
}

// The chunks that describe the pixels rather than lie in them, carried over.
void CopyChunks(PngTurn* t, bool quarter) {
  png_structp r = t->read;
  png_infop i = t->info;
  png_structp w = t->write;
  png_infop o = t->writeInfo;
  png_colorp palette;
  int count;
  if (png_get_PLTE(r, i, &palette, &count)) png_set_PLTE(w, o, palette, count);
  png_bytep alpha;
  png_color_16p colour;
  if (png_get_tRNS(r, i, &alpha, &count, &colour)) png_set_tRNS(w, o, alpha, count, colour);
  if (png_get_bKGD(r, i, &colour)) png_set_bKGD(w, o, colour);
  png_color_8p bits;
  if (png_get_sBIT(r, i, &bits)) png_set_sBIT(w, o, bits);
  png_uint_16p histogram;
  if (png_get_hIST(r, i, &histogram)) png_set_hIST(w, o, histogram);
  png_fixed_point gamma, wx, wy, rx, ry, gx, gy, bx, by;
  if (png_get_gAMA_fixed(r, i, &gamma)) png_set_gAMA_fixed(w, o, gamma);
  if (png_get_cHRM_fixed(r, i, &wx, &wy, &rx, &ry, &gx, &gy, &bx, &by)) {
    png_set_cHRM_fixed(w, o, wx, wy, rx, ry, gx, gy, bx, by);
  }
  int intent;
  if (png_get_sRGB(r, i, &intent)) png_set_sRGB(w, o, intent);
  png_charp name;
  int compression;
  png_bytep profile;
  png_uint_32 length;
  if (png_get_iCCP(r, i, &name, &compression, &profile, &length))
    png_set_iCCP(w, o, name, compression, profile, length);
  png_uint_32 resX, resY;
  int unit;
  if (png_get_pHYs(r, i, &resX, &resY, &unit)) png_set_pHYs(w, o, quarter ? resY : resX, quarter ? resX : resY, unit);
  png_timep time;
  if (png_get_tIME(r, i, &time)) png_set_tIME(w, o, time);
  png_textp texts;
  if (png_get_text(r, i, &texts, &count) > 0) png_set_text(w, o, texts, count);
  png_unknown_chunkp unknown;
  count = png_get_unknown_chunks(r, i, &unknown);
  if (count > 0) {
    png_set_keep_unknown_chunks(w, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
    png_set_unknown_chunks(w, o, unknown, count);
  }
}

bool WriteWhole(PngTurn* t, bool quarter, const std::string& exif) {
  if (setjmp(png_jmpbuf(t->write))) return false;
  png_set_write_fn(t->write, t, WriteBytes, Flush);
  png_set_IHDR(t->write, t->writeInfo, quarter ? t->height : t->width, quarter ? t->width : t->height, t->depth,
               t->colour, t->interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  CopyChunks(t, quarter);
  if (!exif.empty()) png_set_eXIf_1(t->write, t->writeInfo, (png_uint_32)exif.size(), (png_bytep)exif.data());
  png_set_rows(t->write, t->writeInfo, t->turned);
  png_write_png(t->write, t->writeInfo, PNG_TRANSFORM_PACKING, nullptr);
  return true;
}

// Moves every pixel of the rows read to where `op` puts it.
void MovePixels(const PngTurn& t, PictureOp op, std::vector<png_byte>* pixels, std::vector<png_bytep>* rows) {
  const bool quarter = OpIsQuarterTurn(op);
  const size_t w = quarter ? t.height : t.width;
  const size_t h = quarter ? t.width : t.height;
  const size_t W = t.width, H = t.height, n = t.pixelBytes;
  pixels->resize(w * h * n);
  rows->resize(h);
  for (size_t y = 0; y < h; ++y) {
    png_bytep row = pixels->data() + y * w * n;
    (*rows)[y] = row;
    for (size_t x = 0; x < w; ++x) {
      size_t sx = x, sy = y;
      switch (op) {
        case OP_FLIP_H:
          sx = W - 1 - x;
          break;
        case OP_FLIP_V:
          sy = H - 1 - y;
          break;
        case OP_TRANSPOSE:
          sx = y;
          sy = x;
          break;
        case OP_TRANSVERSE:
          sx = W - 1 - y;
          sy = H - 1 - x;
          break;
        case OP_ROT90:
          sx = y;
          sy = H - 1 - x;
          break;
        case OP_ROT180:
          sx = W - 1 - x;
          sy = H - 1 - y;
          break;
        case OP_ROT270:
          sx = W - 1 - y;
          sy = x;
          break;
        default:
          break;
      }
      std::memcpy(row + x * n, t.rows[sy] + sx * n, n);
    }
  }
}

// The file's eXIf block rewritten for the turn (no thumbnail to turn in a
// PNG's); empty when it has none.
std::string TurnedExif(const PngTurn& t, bool quarter) {
  png_uint_32 size = 0;
  png_bytep data = nullptr;
  if (!png_get_eXIf_1(t.read, t.info, &size, &data) || data == nullptr) return std::string();
  std::string block((const char*)data, size);
  RewriteExifForTurn(
      &block, quarter, [](const std::string&, std::string*) { return false; }, 1u << 30);
  return block;
}

}  // namespace

int PngExifOrientation(const std::string& png) {
  // The eXIf chunk comes before the image data; the chunks are walked by
  // their lengths, each checked against the file.
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const unsigned char* b = (const unsigned char*)png.data() + at;
    const size_t length = (size_t)b[0] << 24 | (size_t)b[1] << 16 | (size_t)b[2] << 8 | b[3];
    if (length > png.size() - at - 12) return 0;
    if (std::memcmp(b + 4, "eXIf", 4) == 0) return ExifBlockOrientation(png.substr(at + 8, length));
    if (std::memcmp(b + 4, "IDAT", 4) == 0) return 0;
    at += 12 + length;
  }
  return 0;
}

int TurnPngLossless(const std::string& in, PictureOp op, std::string* out, std::string* reason) {
  // The header's size, before anything is allocated: a small file may claim
  // a picture of gigabytes, which is not turned.
  if (in.size() < 33) {
    *reason = "the file ends too soon";
    return PICTURE_TURN_FAILED;
  }
  const unsigned char* h = (const unsigned char*)in.data() + 16;
  const uint64_t width = (uint64_t)h[0] << 24 | h[1] << 16 | h[2] << 8 | h[3];
  const uint64_t height = (uint64_t)h[4] << 24 | h[5] << 16 | h[6] << 8 | h[7];
  static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  const uint64_t sampleBytes = h[8] == 16 ? 2 : 1;
  if (h[9] > 6 || width * height * kChannels[h[9]] * sampleBytes * 2 > kMaxPixelBytes) {
    *reason = "it is too large to turn";
    return PICTURE_TURN_FAILED;
  }
  PngTurn t;
  t.in = &in;
  t.out = out;
  out->clear();
  t.read = png_create_read_struct(PNG_LIBPNG_VER_STRING, &t, OnError, OnWarning);
  t.info = t.read != nullptr ? png_create_info_struct(t.read) : nullptr;
  bool done = t.info != nullptr && ReadWhole(&t);
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  std::string exif;
  if (done) {
    MovePixels(t, op, &pixels, &rows);
    t.turned = rows.data();
    exif = TurnedExif(t, OpIsQuarterTurn(op));
    t.write = png_create_write_struct(PNG_LIBPNG_VER_STRING, &t, OnError, OnWarning);
    t.writeInfo = t.write != nullptr ? png_create_info_struct(t.write) : nullptr;
    done = t.writeInfo != nullptr && WriteWhole(&t, OpIsQuarterTurn(op), exif);
  }
  if (!done) *reason = t.error[0] != 0 ? t.error : "out of memory";
  if (t.write != nullptr) png_destroy_write_struct(&t.write, &t.writeInfo);
  if (t.read != nullptr) png_destroy_read_struct(&t.read, &t.info, nullptr);
  return done ? PICTURE_TURN_DONE : PICTURE_TURN_FAILED;
}

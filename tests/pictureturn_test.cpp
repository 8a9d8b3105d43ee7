// A turn for good must lose nothing: the pixels are those jpegtran gives
// for the same lossless transform, the picture stands as its Exif said plus
// the user's quarter turn, every marker stays, the Exif thumbnail turns
// with it, and a hostile Exif block is never read past.
#include "imaging/pictureturn.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "imaging/dib.h"
#include "imaging/jpegdecode.h"
#include "shell/memblock.h"
#include "support/exifwriter.h"
#include "support/temp_device.h"
#include "support/testpics.h"

namespace {

// jpegtran's output for `in` with `arguments`.
std::string Jpegtran(const std::string& in, const std::string& arguments) {
  char name[] = "/tmp/vimbra-jpegtran-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return std::string();
  close(fd);
  WriteHostFile(name, in);
  const std::string out = std::string(name) + ".out";
  const std::string command = "jpegtran -copy all " + arguments + " '" + name + "' > '" + out + "'";
  const int status = system(command.c_str());
  std::string turned = status == 0 ? ReadHostFile(out) : std::string();
  unlink(name);
  unlink(out.c_str());
  return turned;
}

// The decoded picture, byte for byte (header and rows); empty when none.
std::string Decoded(const std::string& jpeg) {
  FILE* stream = StreamOf(jpeg);
  CDib dib = stream != nullptr ? DecodeJpeg(stream) : nullptr;
  if (stream != nullptr) fclose(stream);
  if (dib == nullptr) return std::string();
  std::string bytes((const char*)MemLock(dib), MemSize(dib));
  MemUnlock(dib);
  MemFree(dib);
  return bytes;
}

// Both decode, to the same pixels.
void ExpectSamePixels(const std::string& a, const std::string& b) {
  const std::string pa = Decoded(a), pb = Decoded(b);
  EXPECT_FALSE(pa.empty());
  EXPECT_TRUE(pa == pb) << "the pictures differ";
}

std::string Turned(const std::string& in, PictureTurn turn, bool trim = false, int expected = PICTURE_TURN_DONE) {
  std::string out, reason;
  EXPECT_EQ(TurnPictureBytes(in, turn, trim, &out, &reason), expected) << reason;
  return out;
}

// The IFD0 Orientation of a camera file whose Exif segment follows SOI.
int OrientationAt(const std::string& file) {
  return (uint8_t)file[kTiffBase + 8 + 2 + 8] | (uint8_t)file[kTiffBase + 8 + 2 + 9] << 8;
}

ExifLayout Oriented(int orientation) {
  ExifLayout layout;
  layout.ifd0[0].value = (uint32_t)orientation;
  return layout;
}

TEST(JpegTurn, GivesJpegtransPixelsForEveryOrientationAndTurn) {
  JpegOptions noJfif;
  noJfif.jfif = false;
  JpegOptions full = noJfif, progressive = noJfif;
  full.fullChroma = true;
  progressive.progressive = true;
  const std::string thumb = EncodeJpeg(RampPicture(16, 16), noJfif);
  struct Case {
    const char* name;
    std::string main;
    int orientation;
    PictureTurn turn;
    const char* jpegtran;  // the same transform
  };
  const Case cases[] = {
      {"4:2:0 right", EncodeJpeg(RampPicture(64, 48), noJfif), 1, TURN_RIGHT, "-rotate 90 -perfect"},
      {"4:2:0 left", EncodeJpeg(RampPicture(64, 48), noJfif), 1, TURN_LEFT, "-rotate 270 -perfect"},
      {"4:4:4 right", EncodeJpeg(RampPicture(24, 16), full), 1, TURN_RIGHT, "-rotate 90 -perfect"},
      {"grey left", EncodeJpeg(SolidGrey(16, 8, 90), noJfif), 1, TURN_LEFT, "-rotate 270 -perfect"},
      {"progressive right", EncodeJpeg(RampPicture(32, 32), progressive), 1, TURN_RIGHT, "-rotate 90 -perfect"},
      {"upright 6, right", EncodeJpeg(RampPicture(64, 48), noJfif), 6, TURN_RIGHT, "-rotate 180 -perfect"},
      {"upright 6, left", EncodeJpeg(RampPicture(64, 48), noJfif), 6, TURN_LEFT, ""},
      {"upright 3, left", EncodeJpeg(RampPicture(64, 48), noJfif), 3, TURN_LEFT, "-rotate 90 -perfect"},
      {"mirrored 2, right", EncodeJpeg(RampPicture(64, 48), noJfif), 2, TURN_RIGHT, "-transverse -perfect"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = CameraFile(c.main, thumb, Oriented(c.orientation));
    const std::string turned = Turned(file, c.turn);
    ASSERT_FALSE(turned.empty());
    ExpectSamePixels(turned, Jpegtran(c.main, c.jpegtran));
    EXPECT_EQ(OrientationAt(turned), 1);
    // The thumbnail turned alike, and found where the offsets now say.
    const size_t at = ThumbnailOffset(turned);
    ASSERT_NE(at, std::string::npos);
    ExpectSamePixels(turned.substr(at), Jpegtran(thumb, c.jpegtran));
  }
}

TEST(JpegTurn, AsksBeforeCuttingAPartialEdgeAndKeepsEveryMarker) {
  const std::string partial = EncodeJpeg(RampPicture(70, 50));
  Turned(partial, TURN_RIGHT, false, PICTURE_TURN_NEEDS_TRIM);
  const std::string trimmed = Turned(partial, TURN_RIGHT, true);
  ExpectSamePixels(trimmed, Jpegtran(partial, "-rotate 90 -trim"));
  // APP2, APP13 and a comment come through whole, the Exif segment too.
  const std::string app2 = "\xFF\xE2" + std::string("\0\x11ICC_PROFILE\0abcd", 17);
  const std::string app13 = "\xFF\xED" + std::string("\0\x0CPhotoshop!", 12);
  const std::string com = "\xFF\xFE" + std::string("\0\x0Bkept text", 11);
  const std::string main = EncodeJpeg(RampPicture(32, 16));
  const std::string file =
      CameraFile(main.substr(0, 2) + app2 + app13 + com + main.substr(2), EncodeJpeg(RampPicture(16, 8)), Oriented(1));
  const std::string turned = Turned(file, TURN_LEFT);
  for (const std::string& marker : {app2, app13, com, std::string("Exif\0\0II*\0", 10)}) {
    EXPECT_NE(turned.find(marker.substr(4)), std::string::npos) << marker.substr(4);
  }
}

TEST(JpegTurn, AHostileExifBlockIsNeverReadPast) {
  const std::string main = EncodeJpeg(RampPicture(32, 32));
  const std::string thumb = EncodeJpeg(RampPicture(16, 16));
  const std::string good = CameraFile(main, thumb);
  // Offsets and counts of the block's IFDs and thumbnail pointing anywhere.
  struct Damage {
    const char* name;
    size_t at;  // file offset of a 32-bit little-endian value
    uint32_t value;
  };
  const size_t ifd1Link = kTiffBase + 8 + 2 + 12 * 3;
  const size_t ifd1 = kTiffBase + 8 + 2 + 12 * 3 + 4;
  const Damage damages[] = {
      {"IFD0 past the end", kTiffBase + 4, 0xFFFFFFF0},
      {"IFD1 past the end", ifd1Link, 0x7FFFFFFF},
      {"IFD1 at IFD0", ifd1Link, 8},
      {"IFD1 entry count huge", ifd1, 0xFFFF},
      {"thumbnail offset past the end", ifd1 + 2 + 12 + 8, 0xFFFFFF00},
      {"thumbnail length past the end", ifd1 + 2 + 24 + 8, 0xFFFFFFFF},
      {"thumbnail not a JPEG", ifd1 + 2 + 24 + 8, 4},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    std::string file = good;
    for (int i = 0; i < 4; ++i) file[d.at + (size_t)i] = (char)(d.value >> (8 * i));
    std::string out, reason;
    const int result = TurnPictureBytes(file, TURN_RIGHT, false, &out, &reason);
    EXPECT_TRUE(result == PICTURE_TURN_DONE || result == PICTURE_TURN_FAILED);
    if (result == PICTURE_TURN_DONE) {
      ExpectSamePixels(out, Jpegtran(main, "-rotate 90 -perfect"));
    } else {
      EXPECT_FALSE(reason.empty());
    }
  }
}

// PNG pixels as cairo reads them (premultiplied ARGB), with the size.
std::string PngPixels(const std::string& png, int* width, int* height) {
  struct Reader {
    const std::string* bytes;
    size_t at;
  } reader = {&png, 0};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(
      [](void* closure, unsigned char* data, unsigned int length) {
        Reader* r = (Reader*)closure;
        if (r->at + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(data, r->bytes->data() + r->at, length);
        r->at += length;
        return CAIRO_STATUS_SUCCESS;
      },
      &reader);
  *width = cairo_image_surface_get_width(surface);
  *height = cairo_image_surface_get_height(surface);
  std::string pixels;
  for (int y = 0; y < *height; ++y) {
    const uint32_t* row = (const uint32_t*)(cairo_image_surface_get_data(surface) +
                                            (size_t)y * (size_t)cairo_image_surface_get_stride(surface));
    pixels.append((const char*)row, (size_t)*width * 4);
  }
  cairo_surface_destroy(surface);
  return pixels;
}

std::string RampPng(int width, int height) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  for (int y = 0; y < height; ++y) {
    uint32_t* row = (uint32_t*)(cairo_image_surface_get_data(surface) +
                                (size_t)y * (size_t)cairo_image_surface_get_stride(surface));
    for (int x = 0; x < width; ++x) row[x] = 0xFF000000u | (uint32_t)(x * 40) << 16 | (uint32_t)(y * 60) << 8;
  }
  cairo_surface_mark_dirty(surface);
  std::string png;
  cairo_surface_write_to_png_stream(
      surface,
      [](void* closure, const unsigned char* data, unsigned int length) {
        ((std::string*)closure)->append((const char*)data, length);
        return CAIRO_STATUS_SUCCESS;
      },
      &png);
  cairo_surface_destroy(surface);
  return png;
}

TEST(PngTurn, MovesEveryPixelAndNothingElse) {
  const std::string png = RampPng(5, 3);
  int w = 0, h = 0, tw = 0, th = 0;
  const std::string before = PngPixels(png, &w, &h);
  const std::string right = PngPixels(Turned(png, TURN_RIGHT), &tw, &th);
  ASSERT_EQ(tw, 3);
  ASSERT_EQ(th, 5);
  // Clockwise: the bottom-left pixel comes to the top-left.
  for (int y = 0; y < th; ++y) {
    for (int x = 0; x < tw; ++x) {
      EXPECT_EQ(right.substr(((size_t)y * 3 + x) * 4, 4), before.substr(((size_t)(h - 1 - x) * 5 + y) * 4, 4));
    }
  }
  EXPECT_EQ(PngPixels(Turned(Turned(png, TURN_RIGHT), TURN_LEFT), &tw, &th), before);
}

TEST(PictureTurn, OnlyJpegAndPngAreOffered) {
  const struct {
    const char* name;
    bool offered;
  } names[] = {{"a.jpg", true}, {"B.JPEG", true}, {"c.Png", true}, {"d.gif", false}, {"e.webp", false}, {"jpg", false}};
  for (const auto& n : names) EXPECT_EQ(CanTurnPictureNamed(WideFromUtf8(n.name)), n.offered) << n.name;
  std::string out, reason;
  EXPECT_EQ(TurnPictureBytes("GIF89a....", TURN_RIGHT, false, &out, &reason), PICTURE_TURN_UNSUPPORTED);
  EXPECT_EQ(TurnPictureBytes(std::string("\xFF\xD8\xFF\xE0", 4), TURN_RIGHT, false, &out, &reason),
            PICTURE_TURN_FAILED);
  EXPECT_FALSE(reason.empty());
}

}  // namespace

// Why: every picture the desktop viewer shows beside a JPEG comes through
// one interface that must tell the format by the bytes, reduce towards the
// box as the JPEG path does, composite alpha over the window's white, report
// the orientation for the turn, and refuse crafted files with a reason, all
// inside the heap's budget and without leaving a block or a reservation behind.
#include "imaging/picturedecode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/heap.h"
#include "shell/memblock.h"
#include "support/craftedformats.h"
#include "support/dibpics.h"
#include "support/formatpics.h"
#include "support/testpics.h"

namespace {

struct Decoded {
  bool opened = false;
  PictureInfo info;
  CDibOwner dib;
  std::string reason;
};

Decoded DecodeBytes(const std::string& bytes, int box = 0, BOOL upright = FALSE) {
  Decoded out;
  FILE* stream = StreamOf(bytes);
  if (stream == nullptr) return out;
  {
    CPictureFile file;
    out.opened = file.OpenStream(stream, upright) != FALSE;
    out.info = file.Info();
    if (out.opened) out.dib.Reset(file.Decode(box, box));
    out.reason = PictureDecodeLastError();
  }
  std::fclose(stream);
  return out;
}

// Blue, green, red of pixel (x, y) counted from the top, grey as three equal lanes.
RGBQUAD PixelFromTop(CDib dib, int x, int y) {
  const BITMAPINFOHEADER h = DibHeaderOf(dib);
  const BYTE* p = DibPixel(dib, x, h.biHeight - 1 - y);
  return h.biBitCount == 8 ? RGBQUAD{p[0], p[0], p[0], 0} : RGBQUAD{p[0], p[1], p[2], 0};
}

bool Close(RGBQUAD a, RGBQUAD b, int tolerance) {
  return std::abs(a.rgbBlue - b.rgbBlue) <= tolerance && std::abs(a.rgbGreen - b.rgbGreen) <= tolerance &&
         std::abs(a.rgbRed - b.rgbRed) <= tolerance;
}

// Flat blocks of `block` pixels in colours that tell them apart.
Picture Blocks(int width, int height, int block, int components = 3) {
  Picture picture = MakePicture(width, height, components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < components; ++c) {
        picture.At(x, y)[c] = (uint8_t)(30 + ((x / block) * 67 + (y / block) * 29 + c * 101) % 190);
      }
    }
  }
  return picture;
}

// Nothing of the decode's stays behind: no block, nothing reserved.
class PictureDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_blocks = HeapBlockCount();
    m_budget = HeapBudget();
  }
  void TearDown() override {
    HeapSetBudget(m_budget);
    EXPECT_EQ(HeapBlockCount(), m_blocks);
    EXPECT_EQ(HeapBytesReserved(), 0u);
  }
  size_t m_blocks = 0;
  size_t m_budget = 0;
};

TEST_F(PictureDecodeTest, TheFormatIsToldByTheFirstBytes) {
  const Picture picture = Blocks(40, 30, 8);
  const struct {
    const char* what;
    std::string bytes;
    PictureFormat format;
  } kFiles[] = {
      {"JPEG", EncodeJpeg(picture), PICTURE_JPEG},
      {"PNG", EncodePng(picture), PICTURE_PNG},
      {"GIF", EncodeGif(picture), PICTURE_GIF},
      {"WebP lossy", EncodeWebp(picture), PICTURE_WEBP},
      {"WebP lossless", EncodeWebp(picture, {true}), PICTURE_WEBP},
      {"TIFF", EncodeTiff(picture), PICTURE_TIFF},
      {"HEIC", EncodeHeif(picture), PICTURE_HEIF},
      {"AVIF", EncodeHeif(picture, {true}), PICTURE_AVIF},
  };
  for (const auto& f : kFiles) {
    SCOPED_TRACE(f.what);
    ASSERT_FALSE(f.bytes.empty());
    EXPECT_EQ(PictureFormatOf((const BYTE*)f.bytes.data(), f.bytes.size()), f.format);
    const Decoded d = DecodeBytes(f.bytes);
    ASSERT_TRUE(d.dib) << d.reason;
    EXPECT_EQ(d.info.format, f.format);
    EXPECT_EQ(DibHeaderOf(d.dib.Get()).biWidth, 40);
    EXPECT_EQ(DibHeaderOf(d.dib.Get()).biHeight, 30);
    EXPECT_STREQ(PictureDecodeLastError(), "");
  }
  // Bytes no decoder knows: refused as damaged, never as memory.
  const struct {
    std::string bytes;
    const char* reason;
  } kUnknown[] = {
      {"no picture at all", "not a picture: starts with 0x6e 0x6f"},
      {"", "not a picture: empty file"},
      {std::string("\x89PNG\r\n", 6), "not a picture: starts with 0x89 0x50"},
      {std::string("RIFF\0\0\0\0WAVE", 12), "not a picture: starts with 0x52 0x49"},
      {std::string("\0\0\0\x18"
                   "ftypmp42\0\0\0\0isommp42",
                   24),
       "not a picture: starts with 0x00 0x00"},
  };
  for (const auto& u : kUnknown) {
    const Decoded d = DecodeBytes(u.bytes);
    EXPECT_FALSE(d.opened);
    EXPECT_EQ(d.reason, u.reason);
    EXPECT_EQ(PictureFailureOf(d.reason.c_str()), PICTURE_FAILURE_DAMAGED);
  }
}

TEST_F(PictureDecodeTest, PicturesAreReducedTowardsTheBoxAsTheyStreamIn) {
  // Blocks of 16 pixels: every reduction up to 1/16 averages flat blocks,
  // so exact formats give the block's colour exactly.
  const Picture picture = Blocks(400, 240, 16);
  const Picture grey = Blocks(400, 240, 16, 1);
  const struct {
    const char* what;
    std::string bytes;
    int box;
    int width, height;  // expected
    int tolerance;
    bool grey;
  } kCases[] = {
      {"PNG whole", EncodePng(picture), 0, 400, 240, 0, false},
      {"PNG 1/4", EncodePng(picture), 100, 100, 60, 0, false},
      {"PNG 1/4, 16 bits", EncodePng(picture, {16}), 100, 100, 60, 0, false},
      {"PNG 1/8, interlaced", EncodePng(picture, {8, false, true}), 50, 50, 30, 0, false},
      {"PNG grey 1/2", EncodePng(grey), 200, 200, 120, 0, true},
      {"PNG palette 1/16 (ceil)", EncodePng(Blocks(400, 240, 16), {8, true}), 25, 25, 15, 0, false},
      {"GIF 1/4", EncodeGif(Blocks(400, 240, 16)), 100, 100, 60, 26, false},
      {"GIF 1/2, interlaced", EncodeGif(Blocks(400, 240, 16), {true}), 200, 200, 120, 26, false},
      {"TIFF LZW 1/4", EncodeTiff(picture), 100, 100, 60, 0, false},
      {"TIFF 16-bit Deflate 1/8", EncodeTiff(picture, {16, 8}), 50, 50, 30, 0, false},
      {"TIFF tiled 1/2", EncodeTiff(picture, {8, 5, true}), 200, 200, 120, 0, false},
      {"TIFF separate planes 1/4", EncodeTiff(picture, {8, 1, false, true}), 100, 100, 60, 0, false},
      {"TIFF grey, white is zero, 1/4", EncodeTiff(grey, {8, 5, false, false, true}), 100, 100, 60, 0, true},
      {"TIFF JPEG 1/4", EncodeTiff(picture, {8, 7}), 100, 100, 60, 24, false},
      {"WebP lossless, scaled 1/4", EncodeWebp(picture, {true}), 100, 100, 60, 2, false},
      {"WebP lossy, scaled 1/2", EncodeWebp(picture, {false, 95}), 200, 200, 120, 12, false},
      {"HEIC 1/4", EncodeHeif(picture, {false, 95}), 100, 100, 60, 12, false},
      {"AVIF 1/4", EncodeHeif(picture, {true, 95}), 100, 100, 60, 12, false},
      {"box larger than the picture", EncodePng(picture), 1000, 400, 240, 0, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Decoded d = DecodeBytes(c.bytes, c.box);
    ASSERT_TRUE(d.dib) << d.reason;
    const BITMAPINFOHEADER h = DibHeaderOf(d.dib.Get());
    EXPECT_EQ(h.biWidth, c.width);
    EXPECT_EQ(h.biHeight, c.height);
    EXPECT_EQ(h.biBitCount, c.grey ? 8 : 24);
    EXPECT_EQ(MemSize(d.dib.Get()), 40 + (c.grey ? 1024u : 0u) + DibRowStride(d.dib.Get()) * (size_t)c.height);
    // Every output pixel is its block's colour (the middle of each block).
    const Picture& source = c.grey ? grey : picture;
    const int scale = 400 / c.width;
    for (int y = 0; y < c.height; y += 3) {
      for (int x = 0; x < c.width; x += 5) {
        const uint8_t* s = source.At(x * scale, y * scale);
        const RGBQUAD want = c.grey ? RGBQUAD{s[0], s[0], s[0], 0} : RGBQUAD{s[2], s[1], s[0], 0};
        ASSERT_TRUE(Close(PixelFromTop(d.dib.Get(), x, y), want, c.tolerance)) << x << ", " << y;
      }
    }
  }
}

uint8_t HalfAlpha(int x, int) {
  return x < 8 ? 0 : x < 16 ? 128 : 255;
}

TEST_F(PictureDecodeTest, AlphaIsCompositedOverTheWindowsWhite) {
  // Columns 0-7 transparent, 8-15 half, 16-23 opaque, of one colour.
  const Picture colour = WithAlpha(SolidColour(24, 8, 200, 100, 40), HalfAlpha);
  const Picture grey = WithAlpha(SolidGrey(24, 8, 60), HalfAlpha);
  // 200 at alpha 128 over 255: (200 × 128 + 255 × 127) / 255 = 227.4.
  const RGBQUAD kColour[] = {{255, 255, 255, 0}, {147, 177, 227, 0}, {40, 100, 200, 0}};
  const RGBQUAD kGrey[] = {{255, 255, 255, 0}, {157, 157, 157, 0}, {60, 60, 60, 0}};
  GifOptions transparent;
  transparent.transparentIndex = 3;
  const struct {
    const char* what;
    std::string bytes;
    const RGBQUAD* want;
    int tolerance;
    bool half;  // the half-transparent column keeps its alpha
  } kCases[] = {
      {"PNG RGBA", EncodePng(colour), kColour, 1, true},
      {"PNG RGBA 16 bits", EncodePng(colour, {16}), kColour, 1, true},
      {"PNG grey + alpha", EncodePng(grey), kGrey, 1, true},
      {"PNG palette + tRNS", EncodePng(colour, {8, true}), kColour, 1, true},
      {"GIF transparent index", EncodeGif(colour, transparent), kColour, 1, false},
      {"WebP lossless alpha", EncodeWebp(colour, {true}), kColour, 2, true},
      {"WebP lossy alpha", EncodeWebp(colour, {false, 100}), kColour, 8, true},
      {"TIFF unassociated alpha", EncodeTiff(colour), kColour, 1, true},
      {"TIFF 16-bit alpha, tiled", EncodeTiff(colour, {16, 8, true}), kColour, 1, true},
      {"HEIC alpha", EncodeHeif(colour, {false, 100}), kColour, 10, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Decoded d = DecodeBytes(c.bytes);
    ASSERT_TRUE(d.dib) << d.reason;
    EXPECT_TRUE(Close(PixelFromTop(d.dib.Get(), 3, 4), c.want[0], c.tolerance));
    if (c.half) {
      EXPECT_TRUE(Close(PixelFromTop(d.dib.Get(), 12, 4), c.want[1], c.tolerance));
    }
    EXPECT_TRUE(Close(PixelFromTop(d.dib.Get(), 20, 4), c.want[2], c.tolerance));
  }
}

TEST_F(PictureDecodeTest, TheOrientationIsReportedAndHeifTransformsOnlyWhenUpright) {
  const Picture picture = Blocks(48, 32, 8);
  TiffOptions tiff;
  tiff.orientation = 6;
  WebpOptions webp;
  webp.orientation = 8;
  PngOptions png;
  png.orientation = 3;
  HeifOptions heif;
  heif.orientation = 6;
  const struct {
    const char* what;
    std::string bytes;
    int orientation;  // reported on an upright open
  } kCases[] = {
      {"PNG eXIf", EncodePng(picture, png), 3},           {"WebP EXIF", EncodeWebp(picture, webp), 8},
      {"TIFF Orientation", EncodeTiff(picture, tiff), 6}, {"PNG without", EncodePng(picture), 0},
      {"JPEG without", EncodeJpeg(picture), 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Decoded upright = DecodeBytes(c.bytes, 0, TRUE);
    ASSERT_TRUE(upright.dib) << upright.reason;
    EXPECT_EQ(upright.info.orientation, c.orientation);
    // Reported, never applied: the pixels come as stored.
    EXPECT_EQ(DibHeaderOf(upright.dib.Get()).biWidth, 48);
  }
  // HEIF's own transformation: applied by the library on an upright open
  // (reported as none), left alone otherwise.
  const std::string heic = EncodeHeif(picture, heif);
  const Decoded stood = DecodeBytes(heic, 0, TRUE);
  const Decoded stored = DecodeBytes(heic, 0, FALSE);
  ASSERT_TRUE(stood.dib && stored.dib) << stood.reason << stored.reason;
  EXPECT_EQ(stood.info.orientation, 0);
  EXPECT_EQ(DibHeaderOf(stood.dib.Get()).biWidth, 32);
  EXPECT_EQ(DibHeaderOf(stood.dib.Get()).biHeight, 48);
  EXPECT_EQ(DibHeaderOf(stored.dib.Get()).biWidth, 48);
  // Orientation 6 turns clockwise: the stored top-left corner lands top-right.
  EXPECT_TRUE(Close(PixelFromTop(stood.dib.Get(), 31, 0), PixelFromTop(stored.dib.Get(), 0, 0), 12));
}

TEST_F(PictureDecodeTest, HeifThumbnailsServeTheGridWhenLargeEnough) {
  const Picture picture = Blocks(640, 480, 32);
  HeifOptions options;
  options.thumbnail = 160;
  const std::string heic = EncodeHeif(picture, options);
  ASSERT_FALSE(heic.empty());
  const struct {
    int box;
    int width;  // 160 from the thumbnail; otherwise the main picture reduced
  } kCases[] = {{160, 160}, {400, 160}, {410, 320}, {0, 640}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.box);
    const Decoded d = DecodeBytes(heic, c.box);
    ASSERT_TRUE(d.dib) << d.reason;
    EXPECT_EQ(DibHeaderOf(d.dib.Get()).biWidth, c.width);
  }
}

TEST_F(PictureDecodeTest, CraftedFilesAreRefusedWithAReasonWithinTheBudget) {
  HeapSetBudget(HeapBytesInUse() + (64u << 20));
  const struct {
    const char* name;
    const char* reason;  // "" for a picture; a prefix otherwise
    int box;
  } kCases[] = {
      {"PNG 100000 x 100000 header", "picture too large", 160},
      {"PNG 30000 x 3000 of black rows", "", 160},
      {"PNG 30000 x 3000 of black rows", "not enough memory", 0},
      {"PNG with 20 MB of chunks", "too much data for its size", 160},
      {"PNG palette out of range", "", 0},
      {"PNG truncated", "PNG: ", 160},
      {"GIF 65535 x 65535 screen", "picture too large", 160},
      {"GIF 20000 records before the frame", "too many frames", 160},
      {"GIF palette out of range", "", 0},
      {"GIF truncated", "GIF: ", 160},
      {"WebP 16384 x 16384 canvas", "picture too large", 160},
      {"WebP 20000 frames", "too many frames", 160},
      {"WebP truncated", "WebP: ", 160},
      {"TIFF 1000000 x 1000000", "picture too large", 160},
      {"TIFF strip claiming 4 GB", "", 160},
      {"TIFF truncated", "TIFF: ", 160},
      {"HEIC 60000 x 60000 ispe", "picture too large", 160},
      {"HEIC truncated", "HEIF: ", 160},
  };
  const std::vector<CraftedFile> files = CraftedFormatFiles();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const CraftedFile* file = nullptr;
    for (const CraftedFile& f : files) {
      if (f.name == c.name) file = &f;
    }
    ASSERT_NE(file, nullptr);
    const Decoded d = DecodeBytes(file->bytes, c.box);
    EXPECT_EQ((bool)d.dib, c.reason[0] == '\0') << d.reason;
    EXPECT_EQ(d.reason.compare(0, std::strlen(c.reason), c.reason), 0) << d.reason;
    EXPECT_LE(HeapPeakBytes(), HeapBudget());
  }
  // A colour table too short for its pixels: the missing entries are black.
  const Decoded png = DecodeBytes(files[3].bytes);
  ASSERT_TRUE(png.dib);
  EXPECT_TRUE(Close(PixelFromTop(png.dib.Get(), 2, 2), RGBQUAD{0, 0, 0, 0}, 0));
}

}  // namespace

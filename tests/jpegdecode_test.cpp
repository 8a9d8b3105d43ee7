// Why: the decoding glue decides what every page shows (the bitmap header
// and block arithmetic, the reduced scale, the Exif thumbnail choice) and
// stands between the library and any file on the device: bad files must
// come back as null without a crash, a leak or a block past the budget.
#include "imaging/jpegdecode.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "filelist/imagefilelist.h"
#include "imaging/rowswap.h"
#include "platform/base/heap.h"
#include "shell/memblock.h"
#include "support/craftedpics.h"
#include "support/dibpics.h"
#include "support/exifwriter.h"
#include "support/scenes.h"
#include "support/temp_device.h"
#include "support/testpics.h"

namespace {

CDib Decode(const std::string& bytes, int width = 0, int height = 0, BOOL allow = TRUE) {
  FILE* stream = StreamOf(bytes);
  if (stream == nullptr) return nullptr;
  CDib dib = DecodeJpegStream(stream, width, height, allow);
  std::fclose(stream);
  return dib;
}

JpegOptions Exact() {
  JpegOptions options;
  options.quality = 100;
  options.fullChroma = true;
  return options;
}

// Blue, green, red bytes of a 24-bit pixel, within a JPEG's rounding.
void ExpectBgr(CDib dib, int x, int row, int red, int green, int blue, int tolerance = 3) {
  const BYTE* p = DibPixel(dib, x, row);
  EXPECT_NEAR(p[0], blue, tolerance) << "blue at " << x << "," << row;
  EXPECT_NEAR(p[1], green, tolerance) << "green at " << x << "," << row;
  EXPECT_NEAR(p[2], red, tolerance) << "red at " << x << "," << row;
}

// Restores the heap budget whatever a test does with it.
class BudgetGuard {
 public:
  BudgetGuard() : m_budget(HeapBudget()) {}
  ~BudgetGuard() { HeapSetBudget(m_budget); }

 private:
  size_t m_budget;
};

TEST(DecodeRowCopy, EveryWidthSwapsRedAndBlueAndWritesNoMore) {
  // The shuffled copy works in steps of five pixels and one of four; widths
  // around those steps catch a wrong tail or an overlong store.
  std::vector<BYTE> in(3 * 64), out(3 * 64 + 16);
  for (size_t i = 0; i < in.size(); ++i) in[i] = (BYTE)(i * 7 + 1);
  for (size_t width = 0; width <= 64; ++width) {
    std::fill(out.begin(), out.end(), 0xEE);
    CopyRowRgbToBgr(in.data(), out.data(), width);
    for (size_t x = 0; x < width; ++x) {
      ASSERT_EQ(out[3 * x], in[3 * x + 2]) << width << " " << x;
      ASSERT_EQ(out[3 * x + 1], in[3 * x + 1]) << width << " " << x;
      ASSERT_EQ(out[3 * x + 2], in[3 * x]) << width << " " << x;
    }
    for (size_t i = 3 * width; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << width << " " << i;
  }
}

TEST(DecodeLayout, ColourHeaderAndBlockSize) {
  const CDibOwner dib(Decode(EncodeJpeg(SolidColour(37, 21, 10, 20, 30))));
  ASSERT_NE(dib.Get(), nullptr);
  const BITMAPINFOHEADER h = DibHeaderOf(dib.Get());
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 37);
  EXPECT_EQ(h.biHeight, 21);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, 0u);
  EXPECT_EQ(h.biSizeImage, 112u * 21u);  // 111 bytes filled to 112
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_EQ(h.biClrImportant, 0u);
  EXPECT_EQ(MemSize(dib.Get()), 40u + 112u * 21u);
  for (int row = 0; row < 21; ++row) EXPECT_EQ(DibPixel(dib.Get(), 0, row)[111], 0) << "fill byte of row " << row;
}

TEST(DecodeLayout, GreyHeaderPaletteAndStride) {
  const CDibOwner dib(Decode(EncodeJpeg(SolidGrey(5, 3, 90), Exact())));
  ASSERT_NE(dib.Get(), nullptr);
  const BITMAPINFOHEADER h = DibHeaderOf(dib.Get());
  EXPECT_EQ(h.biBitCount, 8);
  EXPECT_EQ(h.biClrUsed, 256u);
  EXPECT_EQ(h.biSizeImage, 8u * 3u);
  EXPECT_EQ(MemSize(dib.Get()), 40u + 1024u + 24u);
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD* q = DibPalette(dib.Get(), i);
    ASSERT_TRUE(q->rgbBlue == i && q->rgbGreen == i && q->rgbRed == i && q->rgbReserved == 0) << i;
  }
  for (int row = 0; row < 3; ++row) {
    for (int x = 0; x < 5; ++x) EXPECT_NEAR(*DibPixel(dib.Get(), x, row), 90, 1);
    for (int x = 5; x < 8; ++x) EXPECT_EQ(*DibPixel(dib.Get(), x, row), 0);
  }
}

TEST(DecodeLayout, OnePixelWideColourHasStrideFour) {
  const CDibOwner dib(Decode(EncodeJpeg(SolidColour(1, 4, 250, 120, 10), Exact())));
  ASSERT_NE(dib.Get(), nullptr);
  EXPECT_EQ(MemSize(dib.Get()), 40u + 4u * 4u);
  for (int row = 0; row < 4; ++row) {
    ExpectBgr(dib.Get(), 0, row, 250, 120, 10);
    EXPECT_EQ(DibPixel(dib.Get(), 0, row)[3], 0);
  }
}

TEST(DecodeLayout, OneByOne) {
  const CDibOwner dib(Decode(EncodeJpeg(SolidColour(1, 1, 0, 0, 255), Exact())));
  ASSERT_NE(dib.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, 1);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biHeight, 1);
  ExpectBgr(dib.Get(), 0, 0, 0, 0, 255);
}

TEST(DecodeLayout, JfifDensities) {
  struct Case {
    int unit, x, y;
    bool jfif;
    LONG xm, ym;
  };
  const Case cases[] = {{1, 72, 72, true, 2834, 2834}, {1, 72, 96, true, 2834, 3779}, {2, 28, 28, true, 2800, 2800},
                        {2, 10, 40, true, 1000, 4000}, {0, 1, 1, true, 0, 0},         {1, 300, 300, false, 0, 0}};
  for (const Case& c : cases) {
    JpegOptions options;
    options.densityUnit = c.unit;
    options.xDensity = c.x;
    options.yDensity = c.y;
    options.jfif = c.jfif;
    const CDibOwner dib(Decode(EncodeJpeg(SolidGrey(8, 8, 0), options)));
    ASSERT_NE(dib.Get(), nullptr);
    EXPECT_EQ(DibHeaderOf(dib.Get()).biXPelsPerMeter, c.xm) << c.unit << " " << c.x;
    EXPECT_EQ(DibHeaderOf(dib.Get()).biYPelsPerMeter, c.ym) << c.unit << " " << c.y;
  }
}

TEST(DecodePixels, BgrOrderAndBottomRowFirst) {
  // Top 8 rows red, bottom 8 rows blue; MCU-aligned so the colours stay flat.
  Picture picture = SolidColour(16, 16, 220, 30, 40);
  for (int y = 8; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      uint8_t* p = picture.At(x, y);
      p[0] = 20;
      p[1] = 60;
      p[2] = 230;
    }
  }
  const CDibOwner dib(Decode(EncodeJpeg(picture, Exact())));
  ASSERT_NE(dib.Get(), nullptr);
  ExpectBgr(dib.Get(), 0, 0, 20, 60, 230);  // storage row 0: the last scanline
  ExpectBgr(dib.Get(), 15, 7, 20, 60, 230);
  ExpectBgr(dib.Get(), 0, 15, 220, 30, 40);  // the first scanline is the top row
  ExpectBgr(dib.Get(), 15, 8, 220, 30, 40);
}

TEST(DecodePixels, ProgressiveMatchesBaseline) {
  JpegOptions progressive = Exact();
  progressive.progressive = true;
  for (int components : {1, 3}) {
    Picture picture = components == 3 ? RampPicture(40, 24) : SolidGrey(40, 24, 77);
    const CDibOwner a(Decode(EncodeJpeg(picture, Exact())));
    const CDibOwner b(Decode(EncodeJpeg(picture, progressive)));
    ASSERT_NE(a.Get(), nullptr);
    ASSERT_NE(b.Get(), nullptr);
    ASSERT_EQ(MemSize(a.Get()), MemSize(b.Get()));
    const BYTE* pa = (const BYTE*)a.Get();
    const BYTE* pb = (const BYTE*)b.Get();
    for (size_t i = 0; i < MemSize(a.Get()); ++i) ASSERT_NEAR(pa[i], pb[i], 2) << "byte " << i;
  }
}

TEST(DecodeReduction, WorkedReductionsForTheBrowserBox) {
  struct Case {
    int w, h, tw, th, ow, oh;
  };
  const Case cases[] = {
      {640, 480, 160, 160, 160, 120}, {1600, 1200, 160, 160, 200, 150}, {120, 90, 160, 160, 120, 90},
      {320, 240, 320, 240, 320, 240}, {2048, 64, 160, 160, 256, 8},     {641, 480, 160, 160, 81, 60},
      {640, 480, 0, 0, 640, 480},     {640, 480, 160, 0, 640, 480},     {640, 480, -5, 160, 640, 480}};
  for (const Case& c : cases) {
    const CDibOwner dib(Decode(EncodeJpeg(SolidGrey(c.w, c.h, 128)), c.tw, c.th));
    ASSERT_NE(dib.Get(), nullptr);
    EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, c.ow) << c.w << "x" << c.h << " to " << c.tw << "x" << c.th;
    EXPECT_EQ(DibHeaderOf(dib.Get()).biHeight, c.oh) << c.w << "x" << c.h << " to " << c.tw << "x" << c.th;
  }
}

class DecodeExif : public ::testing::Test {
 protected:
  // Main picture red, embedded thumbnail green: the colour tells which one
  // was decoded.
  void SetUp() override {
    m_main = EncodeJpeg(SolidColour(640, 480, 200, 0, 0), Exact());
    m_thumb = EncodeJpeg(SolidColour(160, 120, 0, 200, 0), Exact());
    m_file = CameraFile(m_main, m_thumb);
    ASSERT_FALSE(m_file.empty());
  }
  std::string m_main, m_thumb, m_file;
};

TEST_F(DecodeExif, BoxDecodesTheEmbeddedThumbnail) {
  const CDibOwner dib(Decode(m_file, 160, 160, TRUE));
  ASSERT_NE(dib.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, 160);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biHeight, 120);
  ExpectBgr(dib.Get(), 80, 60, 0, 200, 0);
}

TEST_F(DecodeExif, DisallowedThumbnailRewindsToTheMainPicture) {
  const CDibOwner dib(Decode(m_file, 160, 160, FALSE));
  ASSERT_NE(dib.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, 160);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biHeight, 120);
  ExpectBgr(dib.Get(), 80, 60, 200, 0, 0);
}

TEST_F(DecodeExif, NoBoxDecodesTheMainPictureAtFullSize) {
  const CDibOwner dib(Decode(m_file));
  ASSERT_NE(dib.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, 640);
  ExpectBgr(dib.Get(), 10, 10, 200, 0, 0);
}

TEST_F(DecodeExif, BigEndianAndSmallerThumbnails) {
  ExifLayout layout;
  layout.bigEndian = true;
  layout.ifd0Offset = 26;
  const std::string file = CameraFile(m_main, EncodeJpeg(SolidColour(80, 60, 0, 0, 200), Exact()), layout);
  const CDibOwner dib(Decode(file, 160, 160, TRUE));
  ASSERT_NE(dib.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, 80);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biHeight, 60);
  ExpectBgr(dib.Get(), 40, 30, 0, 0, 200);
}

TEST_F(DecodeExif, WithoutABoxTheStreamIsUsedWhereItStands) {
  FILE* stream = StreamOf("junk" + m_thumb);
  ASSERT_NE(stream, nullptr);
  std::fseek(stream, 4, SEEK_SET);
  const CDibOwner dib(DecodeJpegStream(stream, 0, 0, TRUE));
  std::fclose(stream);
  ASSERT_NE(dib.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, 160);
}

TEST_F(DecodeExif, GarbageThumbnailFailsWithoutFallingBack) {
  const size_t blocks = HeapBlockCount();
  std::string garbage = m_file;
  const size_t at = ThumbnailOffset(garbage);
  for (size_t i = 0; i < 64; ++i) garbage[at + i] = (char)(i * 37 + 1);
  EXPECT_EQ(Decode(garbage, 160, 160, TRUE), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
  // The main picture itself is fine.
  CDibOwner dib(Decode(garbage, 160, 160, FALSE));
  ASSERT_NE(dib.Get(), nullptr);
  dib.Reset();

  // A pointer past the end of the file: nothing to read there.
  ExifLayout layout;
  std::string past = CameraFile(m_main, m_thumb, layout);
  const size_t pointer = past.find(std::string("\x01\x02\x04\x00", 4));
  ASSERT_NE(pointer, std::string::npos);
  past[pointer + 8] = past[pointer + 9] = past[pointer + 10] = '\x7F';
  EXPECT_EQ(Decode(past, 160, 160, TRUE), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
}

TEST(DecodeFailure, BadFilesGiveNullAndLeaveNothing) {
  const size_t blocks = HeapBlockCount();
  EXPECT_EQ(DecodeJpegStream(nullptr, 0, 0, TRUE), nullptr);
  EXPECT_EQ(DecodeJpegStream(nullptr, 160, 160, TRUE), nullptr);
  EXPECT_EQ(Decode(std::string()), nullptr);
  EXPECT_EQ(Decode(std::string(), 160, 160), nullptr);
  EXPECT_EQ(Decode("not a JPEG at all, just text"), nullptr);
  EXPECT_EQ(Decode(std::string("\xFF\xD8", 2)), nullptr);
  EXPECT_EQ(Decode(std::string("\xFF\xD8\xFF\xD9", 4)), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
}

TEST(DecodeFailure, PicturesTheLibraryOrTheGlueRefuse) {
  const size_t blocks = HeapBlockCount();
  // Four components.
  EXPECT_EQ(Decode(EncodeJpeg(SolidCmyk(16, 16, 10, 20, 30, 40))), nullptr);
  EXPECT_EQ(Decode(EncodeJpeg(SolidCmyk(640, 480, 10, 20, 30, 40)), 160, 160), nullptr);
  // 12-bit samples and the lossless process are not for an 8-bit library.
  std::string twelve = EncodeJpeg(SolidGrey(16, 16, 9));
  ASSERT_TRUE(SetFramePrecision(&twelve, 12));
  EXPECT_EQ(Decode(twelve), nullptr);
  std::string lossless = EncodeJpeg(SolidGrey(16, 16, 9));
  ASSERT_TRUE(SetFrameType(&lossless, 0xC3));
  EXPECT_EQ(Decode(lossless), nullptr);
  std::string empty = EncodeJpeg(SolidGrey(16, 16, 9));
  ASSERT_TRUE(SetFrameSize(&empty, 0, 16));
  EXPECT_EQ(Decode(empty), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
}

TEST(DecodeFailure, EveryTruncationIsSafe) {
  const std::string file = EncodeJpeg(RampPicture(24, 16));
  const size_t blocks = HeapBlockCount();
  int pictures = 0;
  for (size_t cut = 0; cut < file.size(); cut += 3) {
    CDib dib = Decode(file.substr(0, cut));
    if (dib != nullptr) {
      // Warnings only: the picture comes back at its full size.
      EXPECT_EQ(DibHeaderOf(dib).biWidth, 24) << cut;
      EXPECT_EQ(DibHeaderOf(dib).biHeight, 16) << cut;
      ++pictures;
      MemFree(dib);
    }
    ASSERT_EQ(HeapBlockCount(), blocks) << "cut at " << cut;
  }
  // Cuts inside the scan data end early with a warning, not an error.
  EXPECT_GT(pictures, 0);
}

TEST(DecodeFailure, WarningsPrintNothing) {
  const std::string file = EncodeJpeg(RenderScene(kSceneStripes, 64, 64, 1));
  ASSERT_NE(FindMarker(file, 0xDA), std::string::npos);
  ASSERT_LT(FindMarker(file, 0xDA), file.size() / 2);
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  const CDibOwner truncated(Decode(file.substr(0, file.size() / 2)));
  CDib garbage = Decode("garbage");
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  ASSERT_NE(truncated.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(truncated.Get()).biWidth, 64);
  EXPECT_EQ(garbage, nullptr);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
}

// What a decode of `file` reserves for the library beside its block, read
// from the heap's peak.
size_t LibraryReservation(const std::string& file) {
  BudgetGuard guard;
  HeapSetBudget(kDefaultHeapBudget);
  const size_t before = HeapBytesInUse();
  HeapResetPeak();
  CDibOwner dib(Decode(file));
  if (dib.Get() == nullptr) return 0;
  const size_t reserved = HeapPeakBytes() - before - MemSize(dib.Get());
  dib.Reset();
  return reserved;
}

TEST(DecodeMemory, BlockPastTheBudgetFailsCleanly) {
  BudgetGuard guard;
  const std::string file = EncodeJpeg(SolidColour(200, 200, 1, 2, 3));
  const size_t blocks = HeapBlockCount();
  // The block needs 40 + 600 × 200 bytes; leave room for less.
  HeapSetBudget(HeapBytesInUse() + 100000);
  EXPECT_EQ(Decode(file), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
  // The library's rows and tables are charged beside the block: a few
  // dozen KB for 200 pixels of width, nothing like a whole picture.
  const size_t library = LibraryReservation(file);
  EXPECT_GT(library, 16u * 1024);
  EXPECT_LT(library, 64u * 1024);
  HeapSetBudget(HeapBytesInUse() + 40 + 600 * 200 + library - 1);
  EXPECT_EQ(Decode(file), nullptr);
  EXPECT_STREQ(JpegLastError(), "not enough memory");
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_EQ(HeapBytesReserved(), 0u);
  HeapSetBudget(HeapBytesInUse() + 40 + 600 * 200 + library);
  const CDibOwner dib(Decode(file));
  EXPECT_NE(dib.Get(), nullptr);
  EXPECT_EQ(HeapBytesReserved(), 0u);
}

TEST(DecodeMemory, HugeHeadersFailBeforeAnythingIsAllocated) {
  BudgetGuard guard;
  // 65,500 × 65,500 colour: 12.9 GB of rows, more than the header's 32-bit
  // image size can describe; refused even without a budget.
  std::string colour = EncodeJpeg(SolidColour(16, 16, 5, 5, 5));
  ASSERT_TRUE(SetFrameSize(&colour, 65500, 65500));
  // 65,500 × 65,500 grey: 4.29 GB, just inside 32 bits; the budget refuses it.
  std::string grey = EncodeJpeg(SolidGrey(16, 16, 5));
  ASSERT_TRUE(SetFrameSize(&grey, 65500, 65500));
  // 30,000 × 20,000 grey: 600 MB against a 64 MB budget.
  std::string smaller = EncodeJpeg(SolidGrey(16, 16, 5));
  ASSERT_TRUE(SetFrameSize(&smaller, 30000, 20000));

  struct Case {
    const std::string* file;
    size_t budget;
  };
  const Case cases[] = {{&colour, kDefaultHeapBudget},
                        {&colour, SIZE_MAX},
                        {&grey, kDefaultHeapBudget},
                        {&smaller, HeapBytesInUse() + 64 * 1024 * 1024}};
  for (const Case& c : cases) {
    HeapSetBudget(c.budget);
    const size_t blocks = HeapBlockCount();
    const size_t before = HeapBytesInUse();
    HeapResetPeak();
    EXPECT_EQ(Decode(*c.file), nullptr);
    EXPECT_EQ(HeapBlockCount(), blocks);
    EXPECT_EQ(HeapPeakBytes(), before);
  }
}

long MaxResidentKb() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(DecodeMemory, ProgressiveBombFailsInsideTheLibrary) {
  BudgetGuard guard;
  // A progressive picture keeps all coefficients: 30,000 × 30,000 colour
  // would need about 2.7 GB inside the library. Its limit is what the heap
  // could still give.
  JpegOptions options;
  options.progressive = true;
  std::string file = EncodeJpeg(SolidColour(16, 16, 9, 9, 9), options);
  ASSERT_TRUE(SetFrameSize(&file, 30000, 30000));
  HeapSetBudget(HeapBytesInUse() + 64 * 1024 * 1024);
  const long before = MaxResidentKb();
  const size_t blocks = HeapBlockCount();
  EXPECT_EQ(Decode(file), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_LT(MaxResidentKb() - before, 256 * 1024);
}

TEST(DecodeMemory, AllocationGivesBackCachedThumbnails) {
  TempDevice device;
  BudgetGuard guard;
  const std::string file = EncodeJpeg(SolidColour(200, 200, 1, 2, 3));
  CImageFileList list;
  CDibOwner thumbnail(NewTestDib(64, 48, 24));
  ASSERT_TRUE(list.StoreThumbnail(0, thumbnail.Get(), (DWORD)MemSize(thumbnail.Get())));
  thumbnail.Reset();
  // Room for the picture only once the thumbnail block is gone.
  HeapSetBudget(HeapBytesInUse() + 40 + 600 * 200 - 1000);
  CDibOwner dib(Decode(file));
  EXPECT_NE(dib.Get(), nullptr);
  EXPECT_EQ(list.m_apThumbBlock[0], nullptr);
  EXPECT_EQ(list.GetError(), LIST_ERROR_NONE);
  dib.Reset();
  // Nothing left to give back: null, and the list knows why.
  HeapSetBudget(HeapBytesInUse() + 1000);
  EXPECT_EQ(Decode(file), nullptr);
  EXPECT_EQ(list.GetError(), LIST_ERROR_NO_MEMORY);
}

// The reservation is an upper bound of what the library allocates. For a
// multi-scan file the library itself checks that bound (its limit is what
// was reserved): every layout, width and scale below fails if the row and
// table allowance is short. Afterwards nothing stays reserved.
TEST(DecodeMemory, LibraryReservationCoversEveryLayout) {
  struct Layout {
    const char* name;
    int components, lumaH, lumaV;
  };
  const Layout layouts[] = {{"grey", 1, 0, 0},  {"4:4:4", 3, 1, 1}, {"4:2:0", 3, 2, 2},
                            {"4:2:2", 3, 2, 1}, {"4:4:0", 3, 1, 2}, {"4:1:1", 3, 4, 1}};
  const size_t blocks = HeapBlockCount();
  const size_t inUse = HeapBytesInUse();
  for (const Layout& layout : layouts) {
    for (int width : {1, 17, 333}) {
      for (bool progressive : {false, true}) {
        JpegOptions options;
        options.progressive = progressive;
        options.lumaH = layout.lumaH;
        options.lumaV = layout.lumaV;
        const int height = width * 3 / 4 + 1;
        const std::string file =
            EncodeJpeg(layout.components == 1 ? SolidGrey(width, height, 60) : RampPicture(width, height), options);
        ASSERT_FALSE(file.empty()) << layout.name;
        for (int box : {0, width / 2, width / 4, width / 8}) {
          CDibOwner dib(Decode(file, box, box));
          ASSERT_NE(dib.Get(), nullptr) << layout.name << " " << width << " progressive " << progressive << " box "
                                        << box << ": " << JpegLastError();
          EXPECT_STREQ(JpegLastError(), "");
          dib.Reset();
          ASSERT_EQ(HeapBytesReserved(), 0u);
        }
      }
    }
  }
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_EQ(HeapBytesInUse(), inUse);
}

// A progressive picture keeps every coefficient while it decodes; that
// buffer is now part of the bill. When the block fits but the block and the
// library together do not, the decode fails as out of memory; on the
// retrying path cached thumbnails are given back for the library too.
TEST(DecodeMemory, LibraryMemoryCountsAgainstTheBudget) {
  TempDevice device;
  BudgetGuard guard;
  JpegOptions options;
  options.progressive = true;
  // 1024 × 1024 grey: a 1 MB block at full size, a 2 MB coefficient buffer.
  const std::string file = EncodeJpeg(SolidGrey(1024, 1024, 200), options);
  const size_t blockBytes = 40 + 1024 + 1024 * 1024;
  const size_t coefficientBytes = 128 * 128 * 128;
  HeapSetBudget(HeapBytesInUse() + blockBytes + coefficientBytes / 2);
  EXPECT_EQ(Decode(file), nullptr);
  EXPECT_STREQ(JpegLastError(), "not enough memory");
  EXPECT_EQ(HeapBytesReserved(), 0u);

  // The same room beside a cache of thumbnails to give back.
  HeapSetBudget(kDefaultHeapBudget);
  CImageFileList list;
  CDibOwner thumbnail(NewTestDib(64, 48, 24));
  int stored = 0;
  while (stored < 50 &&
         list.StoreThumbnail(stored * THUMBS_PER_BLOCK, thumbnail.Get(), (DWORD)MemSize(thumbnail.Get()))) {
    ++stored;
  }
  thumbnail.Reset();
  ASSERT_EQ(stored, 50);  // 50 blocks of 61,660 bytes: about 3 MB to give back
  HeapSetBudget(HeapBytesInUse() + blockBytes + coefficientBytes / 2);
  const size_t budget = HeapBudget();
  HeapResetPeak();
  const CDibOwner dib(Decode(file));
  ASSERT_NE(dib.Get(), nullptr) << JpegLastError();
  EXPECT_LE(HeapPeakBytes(), budget);
  EXPECT_EQ(list.GetError(), LIST_ERROR_NONE);
  int given = 0;
  for (int i = 0; i < stored; ++i) given += list.m_apThumbBlock[i] == nullptr ? 1 : 0;
  EXPECT_GT(given, 0);
  EXPECT_LT(given, stored);  // only as many as the library needed
  EXPECT_EQ(HeapBytesReserved(), 0u);
}

// The crafted regression set: scan bombs that kept the decoder busy for 9
// and 44 seconds, and 140 bytes announcing a 5600 × 5600 progressive frame,
// whose coefficients (62.7 MB) and bitmap (31.4 MB) together do not fit
// `--memory 64`. Each is refused at the grid's box and at full size, and
// nothing stays allocated or reserved.
TEST(DecodeCrafted, ScanBombsAndTheTinyHugeFrameAreRefused) {
  BudgetGuard guard;
  HeapSetBudget(HeapBytesInUse() + 64 * 1024 * 1024);
  const std::string thirtyThousand = ManyScanJpeg(4000, 4000, 30000);
  const std::string fiveThousand = ManyScanJpeg(4000, 4000, 5000);
  const std::string tiny = TinyProgressiveGrey(5600, 5600);
  EXPECT_GT(thirtyThousand.size(), 1000u * 1000);
  EXPECT_LT(thirtyThousand.size(), 1200u * 1000);
  EXPECT_GT(fiveThousand.size(), 150u * 1000);
  EXPECT_LT(fiveThousand.size(), 250u * 1000);
  EXPECT_EQ(tiny.size(), 140u);

  struct Case {
    const char* name;
    const std::string* file;
    int box;
    const char* reason;
  };
  const Case cases[] = {{"30,000 scans", &thirtyThousand, 160, "too many scans"},
                        {"30,000 scans", &thirtyThousand, 0, "too many scans"},
                        {"5,000 scans", &fiveThousand, 160, "too many scans"},
                        {"5,000 scans", &fiveThousand, 0, "too many scans"},
                        {"140 bytes", &tiny, 0, "not enough memory"}};
  const size_t blocks = HeapBlockCount();
  const size_t inUse = HeapBytesInUse();
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(*c.file, c.box, c.box), nullptr) << c.name << " box " << c.box;
    EXPECT_STREQ(JpegLastError(), c.reason) << c.name << " box " << c.box;
    EXPECT_EQ(HeapBytesReserved(), 0u) << c.name << " box " << c.box;
    EXPECT_EQ(HeapBlockCount(), blocks) << c.name << " box " << c.box;
    EXPECT_EQ(HeapBytesInUse(), inUse) << c.name << " box " << c.box;
  }
}

// The grid's decode of the 140-byte file is 1/8 of the frame: its block is
// small, but the library still holds every coefficient. That buffer is
// charged while it decodes, and block and library stay inside the budget.
TEST(DecodeCrafted, TinyHugeFrameInTheGridIsChargedInFull) {
  BudgetGuard guard;
  HeapSetBudget(HeapBytesInUse() + 64 * 1024 * 1024);
  const size_t before = HeapBytesInUse();
  HeapResetPeak();
  const CDibOwner dib(Decode(TinyProgressiveGrey(5600, 5600), 160, 160));
  ASSERT_NE(dib.Get(), nullptr) << JpegLastError();
  EXPECT_EQ(DibHeaderOf(dib.Get()).biWidth, 700);
  EXPECT_EQ(DibHeaderOf(dib.Get()).biHeight, 700);
  EXPECT_EQ(*DibPixel(dib.Get(), 350, 350), 128);  // flat blocks: the middle grey
  const size_t coefficients = (size_t)700 * 700 * 128;
  EXPECT_GE(HeapPeakBytes() - before, MemSize(dib.Get()) + coefficients);
  EXPECT_LE(HeapPeakBytes(), HeapBudget());
  EXPECT_EQ(HeapBytesReserved(), 0u);
}

TEST(DecodeCrafted, ScanLimitIsExact) {
  const size_t blocks = HeapBlockCount();
  CDibOwner dib(Decode(ManyScanJpeg(64, 48, kJpegMaxScans)));
  ASSERT_NE(dib.Get(), nullptr) << JpegLastError();
  for (int row = 0; row < 48; ++row) {
    for (int x = 0; x < 64; ++x) ASSERT_EQ(*DibPixel(dib.Get(), x, row), 128) << x << "," << row;
  }
  dib.Reset();
  EXPECT_EQ(Decode(ManyScanJpeg(64, 48, kJpegMaxScans + 1)), nullptr);
  EXPECT_STREQ(JpegLastError(), "too many scans");
  EXPECT_EQ(Decode(ManyScanJpeg(64, 48, kJpegMaxScans + 1), 16, 16), nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_EQ(HeapBytesReserved(), 0u);
}

// Each failure names its reason, for the thread that decoded: workers
// making thumbnails at the same time never see each other's.
TEST(DecodeFailure, LastErrorSaysWhyForTheCallingThread) {
  TempDevice device;
  BudgetGuard guard;
  std::string tooLarge = EncodeJpeg(SolidColour(16, 16, 5, 5, 5));
  ASSERT_TRUE(SetFrameSize(&tooLarge, 65500, 65500));
  std::string tooMuch = EncodeJpeg(SolidGrey(16, 16, 5));
  ASSERT_TRUE(SetFrameSize(&tooMuch, 30000, 20000));
  struct Case {
    std::string file;
    int box;
    const char* reason;
  };
  const std::vector<Case> cases = {{"not a JPEG at all, just text", 0, "Not a JPEG file: starts with 0x6e 0x6f"},
                                   {"not a JPEG at all, just text", 160, "Not a JPEG file: starts with 0x6e 0x6f"},
                                   {std::string(), 0, "Empty input file"},
                                   {EncodeJpeg(SolidCmyk(16, 16, 1, 2, 3, 4)), 0, "unsupported colour layout (CMYK)"},
                                   {tooLarge, 0, "picture too large"},
                                   {tooMuch, 0, "not enough memory"},
                                   {EncodeJpeg(SolidGrey(16, 16, 5)), 0, ""}};
  HeapSetBudget(HeapBytesInUse() + 64 * 1024 * 1024);
  for (const Case& c : cases) {
    const CDibOwner dib(Decode(c.file, c.box, c.box));
    EXPECT_EQ(dib.Get() == nullptr, c.reason[0] != '\0') << c.reason;
    EXPECT_STREQ(JpegLastError(), c.reason);
  }
  EXPECT_EQ(LoadJpeg(u"\\missing.jpg"), nullptr);
  EXPECT_STREQ(JpegLastError(), "cannot open the file");
  EXPECT_EQ(LoadJpegToFit(u"\\missing.jpg", 160, 160), nullptr);
  EXPECT_STREQ(JpegLastError(), "cannot open the file");

  // One thread per case, each decoding its own file over and over.
  std::vector<std::thread> threads;
  std::vector<int> wrong(cases.size(), 0);
  for (size_t i = 0; i < cases.size(); ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 20; ++round) {
        const CDibOwner dib(Decode(cases[i].file, cases[i].box, cases[i].box));
        if (std::strcmp(JpegLastError(), cases[i].reason) != 0) ++wrong[i];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(wrong[i], 0) << cases[i].reason;
  EXPECT_EQ(HeapBytesReserved(), 0u);
}

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

TEST(DecodePaths, DevicePathsOpenDecodeAndClose) {
  TempDevice device;
  device.MakeFolder("\\My Documents");
  const std::string main = EncodeJpeg(SolidColour(320, 240, 200, 0, 0), Exact());
  const std::string thumb = EncodeJpeg(SolidColour(160, 120, 0, 200, 0), Exact());
  device.WriteFile("\\My Documents\\camera.jpg", CameraFile(main, thumb));
  device.WriteFile("\\My Documents\\broken.jpg", "not a JPEG");
  const int descriptors = OpenDescriptors();

  CDibOwner full(LoadJpeg(u"\\My Documents\\camera.jpg"));
  ASSERT_NE(full.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(full.Get()).biWidth, 320);
  ExpectBgr(full.Get(), 5, 5, 200, 0, 0);
  full.Reset();

  CDibOwner fit(LoadJpegToFit(u"\\My Documents\\camera.jpg", 160, 160));
  ASSERT_NE(fit.Get(), nullptr);
  EXPECT_EQ(DibHeaderOf(fit.Get()).biWidth, 160);
  ExpectBgr(fit.Get(), 5, 5, 0, 200, 0);
  fit.Reset();

  EXPECT_EQ(LoadJpeg(u"\\My Documents\\broken.jpg"), nullptr);
  EXPECT_EQ(LoadJpegToFit(u"\\My Documents\\broken.jpg", 160, 160), nullptr);
  EXPECT_EQ(LoadJpeg(u"\\My Documents\\missing.jpg"), nullptr);
  EXPECT_EQ(LoadJpeg(u"\\My Documents"), nullptr);
  EXPECT_EQ(LoadJpegToFit(u"\\..\\camera.jpg", 160, 160), nullptr);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

// Samples of uniform noise: the densest data an encoder makes.
Picture Noise(int width, int height, int components) {
  Picture picture = MakePicture(width, height, components);
  std::mt19937 random(7);
  for (uint8_t& sample : picture.samples) sample = (uint8_t)random();
  return picture;
}

std::string BlockBytes(CDib dib) {
  return dib == nullptr ? std::string() : std::string((const char*)MemLock(dib), MemSize(dib));
}

// Decodes the device file at `path`, at the grid's box (160) or whole (0).
CDib LoadAt(const WCHAR* path, int box) {
  return box > 0 ? LoadJpegToFit(path, box, box) : LoadJpeg(path);
}

constexpr uint64_t kBufferBytes = 4096;

// A sound picture whose end marker gives way to a hole of 10 GB or 1 TB:
// the decoder read the whole hole looking for the marker (14 s a grid cell
// for 10 GB). The picture is complete before the hole, so it comes back
// exactly as from the sound file, at the grid's box and whole, after at most
// one buffer read past the picture's bytes.
TEST(DecodeCrafted, TailBombsAreReadNoFurtherThanTheirPicture) {
  TempDevice device;
  JpegOptions progressive;
  progressive.progressive = true;
  Picture greyRamp = MakePicture(320, 240, 1);
  for (size_t i = 0; i < greyRamp.samples.size(); ++i) greyRamp.samples[i] = (uint8_t)(i % 320);
  struct Case {
    const char* name;
    std::string jpeg;
  };
  const std::vector<Case> cases = {
      {"baseline colour", EncodeJpeg(RampPicture(640, 480))},
      {"progressive colour", EncodeJpeg(RampPicture(640, 480), progressive)},
      {"baseline grey", EncodeJpeg(greyRamp)},
      {"progressive grey", EncodeJpeg(greyRamp, progressive)},
      {"camera file", CameraFile(EncodeJpeg(RampPicture(640, 480)), EncodeJpeg(RampPicture(160, 120)))}};
  for (uint64_t tail : {(uint64_t)10 << 30, (uint64_t)1 << 40}) {
    for (const Case& c : cases) {
      device.WriteFile("\\sound.jpg", c.jpeg);
      ASSERT_TRUE(WriteFileWithHole(device.HostPath("\\bomb.jpg"), WithoutEndMarker(c.jpeg), tail));
      for (int box : {160, 0}) {
        SCOPED_TRACE(std::string(c.name) + ", tail " + std::to_string(tail >> 30) + " GB, box " + std::to_string(box));
        const CDibOwner sound(LoadAt(u"\\sound.jpg", box));
        const CDibOwner bomb(LoadAt(u"\\bomb.jpg", box));
        ASSERT_NE(bomb.Get(), nullptr) << JpegLastError();
        ASSERT_LE(JpegLastBytesRead(), c.jpeg.size() + kBufferBytes);
        EXPECT_TRUE(BlockBytes(bomb.Get()) == BlockBytes(sound.Get()));
      }
    }
  }
}

// What a decode may read is bounded by the frame's size. Sound files at the
// edge of what encoders make pass: noise at quality 100 without subsampling
// (the margin below is stated against it) and 12.8 MB of segments before the
// frame. A run of zeros that the decoder skips as stray bytes between
// segments, before the frame or between the frame and its scan, or after a
// progressive picture whose coefficients never complete, is refused once
// the bound is read.
TEST(DecodeCrafted, FilesThatNeedMoreDataThanTheirSizeAreRefused) {
  TempDevice device;
  BudgetGuard guard;
  HeapSetBudget(HeapBytesInUse() + 64 * 1024 * 1024);
  JpegOptions densest = Exact();
  const std::string noise = EncodeJpeg(Noise(512, 512, 3), densest);
  densest.progressive = true;
  const std::string noiseProgressive = EncodeJpeg(Noise(512, 512, 3), densest);
  const double perPixel = (double)noise.size() / (512 * 512);
  EXPECT_GT(perPixel, 3.5);
  EXPECT_LT(perPixel * 1.9, (double)kJpegReadBytesPerPixel);

  const std::string small = EncodeJpeg(RampPicture(64, 48));
  std::string segments = small.substr(0, 2);
  for (int i = 0; i < 200; ++i) segments += std::string("\xFF\xFE\xFF\xFF", 4) + std::string(65533, 'c');
  segments += small.substr(2);
  const size_t tables = FindMarker(small, 0xDB);
  const size_t scan = FindMarker(small, 0xDA);
  ASSERT_NE(tables, std::string::npos);
  ASSERT_NE(scan, std::string::npos);
  const uint64_t hole = (uint64_t)10 << 30;
  const uint64_t smallBound = kJpegReadAllowance + kJpegReadBytesPerPixel * 64 * 48;
  struct Case {
    const char* name;
    std::string before;
    uint64_t hole;
    std::string after;
    uint64_t bound;  // 0: a picture comes
  };
  const std::vector<Case> cases = {
      {"noise at quality 100, 4:4:4", noise, 0, "", 0},
      {"progressive noise", noiseProgressive, 0, "", 0},
      {"12.8 MB of comments before the frame", segments, 0, "", 0},
      {"zeros before the frame", small.substr(0, tables), hole, small.substr(tables), kJpegReadAllowance},
      {"zeros between the frame and its scan", small.substr(0, scan), hole, small.substr(scan), smallBound},
      {"an unfinished progressive picture, then zeros", WithoutEndMarker(ManyScanJpeg(64, 48, 1)), hole, "",
       smallBound}};
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteFileWithHole(device.HostPath("\\file.jpg"), c.before, c.hole, c.after));
    for (int box : {160, 0}) {
      SCOPED_TRACE(std::string(c.name) + ", box " + std::to_string(box));
      const CDibOwner dib(LoadAt(u"\\file.jpg", box));
      if (c.bound == 0) {
        EXPECT_NE(dib.Get(), nullptr) << JpegLastError();
        continue;
      }
      EXPECT_EQ(dib.Get(), nullptr);
      EXPECT_STREQ(JpegLastError(), "too much data for its size");
      EXPECT_GE(JpegLastBytesRead(), c.bound);
      EXPECT_LE(JpegLastBytesRead(), c.bound + kBufferBytes);
      EXPECT_EQ(HeapBytesReserved(), 0u);
    }
  }
}

// A decode on a thread with a stop flag ends at its next read once the flag
// is raised; one on a thread without a flag (the user-interface thread's)
// never stops. The stream is a pipe that another thread fills, raising the
// flag after `raiseAt` bytes, so the decode is inside the file when it comes.
TEST(DecodeStop, ARaisedFlagEndsTheDecodeAtItsNextRead) {
  const std::string file = EncodeJpeg(Noise(512, 512, 3));
  ASSERT_GT(file.size(), 200u * 1000);
  const CDibOwner whole(Decode(file));
  ASSERT_NE(whole.Get(), nullptr);
  struct Case {
    const char* name;
    bool stoppable;
    size_t raiseAt;
  };
  const Case cases[] = {{"no flag", false, 0},
                        {"raised at the start", true, 0},
                        {"raised halfway", true, file.size() / 2},
                        {"never raised", true, file.size()}};
  const size_t blocks = HeapBlockCount();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
      const bool first = write(fds[1], file.data(), c.raiseAt) == (ssize_t)c.raiseAt;
      stop.store(c.raiseAt < file.size());
      const bool rest =
          write(fds[1], file.data() + c.raiseAt, file.size() - c.raiseAt) == (ssize_t)(file.size() - c.raiseAt);
      EXPECT_TRUE(first && rest);
      close(fds[1]);
    });
    FILE* stream = fdopen(fds[0], "rb");
    CDibOwner dib;
    if (c.stoppable) {
      const CDecodeStopScope scope(&stop);
      dib.Reset(DecodeJpegStream(stream, 0, 0, TRUE));
    } else {
      stop.store(true);
      dib.Reset(DecodeJpegStream(stream, 0, 0, TRUE));
    }
    const std::string reason = JpegLastError();
    const uint64_t read = JpegLastBytesRead();
    char drain[4096];
    while (std::fread(drain, 1, sizeof drain, stream) > 0) {
    }
    writer.join();
    std::fclose(stream);
    if (c.stoppable && c.raiseAt < file.size()) {
      EXPECT_EQ(dib.Get(), nullptr);
      EXPECT_EQ(reason, "stopped");
      EXPECT_LE(read, c.raiseAt + kBufferBytes);
    } else {
      EXPECT_TRUE(BlockBytes(dib.Get()) == BlockBytes(whole.Get())) << reason;
    }
    EXPECT_FALSE(DecodeStopRequested());  // the scope is gone
  }
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_EQ(HeapBytesReserved(), 0u);
}

}  // namespace

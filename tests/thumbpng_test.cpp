// Why: the shared thumbnail cache holds PNG files of any program and of any
// hand. What the viewer writes must read back pixel for pixel with its text
// ahead of the pixels; what others write, in any layout, must read as its
// colours; and a damaged, oversized or hostile file must give nothing at all,
// never a picture made of what the library guessed.
#include "imaging/thumbpng.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/dibpics.h"
#include "support/pngcraft.h"
#include "support/temp_device.h"

namespace {

// Every text the check was shown, and whether it came before the pixels.
struct CheckLog {
  std::vector<std::pair<bool, PngTextList>> calls;
  bool answer = true;
  PngTextCheck Check() {
    return [this](const PngTextList& text, bool complete) {
      calls.push_back({complete, text});
      return answer;
    };
  }
};

bool Has(const PngTextList& text, const std::string& key, const std::string& value) {
  for (const PngText& entry : text) {
    if (entry.key == key && entry.value == value) return true;
  }
  return false;
}

CDib Decode(const std::string& png, int maxSide, CheckLog* log) {
  return DecodeThumbnailPng(png.data(), png.size(), maxSide, log->Check());
}

// Blue, green, red of the decoded pixel (x, y), y counted from the top.
std::vector<int> PixelAt(CDib dib, int x, int y) {
  const BYTE* p = DibPixel(dib, x, DibHeaderOf(dib).biHeight - 1 - y);
  return {p[0], p[1], p[2]};
}

TEST(ThumbPng, WrittenPicturesReadBackExactlyWithTheirTextFirst) {
  const PngTextList text = {{"Thumb::URI", "file:///a/b%20c.jpg"}, {"Thumb::MTime", "1700000000"}};
  const struct {
    const char* what;
    int width, height, bitCount;  // bitCount 0: the failure record, no picture
  } kCases[] = {{"colour", 5, 3, 24}, {"grey", 4, 2, 8}, {"failure record", 1, 1, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    CDibOwner dib(c.bitCount != 0 ? NewTestDib(c.width, c.height, c.bitCount) : nullptr);
    for (int y = 0; dib && y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        BYTE* p = DibPixel(dib.Get(), x, y);
        for (int k = 0; k < c.bitCount / 8; ++k) p[k] = (BYTE)(x * 40 + y * 70 + k * 25);
      }
    }
    std::string png;
    ASSERT_TRUE(EncodeThumbnailPng(dib.Get(), text, &png));
    // 8-bit RGBA, not interlaced, the text chunks before the first IDAT.
    const std::vector<PngChunk> chunks = PngChunks(png);
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].data.substr(8, 5), std::string("\x08\x06\x00\x00\x00", 5));
    EXPECT_EQ(chunks[1].type, "tEXt");
    EXPECT_EQ(chunks[2].type, "tEXt");
    CheckLog log;
    CDibOwner back(Decode(png, 8, &log));
    ASSERT_TRUE(back);
    ASSERT_EQ(log.calls.size(), 2u);
    EXPECT_FALSE(log.calls[0].first);
    EXPECT_TRUE(Has(log.calls[0].second, "Thumb::URI", "file:///a/b%20c.jpg"));
    EXPECT_TRUE(log.calls[1].first && Has(log.calls[1].second, "Thumb::MTime", "1700000000"));
    ASSERT_EQ(DibHeaderOf(back.Get()).biWidth, c.width);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        std::vector<int> want = {255, 255, 255};  // the failure record's clear pixel over white
        if (c.bitCount != 0) {
          const BYTE* p = DibPixel(dib.Get(), x, y);
          want = c.bitCount == 8 ? std::vector<int>{p[0], p[0], p[0]} : std::vector<int>{p[0], p[1], p[2]};
        }
        EXPECT_EQ(PixelAt(back.Get(), x, c.height - 1 - y), want) << x << "," << y;
      }
    }
  }
}

TEST(ThumbPng, OtherProgramsLayoutsReadAsTheirColours) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempDevice scratch;
  // ImageMagick writes its text after the pixels: the check sees it complete.
  const std::string text = "-set Thumb::URI file:///x.jpg -set Thumb::MTime 5 ";
  const struct {
    const char* args;
    std::vector<int> bgr;
  } kCases[] = {
      {"-size 6x4 xc:'rgb(200,100,50)' PNG24:", {50, 100, 200}},
      {"-size 6x4 xc:'rgb(200,100,50)' -depth 16 PNG48:", {50, 100, 200}},
      {"-size 6x4 xc:'rgb(200,100,50)' PNG8:", {50, 100, 200}},
      {"-size 6x4 xc:'gray(77)' -colorspace Gray PNG:", {77, 77, 77}},
      {"-size 6x4 xc:'rgba(0,0,255,0.5)' PNG32:", {255, 127, 127}},
      {"-size 6x4 xc:'rgb(10,20,30)' -interlace PNG PNG24:", {30, 20, 10}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args);
    const std::string path = scratch.Root() + "/t.png";
    ASSERT_TRUE(RunConvert(std::string(c.args).insert(std::string(c.args).rfind(' ') + 1, text) + path));
    CheckLog log;
    CDibOwner dib(Decode(ReadHostFile(path), 8, &log));
    ASSERT_TRUE(dib);
    ASSERT_FALSE(log.calls.empty());
    EXPECT_TRUE(log.calls.back().first && Has(log.calls.back().second, "Thumb::URI", "file:///x.jpg"));
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(PixelAt(dib.Get(), 5, 3)[k], c.bgr[k], 1);
  }
}

TEST(ThumbPng, DamagedOversizedOrHostileFilesGiveNothing) {
  CDibOwner dib(NewTestDib(8, 8, 24));
  std::string good;
  ASSERT_TRUE(EncodeThumbnailPng(dib.Get(), {{"Thumb::URI", "file:///x.jpg"}}, &good));
  // A zlib stream that inflates to megabytes: the pixels of a large plain picture.
  CDibOwner large(NewTestDib(1024, 1024, 24));
  std::string bomb;
  ASSERT_TRUE(EncodeThumbnailPng(large.Get(), {}, &bomb));
  std::string inflating;
  for (const PngChunk& chunk : PngChunks(bomb)) {
    if (chunk.type == "IDAT") inflating += chunk.data;
  }
  std::string idatBroken = good;
  idatBroken[good.find("IDAT") + 6] ^= 0x55;
  std::string manyTexts = good;
  for (int i = 0; i < 200; ++i) manyTexts = WithChunk(manyTexts, {"tEXt", TextData("k", std::to_string(i))}, "IDAT");
  std::string noEnd = good.substr(0, good.size() - 12);

  const struct {
    const char* what;
    std::string png;
    size_t checks;  // how often the text check may have been asked
  } kCases[] = {
      {"empty", "", 0},
      {"signature only", good.substr(0, 8), 0},
      {"cut in the header", good.substr(0, 30), 0},
      {"cut in the pixels", good.substr(0, good.find("IDAT") + 20), 1},
      {"no end chunk", noEnd, 1},
      {"pixels with a broken checksum", idatBroken, 1},
      {"100000 x 100000", WithSize(good, 100000, 100000), 0},
      {"a side over the bound", WithSize(good, 17, 8), 0},
      {"compressed text that inflates to megabytes",
       WithChunk(good, {"zTXt", std::string("Thumb::URI\0\0", 12) + inflating}, "IDAT"), 0},
      {"more text chunks than a thumbnail has", manyTexts, 0},
      {"not a PNG", std::string(4096, 'x'), 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    CheckLog log;
    EXPECT_EQ(Decode(c.png, 16, &log), nullptr);
    EXPECT_LE(log.calls.size(), c.checks);
  }
  // The check's refusal before the pixels ends the read there.
  CheckLog refusing;
  refusing.answer = false;
  EXPECT_EQ(Decode(good, 16, &refusing), nullptr);
  EXPECT_EQ(refusing.calls.size(), 1u);
}

}  // namespace

// Why: an animated GIF or WebP must play as browsers play it: each frame
// composed by its disposal and blending, shown for its delay (short delays
// as 100 ms), as many times as the file asks, the last frame left standing;
// it takes its memory from the budget and gives it all back, and crafted
// files end in a refusal, never in an endless read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/pictureanimation.h"
#include "imaging/picturedecode.h"
#include "platform/base/heap.h"
#include "support/animpics.h"
#include "support/dibpics.h"
#include "support/temp_device.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// The file's first frame whole, as the picture page holds it.
CDib FirstFrame(const char16_t* path) {
  CPictureFile file;
  return file.Open(path, FALSE) ? file.Decode(0, 0) : nullptr;
}

uint32_t RgbAt(CDib dib, int x, int y) {
  const BITMAPINFOHEADER h = DibHeaderOf(dib);
  const BYTE* p = DibPixel(dib, x, h.biHeight - 1 - y);
  return ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
}

bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = (int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF);
    if (d < -2 || d > 2) return false;
  }
  return true;
}

class AnimationTest : public ::testing::Test {
 protected:
  const char16_t* Write(const std::string& bytes) {
    EXPECT_FALSE(bytes.empty());
    device.WriteFile("\\anim", bytes);
    return u"\\anim";
  }
  TempDevice device;
};

TEST_F(AnimationTest, FramesAreComposedByTheirDisposalAndBlending) {
  struct Probe {
    int x, y;
    uint32_t rgb;
  };
  const std::vector<AnimGifFrame> kGifBackground = {{0, 0, 8, 8, 0}, {0, 0, 4, 4, 2, 2}, {4, 4, 4, 4, 1}};
  const std::vector<AnimGifFrame> kGifPrevious = {{0, 0, 8, 8, 0}, {0, 0, 4, 4, 2, 3}, {4, 4, 4, 4, 1}};
  const struct {
    const char* what;
    std::string file;
    int advances;
    std::vector<Probe> probes;
  } kCases[] = {
      {"GIF kept frame under a smaller one",
       EncodeAnimGif(8, 8, {{0, 0, 8, 8, 0}, {0, 0, 4, 4, 2}}, 0),
       1,
       {{1, 1, kBlue}, {6, 6, kRed}, {6, 1, kRed}}},
      {"GIF disposed to the background",
       EncodeAnimGif(8, 8, kGifBackground, 0),
       2,
       {{1, 1, kWhite}, {6, 6, kGreen}, {6, 1, kRed}}},
      {"GIF restored to the previous canvas",
       EncodeAnimGif(8, 8, kGifPrevious, 0),
       2,
       {{1, 1, kRed}, {6, 6, kGreen}, {1, 6, kRed}}},
      {"GIF transparent pixels show what is beneath",
       EncodeAnimGif(8, 8, {{0, 0, 8, 8, 0}, {0, 0, 8, 8, 1, 1, 10, 3}}, 0),
       1,
       {{1, 4, kRed}, {6, 4, kGreen}}},
      {"GIF first frame of a play on a white canvas",
       EncodeAnimGif(8, 8, {{0, 0, 4, 4, 0}, {0, 0, 8, 8, 2}}, 0),
       2,
       {{1, 1, kRed}, {6, 6, kWhite}}},
      {"GIF frame reaching past the canvas clipped",
       EncodeAnimGif(8, 8, {{0, 0, 8, 8, 0}, {6, 6, 9, 9, 2}}, 0),
       1,
       {{7, 7, kBlue}, {5, 5, kRed}}},
      {"WebP blended half-transparent frame",
       EncodeAnimWebp(8, 8, {{0, 0, 8, 8, 255, 0, 0, 255}, {0, 0, 4, 4, 0, 0, 255, 128}}, 0),
       1,
       {{1, 1, 0x7F0080}, {6, 6, kRed}}},
      {"WebP frame not blended: over white",
       EncodeAnimWebp(8, 8, {{0, 0, 8, 8, 255, 0, 0, 255}, {0, 0, 4, 4, 0, 0, 255, 128, false}}, 0),
       1,
       {{1, 1, 0x7F7FFF}, {6, 6, kRed}}},
      {"WebP disposed to the background",
       EncodeAnimWebp(
           8, 8, {{0, 0, 8, 8, 255, 0, 0, 255}, {0, 0, 4, 4, 0, 0, 255, 255, true, true}, {4, 4, 4, 4, 0, 255, 0, 255}},
           0),
       2,
       {{1, 1, kWhite}, {6, 6, kGreen}, {6, 1, kRed}}},
      {"WebP first frame of a play on a white canvas",
       EncodeAnimWebp(8, 8, {{0, 0, 4, 4, 255, 0, 0, 255}, {0, 0, 8, 8, 0, 0, 255, 255}}, 0),
       2,
       {{1, 1, kRed}, {6, 6, kWhite}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const char16_t* path = Write(c.file);
    CDibOwner canvas(FirstFrame(path));
    ASSERT_TRUE(canvas);
    CPictureAnimation animation;
    ASSERT_EQ(animation.Start(path, canvas.Get(), FALSE), ANIMATION_NEXT) << PictureDecodeLastError();
    for (int i = 0; i < c.advances; ++i) ASSERT_EQ(animation.Advance(), ANIMATION_NEXT) << PictureDecodeLastError();
    for (const Probe& p : c.probes) {
      EXPECT_TRUE(Near(RgbAt(canvas.Get(), p.x, p.y), p.rgb))
          << p.x << "," << p.y << ": " << std::hex << RgbAt(canvas.Get(), p.x, p.y) << " for " << p.rgb;
    }
  }
}

TEST_F(AnimationTest, DelaysAreClampedAndPlaysCounted) {
  std::vector<AnimGifFrame> gifDelays = {{0, 0, 4, 4, 0}, {0, 0, 4, 4, 1}, {0, 0, 4, 4, 2}, {0, 0, 4, 4, 0}};
  gifDelays[0].delayCs = 0;
  gifDelays[1].delayCs = 1;
  gifDelays[2].delayCs = 2;
  gifDelays[3].delayCs = 5;
  std::vector<AnimWebpFrame> webpDelays = {{0, 0, 4, 4, 255, 0, 0, 255}, {0, 0, 4, 4, 0, 255, 0, 255}};
  webpDelays[0].durationMs = 19;
  webpDelays[1].durationMs = 30;
  const std::vector<AnimGifFrame> twoGif = {{0, 0, 4, 4, 0}, {0, 0, 4, 4, 1}};
  const std::vector<AnimWebpFrame> twoWebp = {{0, 0, 4, 4, 255, 0, 0, 255}, {0, 0, 4, 4, 0, 255, 0, 255}};
  // Each step: the delay shown, then what the next Advance gives (-2: the
  // end of the list, Start's result first).
  const struct {
    const char* what;
    std::string file;
    int start;
    std::vector<int> steps;    // Advance results after Start
    std::vector<UINT> delays;  // Delay() after Start and each ANIMATION_NEXT
    uint32_t last;             // the colour left at (1, 1)
  } kCases[] = {
      {"GIF delays 0, 10, 20 and 50 ms",
       EncodeAnimGif(4, 4, gifDelays, -1),
       ANIMATION_NEXT,
       {ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_DONE},
       {100, 100, 20, 50},
       kRed},
      {"WebP delays 19 and 30 ms",
       EncodeAnimWebp(4, 4, webpDelays, 1),
       ANIMATION_NEXT,
       {ANIMATION_NEXT, ANIMATION_DONE},
       {100, 30},
       kGreen},
      {"GIF repeated once plays twice",
       EncodeAnimGif(4, 4, twoGif, 1),
       ANIMATION_NEXT,
       {ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_DONE},
       {100, 100, 100, 100},
       kGreen},
      {"WebP looping twice plays twice",
       EncodeAnimWebp(4, 4, twoWebp, 2),
       ANIMATION_NEXT,
       {ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_DONE},
       {100, 100, 100, 100},
       kGreen},
      {"GIF for ever goes on",
       EncodeAnimGif(4, 4, twoGif, 0),
       ANIMATION_NEXT,
       {ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_NEXT, ANIMATION_NEXT},
       {100, 100, 100, 100, 100, 100},
       kGreen},
      {"GIF of one frame is still",
       EncodeAnimGif(4, 4, {{0, 0, 4, 4, 2}}, 0),
       ANIMATION_NEXT,
       {ANIMATION_DONE},
       {100},
       kBlue},
      {"WebP of one frame is still",
       EncodeAnimWebp(4, 4, {{0, 0, 4, 4, 0, 0, 255, 255}}, 0),
       ANIMATION_DONE,
       {},
       {},
       kBlue},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const char16_t* path = Write(c.file);
    CDibOwner canvas(FirstFrame(path));
    ASSERT_TRUE(canvas);
    CPictureAnimation animation;
    ASSERT_EQ(animation.Start(path, canvas.Get(), FALSE), c.start) << PictureDecodeLastError();
    size_t shown = 0;
    if (c.start == ANIMATION_NEXT) {
      EXPECT_EQ(animation.Delay(), c.delays[shown++]);
    }
    for (int expected : c.steps) {
      ASSERT_EQ(animation.Advance(), expected) << "after " << shown << " frames";
      if (expected == ANIMATION_NEXT) {
        EXPECT_EQ(animation.Delay(), c.delays[shown++]) << shown;
      }
    }
    EXPECT_EQ(shown, c.delays.size());
    EXPECT_TRUE(Near(RgbAt(canvas.Get(), 1, 1), c.last)) << std::hex << RgbAt(canvas.Get(), 1, 1);
  }
}

// A GIF of `frames` 1 × 1 frames, and one cut `cut` bytes before its end.
std::string ManyFrameGif(int frames) {
  std::vector<AnimGifFrame> list((size_t)frames, AnimGifFrame{0, 0, 1, 1, 0});
  return EncodeAnimGif(1, 1, list, 0);
}

TEST_F(AnimationTest, CraftedFilesAreRefusedInBoundedSteps) {
  std::string cut = EncodeAnimGif(64, 64, {{0, 0, 64, 64, 0}, {0, 0, 64, 64, 1}, {0, 0, 64, 64, 2}}, 0);
  cut.resize(cut.size() - 40);
  std::string webpCut = EncodeAnimWebp(64, 64, {{0, 0, 64, 64, 255, 0, 0, 255}, {0, 0, 64, 64, 0, 0, 255, 200}}, 0);
  webpCut.resize(webpCut.size() - 20);
  // After the first frame, comment blocks without end instead of frames.
  std::string endless = EncodeAnimGif(4, 4, {{0, 0, 4, 4, 0}}, 0);
  endless.pop_back();  // the trailer
  for (int i = 0; i < 10001; ++i) endless += std::string("\x21\xFE\x01X\x00", 5);
  endless += ';';
  std::vector<AnimWebpFrame> manyWebp(10001, AnimWebpFrame{0, 0, 2, 2, 255, 0, 0, 255});
  const struct {
    const char* what;
    std::string file;
    int start;
    const char* reason;
  } kCases[] = {
      {"GIF with 10001 frames", ManyFrameGif(10001), ANIMATION_NEXT, "too many frames"},
      {"GIF with endless blocks after its first frame", endless, ANIMATION_NEXT, "too many frames"},
      {"GIF cut inside a later frame", cut, ANIMATION_NEXT, "GIF: "},
      {"WebP with 10001 frames", EncodeAnimWebp(2, 2, manyWebp, 0), ANIMATION_FAILED, "too many frames"},
      {"WebP cut inside its last frame", webpCut, ANIMATION_FAILED, "WebP: "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const char16_t* path = Write(c.file);
    CDibOwner canvas(FirstFrame(path));
    const size_t before = HeapBytesInUse();
    {
      CPictureAnimation animation;
      int step = animation.Start(path, canvas.Get(), FALSE);
      ASSERT_EQ(step, c.start) << PictureDecodeLastError();
      for (int i = 0; step == ANIMATION_NEXT && i < 20000; ++i) step = animation.Advance();
      EXPECT_EQ(step, ANIMATION_FAILED);
      EXPECT_EQ(std::string(PictureDecodeLastError()).rfind(c.reason, 0), 0u) << PictureDecodeLastError();
    }
    EXPECT_EQ(HeapBytesInUse(), before);
  }
}

TEST_F(AnimationTest, MemoryComesFromTheBudgetAndIsGivenBack) {
  const std::vector<AnimGifFrame> gif = {{0, 0, 200, 200, 0}, {0, 0, 200, 200, 1, 3}, {0, 0, 200, 200, 2}};
  const std::vector<AnimWebpFrame> webp = {{0, 0, 200, 200, 255, 0, 0, 255}, {0, 0, 200, 200, 0, 0, 255, 255}};
  const struct {
    const char* what;
    std::string file;
    size_t slack;       // bytes the budget leaves after the canvas
    bool failsAtStart;  // else at the first Advance
  } kCases[] = {
      {"GIF: no room for the library", EncodeAnimGif(200, 200, gif, 0), 1024, true},
      {"GIF: no room for a frame", EncodeAnimGif(200, 200, gif, 0), 70 * 1024, false},
      {"WebP: no room for the file", EncodeAnimWebp(200, 200, webp, 0), 64, true},
      {"WebP: no room for a frame's decode", EncodeAnimWebp(200, 200, webp, 0), 64 * 1024, false},
  };
  const size_t budget = HeapBudget();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const char16_t* path = Write(c.file);
    CDibOwner canvas(FirstFrame(path));
    ASSERT_TRUE(canvas);
    const size_t before = HeapBytesInUse();
    HeapSetBudget(before + c.slack);
    {
      CPictureAnimation animation;
      int step = animation.Start(path, canvas.Get(), FALSE);
      if (!c.failsAtStart) {
        EXPECT_EQ(step, ANIMATION_NEXT) << PictureDecodeLastError();
        step = animation.Advance();
      }
      EXPECT_EQ(step, ANIMATION_FAILED);
      EXPECT_EQ(PictureFailureOf(PictureDecodeLastError()), PICTURE_FAILURE_MEMORY) << PictureDecodeLastError();
      EXPECT_LE(HeapBytesInUse(), before + c.slack);
    }
    HeapSetBudget(budget);
    EXPECT_EQ(HeapBytesInUse(), before);
  }
}

}  // namespace

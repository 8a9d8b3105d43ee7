// Why: on the desktop's picture page an animated picture plays frame by
// frame on the window's timer, each for its delay, as often as the file
// says, and zoom and pan stay where the user put them while it plays;
// leaving the picture stops it, and a frame that cannot be had (memory,
// a cut file) ends in the page's message, never in a stale or broken frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/imagepage.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "platform/window/timers.h"
#include "startup/replay.h"
#include "support/animpics.h"
#include "support/pixels.h"
#include "support/viewer_fixture.h"

namespace {

constexpr COLORREF kRedOnScreen = RGB(255, 0, 0), kGreenOnScreen = RGB(0, 255, 0), kBlueOnScreen = RGB(0, 0, 255);

// Red, green, blue frames of 480 × 480 (larger than the window), with the
// delays given in hundredths.
std::string ThreeFrames(int d0, int d1, int d2, int repeats) {
  std::vector<AnimGifFrame> frames = {{0, 0, 480, 480, 0}, {0, 0, 480, 480, 1}, {0, 0, 480, 480, 2}};
  frames[0].delayCs = d0;
  frames[1].delayCs = d1;
  frames[2].delayCs = d2;
  return EncodeAnimGif(480, 480, frames, repeats);
}

class ImageAnimationTest : public ViewerFixture {
 protected:
  CImagePage& Page() const { return *Viewer().m_pImagePage; }
  void OpenFirst(const std::vector<std::pair<std::string, std::string>>& files) {
    TickSetManual(100000);
    device.MakeFolder("\\My Documents");
    for (const auto& file : files) device.WriteFile("\\My Documents\\" + file.first, file.second);
    Start();
    ASSERT_TRUE(List()->SetCurrent(0));
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
  }
  void Pass(DWORD ms) {
    TickAdvance(ms);
    Pump();
  }
  COLORREF Middle() const { return Screen().PixelAt(120, 134); }
  int FrameShown() const { return Page().Animation() != nullptr ? (int)Page().Animation()->Frame() : -1; }
};

TEST_F(ImageAnimationTest, FramesFollowTheirDelaysAndPlaysOnTheTimer) {
  profile = PROFILE_DESKTOP;
  // Delays 0 (shown 100 ms), 50 and 20 ms; repeated once: two plays.
  OpenFirst({{"a.gif", ThreeFrames(0, 5, 2, 1)}, {"b.gif", ThreeFrames(1, 1, 1, 0)}});
  ASSERT_NE(Page().Animation(), nullptr);
  const struct {
    DWORD pass;
    int frame;  // -1: the animation has ended
    COLORREF colour;
  } kSteps[] = {
      {0, 0, kRedOnScreen},   {99, 0, kRedOnScreen},   {1, 1, kGreenOnScreen},    {49, 1, kGreenOnScreen},
      {1, 2, kBlueOnScreen},  {19, 2, kBlueOnScreen},  {1, 0, kRedOnScreen},      {100, 1, kGreenOnScreen},
      {50, 2, kBlueOnScreen}, {20, -1, kBlueOnScreen}, {1000, -1, kBlueOnScreen},
  };
  int step = 0;
  for (const auto& s : kSteps) {
    SCOPED_TRACE("step " + std::to_string(step++));
    Pass(s.pass);
    EXPECT_EQ(FrameShown(), s.frame);
    EXPECT_TRUE(Near(Middle(), s.colour, 2)) << std::hex << Middle();
  }
  EXPECT_EQ(NextTimerDue(), kNoTimerDue);
  // The next picture plays from its first frame; the step stopped nothing
  // of it and left no timer of the last.
  Key(VK_RIGHT);
  ASSERT_NE(Page().Animation(), nullptr);
  EXPECT_EQ(FrameShown(), 0);
  Pass(100);
  EXPECT_EQ(FrameShown(), 1);
  // Back to the grid: the animation and its timer go.
  Key(VK_ESCAPE);
  EXPECT_EQ(Page().Animation(), nullptr);
  EXPECT_EQ(NextTimerDue(), kNoTimerDue);
}

TEST_F(ImageAnimationTest, ZoomAndPanStayWhileItPlays) {
  profile = PROFILE_DESKTOP;
  std::vector<AnimGifFrame> frames = {{0, 0, 480, 480, 0}, {0, 0, 240, 480, 1}};
  OpenFirst({{"a.gif", EncodeAnimGif(480, 480, frames, 0)}});
  Key('1');  // 1:1 about the middle: picture columns 120 … 359 shown
  ASSERT_EQ(Page().m_bFitMode, 0);
  Drag(200, 100, 100, 100);  // 100 columns further right
  const int offsetX = Page().m_nOffsetX, offsetY = Page().m_nOffsetY;
  ASSERT_GT(offsetX, 120);
  Pass(100);
  ASSERT_EQ(FrameShown(), 1);
  EXPECT_EQ(Page().m_bFitMode, 0);
  EXPECT_EQ(Page().m_nOffsetX, offsetX);
  EXPECT_EQ(Page().m_nOffsetY, offsetY);
  // The green half ends at picture column 240: window column 240 - offset.
  EXPECT_TRUE(Near(Screen().PixelAt(240 - offsetX - 2, 134), kGreenOnScreen, 2));
  EXPECT_TRUE(Near(Screen().PixelAt(240 - offsetX + 2, 134), kRedOnScreen, 2));
}

TEST_F(ImageAnimationTest, AFrameThatCannotBeHadShowsTheMessage) {
  std::string cut = ThreeFrames(1, 1, 1, 0);
  cut.resize(cut.size() - 200);
  const struct {
    const char* what;
    std::string file;
    bool squeeze;  // the budget leaves no room for the next frame
  } kCases[] = {
      {"no memory for the next frame", ThreeFrames(1, 1, 1, 0), true},
      {"the file cut inside the last frame", cut, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    profile = PROFILE_DESKTOP;
    OpenFirst({{"a.gif", c.file}, {"b.gif", ThreeFrames(1, 1, 1, 0)}});
    ASSERT_NE(Page().Animation(), nullptr);
    const size_t budget = HeapBudget();
    if (c.squeeze) HeapSetBudget(HeapBytesInUse() + 1024);
    for (int i = 0; i < 3 && Page().Animation() != nullptr; ++i) Pass(100);
    HeapSetBudget(budget);
    EXPECT_EQ(Page().Animation(), nullptr);
    EXPECT_EQ(List()->m_hPicture, nullptr);
    // The message on white where the picture was, and it stays.
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(Near(Screen().PixelAt(10, 200), RGB(255, 255, 255), 0)) << std::hex << Screen().PixelAt(10, 200);
      int ink = 0;
      for (int y = 0; y < Screen().Height(); ++y)
        for (int x = 0; x < Screen().Width(); ++x) ink += GetRValue(Screen().PixelAt(x, y)) < 128;
      EXPECT_GT(ink, 20);
      Viewer().Invalidate(TRUE);
      Pass(1000);
    }
    // The next picture plays.
    Key(VK_RIGHT);
    EXPECT_NE(Page().Animation(), nullptr);
    TearDown();
  }
}

TEST_F(ImageAnimationTest, ReplayedTimeShowsTheFrameTheClockWouldShow) {
  // Forty frames of 100 ms: each event lets 1000 ms pass before it, then
  // "wait 250" 250 ms more; every timer on the way runs at its time.
  profile = PROFILE_DESKTOP;
  std::vector<AnimGifFrame> frames;
  for (int i = 0; i < 40; ++i) frames.push_back({0, 0, 480, 480, i % 3});
  OpenFirst({{"a.gif", EncodeAnimGif(480, 480, frames, -1)}});
  Replay replay(*host);
  std::string error;
  ASSERT_TRUE(replay.Run("wait 250", &error)) << error;
  EXPECT_EQ(FrameShown(), 12);
  EXPECT_TRUE(Near(Middle(), kRedOnScreen, 2)) << std::hex << Middle();
  ASSERT_TRUE(replay.Run("wait 50", &error)) << error;
  EXPECT_EQ(FrameShown(), 23);
  EXPECT_TRUE(Near(Middle(), kBlueOnScreen, 2)) << std::hex << Middle();
}

TEST_F(ImageAnimationTest, TheHandheldPlaysNothing) {
  profile = PROFILE_HANDHELD;
  OpenFirst({{"a.jpg", ThreeFrames(1, 1, 1, 0)}});
  EXPECT_EQ(Page().Animation(), nullptr);
  EXPECT_EQ(NextTimerDue(), kNoTimerDue);
}

}  // namespace

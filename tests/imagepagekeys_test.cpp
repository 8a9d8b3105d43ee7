// Why: on the desktop the picture page has keys for the two views a user
// wants most (f or 0 fits, 1 shows 1:1), Ctrl + wheel moves along the same
// ladder as + and - but keeps the picture point under the pointer where it
// is, and the caption tells the picture's size and zoom. The handheld's page
// keeps its keys, its zoom about the middle and its caption.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/frametitle.h"
#include "pages/imagepage.h"
#include "platform/base/wstr.h"
#include "support/pixels.h"
#include "support/viewer_fixture.h"

namespace {

constexpr UINT kNumpad0 = 0x60;
constexpr UINT kNumpad1 = 0x61;

class ImagePageKeysTest : public ViewerFixture {
 protected:
  CImagePage& Page() const { return *Viewer().m_pImagePage; }
  // A folder of the given pictures, the first one open on the picture page.
  void OpenFirst(const std::vector<std::string>& files) {
    device.MakeFolder("\\My Documents");
    for (size_t i = 0; i < files.size(); ++i)
      device.WriteFile("\\My Documents\\p" + std::to_string(i) + ".jpg", files[i]);
    Start();
    ASSERT_TRUE(List()->SetCurrent(0));
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
  }
  void Wheel(int notch, int x, int y) {
    Viewer().SendMessage(WM_MOUSEWHEEL, MAKEWPARAM((WORD)MK_CONTROL, (WORD)(int16_t)notch),
                         MAKELPARAM((WORD)x, (WORD)y));
    Pump();
  }
  void Restart() {
    Quit();
    app.reset();
    host.reset();
  }
};

TEST_F(ImagePageKeysTest, FitAndActualSizeKeysOnTheDesktopOnly) {
  // The 1600 × 1200 picture in a 240 × 268 window: 1:1 keeps the picture
  // point at the middle, (800, 600), in the middle.
  struct Zoom {
    int fit, num, den, offsetX, offsetY;
  };
  constexpr Zoom kFit = {1, 1, 1, 0, 0};
  constexpr Zoom kActual = {0, 1, 1, 800 - 120, 600 - 134};
  constexpr Zoom kSixth = {0, 1, 6, 80, 0};
  const struct {
    const char* what;
    ViewerProfile profile;
    std::vector<UINT> keys;
    Zoom expected;
  } kCases[] = {
      {"1 from fit", PROFILE_DESKTOP, {'1'}, kActual},
      {"keypad 1", PROFILE_DESKTOP, {kNumpad1}, kActual},
      {"1 from 1/6 keeps the middle", PROFILE_DESKTOP, {VK_OEM_PLUS, '1'}, kActual},
      {"1 at 1:1 stays", PROFILE_DESKTOP, {'1', '1'}, kActual},
      {"f", PROFILE_DESKTOP, {VK_OEM_PLUS, VK_OEM_PLUS, 'F'}, kFit},
      {"0", PROFILE_DESKTOP, {'1', '0'}, kFit},
      {"keypad 0", PROFILE_DESKTOP, {'1', kNumpad0}, kFit},
      {"+ and - still step", PROFILE_DESKTOP, {VK_OEM_PLUS, VK_OEM_PLUS, VK_OEM_MINUS}, kSixth},
      {"handheld: 1 does nothing", PROFILE_HANDHELD, {'1', kNumpad1}, kFit},
      {"handheld: f and 0 do nothing", PROFILE_HANDHELD, {VK_OEM_PLUS, 'F', '0', kNumpad0}, kSixth},
  };
  const std::string picture = EncodeJpeg(RampPicture(1600, 1200));
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    profile = c.profile;
    OpenFirst({picture});
    const std::vector<uint32_t> fitted = Pixels(Screen());
    for (UINT key : c.keys) Key(key);
    EXPECT_EQ(Page().m_bFitMode, c.expected.fit);
    EXPECT_EQ(Page().m_nZoomNum, c.expected.num);
    EXPECT_EQ(Page().m_nZoomDen, c.expected.den);
    EXPECT_EQ(Page().m_nOffsetX, c.expected.offsetX);
    EXPECT_EQ(Page().m_nOffsetY, c.expected.offsetY);
    EXPECT_EQ(Pixels(Screen()) == fitted, c.expected.fit == 1);
    Restart();
  }
}

// Flat 8 × 8 blocks whose colour names the block: red its column, green its
// row, so the screen says which part of the picture lies under a point.
Picture NumberedBlocks(int width, int height) {
  Picture picture = MakePicture(width, height, 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.At(x, y);
      p[0] = (uint8_t)(40 + x / 8);
      p[1] = (uint8_t)(20 + y / 8);
      p[2] = 128;
    }
  }
  return picture;
}

TEST_F(ImagePageKeysTest, CtrlWheelClimbsTheLadderAboutThePointerOnTheDesktop) {
  JpegOptions exact;
  exact.quality = 100;
  exact.fullChroma = true;
  const std::string picture = EncodeJpeg(NumberedBlocks(1200, 1600), exact);
  // Up three notches and down two: the ladder the keys climb too, every
  // step zoomed past the window both ways.
  const int kNotches[] = {1, 1, 1, -1, -1};
  const int kDenominators[] = {4, 3, 2, 3, 4};
  const struct { int x, y; } kPointers[] = {{70, 70}, {170, 200}, {120, 134}};
  auto blockUnder = [&](int x, int y) {
    const COLORREF c = Screen().PixelAt(x, y);
    return std::make_pair((int)GetRValue(c) - 40, (int)GetGValue(c) - 20);
  };
  for (ViewerProfile p : {PROFILE_DESKTOP, PROFILE_HANDHELD}) {
    for (const auto& pointer : kPointers) {
      SCOPED_TRACE(std::string(p == PROFILE_DESKTOP ? "desktop" : "handheld") + ", pointer at " +
                   std::to_string(pointer.x) + "," + std::to_string(pointer.y));
      profile = p;
      OpenFirst({picture});
      const auto before = blockUnder(pointer.x, pointer.y);
      int moved = 0;
      for (size_t i = 0; i < sizeof kNotches / sizeof kNotches[0]; ++i) {
        Wheel(kNotches[i] * WHEEL_DELTA, pointer.x, pointer.y);
        EXPECT_EQ(Page().m_bFitMode, 0);
        EXPECT_EQ(Page().m_nZoomNum, 1);
        EXPECT_EQ(Page().m_nZoomDen, kDenominators[i]) << "notch " << i;
        const auto now = blockUnder(pointer.x, pointer.y);
        const int off = std::abs(now.first - before.first) + std::abs(now.second - before.second);
        if (p == PROFILE_DESKTOP) {
          // Within the blending of neighbouring blocks by the reduction.
          EXPECT_LE(off, 3) << "notch " << i;
        }
        moved += off;
      }
      // The handheld zooms about the middle: a point off the middle runs away.
      if (p == PROFILE_HANDHELD && pointer.x != 120) {
        EXPECT_GT(moved, 20);
      }
      // The keys step along the same ladder.
      if (p == PROFILE_DESKTOP) {
        Key('F');
        for (size_t i = 0; i < sizeof kNotches / sizeof kNotches[0]; ++i) {
          Key(kNotches[i] > 0 ? VK_OEM_PLUS : VK_OEM_MINUS);
          EXPECT_EQ(Page().m_nZoomDen, kDenominators[i]) << "key " << i;
        }
      }
      Restart();
    }
  }
}

TEST_F(ImagePageKeysTest, CaptionGivesSizeAndZoomOnTheDesktop) {
  const struct {
    long long num, den;
    const char16_t* text;
  } kPercents[] = {
      {1, 1, u"100 %"},    {2, 3, u"67 %"},      {1, 4, u"25 %"},     {1, 6, u"17 %"},      {1, 12, u"8.3 %"},
      {239, 240, u"99 %"}, {199, 2000, u"10 %"}, {1, 1000, u"0.1 %"}, {1, 90000, u"0.1 %"}, {3, 40, u"7.5 %"},
  };
  for (const auto& c : kPercents) EXPECT_EQ(ZoomPercentText(c.num, c.den), c.text) << c.num << "/" << c.den;

  // A 1600 × 1200 picture fits a 240 × 268 window at 15 %; 1/6 reads 17 %.
  const std::vector<std::string> files = {EncodeJpeg(RampPicture(1600, 1200)), EncodeJpeg(RampPicture(200, 150))};
  const struct {
    const char* what;
    UINT key;  // 0: the picture just opened
    const char16_t* desktop;
    const char16_t* handheld;
  } kSteps[] = {
      {"opened", 0, u"p0 (1 of 2) \u00B7 1600 \u00D7 1200 \u00B7 15 %", u"p0 (1 of 2)"},
      {"+", VK_OEM_PLUS, u"p0 (1 of 2) \u00B7 1600 \u00D7 1200 \u00B7 17 %", u"p0 (1 of 2)"},
      {"1", '1', u"p0 (1 of 2) \u00B7 1600 \u00D7 1200 \u00B7 100 %", u"p0 (1 of 2)"},
      {"next picture", VK_RIGHT, u"p1 (2 of 2) \u00B7 200 \u00D7 150 \u00B7 100 %", u"p1 (2 of 2)"},
      // The desktop's grid gives the folder's path from the root.
      {"back to the grid", VK_ESCAPE, nullptr, u"My Documents"},
  };
  for (ViewerProfile p : {PROFILE_DESKTOP, PROFILE_HANDHELD}) {
    profile = p;
    OpenFirst(files);
    for (const auto& step : kSteps) {
      SCOPED_TRACE(std::string(p == PROFILE_DESKTOP ? "desktop, " : "handheld, ") + step.what);
      if (step.key != 0) Key(step.key);
      const CString shown = p == PROFILE_HANDHELD     ? CString(step.handheld)
                            : step.desktop != nullptr ? CString(step.desktop)
                                                      : DeviceRootName() + u"/My Documents";
      const CString expected = shown + u" \u2014 Vimbra";
      EXPECT_EQ(Utf8FromWide(Frame()->GetWindowText()), Utf8FromWide(expected));
    }
    Restart();
  }
}

}  // namespace

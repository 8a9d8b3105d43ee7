// Why: the desktop's slideshow (F5) steps through the folder at its pace
// by the picture page's own step, so it wraps and reads ahead as the arrow
// keys do; Space, the arrows, Escape, F5 and leaving the page act on it as
// a user expects, the window's full screen is left as it was, and the
// handheld has no slideshow at all. Time passes only by the manual tick.
#include "app/slideshow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/imagepage.h"
#include "platform/base/tick.h"
#include "platform/controls/dialog.h"
#include "res/resource_ids.h"
#include "startup/launch.h"
#include "support/pixels.h"
#include "support/viewer_fixture.h"

namespace {

constexpr UINT kVkF5 = 0x74;

class SlideshowTest : public ViewerFixture {
 protected:
  // A folder of `count` flat pictures, p0 … p<count-1> in that order.
  void Folder(int count) {
    device.MakeFolder("\\My Documents");
    for (int i = 0; i < count; ++i)
      device.WriteFile("\\My Documents\\p" + std::to_string(i) + ".jpg", FlatJpeg(i, 64, 48));
  }
  void OpenPicture(int index) {
    ASSERT_TRUE(List()->SetCurrent(index));
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
  }
  // F5 as the window's host hands it on: to the frame's accelerators first,
  // to the page when they have no such key.
  void F5() {
    if (!Frame()->TranslateAccelerator(kVkF5, FALSE)) Viewer().HostKey(TRUE, kVkF5);
    Viewer().HostKey(FALSE, kVkF5);
    Pump();
  }
  // A key without the fixture's second between events: time is the test's.
  void Press(UINT vk) {
    Viewer().HostKey(TRUE, vk);
    Viewer().HostKey(FALSE, vk);
    Pump();
  }
  void Wait(DWORD ms) {
    TickAdvance(ms);
    Pump();
  }
  BOOL Running() const { return Viewer().GetSlideshow() != nullptr && Viewer().GetSlideshow()->IsRunning(); }
  BOOL Paused() const { return Viewer().GetSlideshow() != nullptr && Viewer().GetSlideshow()->IsPaused(); }
  // The picture on the screen, by its flat colour; -1 for none of `count`.
  int Shown(int count) const {
    const COLORREF c = Screen().PixelAt(Screen().Width() / 2, Screen().Height() / 2);
    for (int i = 0; i < count; ++i) {
      if (Near(c, ColourOf(i))) return i;
    }
    return -1;
  }
  void Restart() {
    Quit();
    app.reset();
    host.reset();
  }
};

TEST_F(SlideshowTest, StepsAtItsPaceNotBeforeAndWrapsAtTheEnd) {
  const struct {
    const char* what;
    int seconds;  // --slideshow; 0: not given
    DWORD pace;
  } kCases[] = {
      {"the default pace", 0, 4000},
      {"--slideshow 1", 1, 1000},
      {"--slideshow 7", 7, 7000},
  };
  profile = PROFILE_DESKTOP;
  Folder(3);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    CommandLine line;
    line.slideshowSeconds = c.seconds;
    slideshowPaceMs = LaunchFromCommandLine(line, nullptr).slideshowPaceMs;
    Start();
    OpenPicture(1);
    F5();
    EXPECT_TRUE(Running());
    // From p1: p2, then around to p0 and p1, each shown once it is due.
    for (int expected : {2, 0, 1}) {
      const int before = List()->m_nCurrent;
      Wait(c.pace - 1);
      EXPECT_EQ(List()->m_nCurrent, before);
      Wait(1);
      EXPECT_EQ(List()->m_nCurrent, expected);
      EXPECT_EQ(Shown(3), expected);
    }
    Restart();
  }
}

TEST_F(SlideshowTest, KeysPauseStepAndEndTheShow) {
  constexpr DWORD kPace = 4000;
  // 'k' a key released on the page, 'f' F5, 't' time passes.
  struct Act {
    char kind;
    UINT value;
  };
  // From p0 of five: the picture at the end, and the show's state then.
  const struct {
    const char* what;
    std::vector<Act> acts;
    int current;
    std::string state;
  } kCases[] = {
      {"Space pauses", {{'t', 3000}, {'k', VK_SPACE}, {'t', 3 * kPace}}, 0, "paused"},
      {"Space resumes, a pace later", {{'k', VK_SPACE}, {'t', 9000}, {'k', VK_SPACE}, {'t', kPace - 1}}, 0, "running"},
      {"resumed, it steps", {{'k', VK_SPACE}, {'k', VK_SPACE}, {'t', kPace}}, 1, "running"},
      {"Right steps, the wait restarts", {{'t', 3000}, {'k', VK_RIGHT}, {'t', kPace - 1}}, 1, "running"},
      {"after Right, a pace to the next", {{'t', 3000}, {'k', VK_RIGHT}, {'t', kPace}}, 2, "running"},
      {"Left wraps back to the last", {{'k', VK_LEFT}, {'t', kPace - 1}}, 4, "running"},
      {"End, then the show wraps", {{'k', VK_END}, {'t', kPace}}, 0, "running"},
      {"arrows while paused step", {{'k', VK_SPACE}, {'k', VK_RIGHT}, {'k', VK_DOWN}, {'t', 2 * kPace}}, 2, "paused"},
      {"Escape ends it on its picture", {{'t', kPace}, {'k', VK_ESCAPE}, {'t', 3 * kPace}}, 1, "ended"},
      {"F5 ends it", {{'t', kPace}, {'f', 0}, {'t', 3 * kPace}}, 1, "ended"},
      {"F5 again starts afresh", {{'f', 0}, {'t', 3000}, {'f', 0}, {'t', kPace - 1}}, 0, "running"},
      {"BackSpace ends it on the grid", {{'k', VK_BACK}, {'t', 3 * kPace}}, 0, "grid"},
      {"Escape while paused ends it", {{'k', VK_SPACE}, {'k', VK_ESCAPE}, {'k', VK_SPACE}, {'t', kPace}}, 0, "ended"},
  };
  profile = PROFILE_DESKTOP;
  Folder(5);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Start();
    OpenPicture(0);
    F5();
    for (const Act& act : c.acts) {
      if (act.kind == 'k') Press(act.value);
      if (act.kind == 'f') F5();
      if (act.kind == 't') Wait(act.value);
    }
    const bool page = Viewer().IsPicturePageShown();
    EXPECT_EQ(!page ? "grid" : Paused() ? "paused" : Running() ? "running" : "ended", c.state);
    // The caption says a show runs, or waits, as one more part before the title.
    const std::string caption = Utf8FromWide(Frame()->GetWindowText());
    const std::string note = c.state == "running"  ? " \u00B7 Slideshow \u2014 "
                             : c.state == "paused" ? " \u00B7 Slideshow paused \u2014 "
                                                   : "";
    EXPECT_EQ(caption.find("Slideshow") != std::string::npos, !note.empty()) << caption;
    if (!note.empty()) {
      EXPECT_NE(caption.find(note), std::string::npos) << caption;
    }
    EXPECT_EQ(List()->m_nCurrent, c.current);
    EXPECT_EQ(page ? Shown(5) : c.current, c.current);
    Restart();
  }
}

TEST_F(SlideshowTest, F5OnTheGridStartsAtTheCurrentPicture) {
  profile = PROFILE_DESKTOP;
  Folder(4);
  Start();
  // The grid's current picture moves with the keys, which act when pressed.
  Viewer().HostKey(TRUE, VK_RIGHT);
  Viewer().HostKey(TRUE, VK_RIGHT);
  Viewer().HostKey(TRUE, VK_RIGHT);
  Pump();
  ASSERT_EQ(List()->m_nCurrent, 3);
  EXPECT_TRUE(Bar().IsMenuItemEnabled(ID_VIEW_SLIDESHOW));
  F5();
  EXPECT_TRUE(Viewer().IsPicturePageShown());
  EXPECT_TRUE(Running());
  EXPECT_EQ(Shown(4), 3);
  Wait(kDefaultSlideshowPaceMs);
  EXPECT_EQ(List()->m_nCurrent, 0);
  EXPECT_EQ(Shown(4), 0);
  Restart();

  // A folder without pictures: the grid stays and no show runs.
  device.MakeFolder("\\Empty");
  Start();
  List()->SelectFolder(u"\\Empty");
  Pump();
  ASSERT_EQ(List()->GetCount(), 0);
  // The menu follows each message, as the caption does.
  Press(VK_RIGHT);
  EXPECT_FALSE(Bar().IsMenuItemEnabled(ID_VIEW_SLIDESHOW));
  F5();
  EXPECT_FALSE(Viewer().IsPicturePageShown());
  EXPECT_FALSE(Running());
}

TEST_F(SlideshowTest, FullScreenStaysAsTheWindowWas) {
  profile = PROFILE_DESKTOP;
  Folder(3);
  for (bool fullScreen : {false, true}) {
    SCOPED_TRACE(fullScreen ? "full screen" : "in a window");
    Start();
    if (fullScreen) Command(ID_VIEW_FULLSCREEN);  // F11
    OpenPicture(0);
    F5();
    EXPECT_EQ(Frame()->IsFullScreen(), fullScreen ? TRUE : FALSE);
    Wait(kDefaultSlideshowPaceMs);
    EXPECT_EQ(List()->m_nCurrent, 1);
    EXPECT_EQ(Frame()->IsFullScreen(), fullScreen ? TRUE : FALSE);
    Press(VK_ESCAPE);
    EXPECT_FALSE(Running());
    EXPECT_EQ(Frame()->IsFullScreen(), fullScreen ? TRUE : FALSE);
    Restart();
  }
}

TEST_F(SlideshowTest, NoStepUnderAnOpenDialog) {
  profile = PROFILE_DESKTOP;
  Folder(3);
  Start();
  OpenPicture(0);
  F5();
  // The host's modal loop still fires the window's timers.
  int underDialog = -1;
  host->SetDialogHandler([&](CDialog& dialog) {
    Wait(3 * kDefaultSlideshowPaceMs);
    underDialog = List()->m_nCurrent;
    dialog.SendMessage(WM_COMMAND, IDOK);
  });
  Command(ID_APP_ABOUT);
  EXPECT_EQ(underDialog, 0);
  EXPECT_TRUE(Running());
  Wait(kDefaultSlideshowPaceMs);
  EXPECT_EQ(List()->m_nCurrent, 1);
}

TEST_F(SlideshowTest, EachStepKeepsTheNextPictureReadAhead) {
  profile = PROFILE_DESKTOP;
  threads = 2;
  Folder(4);
  Start();
  OpenPicture(1);
  F5();
  // Left reads ahead backwards; the show's next step turns the reading
  // forwards again, as Right does, so every later step finds it ready.
  Press(VK_LEFT);
  ASSERT_TRUE(host->WaitForBackgroundWork(60000));
  EXPECT_TRUE(List()->HasPictureAhead(3));
  for (int expected : {1, 2, 3, 0}) {
    Wait(kDefaultSlideshowPaceMs);
    EXPECT_EQ(List()->m_nCurrent, expected);
    EXPECT_EQ(Shown(4), expected);
    ASSERT_TRUE(host->WaitForBackgroundWork(60000));
    EXPECT_TRUE(List()->HasPictureAhead((expected + 1) % 4));
  }
}

TEST_F(SlideshowTest, TheHandheldHasNone) {
  profile = PROFILE_HANDHELD;
  Folder(3);
  Start();
  EXPECT_EQ(Viewer().GetSlideshow(), nullptr);
  OpenPicture(0);
  // F5 is no key of the handheld's, and the command finds no handler.
  EXPECT_FALSE(Frame()->TranslateAccelerator(kVkF5, FALSE));
  F5();
  Command(ID_VIEW_SLIDESHOW);
  Wait(60000);
  EXPECT_EQ(List()->m_nCurrent, 0);
  // Its keys are as they were: Space does nothing, Escape returns to the grid.
  Press(VK_SPACE);
  EXPECT_TRUE(Viewer().IsPicturePageShown());
  EXPECT_EQ(List()->m_nCurrent, 0);
  Press(VK_ESCAPE);
  EXPECT_FALSE(Viewer().IsPicturePageShown());
}

}  // namespace

// Why: the desktop's keys and Ctrl + wheel are new ways to the handheld's
// own actions, so each must leave the viewer exactly as its old way does
// (toolbar command, arrow step, scroll code): same page, same list and zoom
// state, same pixels. Each acts on release only, and keys a page does not
// know leave it untouched. Checked through the headless host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/gridlayout.h"
#include "pages/imagepage.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "res/resource_ids.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

// One user action: a key (pressed and released), a notch of Ctrl + wheel
// (in WHEEL_DELTA units), a plain wheel message, a scroll code, a command.
struct Action {
  enum Kind { kKey, kCtrlWheel, kPlainWheel, kScroll, kCommand } kind;
  int value;
};
using Actions = std::vector<Action>;

Action KeyOf(UINT vk) {
  return {Action::kKey, (int)vk};
}

// Everything the user could tell apart afterwards.
struct State {
  bool imagePage;
  int current, firstShown, scrollY;
  int fit, num, den, offsetX, offsetY;
  bool held;
  std::vector<uint32_t> pixels;
  bool operator==(const State& o) const {
    return imagePage == o.imagePage && current == o.current && firstShown == o.firstShown && scrollY == o.scrollY &&
           fit == o.fit && num == o.num && den == o.den && offsetX == o.offsetX && offsetY == o.offsetY &&
           held == o.held && pixels == o.pixels;
  }
};

class KeysTest : public ViewerFixture {
 protected:
  void Run(const Action& a) {
    switch (a.kind) {
      case Action::kKey:
        Key((UINT)a.value);
        break;
      case Action::kCtrlWheel:
      case Action::kPlainWheel:
        TickAdvance(1000);
        Viewer().SendMessage(WM_MOUSEWHEEL, MAKEWPARAM((WORD)(a.kind == Action::kCtrlWheel ? (UINT)MK_CONTROL : 0u),
                                                       (WORD)(int16_t)a.value));
        Pump();
        break;
      case Action::kScroll:
        VScroll((UINT)a.value, Viewer().GetScrollPos(SB_VERT));
        break;
      case Action::kCommand:
        Command((UINT)a.value);
        break;
    }
    ASSERT_TRUE(host->WaitForBackgroundWork(60000));
  }
  void RunAll(const Actions& actions) {
    for (const Action& a : actions) Run(a);
  }
  State Capture() const {
    CImagePage& page = *Viewer().m_pImagePage;
    State s{Viewer().m_pCurrentPage == (CPage*)Viewer().m_pImagePage,
            List()->m_nCurrent,
            List()->m_nFirstShown,
            Viewer().GetScrollPos(SB_VERT),
            page.m_bFitMode,
            page.m_nZoomNum,
            page.m_nZoomDen,
            page.m_nOffsetX,
            page.m_nOffsetY,
            List()->m_hPicture != nullptr,
            {}};
    for (int y = 0; y < Screen().Height(); ++y) {
      s.pixels.insert(s.pixels.end(), Screen().Row(y), Screen().Row(y) + Screen().Width());
    }
    return s;
  }
  // The grid or the picture page in a known state, whatever came before.
  void GridAt(int downs) {
    Viewer().SwitchPage(PAGE_BROWSER);
    VScroll(SB_THUMBPOSITION, 0);
    for (int i = 0; i < downs; ++i) Key(VK_DOWN);
    ASSERT_TRUE(host->WaitForBackgroundWork(60000));
  }
  void PictureZoomed(int index) {
    Viewer().SwitchPage(PAGE_BROWSER);
    ASSERT_TRUE(List()->SetCurrent(index));
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
    Command(ID_ZOOM_IN);
    Command(ID_ZOOM_IN);
  }
  void Folder(int count, int width, int height) {
    device.MakeFolder("\\My Documents");
    for (int i = 0; i < count; ++i) {
      const Picture ramp = RampPicture(i % 2 ? height : width, i % 2 ? width : height);
      device.WriteFile("\\My Documents\\p" + std::to_string(10 + i) + ".jpg",
                       EncodeJpeg(i % 3 == 0 ? Inverted(ramp) : ramp));
    }
  }
};

// Each case: from the start state, the new way and the old way must end in
// the same state; `moves` says the old way changes something there.
struct Case {
  const char* what;
  int start;
  Actions newWay;
  Actions oldWay;
  bool moves;
};

TEST_F(KeysTest, GridKeysPageAndJumpLikeTheArrowKeysAndTheBar) {
  Folder(40, 40, 30);
  const Actions manyDowns(20, KeyOf(VK_DOWN));
  const Actions manyUps(20, KeyOf(VK_UP));
  const Case kCases[] = {
      {"Page Down", 0, {KeyOf(VK_NEXT)}, {KeyOf(VK_DOWN)}, true},
      {"Page Down in the middle", 2, {KeyOf(VK_NEXT)}, {KeyOf(VK_DOWN)}, true},
      {"Page Up", 2, {KeyOf(VK_PRIOR)}, {KeyOf(VK_UP)}, true},
      {"End", 0, {KeyOf(VK_END)}, manyDowns, true},
      {"End in the middle", 1, {KeyOf(VK_END)}, manyDowns, true},
      {"Home", 3, {KeyOf(VK_HOME)}, manyUps, true},
      {"Ctrl + wheel down", 1, {{Action::kCtrlWheel, -WHEEL_DELTA}}, {{Action::kScroll, SB_LINEDOWN}}, true},
      {"Ctrl + wheel up", 1, {{Action::kCtrlWheel, WHEEL_DELTA}}, {{Action::kScroll, SB_LINEUP}}, true},
      {"plus", 1, {KeyOf(VK_OEM_PLUS), KeyOf(VK_ADD)}, {}, false},
      {"minus", 1, {KeyOf(VK_OEM_MINUS), KeyOf(VK_SUBTRACT)}, {}, false},
      {"Escape and BackSpace", 1, {KeyOf(VK_ESCAPE), KeyOf(VK_BACK)}, {}, false},
  };
  for (int workers : {1, 4}) {
    threads = workers;
    Start();
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(c.what) + ", threads " + std::to_string(workers));
      GridAt(c.start);
      const State start = Capture();
      // Pressed but not yet released: nothing happens.
      if (c.newWay[0].kind == Action::kKey) {
        Viewer().HostKey(TRUE, (UINT)c.newWay[0].value);
        Pump();
        EXPECT_TRUE(Capture() == start);
      }
      RunAll(c.newWay);
      const State byNewWay = Capture();
      GridAt(c.start);
      RunAll(c.oldWay);
      const State byOldWay = Capture();
      EXPECT_TRUE(byNewWay == byOldWay);
      EXPECT_EQ(byNewWay == start, !c.moves);
      EXPECT_FALSE(byNewWay.imagePage);
    }
    // The ends themselves: End shows the last picture at the bar's end, Home
    // the first at the top.
    int mapMode;
    SIZE total, page, line;
    Viewer().GetDeviceScrollSizes(mapMode, total, page, line);
    ASSERT_GT(total.cy, page.cy);
    GridAt(0);
    Key(VK_END);
    EXPECT_EQ(Viewer().GetScrollPos(SB_VERT), total.cy - page.cy);
    const GridLayout grid = ComputeGridLayout(Screen().Width(), Screen().Height(), true);
    EXPECT_GT(List()->m_nFirstShown + grid.cols * grid.rows, List()->GetCount() - 1);
    Key(VK_HOME);
    EXPECT_EQ(Viewer().GetScrollPos(SB_VERT), 0);
    EXPECT_EQ(List()->m_nFirstShown, 0);
    Quit();
    app.reset();
    host.reset();
  }
}

TEST_F(KeysTest, PicturePageKeysAndCtrlWheelDoWhatTheToolbarAndArrowsDo) {
  Folder(4, 800, 600);
  const Case kCases[] = {
      {"plus", 1, {KeyOf(VK_OEM_PLUS)}, {{Action::kCommand, ID_ZOOM_IN}}, true},
      {"keypad plus", 1, {KeyOf(VK_ADD)}, {{Action::kCommand, ID_ZOOM_IN}}, true},
      {"Ctrl + wheel up", 1, {{Action::kCtrlWheel, WHEEL_DELTA}}, {{Action::kCommand, ID_ZOOM_IN}}, true},
      {"Ctrl + wheel up, two notches at once",
       1,
       {{Action::kCtrlWheel, 2 * WHEEL_DELTA}},
       {{Action::kCommand, ID_ZOOM_IN}, {Action::kCommand, ID_ZOOM_IN}},
       true},
      {"minus", 1, {KeyOf(VK_OEM_MINUS)}, {{Action::kCommand, ID_ZOOM_OUT}}, true},
      {"keypad minus", 1, {KeyOf(VK_SUBTRACT)}, {{Action::kCommand, ID_ZOOM_OUT}}, true},
      {"Ctrl + wheel down", 1, {{Action::kCtrlWheel, -WHEEL_DELTA}}, {{Action::kCommand, ID_ZOOM_OUT}}, true},
      {"Escape", 1, {KeyOf(VK_ESCAPE)}, {{Action::kCommand, ID_BACK}}, true},
      {"BackSpace", 1, {KeyOf(VK_BACK)}, {{Action::kCommand, ID_BACK}}, true},
      {"Home", 2, {KeyOf(VK_HOME)}, {KeyOf(VK_LEFT), KeyOf(VK_LEFT)}, true},
      {"End", 1, {KeyOf(VK_END)}, {KeyOf(VK_RIGHT), KeyOf(VK_RIGHT)}, true},
      {"Home on the first picture", 0, {KeyOf(VK_HOME)}, {KeyOf(VK_LEFT), KeyOf(VK_RIGHT)}, true},
      {"wheel alone", 1, {{Action::kScroll, SB_LINEDOWN}, {Action::kPlainWheel, -WHEEL_DELTA}}, {}, false},
      {"Page Up and Page Down", 1, {KeyOf(VK_PRIOR), KeyOf(VK_NEXT)}, {}, false},
  };
  Start();
  const size_t picture = 40 + 800 * 600 * 3;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    PictureZoomed(c.start);
    const State start = Capture();
    ASSERT_TRUE(start.imagePage && start.fit == 0);
    if (c.newWay[0].kind == Action::kKey) {
      Viewer().HostKey(TRUE, (UINT)c.newWay[0].value);
      Pump();
      EXPECT_TRUE(Capture() == start);
    }
    // Home and End release the held picture before the next is decoded.
    HeapResetPeak();
    const size_t base = HeapBytesInUse();
    RunAll(c.newWay);
    const State byNewWay = Capture();
    if (c.newWay[0].value == (int)VK_HOME || c.newWay[0].value == (int)VK_END) {
      EXPECT_LT(HeapPeakBytes(), base + picture / 2);
      EXPECT_EQ(byNewWay.fit, 1);
    }
    PictureZoomed(c.start);
    RunAll(c.oldWay);
    const State byOldWay = Capture();
    EXPECT_TRUE(byNewWay == byOldWay);
    EXPECT_EQ(byNewWay == start, !c.moves);
  }
}

}  // namespace

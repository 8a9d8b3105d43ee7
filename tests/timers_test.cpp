// Window timers drive the desktop's slideshow and animations: they must fire
// on the device tick, once per due period however late the loop comes, stop
// when killed or when their window goes, and survive handlers that change
// the table while it is walked.
#include "platform/window/timers.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/base/tick.h"
#include "platform/headless/headless_host.h"
#include "platform/window/wnd.h"

namespace {

class TimerWnd : public CWnd {
 public:
  std::vector<UINT> fired;
  UINT killOnFire = 0;  // a timer the handler kills (0: none)
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_TIMER) return CWnd::WindowProc(message, wParam, lParam);
    fired.push_back((UINT)wParam);
    if (killOnFire != 0) KillTimer(killOnFire);
    return 0;
  }
};

class TimersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TickSetManual(0xFFFFFF00);  // the tick wraps within each test
    ASSERT_TRUE(wnd.CreateChild(nullptr, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST));
    ASSERT_TRUE(other.CreateChild(nullptr, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST));
  }
  void TearDown() override { TickUseSystem(); }
  std::vector<UINT> Advance(DWORD ms) {
    wnd.fired.clear();
    TickAdvance(ms);
    host.Pump();
    return wnd.fired;
  }
  CHeadlessHost host{100, 100, 13};
  TimerWnd wnd;
  TimerWnd other;
};

TEST_F(TimersTest, FireOncePerDuePeriodAcrossTheTicksWrap) {
  ASSERT_TRUE(wnd.SetTimer(7, 100));
  ASSERT_TRUE(wnd.SetTimer(9, 250));
  EXPECT_EQ(NextTimerDue(), 100u);
  const struct {
    DWORD advance;
    std::vector<UINT> fired;
    DWORD next;
  } kSteps[] = {
      {99, {}, 1},          // not yet
      {1, {7}, 100},        // 7 at 100
      {150, {7, 9}, 100},   // 7 at 250 (one firing, however late) and 9 at 250
      {1000, {7, 9}, 100},  // a long stall fires each once
      {100, {7}, 100},
  };
  for (const auto& step : kSteps) {
    EXPECT_EQ(Advance(step.advance), step.fired) << "after " << step.advance;
    EXPECT_EQ(NextTimerDue(), step.next);
  }
  // Setting again counts from now.
  TickAdvance(60);
  ASSERT_TRUE(wnd.SetTimer(7, 100));
  EXPECT_EQ(Advance(60), std::vector<UINT>{});
}

TEST_F(TimersTest, KilledTimersAndDestroyedWindowsNeverFire) {
  ASSERT_TRUE(wnd.SetTimer(1, 10));
  ASSERT_TRUE(wnd.SetTimer(2, 10));
  ASSERT_TRUE(other.SetTimer(1, 10));
  // A handler that kills the next due timer while the due ones are walked.
  wnd.killOnFire = 2;
  EXPECT_EQ(Advance(10), std::vector<UINT>{1});
  EXPECT_EQ(other.fired, std::vector<UINT>{1});
  EXPECT_FALSE(wnd.KillTimer(2));
  EXPECT_TRUE(wnd.KillTimer(1));
  EXPECT_EQ(Advance(50), std::vector<UINT>{});
  other.fired.clear();
  other.DestroyWindow();
  EXPECT_EQ(NextTimerDue(), kNoTimerDue);
  TickAdvance(50);
  host.Pump();
  EXPECT_TRUE(other.fired.empty());
  EXPECT_FALSE(other.SetTimer(1, 10)) << "a window that is gone sets no timer";
}

}  // namespace

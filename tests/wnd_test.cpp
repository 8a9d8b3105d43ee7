// Windows of the platform layer: the paint cycle, the scroll bars' rules and
// the client area they leave, and the stylus translation with its double-tap
// rule. The pages rely on every one of these.
#include "platform/window/wnd.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/base/tick.h"
#include "platform/draw/canvas.h"
#include "platform/headless/headless_host.h"

namespace {

struct Recorded {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class RecordingWnd : public CScrollView {
 public:
  std::vector<Recorded> messages;
  BOOL erasedAtPaint = FALSE;
  UINT classStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  UINT GetClassStyle() const override { return classStyle; }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back({message, wParam, lParam});
    if (message == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(&ps);
      erasedAtPaint = ps.fErase;
      RECT dot = {0, 0, 1, 1};
      FillSolidRect(dc, &dot, RGB(1, 2, 3));
      EndPaint(&ps);
      return 0;
    }
    return CScrollView::WindowProc(message, wParam, lParam);
  }
  int Count(UINT message) const {
    int n = 0;
    for (const Recorded& r : messages) n += r.message == message;
    return n;
  }
};

class WindowTest : public ::testing::Test {
 protected:
  CHeadlessHost host{240, 268, 13};
  RecordingWnd wnd;
  void SetUp() override {
    TickSetManual(5000);
    ASSERT_TRUE(wnd.CreateChild(nullptr, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST));
    host.Pump();  // the first paint after creation
    wnd.messages.clear();
  }
};

TEST_F(WindowTest, ClientAreaIsTheHostArea) {
  RECT rc;
  ASSERT_TRUE(wnd.GetClientRect(&rc));
  EXPECT_EQ(rc.right, 240);
  EXPECT_EQ(rc.bottom, 268);
  RecordingWnd never;
  EXPECT_FALSE(never.GetClientRect(&rc));
}

TEST_F(WindowTest, InvalidateWaitsForThePumpAndErasesOnlyWhenAsked) {
  wnd.Invalidate(FALSE);
  EXPECT_EQ(wnd.Count(WM_PAINT), 0);
  host.Pump();
  EXPECT_EQ(wnd.Count(WM_PAINT), 1);
  EXPECT_FALSE(wnd.erasedAtPaint);
  EXPECT_EQ(wnd.GetCanvas()->PixelAt(0, 0), RGB(1, 2, 3));
  wnd.Invalidate(TRUE);
  wnd.Invalidate(FALSE);  // a later invalidation keeps the pending erase
  host.Pump();
  EXPECT_EQ(wnd.Count(WM_PAINT), 2);
  EXPECT_TRUE(wnd.erasedAtPaint);
  host.Pump();
  EXPECT_EQ(wnd.Count(WM_PAINT), 2);  // nothing pending
}

TEST_F(WindowTest, UpdateWindowPaintsBeforeReturning) {
  wnd.Invalidate(FALSE);
  wnd.UpdateWindow();
  EXPECT_EQ(wnd.Count(WM_PAINT), 1);
  EXPECT_FALSE(wnd.IsPaintPending());
  wnd.UpdateWindow();
  EXPECT_EQ(wnd.Count(WM_PAINT), 1);
}

TEST_F(WindowTest, EraseFillsWithTheWindowColour) {
  wnd.GetCanvas()->Fill(RGB(9, 9, 9));
  wnd.Invalidate(TRUE);
  host.Pump();
  EXPECT_EQ(wnd.GetCanvas()->PixelAt(100, 100), kWindowColour);
  EXPECT_EQ(wnd.GetCanvas()->PixelAt(0, 0), RGB(1, 2, 3));
}

TEST_F(WindowTest, ScrollBarAppearsOnlyWhenTheRangeExceedsThePage) {
  wnd.SetScrollSizes(MM_TEXT, SIZE{0, 268}, SIZE{0, 268}, SIZE{0, 89});
  EXPECT_FALSE(wnd.IsScrollBarVisible(SB_VERT));
  wnd.SetScrollSizes(MM_TEXT, SIZE{0, 357}, SIZE{0, 268}, SIZE{0, 89});
  ASSERT_TRUE(wnd.IsScrollBarVisible(SB_VERT));
  EXPECT_FALSE(wnd.IsScrollBarVisible(SB_HORZ));
  SCROLLINFO si = {sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  wnd.GetScrollInfo(SB_VERT, &si);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 356);
  EXPECT_EQ(si.nPage, 268u);
  // The bar takes its width from the client area and says so.
  RECT rc;
  wnd.GetClientRect(&rc);
  EXPECT_EQ(rc.right, 240 - 13);
  EXPECT_EQ(wnd.Count(WM_SIZE), 1);
  EXPECT_TRUE(wnd.IsErasePending());
}

TEST_F(WindowTest, ScrollPositionStaysWithinTotalLessPage) {
  wnd.SetScrollSizes(MM_TEXT, SIZE{0, 357}, SIZE{0, 268}, SIZE{0, 89});
  host.Pump();
  wnd.ScrollToPosition(POINT{0, 500});
  EXPECT_EQ(wnd.GetScrollPosition().y, 89);
  EXPECT_TRUE(wnd.IsErasePending());  // the content moved: repaint all of it
  host.Pump();
  wnd.ScrollToPosition(POINT{0, 89});
  EXPECT_FALSE(wnd.IsPaintPending());  // nothing moved, nothing to paint
  wnd.ScrollToPosition(POINT{0, -40});
  EXPECT_EQ(wnd.GetScrollPosition().y, 0);
  int mode;
  SIZE total, page, line;
  wnd.GetDeviceScrollSizes(mode, total, page, line);
  EXPECT_EQ(mode, MM_TEXT);
  EXPECT_EQ(total.cy, 357);
  EXPECT_EQ(line.cy, 89);
}

TEST_F(WindowTest, EmptyScrollInfoRemovesTheBarAndResetsThePosition) {
  wnd.SetScrollSizes(MM_TEXT, SIZE{0, 1000}, SIZE{0, 268}, SIZE{0, 89});
  wnd.ScrollToPosition(POINT{0, 300});
  ASSERT_EQ(wnd.GetScrollPosition().y, 300);
  SCROLLINFO empty = {sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  wnd.SetScrollInfo(SB_VERT, &empty, TRUE);
  EXPECT_FALSE(wnd.IsScrollBarVisible(SB_VERT));
  EXPECT_EQ(wnd.GetScrollPosition().y, 0);
  RECT rc;
  wnd.GetClientRect(&rc);
  EXPECT_EQ(rc.right, 240);
  // With the bar gone the position cannot move either.
  wnd.ScrollToPosition(POINT{0, 200});
  EXPECT_EQ(wnd.GetScrollPosition().y, 0);
}

TEST_F(WindowTest, TrackPositionKeepsAll32Bits) {
  wnd.SetScrollSizes(MM_TEXT, SIZE{0, 200000}, SIZE{0, 268}, SIZE{0, 89});
  wnd.HostVScroll(SB_THUMBTRACK, 150000);
  SCROLLINFO si = {sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
  wnd.GetScrollInfo(SB_VERT, &si);
  EXPECT_EQ(si.nTrackPos, 150000);
  ASSERT_EQ(wnd.Count(WM_VSCROLL), 1);
  const Recorded& r = wnd.messages.back();
  EXPECT_EQ(LOWORD(r.wParam), SB_THUMBTRACK);
  EXPECT_EQ(HIWORD(r.wParam), 150000 & 0xFFFF);  // the message's own 16 bits
}

TEST_F(WindowTest, SecondQuickTapIsADoubleClick) {
  wnd.HostStylusDown(10, 20);
  wnd.HostStylusUp(10, 20);
  TickAdvance(500);
  wnd.HostStylusDown(11, 21);
  wnd.HostStylusUp(11, 21);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 1);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDBLCLK), 1);
  EXPECT_EQ(wnd.Count(WM_LBUTTONUP), 2);
  // A third tap starts afresh; a slow or distant one is a plain tap.
  wnd.HostStylusDown(11, 21);
  TickAdvance(501);
  wnd.HostStylusDown(11, 21);
  TickAdvance(10);
  wnd.HostStylusDown(14, 21);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 4);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDBLCLK), 1);
}

TEST_F(WindowTest, WithoutDoubleClickStyleEveryDownIsADown) {
  wnd.classStyle = CS_VREDRAW | CS_HREDRAW;
  wnd.HostStylusDown(10, 20);
  wnd.HostStylusDown(10, 20);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 2);
}

TEST_F(WindowTest, StylusPointsTravelAsSignedHalves) {
  wnd.HostStylusMove(-5, 300);
  ASSERT_EQ(wnd.messages.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(wnd.messages[0].lParam), -5);
  EXPECT_EQ(GET_Y_LPARAM(wnd.messages[0].lParam), 300);
}

TEST_F(WindowTest, KeysCarryRepeatCountAndTransition) {
  wnd.HostKey(TRUE, VK_DOWN);
  wnd.HostKey(FALSE, VK_DOWN);
  ASSERT_EQ(wnd.messages.size(), 2u);
  EXPECT_EQ(wnd.messages[0].message, (UINT)WM_KEYDOWN);
  EXPECT_EQ(wnd.messages[1].message, (UINT)WM_KEYUP);
  EXPECT_EQ(wnd.messages[1].wParam, (WPARAM)VK_DOWN);
  EXPECT_EQ(LOWORD((uintptr_t)wnd.messages[1].lParam), 1);
}

TEST_F(WindowTest, DestroyedWindowTakesNoInput) {
  wnd.DestroyWindow();
  wnd.messages.clear();
  wnd.HostStylusDown(1, 1);
  wnd.HostKey(FALSE, VK_UP);
  wnd.Invalidate(TRUE);
  host.Pump();
  EXPECT_TRUE(wnd.messages.empty());
}

}  // namespace

// The image page shows one picture: fit, the zoom ladder with the centre
// kept, panning with its threshold and clamps, stepping with wrap-around and
// the two messages. Checked through the headless host, field by field and
// pixel by pixel, including the worked examples of 240 × 268 windows.
#include "pages/imagepage.h"

#include <gtest/gtest.h>

#include <string>

#include "pages/scaleladder.h"
#include "platform/base/heap.h"
#include "res/resource_ids.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

TEST(ScaleLadder, StepsDownAndUp) {
  const ZoomScale ladder[] = {{1, 1}, {2, 3},  {1, 2},  {1, 3},  {1, 4},  {1, 6},
                              {1, 8}, {1, 12}, {1, 16}, {1, 24}, {1, 32}, {1, 48}};
  for (size_t i = 0; i + 1 < sizeof(ladder) / sizeof(ladder[0]); ++i) {
    const ZoomScale down = ZoomStepDown(ladder[i]);
    EXPECT_EQ(down.num, ladder[i + 1].num) << i;
    EXPECT_EQ(down.den, ladder[i + 1].den) << i;
    const ZoomScale up = ZoomStepUp(ladder[i + 1]);
    EXPECT_EQ(up.num, ladder[i].num) << i;
    EXPECT_EQ(up.den, ladder[i].den) << i;
  }
  const ZoomScale top = ZoomStepUp(ZoomScale{1, 1});
  EXPECT_EQ(top.num, 1);
  EXPECT_EQ(top.den, 1);
}

class ImagePageTest : public ViewerFixture {
 protected:
  CImagePage& Page() const { return *Viewer().m_pImagePage; }
  bool OnImagePage() const { return Viewer().m_pCurrentPage == (CPage*)Viewer().m_pImagePage; }
  // A folder with one picture per size given, opened at the first one.
  // The list index of a file of "\\My Documents" (the list keeps the
  // folder's enumeration order).
  int IndexOf(const std::u16string& name) const {
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString path;
      List()->GetPath(i, path);
      if (path == u"\\My Documents\\" + name) return i;
    }
    return -1;
  }
  // Shows picture `name` as a tap would.
  void Open(const std::u16string& name) {
    Viewer().SwitchPage(PAGE_BROWSER);
    ASSERT_TRUE(List()->SetCurrent(IndexOf(name)));
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
  }
  void OpenPictures(std::initializer_list<std::pair<int, int>> sizes, int width = 240, int height = 268) {
    device.MakeFolder("\\My Documents");
    int i = 0;
    for (auto size : sizes) {
      device.WriteFile("\\My Documents\\p" + std::to_string(i++) + ".jpg",
                       EncodeJpeg(RampPicture(size.first, size.second)));
    }
    Start(width, height);
    ASSERT_EQ(List()->GetCount(), (int)sizes.size());
    Open(u"p0.jpg");
  }
  void ExpectZoom(int num, int den, int zw, int zh, int ox, int oy) const {
    EXPECT_EQ(Page().m_bFitMode, 0);
    EXPECT_EQ(Page().m_nZoomNum, num);
    EXPECT_EQ(Page().m_nZoomDen, den);
    EXPECT_EQ(Page().m_nZoomedWidth, zw);
    EXPECT_EQ(Page().m_nZoomedHeight, zh);
    EXPECT_EQ(Page().m_nOffsetX, ox);
    EXPECT_EQ(Page().m_nOffsetY, oy);
  }
  int InkRows() const {
    int rows = 0;
    for (int y = 0; y < Screen().Height(); ++y) {
      bool ink = false;
      for (int x = 0; x < Screen().Width() && !ink; ++x) ink = Screen().PixelAt(x, y) != kWhite;
      rows += ink;
    }
    return rows;
  }
  CString CurrentName() const {
    CString path;
    List()->GetPath(List()->m_nCurrent, path);
    return path.substr(path.rfind(u'\\') + 1);
  }
};

TEST_F(ImagePageTest, LargePictureFitsThenClimbsTheLadder) {
  OpenPictures({{1600, 1200}});
  ASSERT_NE(List()->m_hPicture, nullptr);
  EXPECT_EQ(Page().m_bFitMode, 1);
  EXPECT_EQ(Bar().ButtonState(ID_ZOOM_IN), (int)TBSTATE_ENABLED);
  EXPECT_EQ(Bar().ButtonState(ID_BROWSER), (int)TBSTATE_HIDDEN);
  // Fit: 240 × 180, 44 spare rows above and below.
  EXPECT_EQ(Screen().PixelAt(120, 43), kWhite);
  EXPECT_NE(Screen().PixelAt(120, 44), kWhite);
  EXPECT_NE(Screen().PixelAt(120, 223), kWhite);
  EXPECT_EQ(Screen().PixelAt(120, 224), kWhite);
  // At 1/8 the picture (200 wide) would fit: the first step is 1/6.
  EXPECT_EQ(Page().OnZoomIn(), 1);
  ExpectZoom(1, 6, 266, 200, 80, 0);
  // The visible 1443 × 1200 window fits into 240 × 199.
  EXPECT_EQ(InkRows(), 199);
  // Keeping the picture point (800, 600) in the middle.
  EXPECT_EQ(Page().OnZoomIn(), 1);
  ExpectZoom(1, 4, 400, 300, 320, 64);
  EXPECT_EQ(Page().OnZoomIn(), 1);
  ExpectZoom(1, 3, 533, 400, 440, 198);
  EXPECT_EQ(Page().OnZoomIn(), 1);
  EXPECT_EQ(Page().m_nZoomDen, 2);
  EXPECT_EQ(Page().OnZoomIn(), 1);
  EXPECT_EQ(Page().m_nZoomNum, 2);
  EXPECT_EQ(Page().m_nZoomDen, 3);
  EXPECT_EQ(Page().OnZoomIn(), 1);
  ExpectZoom(1, 1, 1600, 1200, 680, 466);
  EXPECT_EQ(Page().OnZoomIn(), 0);
  // Down the ladder again; from 1/6 back to fit.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Page().OnZoomOut(), 1);
  EXPECT_EQ(Page().m_nZoomDen, 6);
  EXPECT_EQ(Page().OnZoomOut(), 1);
  EXPECT_EQ(Page().m_bFitMode, 1);
  EXPECT_EQ(Page().OnZoomOut(), 0);
}

TEST_F(ImagePageTest, SmallPictureZoomsToOneToOneWithTheSameLook) {
  OpenPictures({{200, 150}});
  Canvas fit;
  fit.Resize(240, 268);
  for (int y = 0; y < 268; ++y)
    for (int x = 0; x < 240; ++x) fit.Row(y)[x] = Screen().Row(y)[x];
  EXPECT_EQ(InkRows(), 150);
  EXPECT_EQ(Page().OnZoomIn(), 1);
  ExpectZoom(1, 1, 200, 150, 0, 0);
  Pump();
  int differences = 0;
  for (int y = 0; y < 268; ++y)
    for (int x = 0; x < 240; ++x) differences += fit.Row(y)[x] != Screen().Row(y)[x];
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(Page().OnZoomIn(), 0);
  // 2/3 fits both ways: back to fit mode.
  EXPECT_EQ(Page().OnZoomOut(), 1);
  EXPECT_EQ(Page().m_bFitMode, 1);
}

TEST_F(ImagePageTest, TallPicturesPickTheirFirstScaleByHeight) {
  OpenPictures({{300, 2000}, {100, 2000}});
  EXPECT_EQ(Page().OnZoomIn(), 1);
  EXPECT_EQ(Page().m_nZoomNum, 1);
  EXPECT_EQ(Page().m_nZoomDen, 6);  // 50 × 333, still taller than 268
  EXPECT_EQ(Page().m_nZoomedHeight, 333);
  Open(u"p1.jpg");
  EXPECT_EQ(Page().m_bFitMode, 1);
  EXPECT_EQ(Page().OnZoomIn(), 1);
  EXPECT_EQ(Page().m_nZoomNum, 1);
  EXPECT_EQ(Page().m_nZoomDen, 1);  // the window is wider than the picture
}

TEST_F(ImagePageTest, PanningFollowsTheStylusWithAThreshold) {
  OpenPictures({{1600, 1200}});
  Page().OnZoomIn();
  Page().OnZoomIn();  // 1/4 at (320, 64)
  Viewer().HostStylusDown(100, 100);
  Viewer().HostStylusMove(102, 101);
  EXPECT_EQ(Page().m_nOffsetX, 320);  // 2 pixels: nothing yet
  EXPECT_EQ(Page().m_nOffsetY, 64);
  Viewer().HostStylusMove(97, 101);  // 3 to the left, 1 down, since the down point
  EXPECT_EQ(Page().m_nOffsetX, 320 + 12);
  EXPECT_EQ(Page().m_nOffsetY, 64 - 4);
  EXPECT_EQ(Page().m_ptDown.x, 97);
  // Far past the edges: offsets stop at 0 and at the maximum.
  Viewer().HostStylusMove(5000, 5000);
  EXPECT_EQ(Page().m_nOffsetX, 0);
  EXPECT_EQ(Page().m_nOffsetY, 0);
  Viewer().HostStylusMove(-20000, -20000);
  EXPECT_EQ(Page().m_nOffsetX, 1600 - 960);
  EXPECT_EQ(Page().m_nOffsetY, 1200 - 1072);
  Viewer().HostStylusUp(-20000, -20000);
  EXPECT_EQ(Page().m_bDragging, 0);
  Viewer().HostStylusMove(0, 0);  // no longer dragging
  EXPECT_EQ(Page().m_nOffsetX, 640);
}

TEST_F(ImagePageTest, NoPanningInFitModeOrWhenAllIsVisible) {
  OpenPictures({{1600, 1200}, {200, 150}});
  Drag(100, 100, 10, 10);
  EXPECT_EQ(Page().m_nOffsetX, 0);
  Open(u"p1.jpg");
  Page().OnZoomIn();  // 1/1, wholly visible
  Drag(100, 100, 10, 10);
  EXPECT_EQ(Page().m_nOffsetX, 0);
  EXPECT_EQ(Page().m_nOffsetY, 0);
}

TEST_F(ImagePageTest, ArrowKeysWrapAroundBothWays) {
  OpenPictures({{40, 30}, {50, 30}, {60, 30}});
  Viewer().SwitchPage(PAGE_BROWSER);
  List()->SetCurrent(0);
  Viewer().SwitchPage(PAGE_IMAGE);
  Pump();
  Key(VK_LEFT);
  EXPECT_EQ(List()->m_nCurrent, 2);
  Key(VK_RIGHT);
  EXPECT_EQ(List()->m_nCurrent, 0);
  Key(VK_DOWN);
  EXPECT_EQ(List()->m_nCurrent, 1);
  Key(VK_UP);
  EXPECT_EQ(List()->m_nCurrent, 0);
  Key(VK_RETURN);
  EXPECT_EQ(List()->m_nCurrent, 0);
  // Key down alone does nothing.
  Viewer().HostKey(TRUE, VK_RIGHT);
  EXPECT_EQ(List()->m_nCurrent, 0);
}

TEST_F(ImagePageTest, OnePictureFolderDecodesTheSamePictureAgain) {
  OpenPictures({{1600, 1200}});
  Page().OnZoomIn();
  CDib before = List()->m_hPicture;
  const int waits = host->WaitCursorChanges();
  Key(VK_RIGHT);
  EXPECT_EQ(List()->m_nCurrent, 0);
  EXPECT_EQ(Page().m_bFitMode, 1);
  ASSERT_NE(List()->m_hPicture, nullptr);
  EXPECT_EQ(host->WaitCursorChanges(), waits + 2);  // on for the decode, off after
  (void)before;
}

TEST_F(ImagePageTest, AtMostOneFullSizePictureHeld) {
  OpenPictures({{800, 600}, {800, 600}, {800, 600}});
  const size_t picture = 40 + 800 * 3 * 600;
  HeapResetPeak();
  const size_t base = HeapBytesInUse();
  for (int i = 0; i < 4; ++i) Key(VK_RIGHT);
  EXPECT_LT(HeapPeakBytes(), base + picture + 200000);  // never two at once
  Command(ID_BACK);
  EXPECT_EQ(List()->m_hPicture, nullptr);
  EXPECT_LT(HeapBytesInUse(), base);
}

TEST_F(ImagePageTest, MissingFileShowsFileNotFoundAndClearsTheError) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\a.jpg", EncodeJpeg(RampPicture(40, 30)));
  Start();
  device.Remove("\\My Documents\\a.jpg");
  Tap(30, 30);
  ASSERT_TRUE(OnImagePage());
  EXPECT_EQ(List()->GetError(), LIST_ERROR_NONE);
  int top = -1;
  for (int y = 0; y < 268 && top < 0; ++y)
    for (int x = 0; x < 240; ++x)
      if (Screen().PixelAt(x, y) != kWhite) {
        top = y;
        break;
      }
  EXPECT_GE(top, 124);
  EXPECT_LE(top, 128);
  EXPECT_EQ(Page().OnZoomIn(), 0);
  EXPECT_EQ(Page().OnZoomOut(), 0);
}

TEST_F(ImagePageTest, FileThatIsNotAJpegShowsTheMemoryMessage) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\a.jpg", "plain text, not a picture");
  device.WriteFile("\\My Documents\\b.jpg", "");
  Start();
  Open(u"a.jpg");
  ASSERT_TRUE(OnImagePage());
  const int firstInk = InkRows();
  EXPECT_GT(firstInk, 5);
  EXPECT_LT(firstInk, 20);  // one line of text
  // The two messages differ: compare with "File not found" drawn for b.jpg
  // after it is deleted.
  Canvas memory;
  memory.Resize(240, 268);
  for (int y = 0; y < 268; ++y)
    for (int x = 0; x < 240; ++x) memory.Row(y)[x] = Screen().Row(y)[x];
  device.Remove("\\My Documents\\b.jpg");
  Key(IndexOf(u"b.jpg") == 1 ? VK_RIGHT : VK_LEFT);
  ASSERT_EQ(CurrentName(), u"b.jpg");
  int differences = 0;
  for (int y = 0; y < 268; ++y)
    for (int x = 0; x < 240; ++x) differences += memory.Row(y)[x] != Screen().Row(y)[x];
  EXPECT_GT(differences, 50);
  EXPECT_EQ(List()->GetError(), LIST_ERROR_NONE);
}

TEST_F(ImagePageTest, BackAndAnotherPictureStartInFitMode) {
  OpenPictures({{1600, 1200}, {800, 600}});
  Page().OnZoomIn();
  Page().OnZoomIn();
  Command(ID_BACK);
  EXPECT_FALSE(OnImagePage());
  EXPECT_EQ(List()->m_hPicture, nullptr);
  EXPECT_EQ(Bar().ButtonState(ID_BACK), (int)TBSTATE_HIDDEN);
  Tap(110, 30);  // the second cell
  ASSERT_TRUE(OnImagePage());
  EXPECT_EQ(List()->m_nCurrent, 1);
  EXPECT_EQ(Page().m_bFitMode, 1);
  EXPECT_EQ(Page().m_nOffsetX, 0);
}

TEST_F(ImagePageTest, ZoomCommandsArriveThroughTheToolbar) {
  OpenPictures({{1600, 1200}});
  Command(ID_ZOOM_IN);
  EXPECT_EQ(Page().m_nZoomDen, 6);
  Command(ID_ZOOM_OUT);
  EXPECT_EQ(Page().m_bFitMode, 1);
}

TEST_F(ImagePageTest, WindowWithoutHeightNeverHangsTheZoom) {
  OpenPictures({{1600, 1200}});
  host->Resize(240, 0);
  Pump();
  EXPECT_EQ(Page().OnZoomIn(), 0);
  host->Resize(0, 268);
  Pump();
  EXPECT_EQ(Page().OnZoomIn(), 0);
  host->Resize(240, 268);
  Pump();
  EXPECT_EQ(Page().OnZoomIn(), 1);
  host->Resize(240, 0);  // zoomed, then the window loses its height
  Pump();
  Drag(10, 10, 100, 100);
  EXPECT_EQ(Page().OnZoomOut(), 1);
}

}  // namespace

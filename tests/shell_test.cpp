// The viewer shell holds the program together: start-up, command routing,
// page switching, the memory service and the delayed wait cursor. These
// tests drive it through the headless host the way the user and the pages do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewerlistobserver.h"
#include "filelist/imagefilelist.h"
#include "pages/browserpage.h"
#include "pages/imagepage.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "platform/window/resource.h"
#include "res/resource_ids.h"
#include "shell/busywatch.h"
#include "shell/memblock.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

// A page that writes down what the viewer window asks of it, in place of
// the browser or the image page.
template <typename Base>
class Recording : public Base {
 public:
  Recording(CViewerWnd* owner, std::vector<std::string>* log, const char* name)
      : Base(owner), m_log(log), m_name(name) {}
  void Paint(HDC) override { Note("Paint"); }
  void OnLButtonDown(UINT f, const POINT& p) override {
    Note("Down");
    CPage::OnLButtonDown(f, p);
  }
  void OnDeadChar(UINT, UINT, UINT) override { Note("DeadChar"); }
  BOOL GetClientRect(RECT* out) override { return CPage::GetClientRect(out); }
  void OnSize() override {}
  void OnMouseMove(UINT, const POINT&) override { Note("Move"); }
  void OnLButtonUp(UINT, const POINT& p) override { Note("Up " + std::to_string(p.x) + "," + std::to_string(p.y)); }
  void OnKeyDown(UINT vk, UINT, UINT) override { Note("KeyDown " + std::to_string(vk)); }
  void OnKeyUp(UINT vk, UINT repeat, UINT) override {
    Note("KeyUp " + std::to_string(vk) + " x" + std::to_string(repeat));
  }
  void OnChar(UINT c, UINT, UINT) override { Note("Char " + std::to_string(c)); }
  void Activate() override {
    Note("Activate");
    CPage::Activate();
  }
  BOOL CanDeactivate(int next) override {
    Note("CanDeactivate " + std::to_string(next));
    return allowLeave;
  }
  void OnVScroll(UINT code, UINT pos) override { Note("VScroll " + std::to_string(code) + " " + std::to_string(pos)); }
  void OnListChanged() override { Note("ListChanged"); }
  int OnZoomIn() override {
    Note("ZoomIn");
    return 1;
  }
  int OnZoomOut() override {
    Note("ZoomOut");
    return 1;
  }
  void OnBack() override { Note("Back"); }
  BOOL allowLeave = TRUE;

 private:
  void Note(const std::string& what) { m_log->push_back(m_name + ":" + what); }
  std::vector<std::string>* m_log;
  std::string m_name;
};
typedef Recording<CBrowserPage> RecordingBrowser;
typedef Recording<CImagePage> RecordingImage;

class ShellTest : public ViewerFixture {
 protected:
  std::vector<std::string> log;
  RecordingBrowser* browser = nullptr;
  RecordingImage* image = nullptr;

  // Replaces the real pages of the viewer window with recording ones.
  void UseRecordingPages(CViewerWnd& viewer) {
    delete viewer.m_pBrowserPage;
    delete viewer.m_pImagePage;
    browser = new RecordingBrowser(&viewer, &log, "browser");
    image = new RecordingImage(&viewer, &log, "image");
    viewer.m_pBrowserPage = browser;
    viewer.m_pImagePage = image;
    viewer.m_pCurrentPage = viewer.m_pCurrentPage != nullptr ? browser : nullptr;
  }
};

TEST_F(ShellTest, StartUpShowsTheBrowserPageWithBrowserAndAboutOnly) {
  Start();
  EXPECT_EQ(app->GetRegistryKey(), u"Local AppWizard-Generated Applications");
  EXPECT_EQ(Frame()->GetTitle(), u"Vimbra");
  EXPECT_EQ(host->ShowCommand(), SW_SHOWNORMAL);
  EXPECT_EQ(Viewer().m_pCurrentPage, (CPage*)Viewer().m_pBrowserPage);
  EXPECT_EQ(Bar().ButtonState(ID_BROWSER), (int)TBSTATE_ENABLED);
  EXPECT_EQ(Bar().ButtonState(ID_APP_ABOUT), (int)TBSTATE_ENABLED);
  EXPECT_EQ(Bar().ButtonState(ID_BACK), (int)TBSTATE_HIDDEN);
  EXPECT_EQ(Bar().ButtonState(ID_ZOOM_IN), (int)TBSTATE_HIDDEN);
  EXPECT_EQ(Bar().ButtonState(ID_ZOOM_OUT), (int)TBSTATE_HIDDEN);
  EXPECT_GE(Viewer().PaintCount(), 1);  // the frame was updated at once
  // Started in the default folder, created because it was missing.
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents");
  EXPECT_EQ(List()->m_pObserver, g_pFileListObserver);
}

TEST_F(ShellTest, CreationLeavesAllFiveButtonsEnabledWithTheirTooltips) {
  TickSetManual(1000);
  host = std::make_unique<CHeadlessHost>();
  app = std::make_unique<CViewerApp>();
  CMainFrame* frame = new CMainFrame();
  app->m_pMainWnd = frame;
  ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_CAPTION));
  const CCommandBar& bar = frame->GetCommandBar();
  ASSERT_EQ(bar.Buttons().size(), 5u);
  const UINT order[5] = {ID_BROWSER, ID_BACK, ID_ZOOM_IN, ID_ZOOM_OUT, ID_APP_ABOUT};
  const char16_t* tips[5] = {u"Browser", u"Back", u"Zoom In", u"Zoom Out", u"About"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(bar.Buttons()[i].command, order[i]);
    EXPECT_EQ(bar.Buttons()[i].state, (UINT)TBSTATE_ENABLED);
    EXPECT_EQ(bar.Buttons()[i].tooltip, tips[i]);
    EXPECT_EQ(bar.Buttons()[i].image, i);
  }
  EXPECT_EQ(bar.MenuTooltip(), u"File");
  EXPECT_EQ(bar.MenuLabel(), u"Tools");
  EXPECT_EQ(bar.MenuCommand(), (UINT)IDM_TOOLS);
  ASSERT_NE(bar.Menu(), nullptr);
  EXPECT_EQ(std::u16string(bar.Menu()->items[0].text), u"About Vimbra...");
  EXPECT_EQ(bar.Menu()->items[1].id, (UINT)ID_APP_EXIT);
  EXPECT_EQ(bar.GetBarStyle() & 0x32, 0x32u);
  EXPECT_EQ(frame->GetViewerWnd().GetStyle() & WS_BORDER, 0u);  // removed before creation
  EXPECT_EQ(frame->GetViewerWnd().GetDlgCtrlID(), (UINT)AFX_IDW_PANE_FIRST);
}

TEST_F(ShellTest, CommandsGoToTheViewerWindowFirst) {
  Start();
  UseRecordingPages(Viewer());
  Command(ID_ZOOM_IN);
  Command(ID_ZOOM_OUT);
  Command(ID_BACK);
  EXPECT_EQ(log, (std::vector<std::string>{"browser:ZoomIn", "browser:ZoomOut", "browser:Back"}));
  // About reaches the application object after the viewer and the frame.
  Command(ID_APP_ABOUT);
  EXPECT_EQ(host->DialogsRun(), 1);
  EXPECT_EQ(host->LastDialogTemplate(), (UINT)IDD_ABOUTBOX);
  // Accelerator commands have no handler: nothing happens.
  EXPECT_TRUE(Frame()->TranslateAccelerator('C', TRUE));
  EXPECT_FALSE(Frame()->TranslateAccelerator('C', FALSE));
  // The dialog covered the viewer: it was repainted once it closed.
  EXPECT_EQ(log, (std::vector<std::string>{"browser:ZoomIn", "browser:ZoomOut", "browser:Back", "browser:Paint"}));
}

TEST_F(ShellTest, QuitClosesAtOnce) {
  Start();
  Command(ID_APP_EXIT);
  EXPECT_TRUE(host->QuitRequested());
  EXPECT_EQ(host->ExitCode(), 0);
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  EXPECT_EQ(g_pImageFileList, nullptr);
  EXPECT_EQ(g_pFileListObserver, nullptr);
}

TEST_F(ShellTest, FocusGoesToTheViewerWindow) {
  Start();
  Frame()->SendMessage(WM_SETFOCUS);
  EXPECT_EQ(host->FocusWindow(), &Viewer());
}

TEST_F(ShellTest, SwitchPageResultsAndSequence) {
  Start();
  UseRecordingPages(Viewer());
  host->Pump();
  log.clear();
  EXPECT_EQ(Viewer().SwitchPage(PAGE_IMAGE), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"browser:CanDeactivate 1", "image:Activate"}));
  EXPECT_TRUE(Viewer().IsErasePending());
  host->Pump();
  log.clear();
  // Already current: 0, nothing activated or repainted.
  EXPECT_EQ(Viewer().SwitchPage(PAGE_IMAGE), 0);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(Viewer().IsPaintPending());
  // Refused: 0, the page stays.
  image->allowLeave = FALSE;
  EXPECT_EQ(Viewer().SwitchPage(PAGE_BROWSER), 0);
  EXPECT_EQ(Viewer().m_pCurrentPage, (CPage*)image);
  EXPECT_FALSE(Viewer().IsPaintPending());
  // Any other number: 1, nothing else.
  log.clear();
  EXPECT_EQ(Viewer().SwitchPage(5), 1);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(image->SwitchTo(2), 1);
  // A page that could not be made: 1 and no change.
  image->allowLeave = TRUE;
  delete Viewer().m_pBrowserPage;
  Viewer().m_pBrowserPage = nullptr;
  EXPECT_EQ(Viewer().SwitchPage(PAGE_BROWSER), 1);
  EXPECT_EQ(Viewer().m_pCurrentPage, (CPage*)image);
}

TEST_F(ShellTest, EventsReachOnlyTheCurrentPageWithTheirArguments) {
  Start();
  UseRecordingPages(Viewer());
  log.clear();
  Viewer().HostKey(TRUE, VK_LEFT);
  Viewer().HostKey(FALSE, VK_LEFT);
  Viewer().SendMessage(WM_CHAR, 'a', 1);
  Viewer().HostVScroll(SB_PAGEDOWN, 0);
  Viewer().HostVScroll(SB_ENDSCROLL, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"browser:KeyDown 37", "browser:KeyUp 37 x1", "browser:Char 97",
                                           "browser:VScroll 3 0", "browser:VScroll 8 0"}));
  log.clear();
  Viewer().Invalidate(FALSE);
  host->Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"browser:Paint"}));
}

TEST_F(ShellTest, DoubleTapSecondDownReachesNoPage) {
  Start();
  UseRecordingPages(Viewer());
  log.clear();
  TickAdvance(1000);
  Viewer().HostStylusDown(50, 60);
  Viewer().HostStylusUp(50, 60);
  TickAdvance(100);
  Viewer().HostStylusDown(51, 60);
  Viewer().HostStylusUp(51, 60);
  EXPECT_EQ(log, (std::vector<std::string>{"browser:Down", "browser:Up 50,60", "browser:Up 51,60"}));
  // The second up still finds the first down's point.
  EXPECT_EQ(browser->m_ptDown.x, 50);
  EXPECT_EQ(browser->m_ptDown.y, 60);
}

TEST_F(ShellTest, DownThenUpElsewhereKeepsTheDownPoint) {
  Start();
  UseRecordingPages(Viewer());
  Drag(10, 20, 100, 200);
  EXPECT_EQ(browser->m_ptDown.x, 10);
  EXPECT_EQ(browser->m_ptDown.y, 20);
}

TEST(ViewerWindow, EventsBeforeTheFirstPageAreIgnored) {
  CHeadlessHost host;
  CViewerWnd viewer;
  std::vector<std::string> log;
  delete viewer.m_pBrowserPage;
  delete viewer.m_pImagePage;
  RecordingBrowser* browser = new RecordingBrowser(&viewer, &log, "browser");
  viewer.m_pBrowserPage = browser;
  viewer.m_pImagePage = new RecordingImage(&viewer, &log, "image");
  ASSERT_TRUE(viewer.CreateChild(nullptr, 0x50800000, AFX_IDW_PANE_FIRST));
  viewer.GetCanvas()->Fill(RGB(1, 1, 1));
  viewer.HostStylusDown(5, 5);
  viewer.HostStylusUp(5, 5);
  viewer.HostKey(FALSE, VK_DOWN);
  viewer.HostVScroll(SB_LINEDOWN, 0);
  EXPECT_TRUE(viewer.OnCmdMsg(ID_ZOOM_IN));
  EXPECT_TRUE(viewer.OnCmdMsg(ID_BACK));
  EXPECT_FALSE(viewer.OnCmdMsg(ID_BROWSER));
  viewer.NotifyListChanged();
  viewer.Invalidate(TRUE);
  host.Pump();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(viewer.GetCanvas()->PixelAt(3, 3), kWindowColour);  // erased, nothing drawn
  EXPECT_FALSE(viewer.IsPaintPending());
  // ShowInitialPage activates without invalidating.
  viewer.ShowInitialPage();
  EXPECT_EQ(log, (std::vector<std::string>{"browser:Activate"}));
  EXPECT_FALSE(viewer.IsPaintPending());
}

TEST_F(ShellTest, BaseActivateRemovesAScrolledBar) {
  Start();
  UseRecordingPages(Viewer());
  Viewer().SetScrollSizes(MM_TEXT, SIZE{0, 2000}, SIZE{0, 268}, SIZE{0, 89});
  Viewer().ScrollToPosition(POINT{0, 400});
  ASSERT_TRUE(Viewer().IsScrollBarVisible(SB_VERT));
  image->CPage::Activate();
  EXPECT_FALSE(Viewer().IsScrollBarVisible(SB_VERT));
  EXPECT_EQ(Viewer().GetScrollPosition().y, 0);
}

TEST_F(ShellTest, RedrawNowPaintsBeforeReturningWithoutErasing) {
  Start();
  UseRecordingPages(Viewer());
  host->Pump();
  Screen().Fill(RGB(5, 5, 5));
  log.clear();
  browser->RedrawNow();
  EXPECT_EQ(log, (std::vector<std::string>{"browser:Paint"}));
  EXPECT_EQ(Screen().PixelAt(10, 10), RGB(5, 5, 5));
  log.clear();
  browser->InvalidatePage();
  EXPECT_TRUE(log.empty());  // later, from the loop
  host->Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"browser:Paint"}));
  EXPECT_EQ(Screen().PixelAt(10, 10), kWindowColour);
}

// Pages made without an owner (as a test or a partly built viewer may hold
// them) answer failure and leave the running viewer exactly as it was.
TEST_F(ShellTest, PageWithoutOwnerTouchesNothing) {
  device.MakeFolder("\\My Documents");
  for (int i = 0; i < 12; ++i) {
    device.WriteFile("\\My Documents\\p" + std::to_string(i) + ".jpg", EncodeJpeg(SolidColour(80, 60, 200, 40, 40)));
  }
  Start();
  VScroll(SB_LINEDOWN);
  const int paints = Viewer().PaintCount();
  const POINT scrolled = Viewer().GetScrollPosition();
  ASSERT_GT(scrolled.y, 0);
  Screen().Fill(RGB(5, 5, 5));

  CImagePage image(nullptr);
  RECT rc = {1, 2, 3, 4};
  EXPECT_FALSE(image.GetClientRect(&rc));
  EXPECT_EQ(rc.left, 1);
  EXPECT_EQ(rc.bottom, 4);
  EXPECT_EQ(image.SwitchTo(PAGE_IMAGE), 0);
  image.Activate();
  image.RedrawNow();
  image.InvalidatePage();
  EXPECT_EQ(image.OnZoomIn(), 0);

  CBrowserPage browser(nullptr);
  EXPECT_TRUE(browser.GetClientRect(&rc));  // the browser page answers TRUE in every case
  EXPECT_EQ(rc.left, 1);
  browser.Activate();
  browser.OnVScroll(SB_PAGEDOWN, 0);
  browser.OnKeyUp(VK_DOWN, 1, 0);
  browser.OnSize();

  // The viewer's own page, buttons, scroll state and canvas stayed.
  EXPECT_EQ(Viewer().m_pCurrentPage, (CPage*)Viewer().m_pBrowserPage);
  EXPECT_EQ(Bar().ButtonState(ID_BROWSER), (int)TBSTATE_ENABLED);
  EXPECT_EQ(Bar().ButtonState(ID_ZOOM_IN), (int)TBSTATE_HIDDEN);
  EXPECT_EQ(Bar().ButtonState(ID_BACK), (int)TBSTATE_HIDDEN);
  EXPECT_EQ(Viewer().GetScrollPosition().y, scrolled.y);
  EXPECT_TRUE(Viewer().IsScrollBarVisible(SB_VERT));
  EXPECT_FALSE(Viewer().IsPaintPending());
  EXPECT_EQ(Viewer().PaintCount(), paints);
  EXPECT_EQ(Screen().PixelAt(120, 130), RGB(5, 5, 5));
}

TEST_F(ShellTest, ObserverRegistrationRules) {
  Start();
  CFileListObserver* registered = g_pFileListObserver;
  ASSERT_NE(registered, nullptr);
  {
    CViewerListObserver second;
    EXPECT_EQ(g_pFileListObserver, registered);
  }
  EXPECT_EQ(g_pFileListObserver, registered);
  UseRecordingPages(Viewer());
  log.clear();
  registered->OnFileListEvent(1);
  EXPECT_TRUE(log.empty());
  registered->OnFileListEvent(0);
  EXPECT_EQ(log, (std::vector<std::string>{"browser:ListChanged"}));
}

TEST_F(ShellTest, LoadStringCopyTakesAtMost254Characters) {
  Start();
  const std::u16string longText(300, u'x');
  const StringResource strings[] = {{7, longText.c_str()}, {8, u"short"}};
  ResourceTables tables = {};
  tables.strings = strings;
  tables.stringCount = 2;
  SetResourceTables(&tables);
  WCHAR* copy = Frame()->LoadStringCopy(7);
  WCHAR* shortCopy = Frame()->LoadStringCopy(8);
  WCHAR* missing = Frame()->LoadStringCopy(9);
  InstallViewerResources();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::u16string(copy), std::u16string(254, u'x'));
  EXPECT_EQ(std::u16string(shortCopy), u"short");
  EXPECT_EQ(std::u16string(missing), u"");
  delete[] copy;
  delete[] shortCopy;
  delete[] missing;
}

TEST_F(ShellTest, FrameThatCannotBeCreatedEndsStartUp) {
  // Without resources the frame cannot load its command bar.
  TickSetManual(1000);
  host = std::make_unique<CHeadlessHost>();
  app = std::make_unique<CViewerApp>();
  ResourceTables empty = {};
  const StringResource strings[] = {{IDR_MAINFRAME, u"Vimbra"}, {IDS_DEFAULT_FOLDER, u"\\My Documents"}};
  empty.strings = strings;
  empty.stringCount = 2;
  SetResourceTables(&empty);
  const BOOL started = app->InitInstance();
  InstallViewerResources();
  EXPECT_FALSE(started);
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  EXPECT_EQ(g_pImageFileList, nullptr);  // the frame deleted what it made
}

// ---- Memory-block service -------------------------------------------------

struct BudgetGuard {
  size_t saved = HeapBudget();
  ~BudgetGuard() { HeapSetBudget(saved); }
};

TEST_F(ShellTest, MemAllocRetryGivesUpThumbnailBlocksHighestFirst) {
  Start();
  BudgetGuard guard;
  std::vector<unsigned char> bytes(100, 7);
  CDibOwner thumb(MemAlloc(100));
  for (int block = 0; block < 8; ++block) ASSERT_TRUE(List()->StoreThumbnail(block * 5, thumb.Get(), 100));
  thumb.Reset();
  // A request that fits only once two 64 KB blocks are given back.
  HeapSetBudget(HeapBytesInUse());
  HMEMBLOCK block = MemAllocRetry(65536 + 30000);
  ASSERT_NE(block, nullptr);
  MemFree(block);
  for (int b = 0; b < 6; ++b) EXPECT_NE(List()->m_apThumbBlock[b], nullptr) << b;
  EXPECT_EQ(List()->m_apThumbBlock[6], nullptr);
  EXPECT_EQ(List()->m_apThumbBlock[7], nullptr);
  EXPECT_EQ(List()->GetError(), LIST_ERROR_NONE);
}

TEST_F(ShellTest, MemAllocRetryWithNothingCachedSetsTheError) {
  Start();
  BudgetGuard guard;
  HeapSetBudget(HeapBytesInUse());
  EXPECT_EQ(MemAllocRetry(10), nullptr);
  EXPECT_EQ(List()->GetError(), LIST_ERROR_NO_MEMORY);
  // MemAlloc never gives anything back and records nothing.
  List()->ClearError();
  EXPECT_EQ(MemAlloc(10), nullptr);
  EXPECT_EQ(List()->GetError(), LIST_ERROR_NONE);
}

TEST(MemoryService, WithoutAListOneAttemptAndNoRecord) {
  BudgetGuard guard;
  ASSERT_EQ(g_pImageFileList, nullptr);
  HeapSetBudget(0);
  EXPECT_EQ(MemAllocRetry(1), nullptr);
  HeapSetBudget(guard.saved);
  HMEMBLOCK block = MemAllocRetry(16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(MemLock(block), block);
  EXPECT_TRUE(MemUnlock(block));
  EXPECT_EQ(MemSize(block), 16u);
  MemFree(block);
}

// ---- Delayed wait cursor --------------------------------------------------

class BusyWatchTest : public ::testing::Test {
 protected:
  CHeadlessHost host;
  CViewerApp app;
};

TEST_F(BusyWatchTest, CursorOnlyAfterMoreThan200Ms) {
  TickSetManual(10000);
  BeginBusyWatch();
  TickSetManual(10200);
  TickBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 0);
  TickSetManual(10201);
  TickBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 1);
  EXPECT_TRUE(host.WaitCursorShown());
  TickSetManual(11000);
  TickBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 1);  // no second period
  EndBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 0);
  EXPECT_FALSE(host.WaitCursorShown());
}

TEST_F(BusyWatchTest, ShortOperationLeavesTheNormalCursor) {
  TickSetManual(500);
  BeginBusyWatch();
  TickSetManual(650);
  TickBusyWatch();
  EndBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 0);
  EXPECT_EQ(host.WaitCursorChanges(), 0);
}

TEST_F(BusyWatchTest, TickWrapAroundRestartsTheWatch) {
  TickSetManual(0xFFFFFF00u);
  BeginBusyWatch();
  TickSetManual(0x50);  // the counter wrapped: not later than the start
  TickBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 0);
  TickSetManual(0x50 + 200);
  TickBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 0);
  TickSetManual(0x50 + 201);
  TickBusyWatch();
  EXPECT_EQ(app.WaitCursorCount(), 1);
  EndBusyWatch();
}

TEST_F(BusyWatchTest, WaitCursorPeriodsNest) {
  app.BeginWaitCursor();
  app.BeginWaitCursor();
  app.EndWaitCursor();
  EXPECT_TRUE(host.WaitCursorShown());
  app.EndWaitCursor();
  app.EndWaitCursor();
  EXPECT_EQ(app.WaitCursorCount(), 0);
  EXPECT_FALSE(host.WaitCursorShown());
}

}  // namespace

// Headless viewer fixture.
#include "support/viewer_fixture.h"

#include "platform/base/tick.h"

void ViewerFixture::Start(int width, int height) {
  TickSetManual(1000000);
  host = std::make_unique<CHeadlessHost>(width, height, 13);
  app = std::make_unique<CViewerApp>();
  app->m_launch.list.threads = threads;
  app->m_launch.autoRotate = autoRotate ? TRUE : FALSE;
  app->m_launch.profile = profile;
  app->m_launch.slideshowPaceMs = slideshowPaceMs;
  app->m_launch.list.sortOrder = sortOrder;
  ASSERT_TRUE(app->InitInstance());
  host->Pump();
}

void ViewerFixture::Quit() {
  if (host && host->Frame() != nullptr) host->Frame()->SendMessage(WM_CLOSE);
}

void ViewerFixture::TearDown() {
  Quit();
  app.reset();
  host.reset();
}

CMainFrame* ViewerFixture::Frame() const {
  return static_cast<CMainFrame*>(app->m_pMainWnd);
}

CViewerWnd& ViewerFixture::Viewer() const {
  return Frame()->GetViewerWnd();
}

void ViewerFixture::Tap(int x, int y) {
  TickAdvance(1000);
  Viewer().HostStylusDown(x, y);
  Viewer().HostStylusUp(x, y);
  host->Pump();
}

void ViewerFixture::Drag(int x0, int y0, int x1, int y1) {
  TickAdvance(1000);
  Viewer().HostStylusDown(x0, y0);
  Viewer().HostStylusMove(x1, y1);
  Viewer().HostStylusUp(x1, y1);
  host->Pump();
}

void ViewerFixture::Key(unsigned vk) {
  TickAdvance(1000);
  Viewer().HostKey(TRUE, vk);
  Viewer().HostKey(FALSE, vk);
  host->Pump();
}

void ViewerFixture::Command(unsigned id) {
  TickAdvance(1000);
  Frame()->SendMessage(WM_COMMAND, id, 0);
  host->Pump();
}

void ViewerFixture::VScroll(unsigned code, int position) {
  TickAdvance(1000);
  Viewer().HostVScroll(code, position);
  host->Pump();
}

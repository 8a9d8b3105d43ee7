// Why: the desktop's information panel shows and hides with i, on the grid
// and on the picture page, takes a band of fixed width from the area the
// page lays itself out in, and follows the current picture as the keys move
// it; the handheld has no panel, and i leaves its screens as they were.
#include "pages/infopanel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewerwnd.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "support/camerafacts.h"
#include "support/scenes.h"
#include "support/viewer_fixture.h"

namespace {

constexpr COLORREF kPanelBackground = RGB(243, 243, 243);

class InfoPanelTest : public ViewerFixture {
 protected:
  void StartAs(ViewerProfile as, int width, int height, bool subfolder = false) {
    device.MakeFolder("\\My Documents");
    if (subfolder) device.MakeFolder("\\My Documents\\Trips");
    CameraFacts facts;
    CameraShotOptions camera;
    camera.facts = &facts;
    device.WriteFile("\\My Documents\\a camera.jpg", CameraShot(kSceneSunset, 320, 240, 1, camera));
    device.WriteFile("\\My Documents\\b plain.jpg", CameraShot(kSceneRings, 320, 240, 2));
    setenv("XDG_CACHE_HOME", (device.Root() + "/.host-cache").c_str(), 1);
    profile = as;
    Start(width, height);
  }
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < Screen().Height(); ++y) {
      for (int x = 0; x < Screen().Width(); ++x) pixels.push_back(Screen().PixelAt(x, y));
    }
    return pixels;
  }
  int PageWidth() const {
    RECT rc = {0, 0, 0, 0};
    Viewer().m_pCurrentPage->GetClientRect(&rc);
    return rc.right - rc.left;
  }
  int WindowWidth() const {
    RECT rc = {0, 0, 0, 0};
    Viewer().GetClientRect(&rc);
    return rc.right - rc.left;
  }
};

struct ToggleCase {
  const char* name;
  ViewerProfile profile;
  bool picturePage;
  int presses;
  int width;
  int band;  // the panel's width once pressed; 0: hidden or none
};

TEST_F(InfoPanelTest, ToggleNarrowsThePageAndFollowsTheCurrentPicture) {
  const ToggleCase cases[] = {
      {"desktop grid, not pressed", PROFILE_DESKTOP, false, 0, 800, 0},
      {"desktop grid, pressed", PROFILE_DESKTOP, false, 1, 800, 240},
      {"desktop grid, pressed twice", PROFILE_DESKTOP, false, 2, 800, 0},
      {"desktop picture page, pressed", PROFILE_DESKTOP, true, 1, 800, 240},
      {"desktop picture page, narrow window", PROFILE_DESKTOP, true, 1, 400, 200},
      {"handheld grid", PROFILE_HANDHELD, false, 1, 240, 0},
      {"handheld picture page", PROFILE_HANDHELD, true, 1, 240, 0},
  };
  for (const ToggleCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    StartAs(c.profile, c.width, 300);
    if (c.picturePage) Key(VK_RETURN);
    if (c.picturePage && c.profile == PROFILE_HANDHELD) Tap(40, 40);
    Pump();
    const std::vector<COLORREF> before = Pixels();
    for (int i = 0; i < c.presses; ++i) Key('I');
    CInfoPanel* panel = Viewer().InfoPanel();
    EXPECT_EQ(panel == nullptr, c.profile == PROFILE_HANDHELD);
    EXPECT_EQ(panel != nullptr && panel->IsShown(), c.band != 0);
    EXPECT_EQ(PageWidth(), WindowWidth() - c.band);
    EXPECT_EQ(Screen().PixelAt(c.width - 1, 299) == kPanelBackground, c.band != 0);
    if (c.profile == PROFILE_HANDHELD || c.presses % 2 == 0) {
      EXPECT_TRUE(Pixels() == before) << "the screen changed";
      continue;
    }
    // The panel describes the current picture, and follows a step at once.
    ASSERT_GE(panel->Lines().size(), 5u);
    EXPECT_EQ(panel->Lines()[0], "Name: a camera.jpg");
    EXPECT_EQ(panel->Lines().size(), 15u);  // name, folder, size, format, pixels and the 10 camera facts
    const std::vector<COLORREF> first = Pixels();
    Key(VK_RIGHT);
    EXPECT_EQ(panel->Lines()[0], "Name: b plain.jpg");
    EXPECT_TRUE(Pixels() != first) << "the panel did not follow";
    EXPECT_EQ(Screen().PixelAt(c.width - 1, 299), kPanelBackground);
  }
}

// A folder cell current in the grid is what the panel describes; a step to
// a picture's cell and back follows it.
TEST_F(InfoPanelTest, AFolderCellIsDescribedAsAFolder) {
  StartAs(PROFILE_DESKTOP, 800, 300, true);
  Key('I');
  CInfoPanel* panel = Viewer().InfoPanel();
  ASSERT_NE(panel, nullptr);
  const std::vector<std::string> folder = {"Name: Trips", "Folder: \\My Documents", "Type: Folder"};
  EXPECT_EQ(panel->Lines(), folder);
  Key(VK_RIGHT);
  ASSERT_FALSE(panel->Lines().empty());
  EXPECT_EQ(panel->Lines()[0], "Name: a camera.jpg");
  Key(VK_LEFT);
  EXPECT_EQ(panel->Lines(), folder);
}

}  // namespace

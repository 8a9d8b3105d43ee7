// A device folder may hold what the handheld never had: links to the host's
// root, to pictures and folders outside, to device nodes; FIFOs; cycles; a
// folder swapped for a link while the viewer runs. These tests drive the
// whole viewer over such a device (grid, every picture, Select Folder) and
// check what it shows and, by the device layer's own record, that nothing
// outside the device root was opened.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"
#include "res/resource_ids.h"
#include "shell/page.h"
#include "support/access_recorder.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

class DeviceHazardsTest : public ViewerFixture {
 protected:
  std::vector<std::string> ListedNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString path;
      List()->GetPath(i, path);
      names.push_back(Utf8FromWide(path.substr(path.rfind(u'\\') + 1)));
    }
    return names;
  }
  void Link(const std::string& target, const std::string& devicePath) {
    ASSERT_EQ(symlink(target.c_str(), device.HostPath(devicePath).c_str()), 0) << devicePath;
  }
  static std::vector<std::string> Children(CTreeCtrl& tree, HTREEITEM item) {
    std::vector<std::string> texts;
    for (HTREEITEM c = tree.GetChildItem(item); c != nullptr; c = tree.GetNextSiblingItem(c)) {
      texts.push_back(Utf8FromWide(tree.GetItemText(c)));
    }
    return texts;
  }
  static HTREEITEM Child(CTreeCtrl& tree, HTREEITEM item, const char* text) {
    for (HTREEITEM c = tree.GetChildItem(item); c != nullptr; c = tree.GetNextSiblingItem(c)) {
      if (Utf8FromWide(tree.GetItemText(c)) == text) return c;
    }
    return nullptr;
  }
  OutsideFolder outside;
};

TEST_F(DeviceHazardsTest, GridPicturesAndFolderFillStayInsideTheDevice) {
  const std::string jpeg = EncodeJpeg(RampPicture(40, 30));
  WriteHostFile(outside.Path() + "/outside.jpg", jpeg);
  std::filesystem::create_directories(outside.Path() + "/Dir/Sub");
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\IMG_2.jpg", jpeg);
  device.WriteFile("\\My Documents\\img_10.jpg", jpeg);
  device.MakeFolder("\\Photos\\Trip");
  device.WriteFile("\\Photos\\p.jpg", jpeg);
  device.MakeFolder("\\Swapped\\Sub");
  device.WriteFile("\\Swapped\\s.jpg", jpeg);
  Link("/dev/zero", "\\My Documents\\IMG_1.jpg");
  Link(outside.Path() + "/outside.jpg", "\\My Documents\\IMG_3.jpg");
  Link("../Photos/p.jpg", "\\My Documents\\IMG_4.jpg");
  ASSERT_EQ(mkfifo(device.HostPath("\\My Documents\\IMG_5.jpg").c_str(), 0600), 0);
  Link("IMG_2.jpg", "\\My Documents\\IMG_6.jpg");
  Link("..", "\\My Documents\\Back");
  Link("/", "\\escape");
  Link(outside.Path() + "/Dir", "\\Away");
  Link("../..", "\\Photos\\Trip\\Up");
  AccessRecorder record;

  // The grid: the pictures of the device in name order, thumbnails made of
  // those that are pictures; the links out are not there at all.
  Start();
  ASSERT_EQ(ListedNames(),
            (std::vector<std::string>{"IMG_2.jpg", "IMG_4.jpg", "IMG_5.jpg", "IMG_6.jpg", "img_10.jpg"}));
  const std::vector<bool> pictures = {true, true, false, true, true};
  for (int i = 0; i < List()->GetCount(); ++i) {
    const CDibOwner thumbnail(List()->GetThumbnail(i));
    EXPECT_EQ(thumbnail.Get() != nullptr, pictures[i]) << i;
  }

  // Every picture opened as a tap would open it.
  for (int i = 0; i < List()->GetCount(); ++i) {
    Viewer().SwitchPage(PAGE_BROWSER);
    ASSERT_TRUE(List()->SetCurrent(i));
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
    EXPECT_EQ(List()->m_hPicture != nullptr, pictures[i]) << i;
  }
  Viewer().SwitchPage(PAGE_BROWSER);

  // Select Folder, after a folder has become a link to the host's root.
  device.Remove("\\Swapped");
  Link("/", "\\Swapped");
  bool seen = false;
  host->SetDialogHandler([&seen](CDialog& dialog) {
    CTreeCtrl* tree = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE));
    ASSERT_NE(tree, nullptr);
    seen = true;
    HTREEITEM root = tree->GetRootItem();
    EXPECT_EQ(Children(*tree, root), (std::vector<std::string>{"My Documents", "Photos"}));
    HTREEITEM back = Child(*tree, Child(*tree, root, "My Documents"), "Back");
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(Children(*tree, back).empty());
    HTREEITEM up = Child(*tree, Child(*tree, Child(*tree, root, "Photos"), "Trip"), "Up");
    ASSERT_NE(up, nullptr);
    EXPECT_TRUE(Children(*tree, up).empty());
    EXPECT_EQ(tree->GetCount(), 6);  // My Device, My Documents, Back, Photos, Trip, Up
  });
  Command(ID_BROWSER);
  EXPECT_TRUE(seen);

  // By the device layer's record: nothing outside the root was opened or
  // listed, and the files read are exactly the three pictures inside.
  const std::string real = ResolvedPath(device.Root());
  EXPECT_EQ(record.Outside(real), std::vector<std::string>{});
  EXPECT_EQ(record.Paths(DEVICE_ACCESS_READ_FILE),
            (std::set<std::string>{real + "/My Documents/IMG_2.jpg", real + "/My Documents/img_10.jpg",
                                   real + "/Photos/p.jpg"}));
  EXPECT_TRUE(record.Paths(DEVICE_ACCESS_LIST_FOLDER).count(real + "/Photos/Trip"));
}

}  // namespace

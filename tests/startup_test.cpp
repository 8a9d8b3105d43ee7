// The viewer's start and what its frame says: the start folder and picture
// the command line hands the application, the caption that names the folder
// or the picture and its place, and the frame's keys (Ctrl+Q, F11). Driven
// through the headless host, which keeps the caption and full-screen state a
// native frame would show.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frametitle.h"
#include "platform/base/tick.h"
#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"
#include "platform/device/devicefs.h"
#include "res/resource_ids.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

constexpr UINT kVkF11 = 0x7A;

// A headless host that also keeps the caption the frame was created with.
class CaptionHost : public CHeadlessHost {
 public:
  CaptionHost() : CHeadlessHost(240, 268, 13) {}
  BOOL CreateFrameWindow(CFrameWnd* frame) override {
    createdWith = Utf8FromWide(frame->GetWindowText());
    return CHeadlessHost::CreateFrameWindow(frame);
  }
  std::string createdWith;
};

class StartupTest : public ViewerFixture {
 protected:
  void SetUp() override {
    // \Holiday: a.jpg b.jpg c.jpg; the root: top.jpg; \My Documents\m.jpg.
    for (const char* path : {"\\Holiday\\a.jpg", "\\Holiday\\b.jpg", "\\Holiday\\c.jpg", "\\top.jpg"}) {
      AddPicture(path);
    }
    device.MakeFolder("\\Holiday\\Inner");
    device.MakeFolder("\\Other Things");
    AddPicture("\\Other Things\\x.jpg");
  }
  void AddPicture(const std::string& path) {
    const size_t slash = path.rfind('\\');
    if (slash > 0) device.MakeFolder(path.substr(0, slash));
    device.WriteFile(path, EncodeJpeg(RampPicture(40, 30)));
  }
  // Starts as vimbra's main does once it has read its command line.
  void StartWith(bool hasFolder, const CString& folder, const CString& picture = CString(), bool full = false) {
    Quit();
    app.reset();
    host.reset();
    TickSetManual(1000000);
    auto captionHost = std::make_unique<CaptionHost>();
    caption = captionHost.get();
    host = std::move(captionHost);
    app = std::make_unique<CViewerApp>();
    app->m_launch.list.hasStartFolder = hasFolder ? TRUE : FALSE;
    app->m_launch.list.startFolder = folder;
    app->m_launch.startPicture = picture;
    app->m_launch.fullScreen = full ? TRUE : FALSE;
    ASSERT_TRUE(app->InitInstance());
    host->Pump();
  }
  std::string Caption() const { return Utf8FromWide(host->FrameText()); }
  // Select Folder, down the tree by names from "My Device", then OK.
  void ChooseFolder(const std::vector<std::string>& names) {
    host->SetDialogHandler([&](CDialog& dialog) {
      CTreeCtrl* tree = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE));
      ASSERT_NE(tree, nullptr);
      HTREEITEM item = tree->GetRootItem();
      for (const std::string& name : names) {
        HTREEITEM found = nullptr;
        for (HTREEITEM c = tree->GetChildItem(item); c != nullptr; c = tree->GetNextSiblingItem(c)) {
          if (tree->GetItemText(c) == WideFromUtf8(name)) found = c;
        }
        ASSERT_NE(found, nullptr) << name;
        item = found;
      }
      tree->HostSelect(item);
      dialog.SendMessage(WM_COMMAND, IDOK);
    });
    Command(ID_BROWSER);
  }
  bool OnPicturePage() const { return Viewer().IsPicturePageShown(); }
  // The caption of the picture page at list index `index`. The list keeps
  // the device's enumeration order, which these tests do not assume.
  std::string PictureCaption(int index) const {
    CString title;
    List()->GetTitle(index, title);
    return Utf8FromWide(title) + " (" + std::to_string(index + 1) + " of " + std::to_string(List()->GetCount()) +
           ") — Vimbra";
  }
  int IndexOf(const CString& path) const {
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString candidate;
      if (List()->GetPath(i, candidate) && candidate == path) return i;
    }
    return -1;
  }

  CaptionHost* caption = nullptr;
};

}  // namespace

TEST_F(StartupTest, TheStartFolderAndPictureDecideTheFirstPageAndMakeNothing) {
  struct Case {
    const char* name;
    bool hasFolder;
    const char16_t* folder;
    const char16_t* picture;
    const char16_t* listFolder;
    int count;
    bool picturePage;
    std::string caption;  // on the grid
  };
  const Case cases[] = {
      {"the handheld's start", false, u"", u"", u"\\My Documents", 0, false, "My Documents — Vimbra"},
      {"the root", true, u"", u"", u"", 1, false, "<root> — Vimbra"},
      {"a folder", true, u"\\Holiday", u"", u"\\Holiday", 3, false, "Holiday — Vimbra"},
      {"a folder with a blank", true, u"\\Other Things", u"", u"\\Other Things", 1, false, "Other Things — Vimbra"},
      {"a picture", true, u"\\Holiday", u"\\Holiday\\b.jpg", u"\\Holiday", 3, true, ""},
      {"a picture at the root", true, u"", u"\\top.jpg", u"", 1, true, ""},
      {"a picture the list lacks", true, u"\\Holiday", u"\\Holiday\\zz.jpg", u"\\Holiday", 3, false,
       "Holiday — Vimbra"},
      {"an empty folder", true, u"\\Holiday\\Inner", u"", u"\\Holiday\\Inner", 0, false, "Inner — Vimbra"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartWith(c.hasFolder, c.folder, c.picture);
    ASSERT_NE(List(), nullptr);
    EXPECT_EQ(List()->m_strFolder, c.listFolder);
    EXPECT_EQ(List()->GetCount(), c.count);
    EXPECT_EQ(OnPicturePage(), c.picturePage);
    // A named picture is the current one, as after a tap on its thumbnail.
    EXPECT_EQ(List()->m_nCurrent, c.picturePage ? IndexOf(c.picture) : 0);
    // The root goes by its host folder's name.
    const std::string rootName = device.Root().substr(device.Root().rfind('/') + 1);
    std::string expected = c.caption;
    if (expected.rfind("<root>", 0) == 0) expected.replace(0, 6, rootName);
    EXPECT_EQ(Caption(), c.picturePage ? PictureCaption(List()->m_nCurrent) : expected);
    // The frame says only "Vimbra" until the first page is shown.
    EXPECT_EQ(caption->createdWith, "Vimbra");
    // The picture page shows the picture itself, as after a tap.
    if (c.picturePage) {
      EXPECT_NE(List()->m_hPicture, nullptr);
    }
    // "\My Documents" is made only by the handheld's start.
    EXPECT_EQ(PathExists(u"\\My Documents"), c.hasFolder ? FALSE : TRUE);
    Quit();
    device.Remove("\\My Documents");
  }
}

TEST_F(StartupTest, TheCaptionFollowsPagesStepsAndFolders) {
  StartWith(true, u"\\Holiday");
  EXPECT_EQ(Caption(), "Holiday — Vimbra");
  Tap(40, 40);  // the first thumbnail
  ASSERT_TRUE(OnPicturePage());
  EXPECT_EQ(Caption(), PictureCaption(0));
  Key(VK_RIGHT);
  EXPECT_EQ(Caption(), PictureCaption(1));
  Key(VK_RIGHT);
  Key(VK_RIGHT);  // past the last: the first again
  EXPECT_EQ(Caption(), PictureCaption(0));
  Key(VK_LEFT);  // before the first: the last
  EXPECT_EQ(Caption(), PictureCaption(2));
  // The three captions name the three pictures, without the extension.
  std::vector<std::string> names;
  for (int i = 0; i < 3; ++i) names.push_back(PictureCaption(i).substr(0, PictureCaption(i).find(" (")));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
  Command(ID_BACK);
  EXPECT_FALSE(OnPicturePage());
  EXPECT_EQ(Caption(), "Holiday — Vimbra");
  ChooseFolder({"Other Things"});
  EXPECT_EQ(List()->m_strFolder, u"\\Other Things");
  EXPECT_EQ(Caption(), "Other Things — Vimbra");
  ChooseFolder({});
  EXPECT_EQ(List()->m_strFolder, u"");
  EXPECT_EQ(Caption(), device.Root().substr(device.Root().rfind('/') + 1) + " — Vimbra");
  Tap(40, 40);
  EXPECT_EQ(Caption(), "top (1 of 1) — Vimbra");
}

TEST_F(StartupTest, CtrlQQuitsAndF11TurnsFullScreenOnAndOff) {
  struct Case {
    const char* name;
    UINT key;
    BOOL control;
    BOOL translated;
    bool quits;
  };
  const Case cases[] = {
      {"F11", kVkF11, FALSE, TRUE, false},      {"F11 again", kVkF11, FALSE, TRUE, false},
      {"Ctrl+F11", kVkF11, TRUE, FALSE, false}, {"Q", 'Q', FALSE, FALSE, false},
      {"Ctrl+W", 'W', TRUE, FALSE, false},      {"Ctrl+Q", 'Q', TRUE, TRUE, true},
  };
  StartWith(false, u"", u"", true);
  EXPECT_TRUE(host->FrameFullScreen());  // --fullscreen
  BOOL full = TRUE;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(host->Frame(), nullptr);
    // The wx host offers every key press to the frame's table first.
    EXPECT_EQ(Frame()->TranslateAccelerator(c.key, c.control), c.translated);
    host->Pump();
    if (c.translated && c.key == kVkF11) full = !full;
    EXPECT_EQ(host->QuitRequested(), c.quits ? TRUE : FALSE);
    if (!c.quits) {
      EXPECT_EQ(host->FrameFullScreen(), full);
    }
  }
  EXPECT_EQ(host->Frame(), nullptr);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST_F(StartupTest, TheToolsMenuKeepsTheHandheldsItemsAndAddsFullScreenLast) {
  StartWith(false, u"");
  const MenuResource* menu = Bar().Menu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->itemCount, 3u);
  EXPECT_EQ(std::u16string(menu->items[0].text), u"About Vimbra...");
  EXPECT_EQ(std::u16string(menu->items[1].text), u"Quit");
  EXPECT_EQ(menu->items[1].id, (UINT)ID_APP_EXIT);
  EXPECT_EQ(std::u16string(menu->items[2].text), u"Full Screen");
  EXPECT_FALSE(host->FrameFullScreen());
  Command(menu->items[2].id);
  EXPECT_TRUE(host->FrameFullScreen());
  Command(menu->items[2].id);
  EXPECT_FALSE(host->FrameFullScreen());
}

TEST_F(StartupTest, TheRootGoesByItsFolderNameElseMyDevice) {
  struct Case {
    std::string root;
    std::u16string name;
  };
  const std::string here = device.Root();
  const Case cases[] = {
      {here, WideFromUtf8(here.substr(here.rfind('/') + 1))},
      {here + "/Other Things/", u"Other Things"},
      {"/", u"My Device"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(DeviceSetRoot(c.root)) << c.root;
    EXPECT_EQ(DeviceRootName(), c.name) << c.root;
  }
  DeviceSetRoot(here);
}

// The Select Folder dialog builds the device's whole folder tree and marks
// picture folders green; these tests open it through the headless host,
// read the tree it built, and press OK or Cancel as a user would.
#include "folderdlg/folderdlg.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "filelist/listobserver.h"
#include "platform/base/tick.h"
#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"
#include "res/resource_ids.h"
#include "support/access_recorder.h"
#include "support/viewer_fixture.h"

namespace {

struct ItemView {
  std::string text;
  int image;
  int selected;
  bool children;
};

class FolderDialogTest : public ViewerFixture {
 protected:
  // Runs the Browser command; `act` sees the dialog's tree once it is filled.
  void Browse(const std::function<void(CDialog&, CTreeCtrl&)>& act) {
    bool seen = false;
    host->SetDialogHandler([&](CDialog& dialog) {
      CTreeCtrl* tree = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE));
      ASSERT_NE(tree, nullptr);
      seen = true;
      act(dialog, *tree);
    });
    Command(ID_BROWSER);
    EXPECT_TRUE(seen);
    EXPECT_EQ(host->LastDialogTemplate(), (UINT)IDD_SELECT_FOLDER);
  }
  static HTREEITEM Find(CTreeCtrl& tree, const std::vector<std::string>& names) {
    HTREEITEM item = tree.GetRootItem();
    for (const std::string& name : names) {
      HTREEITEM found = nullptr;
      for (HTREEITEM c = tree.GetChildItem(item); c != nullptr; c = tree.GetNextSiblingItem(c)) {
        if (tree.GetItemText(c) == WideFromUtf8(name)) found = c;
      }
      if (found == nullptr) return nullptr;
      item = found;
    }
    return item;
  }
  static ItemView View(CTreeCtrl& tree, HTREEITEM item) {
    ItemView v = {Utf8FromWide(tree.GetItemText(item)), -1, -1, tree.ItemHasChildrenMarker(item) != FALSE};
    tree.GetItemImage(item, v.image, v.selected);
    return v;
  }
  static std::vector<std::string> ChildTexts(CTreeCtrl& tree, HTREEITEM item) {
    std::vector<std::string> texts;
    for (HTREEITEM c = tree.GetChildItem(item); c != nullptr; c = tree.GetNextSiblingItem(c)) {
      texts.push_back(Utf8FromWide(tree.GetItemText(c)));
    }
    return texts;
  }
  static void Ok(CDialog& dialog) { dialog.SendMessage(WM_COMMAND, IDOK); }
  void Picture(const std::string& path) { device.WriteFile(path, "x"); }
};

TEST_F(FolderDialogTest, OpensWithTheCurrentFolderSelected) {
  device.MakeFolder("\\My Documents\\Trip");
  device.MakeFolder("\\Other");
  Start();
  Browse([](CDialog& dialog, CTreeCtrl& tree) {
    HTREEITEM root = tree.GetRootItem();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(tree.GetItemText(root), u"My Device");
    EXPECT_TRUE(tree.IsExpanded(root));
    EXPECT_EQ(tree.GetSelectedItem(), Find(tree, {"My Documents"}));
    EXPECT_TRUE(dialog.IsCentred());
    EXPECT_EQ(tree.GetNextSiblingItem(root), nullptr);
  });
}

TEST_F(FolderDialogTest, RootCurrentSelectsTheRoot) {
  device.MakeFolder("\\My Documents");
  Picture("\\top.jpg");
  Start();
  ASSERT_TRUE(List()->SelectRootFolder());
  Browse([](CDialog&, CTreeCtrl& tree) { EXPECT_EQ(tree.GetSelectedItem(), tree.GetRootItem()); });
}

TEST_F(FolderDialogTest, ConfirmingTheRootScansIt) {
  device.MakeFolder("\\My Documents");
  Picture("\\top.jpg");
  Start();
  Browse([](CDialog& dialog, CTreeCtrl& tree) {
    tree.HostSelect(tree.GetRootItem());
    Ok(dialog);
  });
  EXPECT_EQ(List()->m_strFolder, u"");
  ASSERT_EQ(List()->GetCount(), 1);
  CString path;
  List()->GetPath(0, path);
  EXPECT_EQ(path, u"\\top.jpg");
  // Confirming it again changes nothing: no rescan, no notice.
  List()->SetFirstShown(0);
  List()->SetCurrent(0);
  CDib dib = MemAlloc(16);
  ASSERT_TRUE(List()->StoreThumbnail(0, dib, 16));
  MemFree(dib);
  Browse([](CDialog& dialog, CTreeCtrl& tree) {
    EXPECT_EQ(tree.GetSelectedItem(), tree.GetRootItem());
    Ok(dialog);
  });
  EXPECT_NE(List()->m_apThumbBlock[0], nullptr);
}

TEST_F(FolderDialogTest, ConfirmingAFolderRebuildsTheListAndTheGrid) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\Photos\\2026");
  Picture("\\Photos\\2026\\a.jpg");
  Picture("\\Photos\\2026\\b.jpg");
  Start();
  Browse([](CDialog& dialog, CTreeCtrl& tree) {
    HTREEITEM item = Find(tree, {"Photos", "2026"});
    ASSERT_NE(item, nullptr);
    tree.HostSelect(item);
    Ok(dialog);
  });
  EXPECT_EQ(List()->m_strFolder, u"\\Photos\\2026");
  EXPECT_EQ(List()->GetCount(), 2);
  EXPECT_EQ(Viewer().m_pCurrentPage, (CPage*)Viewer().m_pBrowserPage);
  // The grid was painted anew: both cells framed.
  EXPECT_EQ(Screen().PixelAt(12 + 64, 7), RGB(128, 128, 128));
  EXPECT_EQ(Screen().PixelAt(88 + 64, 7), RGB(128, 128, 128));
}

TEST_F(FolderDialogTest, ConfirmingTheCurrentFolderDoesNotRescan) {
  device.MakeFolder("\\My Documents");
  Picture("\\My Documents\\a.jpg");
  Start();
  CDib dib = MemAlloc(16);
  ASSERT_TRUE(List()->StoreThumbnail(0, dib, 16));
  MemFree(dib);
  Browse([](CDialog& dialog, CTreeCtrl&) { Ok(dialog); });
  EXPECT_NE(List()->m_apThumbBlock[0], nullptr);
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents");
}

TEST_F(FolderDialogTest, PictureFoldersAndTheirAncestorsAreGreen) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\A\\B");
  device.MakeFolder("\\C");
  device.MakeFolder("\\D");
  Picture("\\A\\B\\p.jpg");
  Picture("\\C\\notes.txt");
  Picture("\\D\\q.PNG");  // a picture of the desktop's formats only
  Start();
  Browse([](CDialog&, CTreeCtrl& tree) {
    EXPECT_EQ(View(tree, Find(tree, {"D"})).image, 0);
    const ItemView b = View(tree, Find(tree, {"A", "B"}));
    EXPECT_EQ(b.image, 2);     // closed green
    EXPECT_EQ(b.selected, 3);  // open green
    const ItemView a = View(tree, Find(tree, {"A"}));
    EXPECT_EQ(a.image, 2);     // closed green ...
    EXPECT_EQ(a.selected, 1);  // ... opening yellow
    const ItemView root = View(tree, tree.GetRootItem());
    EXPECT_EQ(root.image, 2);
    EXPECT_EQ(root.selected, 1);
    const ItemView c = View(tree, Find(tree, {"C"}));
    EXPECT_EQ(c.image, 0);
    EXPECT_EQ(c.selected, 1);
  });
}

TEST_F(FolderDialogTest, TheDesktopMarksFoldersOfEveryFormatItListsGreen) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\D");
  device.MakeFolder("\\E");
  Picture("\\D\\q.PNG");
  Picture("\\E\\notes.txt");
  profile = PROFILE_DESKTOP;
  Start();
  Browse([](CDialog&, CTreeCtrl& tree) {
    EXPECT_EQ(View(tree, Find(tree, {"D"})).image, 2);
    EXPECT_EQ(View(tree, Find(tree, {"E"})).image, 0);
  });
}

TEST_F(FolderDialogTest, AncestorWithPicturesOfItsOwnKeepsOpenGreen) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\A\\B");
  Picture("\\A\\own.jpg");
  Picture("\\A\\B\\p.jpg");
  Start();
  Browse([](CDialog&, CTreeCtrl& tree) {
    const ItemView a = View(tree, Find(tree, {"A"}));
    EXPECT_EQ(a.image, 2);
    EXPECT_EQ(a.selected, 3);
  });
}

TEST_F(FolderDialogTest, MarkersDotNamesHiddenFoldersAndOrder) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\Files");
  Picture("\\Files\\p.jpg");
  device.MakeFolder("\\.hidden");
  for (const char* name : {"\\zeta", "\\Alpha", "\\beta", "\\Gamma"}) device.MakeFolder(name);
  Start();
  Browse([](CDialog&, CTreeCtrl& tree) {
    EXPECT_EQ(ChildTexts(tree, tree.GetRootItem()),
              (std::vector<std::string>{".hidden", "Alpha", "beta", "Files", "Gamma", "My Documents", "zeta"}));
    // Only files inside: no expand marker, even with pictures.
    const ItemView files = View(tree, Find(tree, {"Files"}));
    EXPECT_FALSE(files.children);
    EXPECT_EQ(files.image, 2);
    EXPECT_TRUE(View(tree, tree.GetRootItem()).children);
  });
}

TEST_F(FolderDialogTest, FolderRemovedWhileOpenLeavesTheListAlone) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\Gone");
  Picture("\\My Documents\\a.jpg");
  Start();
  TempDevice* dev = &device;
  Browse([dev](CDialog& dialog, CTreeCtrl& tree) {
    tree.HostSelect(Find(tree, {"Gone"}));
    dev->Remove("\\Gone");
    Ok(dialog);
    EXPECT_TRUE(dialog.IsEnded());
  });
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents");
  EXPECT_EQ(List()->GetCount(), 1);
}

TEST_F(FolderDialogTest, CancelAndClosingChangeNothing) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\Else");
  Picture("\\Else\\a.jpg");
  Start();
  Browse([](CDialog& dialog, CTreeCtrl& tree) {
    tree.HostSelect(Find(tree, {"Else"}));
    dialog.SendMessage(WM_COMMAND, IDCANCEL);
  });
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents");
  Browse([](CDialog&, CTreeCtrl& tree) { tree.HostSelect(Find(tree, {"Else"})); });  // closed by the user
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents");
}

TEST_F(FolderDialogTest, LabelEditsAreRejected) {
  device.MakeFolder("\\My Documents");
  Start();
  Browse([](CDialog& dialog, CTreeCtrl& tree) {
    HTREEITEM item = Find(tree, {"My Documents"});
    EXPECT_FALSE(tree.HostEditLabel(item, u"Renamed"));
    EXPECT_EQ(tree.GetItemText(item), u"My Documents");
    Ok(dialog);
  });
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents");
}

TEST_F(FolderDialogTest, ImageListHoldsTheFourIconsAndIsReleased) {
  device.MakeFolder("\\My Documents");
  Start();
  const int lists = CImageList::LiveCount();
  Browse([](CDialog&, CTreeCtrl& tree) {
    CImageList* images = CImageList::FromHandlePermanent(tree.GetImageList(TVSIL_NORMAL));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->GetImageCount(), 4);
    EXPECT_EQ(images->Width(), 16);
  });
  EXPECT_EQ(CImageList::LiveCount(), lists);
}

TEST_F(FolderDialogTest, LinkCyclesAreListedButNotEntered) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\L\\Sub");
  ASSERT_EQ(symlink(device.HostPath("\\L").c_str(), device.HostPath("\\L\\Sub\\Back").c_str()), 0);
  ASSERT_EQ(symlink(device.HostPath("\\L").c_str(), device.HostPath("\\L\\Self").c_str()), 0);
  Start();
  Browse([](CDialog&, CTreeCtrl& tree) {
    HTREEITEM back = Find(tree, {"L", "Sub", "Back"});
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(ChildTexts(tree, back).empty());
    HTREEITEM self = Find(tree, {"L", "Self"});
    ASSERT_NE(self, nullptr);
    EXPECT_TRUE(ChildTexts(tree, self).empty());
    EXPECT_EQ(tree.GetCount(), 6);  // My Device, My Documents, L, Self, Sub, Back
  });
}

TEST_F(FolderDialogTest, EachFolderIsEnteredOnceAndLinksOutAreLeftOut) {
  OutsideFolder outside;
  std::filesystem::create_directories(outside.Path() + "/Dir/Sub");
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\Shared\\Inner");
  Picture("\\Shared\\p.jpg");
  device.MakeFolder("\\A");
  device.MakeFolder("\\B");
  device.MakeFolder("\\Swapped\\Sub");
  ASSERT_EQ(symlink(device.HostPath("\\Shared").c_str(), device.HostPath("\\A\\ToShared").c_str()), 0);
  ASSERT_EQ(symlink("../Shared", device.HostPath("\\B\\ToShared").c_str()), 0);
  ASSERT_EQ(symlink("/", device.HostPath("\\escape").c_str()), 0);
  ASSERT_EQ(symlink((outside.Path() + "/Dir").c_str(), device.HostPath("\\Away").c_str()), 0);
  Start();
  // A folder becomes a link to the host's root while the viewer runs.
  device.Remove("\\Swapped");
  ASSERT_EQ(symlink("/", device.HostPath("\\Swapped").c_str()), 0);
  AccessRecorder record;
  Browse([](CDialog&, CTreeCtrl& tree) {
    EXPECT_EQ(ChildTexts(tree, tree.GetRootItem()), (std::vector<std::string>{"A", "B", "My Documents", "Shared"}));
    // Shared is entered where it lies nearest the top, once; the links to
    // it are listed (green: it holds a picture) but not entered again.
    EXPECT_EQ(ChildTexts(tree, Find(tree, {"Shared"})), std::vector<std::string>{"Inner"});
    for (const char* parent : {"A", "B"}) {
      HTREEITEM link = Find(tree, {parent, "ToShared"});
      ASSERT_NE(link, nullptr) << parent;
      EXPECT_TRUE(ChildTexts(tree, link).empty()) << parent;
      EXPECT_EQ(View(tree, link).image, 2) << parent;
    }
    EXPECT_EQ(tree.GetCount(), 8);  // My Device, A, ToShared, B, ToShared, My Documents, Shared, Inner
  });
  const std::string real = ResolvedPath(device.Root());
  EXPECT_EQ(record.Outside(real), std::vector<std::string>{});
  EXPECT_TRUE(record.Paths(DEVICE_ACCESS_LIST_FOLDER).count(real + "/Shared/Inner"));
}

TEST_F(FolderDialogTest, UnreadableFolderIsListedWithoutChildren) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\Locked\\Inside");
  device.MakeFolder("\\Open");
  chmod(device.HostPath("\\Locked").c_str(), 0);
  Start();
  Browse([](CDialog&, CTreeCtrl& tree) {
    HTREEITEM locked = Find(tree, {"Locked"});
    ASSERT_NE(locked, nullptr);
    EXPECT_FALSE(tree.ItemHasChildrenMarker(locked));
    EXPECT_TRUE(ChildTexts(tree, locked).empty());
    EXPECT_NE(Find(tree, {"Open"}), nullptr);
  });
  chmod(device.HostPath("\\Locked").c_str(), 0755);
}

TEST_F(FolderDialogTest, WaitCursorOnlyForLongFills) {
  device.MakeFolder("\\My Documents");
  for (int i = 0; i < 5; ++i) device.MakeFolder("\\F" + std::to_string(i));
  Start();
  // Each reading of the clock moves it by 10 ms: a fill of six folders
  // stays below 200 ms.
  TickSetStep(10);
  Browse([](CDialog&, CTreeCtrl&) {});
  TickSetStep(0);
  EXPECT_EQ(host->WaitCursorChanges(), 0);
  // At 100 ms a reading the fill lasts longer: the cursor shows, then goes.
  TickSetStep(100);
  Browse([this](CDialog&, CTreeCtrl&) { EXPECT_FALSE(host->WaitCursorShown()); });
  TickSetStep(0);
  EXPECT_EQ(host->WaitCursorChanges(), 2);
  EXPECT_EQ(app->WaitCursorCount(), 0);
}

// ---- The fill in slices -------------------------------------------------
//
// Each access of the device (a folder listed, a folder or a link looked up)
// costs one millisecond of the device tick, so the tick measures the work a
// slice did on any machine; the headless host hands the slices to the test,
// which acts between them as a user would.

struct AccessClock {
  int accesses = 0;
  AccessClock() {
    DeviceSetAccessHook([this](DeviceAccess, const std::string&) {
      ++accesses;
      TickAdvance(1);
    });
  }
  ~AccessClock() { DeviceSetAccessHook(nullptr); }
};

// `count` folders named prefix0, prefix1, ... in the host folder.
void MakeHostFolders(const std::string& folder, const std::string& prefix, int count) {
  for (int i = 0; i < count; ++i) mkdir((folder + "/" + prefix + std::to_string(i)).c_str(), 0755);
}

int OpenDescriptors() {
  return (int)std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

// Every item, depth first: its depth, text, images, marker, expansion and
// whether it is the selection.
std::vector<std::string> Snapshot(CTreeCtrl& tree, HTREEITEM parent = nullptr, int depth = 0) {
  std::vector<std::string> all;
  for (HTREEITEM c = parent == nullptr ? tree.GetRootItem() : tree.GetChildItem(parent); c != nullptr;
       c = tree.GetNextSiblingItem(c)) {
    int image = -1, selected = -1;
    tree.GetItemImage(c, image, selected);
    all.push_back(std::to_string(depth) + " " + Utf8FromWide(tree.GetItemText(c)) + " " + std::to_string(image) +
                  std::to_string(selected) + (tree.ItemHasChildrenMarker(c) ? " +" : " -") +
                  (tree.IsExpanded(c) ? " open" : "") + (tree.GetSelectedItem() == c ? " selected" : ""));
    for (const std::string& line : Snapshot(tree, c, depth + 1)) all.push_back(line);
  }
  return all;
}

constexpr int kSlice = (int)CFolderDlg::kFillSliceMs;

TEST_F(FolderDialogTest, ShownBeforeTheFillAndAnswersBetweenSlices) {
  // 2,042 folders: about 8,000 accesses, some 400 slices.
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\Big");
  for (int a = 0; a < 40; ++a) {
    const std::string folder = device.HostPath("\\Big") + "/A" + std::to_string(a);
    mkdir(folder.c_str(), 0755);
    MakeHostFolders(folder, "B", 50);
  }
  Start();
  host->SetDialogWorkStepped(TRUE);
  const struct {
    const char* name;
    int command;  // 0: the user closes the dialog
    const char* pick;
    const char16_t* folder;
  } cases[] = {
      {"Cancel", IDCANCEL, "Big", u"\\My Documents"},
      {"closing", 0, "Big", u"\\My Documents"},
      {"OK on a picked folder", IDOK, "Big", u"\\Big"},
      {"OK on the current folder", IDOK, nullptr, u"\\Big"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int lists = CImageList::LiveCount(), descriptors = OpenDescriptors();
    const std::string current = Utf8FromWide(List()->m_strFolder).substr(1);
    AccessClock clock;
    int accessesAtEnd = -1;
    Browse([&](CDialog& dialog, CTreeCtrl& tree) {
      // Shown before the device is touched at all.
      EXPECT_EQ(tree.GetCount(), 0);
      EXPECT_EQ(clock.accesses, 0);
      // One slice's work, then the dialog answers; the tree is far from whole
      // but its root's folders are in and the current one is selected.
      ASSERT_TRUE(dialog.RunIdleSlice());
      EXPECT_LE(clock.accesses, kSlice + 2);
      EXPECT_LT(tree.GetCount(), 100);
      ASSERT_EQ(ChildTexts(tree, tree.GetRootItem()), (std::vector<std::string>{"Big", "My Documents"}));
      EXPECT_EQ(Utf8FromWide(tree.GetItemText(tree.GetSelectedItem())), current);
      if (c.pick != nullptr) tree.HostSelect(Find(tree, {c.pick}));
      if (c.command != 0) {
        dialog.SendMessage(WM_COMMAND, c.command);
        EXPECT_TRUE(dialog.IsEnded());
        EXPECT_FALSE(dialog.RunIdleSlice());
      }
      accessesAtEnd = clock.accesses;
    });
    // The fill stopped there and let go of everything it held.
    EXPECT_EQ(clock.accesses, accessesAtEnd);
    EXPECT_EQ(List()->m_strFolder, c.folder);
    EXPECT_EQ(app->WaitCursorCount(), 0);
    EXPECT_FALSE(host->WaitCursorShown());
    EXPECT_EQ(CImageList::LiveCount(), lists);
    EXPECT_EQ(OpenDescriptors(), descriptors);
  }
}

TEST_F(FolderDialogTest, NoSliceRunsPastItsBudget) {
  device.MakeFolder("\\My Documents");
  // Each case adds its folders to the device of the one before.
  const struct {
    const char* name;
    std::function<void()> make;
    int folders;
  } cases[] = {
      {"one folder of 3,000 subfolders",
       [this] {
         device.MakeFolder("\\Wide");
         MakeHostFolders(device.HostPath("\\Wide"), "w", 3000);
       },
       1 + 3000},
      {"one folder of 1,000 links to a folder, each looked up as it is read",
       [this] {
         device.MakeFolder("\\Target");
         device.MakeFolder("\\Links");
         for (int i = 0; i < 1000; ++i) {
           const std::string link = device.HostPath("\\Links") + "/l" + std::to_string(i);
           symlink(device.HostPath("\\Target").c_str(), link.c_str());
         }
       },
       2 + 1000},
      {"30 folders of 20 subfolders each",
       [this] {
         for (int a = 0; a < 30; ++a) {
           const std::string folder = device.Root() + "/L" + std::to_string(a);
           mkdir(folder.c_str(), 0755);
           MakeHostFolders(folder, "s", 20);
         }
       },
       30 * 21},
  };
  Start();
  host->SetDialogWorkStepped(TRUE);
  int items = 2;  // My Device, My Documents
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.make();
    items += c.folders;
    AccessClock clock;
    Browse([&](CDialog& dialog, CTreeCtrl& tree) {
      EXPECT_EQ(clock.accesses, 0);
      int slices = 0;
      DWORD longest = 0;
      for (BOOL more = TRUE; more; ++slices) {
        const DWORD start = GetTickCount();
        more = dialog.RunIdleSlice();
        longest = std::max(longest, GetTickCount() - start);
      }
      // A slice stops after the step in hand once its budget is spent; a
      // step costs two accesses at most.
      EXPECT_LE(longest, (DWORD)kSlice + 2);
      EXPECT_GE(slices, clock.accesses / (kSlice + 2));
      EXPECT_EQ(tree.GetCount(), items);
      EXPECT_FALSE(host->WaitCursorShown());
      Ok(dialog);
    });
  }
}

TEST_F(FolderDialogTest, SlicedFillEqualsTheWholeFill) {
  device.MakeFolder("\\My Documents");
  device.MakeFolder("\\A\\B\\C");
  device.MakeFolder("\\A\\b2\\deep\\er");
  device.MakeFolder("\\.hidden\\x");
  device.MakeFolder("\\Files");
  device.MakeFolder("\\Shared\\Inner");
  for (const char* name : {"\\img10", "\\IMG2", "\\img1", "\\Zeta", "\\alpha"}) device.MakeFolder(name);
  Picture("\\A\\b2\\deep\\p.jpg");
  Picture("\\A\\B\\own.JPG");
  Picture("\\Files\\f.jpg");
  Picture("\\Shared\\Inner\\s.jpg");
  Picture("\\top.jpg");
  ASSERT_EQ(symlink(device.HostPath("\\Shared").c_str(), device.HostPath("\\A\\ToShared").c_str()), 0);
  ASSERT_EQ(symlink(device.HostPath("\\A").c_str(), device.HostPath("\\A\\B\\C\\Up").c_str()), 0);
  Start();
  ASSERT_TRUE(List()->SelectFolder(u"\\A\\B"));
  std::vector<std::string> whole;
  Browse([&](CDialog&, CTreeCtrl& tree) { whole = Snapshot(tree); });
  ASSERT_EQ(whole.size(), 20u);
  // Every reading of the tick passes the budget: each slice takes one step.
  host->SetDialogWorkStepped(TRUE);
  TickSetStep(kSlice);
  Browse([&](CDialog& dialog, CTreeCtrl& tree) {
    int slices = 1;
    while (dialog.RunIdleSlice()) ++slices;
    EXPECT_GT(slices, 20);
    EXPECT_EQ(Snapshot(tree), whole);
  });
  TickSetStep(0);
}

}  // namespace

// Folders in the desktop grid: the subfolders come first as yellow or green
// folder cells in name order, a tap or Return enters one, BackSpace or
// Alt+Up goes up (never above the root) to the folder's own cell, the keys
// move across both kinds of cell, and the caption gives the path. The
// handheld's grid shows pictures only, as before.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/frametitle.h"
#include "app/viewerwnd.h"
#include "pages/foldercell.h"
#include "pages/gridlayout.h"
#include "platform/base/tick.h"
#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"
#include "res/resource_ids.h"
#include "support/pixels.h"
#include "support/viewer_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr COLORREF kMark = RGB(28, 113, 216);

class FolderCellsTest : public ViewerFixture {
 protected:
  void TearDown() override {
    ViewerFixture::TearDown();
    std::error_code ignored;
    fs::remove_all(device.Root() + "-outside", ignored);
  }
  void StartAs(ViewerProfile as, int width = 400, int height = 300) {
    Quit();
    app.reset();
    host.reset();
    setenv("XDG_CACHE_HOME", (device.Root() + "-outside/cache").c_str(), 1);
    TickSetManual(1000000);
    host = std::make_unique<CHeadlessHost>(width, height, 13);
    app = std::make_unique<CViewerApp>();
    app->m_launch.profile = as;
    app->m_launch.thumbnailSize = 64;
    ASSERT_TRUE(app->InitInstance());
    host->Pump();
  }
  GridLayout Grid() const {
    RECT rc;
    Viewer().GetClientRect(&rc);
    return ComputeGridLayout(rc.right, rc.bottom, true, List()->GetGridSizes());
  }
  // The colour inside cell `cell`'s box (the grid at its top), where a
  // folder's body is filled.
  COLORREF CellFill(int cell) const {
    int x, y;
    GridCellOrigin(Grid(), cell, &x, &y);
    const int side = Grid().sizes.thumb;
    return Screen().PixelAt(x + side * 20 / 32, y + side * 20 / 32);
  }
  // The current cell's ring, both of its lines, around cell `cell`.
  bool Marked(int cell) const {
    int x, y;
    GridCellOrigin(Grid(), cell, &x, &y);
    const int side = Grid().sizes.thumb;
    for (int d : {1, 2}) {
      for (int i = -d; i <= side + d; ++i) {
        if (Screen().PixelAt(x + i, y - d) != kMark || Screen().PixelAt(x - d, y + i) != kMark) return false;
      }
    }
    return true;
  }
  std::string Folder() const { return Utf8FromWide(List()->m_strFolder); }
  std::string Caption() const { return Utf8FromWide(Frame()->GetWindowText()); }
  void Press(UINT vk, bool alt = false) {
    TickAdvance(1000);
    Viewer().HostKey(TRUE, vk, alt ? TRUE : FALSE);
    Viewer().HostKey(FALSE, vk, alt ? TRUE : FALSE);
    Pump();
  }
  bool OnImagePage() const { return Viewer().IsPicturePageShown(); }
};

TEST_F(FolderCellsTest, FoldersComeFirstInNameOrderGreenWhenALookFindsPictures) {
  const std::string docs = "\\My Documents";
  device.MakeFolder(docs);
  for (const char* folder :
       {"\\a10", "\\a10\\deep", "\\a10\\deep\\er", "\\a2", "\\b", "\\c empty", "\\far", "\\loop"}) {
    device.MakeFolder(docs + folder);
  }
  device.WriteFile(docs + "\\a10\\deep\\er\\p.jpg", FlatJpeg(9, 8, 8));  // two levels down
  device.WriteFile(docs + "\\a2\\notes.txt", "text");
  device.WriteFile(docs + "\\b\\x.png", "any bytes: the name decides");
  // The look stops after its budget of entries: a picture past it is not seen.
  for (int i = 0; i < 450; ++i) device.WriteFile(docs + "\\far\\f" + std::to_string(1000 + i) + ".txt", "");
  device.WriteFile(docs + "\\far\\zz.jpg", FlatJpeg(9, 8, 8));
  device.MakeFolder("\\Shared");
  device.WriteFile("\\Shared\\s.jpg", FlatJpeg(9, 8, 8));
  // A link inside the device is a folder; one that leaves it is never listed;
  // a link back up is looked through once.
  fs::create_directory_symlink(device.HostPath("\\Shared"), device.HostPath(docs + "\\inside"));
  fs::create_directories(device.Root() + "-outside");
  WriteHostFile(device.Root() + "-outside/o.jpg", FlatJpeg(9, 8, 8));
  fs::create_directory_symlink(device.Root() + "-outside", device.HostPath(docs + "\\outside"));
  fs::create_directory_symlink(device.HostPath(docs), device.HostPath(docs + "\\loop\\up"));
  device.WriteFile(docs + "\\p0.jpg", FlatJpeg(0, 64, 64));
  device.WriteFile(docs + "\\p1.jpg", FlatJpeg(1, 64, 64));
  const struct {
    const char* name;
    COLORREF fill;
  } kFolders[] = {
      {"a2", kFolderFill},  {"a10", kPictureFolderFill},    {"b", kPictureFolderFill},    {"c empty", kFolderFill},
      {"far", kFolderFill}, {"inside", kPictureFolderFill}, {"loop", kPictureFolderFill},
  };
  // "loop" holds "up", a link to the folder that holds the pictures.
  StartAs(PROFILE_DESKTOP, 700, 300);
  ASSERT_EQ(Grid().cols, 9);
  EXPECT_EQ(List()->GetCount(), 2);  // the list counts pictures only
  const int folders = (int)(sizeof(kFolders) / sizeof(kFolders[0]));
  for (int i = 0; i < folders; ++i) {
    SCOPED_TRACE(kFolders[i].name);
    EXPECT_EQ(CellFill(i), kFolders[i].fill);
  }
  for (int k = 0; k < 2; ++k) EXPECT_TRUE(Near(CellFill(folders + k), ColourOf(k))) << "picture " << k;
  // Each cell is the folder it names: a tap enters it, BackSpace comes back.
  for (int i = 0; i < folders; ++i) {
    int x, y;
    GridCellOrigin(Grid(), i, &x, &y);
    Tap(x + 10, y + 10);
    EXPECT_EQ(Folder(), "\\My Documents\\" + std::string(kFolders[i].name));
    Press(VK_BACK);
    EXPECT_EQ(Folder(), "\\My Documents");
    EXPECT_TRUE(Marked(i)) << kFolders[i].name;
  }
  // A picture cell opens its picture, counted among pictures only.
  int x, y;
  GridCellOrigin(Grid(), folders + 1, &x, &y);
  Tap(x + 10, y + 10);
  ASSERT_TRUE(OnImagePage());
  EXPECT_EQ(Caption().rfind("p1 (2 of 2)", 0), 0u) << Caption();
}

TEST_F(FolderCellsTest, ReturnEntersBackSpaceAndAltUpGoUpToTheFolderLeftNeverAboveTheRoot) {
  for (const char* folder :
       {"\\Archive", "\\My Documents", "\\My Documents\\Alps", "\\My Documents\\Alps\\2023", "\\My Documents\\Beach"}) {
    device.MakeFolder(folder);
  }
  device.WriteFile("\\My Documents\\Beach\\b.jpg", FlatJpeg(1, 32, 32));
  device.WriteFile("\\My Documents\\c.jpg", FlatJpeg(2, 32, 32));
  StartAs(PROFILE_DESKTOP);
  const std::string root = Utf8FromWide(DeviceRootName());
  const std::string dash = " \u2014 Vimbra";
  const UINT kAltUp = 0x100 | VK_UP;
  const struct {
    UINT key;
    const char* folder;
    int current;  // the marked cell
  } kSteps[] = {
      {0, "\\My Documents", 0},  // Alps, Beach, c.jpg
      {VK_RIGHT, "\\My Documents", 1},
      {VK_RETURN, "\\My Documents\\Beach", 0},  // b.jpg alone
      {VK_BACK, "\\My Documents", 1},
      {VK_LEFT, "\\My Documents", 0},
      {VK_RETURN, "\\My Documents\\Alps", 0},
      {VK_RETURN, "\\My Documents\\Alps\\2023", -1},  // empty: no cell at all
      {kAltUp, "\\My Documents\\Alps", 0},
      {kAltUp, "\\My Documents", 0},
      {VK_BACK, "", 1},  // Archive, My Documents
      {VK_BACK, "", 1},
      {kAltUp, "", 1},
      {VK_UP, "", 1},  // Up alone moves nothing on a single row
  };
  for (const auto& step : kSteps) {
    SCOPED_TRACE(std::to_string(step.key) + " to \"" + step.folder + "\"");
    if (step.key != 0) Press(step.key & 0xFF, step.key == kAltUp);
    EXPECT_EQ(Folder(), step.folder);
    std::string path = root + step.folder;
    for (char& c : path) c = c == '\\' ? '/' : c;
    EXPECT_EQ(Caption(), path + dash);
    if (step.current >= 0) {
      EXPECT_TRUE(Marked(step.current));
    }
    EXPECT_FALSE(OnImagePage());
  }
  // The file actions have no picture while a folder cell is current.
  Press(VK_RIGHT);
  Press(VK_RETURN);
  ASSERT_EQ(Folder(), "\\My Documents");
  EXPECT_TRUE(Viewer().IsFolderCellCurrent());
  EXPECT_FALSE(Bar().IsMenuItemEnabled(ID_FILE_TRASH));
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  EXPECT_FALSE(Viewer().IsFolderCellCurrent());
  EXPECT_TRUE(Bar().IsMenuItemEnabled(ID_FILE_TRASH));
}

TEST_F(FolderCellsTest, KeysMoveAcrossFolderAndPictureCells) {
  for (const char* folder : {"\\My Documents", "\\My Documents\\f1", "\\My Documents\\f2", "\\My Documents\\f3"}) {
    device.MakeFolder(folder);
  }
  for (int i = 0; i < 4; ++i) device.WriteFile("\\My Documents\\p" + std::to_string(i) + ".jpg", FlatJpeg(i, 32, 32));
  StartAs(PROFILE_DESKTOP, 370, 300);
  ASSERT_EQ(Grid().cols, 5);  // f1 f2 f3 p0 p1 / p2 p3
  const struct {
    UINT key;
    int cell;
    int picture;  // the list's current picture when a picture cell is current
  } kMoves[] = {
      {VK_RIGHT, 1, -1}, {VK_RIGHT, 2, -1}, {VK_RIGHT, 3, 0}, {VK_DOWN, 6, 3}, {VK_LEFT, 5, 2},
      {VK_UP, 0, -1},    {VK_END, 6, 3},    {VK_HOME, 0, -1}, {VK_DOWN, 5, 2}, {VK_LEFT, 4, 1},
  };
  for (const auto& move : kMoves) {
    SCOPED_TRACE("key " + std::to_string(move.key) + " to cell " + std::to_string(move.cell));
    Press(move.key);
    EXPECT_TRUE(Marked(move.cell));
    EXPECT_EQ(Viewer().IsFolderCellCurrent(), move.picture < 0);
    if (move.picture >= 0) {
      EXPECT_EQ(List()->m_nCurrent, move.picture);
    }
  }
  // Return opens the current picture; back on the grid its cell is current.
  Press(VK_RETURN);
  ASSERT_TRUE(OnImagePage());
  EXPECT_EQ(List()->m_nCurrent, 1);
  Press(VK_RIGHT);
  Press(VK_ESCAPE);
  ASSERT_FALSE(OnImagePage());
  EXPECT_TRUE(Marked(5));
}

TEST_F(FolderCellsTest, SortingKeepsTheFoldersFirstAndTheCurrentCell) {
  for (const char* folder : {"\\My Documents", "\\My Documents\\f1"}) device.MakeFolder(folder);
  device.WriteFile("\\My Documents\\p0.jpg", FlatJpeg(0, 64, 64));  // the larger file
  device.WriteFile("\\My Documents\\p1.jpg", FlatJpeg(1, 48, 48));
  StartAs(PROFILE_DESKTOP);
  const struct {
    UINT key, command;
    int cell;  // the marked cell, picture cells after f1's
  } kSteps[] = {
      {VK_RIGHT, 0, 1},         // p0
      {0, ID_SORT_BY_SIZE, 2},  // p1 p0: p0 moved and stays current
      {VK_LEFT, 0, 1},          // p1
      {VK_LEFT, 0, 0},          // f1
      {0, ID_SORT_BY_NAME, 0},  // the folder cell stays current
  };
  for (const auto& step : kSteps) {
    SCOPED_TRACE("cell " + std::to_string(step.cell));
    if (step.key != 0) Press(step.key);
    if (step.command != 0) Command(step.command);
    EXPECT_TRUE(Marked(step.cell));
    EXPECT_TRUE(Near(CellFill(1), ColourOf(List()->GetSortOrder().key == SORT_BY_SIZE ? 1 : 0)));
  }
}

// A picture copied or moved into a subfolder turns its cell green at once,
// without leaving the folder.
TEST_F(FolderCellsTest, ACopyOrMoveIntoASubfolderTurnsItsCellGreen) {
  for (const char* folder : {"\\My Documents", "\\My Documents\\copy here", "\\My Documents\\move here"}) {
    device.MakeFolder(folder);
  }
  for (int i = 0; i < 2; ++i) device.WriteFile("\\My Documents\\p" + std::to_string(i) + ".jpg", FlatJpeg(i, 32, 32));
  StartAs(PROFILE_DESKTOP);
  const struct {
    UINT command;
    const char* into;
    int cell;  // the folder's
  } kTransfers[] = {{ID_FILE_COPY_TO, "copy here", 0}, {ID_FILE_MOVE_TO, "move here", 1}};
  for (const auto& t : kTransfers) {
    SCOPED_TRACE(t.into);
    EXPECT_EQ(CellFill(t.cell), kFolderFill);
    Press(VK_END);  // a picture's cell
    host->SetDialogHandler([&](CDialog& dialog) {
      CTreeCtrl* tree = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE));
      ASSERT_NE(tree, nullptr);
      HTREEITEM item = tree->GetRootItem();
      for (const char* name : {"My Documents", t.into}) {
        HTREEITEM c = tree->GetChildItem(item);
        while (c != nullptr && tree->GetItemText(c) != WideFromUtf8(name)) c = tree->GetNextSiblingItem(c);
        ASSERT_NE(c, nullptr) << name;
        item = c;
      }
      tree->HostSelect(item);
      dialog.SendMessage(WM_COMMAND, IDOK);
    });
    Command(t.command);
    host->SetDialogHandler(nullptr);
    Pump();
    EXPECT_TRUE(fs::exists(device.HostPath("\\My Documents\\" + std::string(t.into) + "\\p1.jpg")));
    EXPECT_EQ(Folder(), "\\My Documents");
    EXPECT_EQ(CellFill(t.cell), kPictureFolderFill);
  }
}

TEST_F(FolderCellsTest, TheHandheldGridTitleAndKeysStayAsTheyWere) {
  device.MakeFolder("\\My Documents");
  for (int i = 0; i < 3; ++i) device.WriteFile("\\My Documents\\p" + std::to_string(i) + ".jpg", FlatJpeg(i, 64, 64));
  std::vector<uint32_t> without;
  profile = PROFILE_HANDHELD;
  Start();
  without = Pixels(Screen());
  const std::string caption = Caption();
  EXPECT_EQ(caption, "My Documents \u2014 Vimbra");
  Quit();
  app.reset();
  host.reset();
  for (const char* folder : {"\\My Documents\\a", "\\My Documents\\b"}) device.MakeFolder(folder);
  device.WriteFile("\\My Documents\\a\\x.jpg", FlatJpeg(5, 64, 64));
  Start();
  EXPECT_EQ(Pixels(Screen()), without);
  EXPECT_EQ(Caption(), caption);
  for (UINT key : {VK_BACK, VK_UP, VK_RETURN}) {
    Press(key, key == VK_UP);
    EXPECT_EQ(Folder(), "\\My Documents") << key;
  }
  EXPECT_FALSE(Viewer().IsFolderCellCurrent());
  Tap(30, 30);  // the first cell is the first picture
  ASSERT_TRUE(OnImagePage());
  EXPECT_EQ(List()->m_nCurrent, 0);
}

}  // namespace

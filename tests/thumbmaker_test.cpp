// Grid thumbnails made by worker threads must look exactly like the ones the
// paint makes itself, follow the user's scrolling and folder changes without
// showing stale pictures, fall back to the user-interface thread when the
// budget runs out, and leave nothing behind when the viewer quits. These
// tests also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pages/gridlayout.h"
#include "platform/base/heap.h"
#include "platform/base/wstr.h"
#include "support/access_gate.h"
#include "support/pixels.h"
#include "support/scenes.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

class ThumbnailMakerTest : public ViewerFixture {
 protected:
  static std::string FileName(const std::string& name, int i) {
    char file[64];
    std::snprintf(file, sizeof file, "%s%03d.jpg", name.c_str(), i);
    return file;
  }
  // Flat pictures named NAMEnnn.jpg whose colour tells which one a cell shows.
  void FlatPictures(const std::string& folder, const std::string& name, int count, int first = 0) {
    device.MakeFolder(folder);
    for (int i = 0; i < count; ++i) device.WriteFile(folder + "\\" + FileName(name, i), FlatJpeg(first + i, 320, 240));
  }

  void WaitForThumbnails() { ASSERT_TRUE(host->WaitForBackgroundWork(60000)); }

  // The list index of the picture titled `title`.
  int Find(const CString& title) {
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString t;
      List()->GetTitle(i, t);
      if (t == title) return i;
    }
    return -1;
  }

  // The colour FlatPictures gave the picture at list index `index`.
  COLORREF ColourOfEntry(int index, int first) {
    CString title;
    List()->GetTitle(index, title);
    return ColourOf(first + std::stoi(Utf8FromWide(title.substr(1))));
  }

  // The colour in the middle of the cell of grid position `cell`.
  COLORREF CellColour(int cell) {
    const GridLayout grid = ComputeGridLayout(Screen().Width(), Screen().Height(), true);
    int x = 0, y = 0;
    GridCellOrigin(grid, cell, &x, &y);
    return Screen().PixelAt(x + 32, y + 32);
  }

  // Every cell shown and every thumbnail cached is the one FlatPictures made
  // from number `first` on for the folder shown.
  void ExpectOnlyPicturesFrom(int first, int cellsPerScreen) {
    const int shown = std::min(cellsPerScreen, List()->GetCount() - List()->m_nFirstShown);
    for (int cell = 0; cell < shown; ++cell) {
      const int index = List()->m_nFirstShown + cell;
      EXPECT_TRUE(Near(CellColour(cell), ColourOfEntry(index, first))) << "shown " << index;
    }
    for (int i = 0; i < List()->GetCount(); ++i) {
      const CDibOwner cached(List()->GetThumbnail(i));
      if (cached.Get() == nullptr) continue;
      const BYTE* pixel = (const BYTE*)MemLock(cached.Get()) + 40;
      EXPECT_TRUE(Near(RGB(pixel[2], pixel[1], pixel[0]), ColourOfEntry(i, first))) << "cached " << i;
    }
  }
};

TEST_F(ThumbnailMakerTest, GridIsTheSameWithAnyNumberOfWorkers) {
  // Camera files with and without embedded thumbnails, progressive, grey, a
  // damaged file and an empty one: more than a screen of them.
  device.MakeFolder("\\My Documents");
  for (int i = 0; i < 70; ++i) {
    CameraShotOptions options;
    options.thumbnailWidth = i % 3 == 0 ? 0 : 160;
    options.progressive = i % 5 == 0;
    options.grey = i % 7 == 0;
    std::string file = CameraShot(i % kSceneCount, 480 + (i % 4) * 40, 360, (uint32_t)i, options);
    if (i == 11) file.resize(file.size() / 3);
    if (i == 23) file.clear();
    device.WriteFile("\\My Documents\\IMG_" + std::to_string(1000 + i) + ".jpg", file);
  }
  const size_t blocksBefore = HeapBlockCount();
  std::vector<uint32_t> reference[2];
  for (int workers : {1, 2, 4, 8}) {
    SCOPED_TRACE("threads " + std::to_string(workers));
    threads = workers;
    Start(kWidth, kHeight);
    ASSERT_EQ(List()->MakesThumbnailsInBackground(), workers > 1 ? TRUE : FALSE);
    WaitForThumbnails();
    const std::vector<uint32_t> first = Pixels(Screen());
    VScroll(SB_PAGEDOWN);
    WaitForThumbnails();
    const std::vector<uint32_t> second = Pixels(Screen());
    if (workers == 1) {
      reference[0] = first;
      reference[1] = second;
    } else {
      EXPECT_TRUE(first == reference[0]);
      EXPECT_TRUE(second == reference[1]);
    }
    Quit();
    app.reset();
    host.reset();
    EXPECT_EQ(HeapBlockCount(), blocksBefore);
  }
}

TEST_F(ThumbnailMakerTest, ScrollingAndFolderChangesNeverShowAStaleThumbnail) {
  // Folders of one length, so that a page down shows the same indices in
  // both; the old folder's pictures are numbered from 0, the new one's from
  // 500, so the two pictures at one index differ clearly in colour.
  FlatPictures("\\My Documents", "a", 120);
  FlatPictures("\\Other", "b", 120, 500);
  const size_t blocksBefore = HeapBlockCount();
  // Made before any worker starts and kept until the last is gone: the hook
  // must not change while they run, so nothing returns early while they do.
  AccessGate gate;
  int firstShown = -1;
  int held = -1;  // the old folder's last cell shown: off the new folder's first screen
  std::vector<uint32_t> reference[2];
  for (int workers : {1, 4}) {
    SCOPED_TRACE("threads " + std::to_string(workers));
    threads = workers;
    if (workers > 1) {
      const std::string file = "My Documents/" + FileName("a", held);
      gate.HoldAt([file](DeviceAccess access, const std::string& path) {
        return access == DEVICE_ACCESS_READ_FILE && HostPathEndsIn(path, file);
      });
    }
    Start(kWidth, kHeight);
    const GridLayout grid = ComputeGridLayout(Screen().Width(), Screen().Height(), true);
    const int perScreen = grid.cols * grid.rows;
    // 1. Scrolled without waiting: the requests of the first screens go stale.
    VScroll(SB_PAGEDOWN);
    VScroll(SB_PAGEDOWN);
    VScroll(SB_PAGEUP);
    if (workers == 1) {
      firstShown = List()->m_nFirstShown;
      held = firstShown + perScreen - 1;
      ASSERT_GE(held, perScreen);
    }
    EXPECT_EQ(List()->m_nFirstShown, firstShown);
    // 2. A worker opens the old folder's picture at `held` and waits there
    //    while the folder changes; it finishes only once the new folder's
    //    first screen has asked for its thumbnails.
    EXPECT_TRUE(workers == 1 || gate.WaitUntilHeld());
    List()->SelectFolder(u"\\Other");
    Pump();
    gate.Open();
    WaitForThumbnails();
    // 3. What the held worker made belongs to no cell of the new folder,
    //    neither on the screen nor in the cache, nor a screen further on.
    ExpectOnlyPicturesFrom(500, perScreen);
    const std::vector<uint32_t> first = Pixels(Screen());
    VScroll(SB_PAGEDOWN);
    WaitForThumbnails();
    EXPECT_TRUE(List()->m_nFirstShown <= held && held < List()->m_nFirstShown + perScreen);
    ExpectOnlyPicturesFrom(500, perScreen);
    if (workers == 1) {
      reference[0] = first;
      reference[1] = Pixels(Screen());
    } else {
      EXPECT_TRUE(first == reference[0]);
      EXPECT_TRUE(Pixels(Screen()) == reference[1]);
    }
    // Back to the big folder, and quit while its thumbnails are being made.
    List()->SelectFolder(u"\\My Documents");
    Pump();
    Quit();
    app.reset();
    host.reset();
    EXPECT_EQ(HeapBlockCount(), blocksBefore);
  }
}

TEST_F(ThumbnailMakerTest, WorkerOutOfMemoryHandsTheCellBackToThePaintsWay) {
  // The fit decode of a 1920 × 1440 picture is 240 × 180 × 3 bytes. The
  // budget holds the entry block, three thumbnail blocks and one decode with
  // its thumbnail: once a fourth block is taken, a worker's decode cannot fit
  // (workers never give back cached thumbnails), while the paint's own way
  // gives back the highest block and goes on.
  FlatPictures("\\My Documents", "p", 0);
  for (int i = 0; i < 20; ++i) {
    const COLORREF c = ColourOf(i);
    device.WriteFile("\\My Documents\\p" + std::to_string(100 + i) + ".jpg",
                     EncodeJpeg(SolidColour(1920, 1440, GetRValue(c), GetGValue(c), GetBValue(c))));
  }
  std::vector<uint32_t> reference;
  const size_t budget = HeapBudget();
  for (int workers : {1, 8}) {
    SCOPED_TRACE("threads " + std::to_string(workers));
    HeapSetBudget(4 * 65536 + 240 * 180 * 3 + 12328 + 16 * 1024);
    threads = workers;
    Start(kWidth, kHeight);
    WaitForThumbnails();
    for (int cell = 0; cell < 20; ++cell) {
      EXPECT_TRUE(Near(CellColour(cell), ColourOfEntry(cell, -100))) << "cell " << cell;
    }
    if (workers == 1) {
      reference = Pixels(Screen());
    } else {
      EXPECT_GT(List()->ThumbnailsRemadeHere(), 0);
      EXPECT_TRUE(Pixels(Screen()) == reference);
    }
    Quit();
    app.reset();
    host.reset();
    HeapSetBudget(budget);
  }
}

TEST_F(ThumbnailMakerTest, UnreadablePictureIsAskedForAgainAtTheNextPaintOnly) {
  FlatPictures("\\My Documents", "p", 6);
  device.WriteFile("\\My Documents\\p002.jpg", "not a picture");
  threads = 4;
  Start(kWidth, kHeight);
  // No request loop: the workers go quiet with the cell empty.
  WaitForThumbnails();
  const int bad = Find(u"p002");
  const int good = Find(u"p003");
  EXPECT_EQ(CellColour(bad), kWindowColour);
  EXPECT_TRUE(Near(CellColour(good), ColourOf(3)));
  // Mended on disk: nothing happens until something paints the grid again.
  device.WriteFile("\\My Documents\\p002.jpg", FlatJpeg(2, 320, 240));
  WaitForThumbnails();
  EXPECT_EQ(CellColour(bad), kWindowColour);
  Viewer().Invalidate(TRUE);
  Pump();
  WaitForThumbnails();
  EXPECT_TRUE(Near(CellColour(bad), ColourOf(2)));
}

}  // namespace

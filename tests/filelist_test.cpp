// The picture file list is the viewer's model of a folder: these tests run
// it over real folders under a temporary device root, under a real heap
// budget, and against folders that try to break it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frametitle.h"
#include "filelist/imagefilelist.h"
#include "filelist/listobserver.h"
#include "imaging/dibdraw.h"
#include "platform/base/heap.h"
#include "platform/device/devicefs.h"
#include "res/resource_ids.h"
#include "shell/memblock.h"
#include "support/temp_device.h"
#include "support/testpics.h"

namespace {

class CountingObserver : public CFileListObserver {
 public:
  int notices = 0;
  int lastCode = -1;
  void OnFileListEvent(int code) override {
    ++notices;
    lastCode = code;
  }
};

// The names a device folder enumerates, in enumeration order.
std::vector<CString> Enumerated(const CString& folder) {
  std::vector<CString> names;
  ForEachDeviceEntry((folder + u"\\*.*").c_str(), [&names](const WIN32_FIND_DATA& record) {
    names.push_back(record.cFileName);
    return true;
  });
  return names;
}

std::vector<CString> Paths(const CImageFileList& list) {
  std::vector<CString> paths;
  for (int i = 0; i < list.GetCount(); ++i) {
    CString path;
    EXPECT_TRUE(list.GetPath(i, path));
    paths.push_back(path);
  }
  return paths;
}

struct BudgetGuard {
  size_t saved = HeapBudget();
  ~BudgetGuard() { HeapSetBudget(saved); }
};

class FileListTest : public ::testing::Test {
 protected:
  TempDevice device;
  void SetUp() override { InstallViewerResources(); }
  std::string SmallJpeg() const { return EncodeJpeg(RampPicture(40, 30)); }
};

TEST_F(FileListTest, StartsInMyDocumentsCreatedWhenMissing) {
  CImageFileList list;
  EXPECT_EQ(g_pImageFileList, &list);
  EXPECT_EQ(list.m_strFolder, u"\\My Documents");
  EXPECT_EQ(list.GetCount(), 0);
  struct stat st;
  EXPECT_EQ(stat(device.HostPath("\\My Documents").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(list.m_bShowTitles, 1);
  EXPECT_EQ(list.m_pObserver, nullptr);
}

TEST_F(FileListTest, EmptyWithRootFolderWhenMyDocumentsCannotBeMade) {
  // A dangling link holds the name: the folder neither exists nor can be made.
  ASSERT_EQ(symlink("/nonexistent/target", device.HostPath("\\My Documents").c_str()), 0);
  CImageFileList list;
  EXPECT_EQ(list.m_strFolder, u"");
  EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(FileListTest, ReadOnlyDeviceRootLeavesTheListEmpty) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  chmod(device.Root().c_str(), 0555);
  CImageFileList list;
  chmod(device.Root().c_str(), 0755);
  EXPECT_EQ(list.m_strFolder, u"");
  EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(FileListTest, KeepsPictureNamesInEnumerationOrderWithTitles) {
  device.MakeFolder("\\My Documents");
  for (const char* name : {"p1.jpg", "P2.JPG", "p3.Jpeg", "p4.jpg.txt", "p5.txt.jpg", "p6", "p7.", ".jpg"}) {
    device.WriteFile(std::string("\\My Documents\\") + name, "x");
  }
  device.MakeFolder("\\My Documents\\x.jpg");
  CImageFileList list;
  std::vector<CString> expected;
  for (const CString& name : Enumerated(u"\\My Documents")) {
    if (name == u"p1.jpg" || name == u"P2.JPG" || name == u"p3.Jpeg" || name == u"p5.txt.jpg" || name == u".jpg" ||
        name == u"x.jpg") {
      expected.push_back(u"\\My Documents\\" + name);
    }
  }
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(Paths(list), expected);  // never sorted; a folder named x.jpg is taken too
  for (int i = 0; i < list.GetCount(); ++i) {
    CString path, title;
    list.GetPath(i, path);
    list.GetTitle(i, title);
    const CString name = path.substr(path.rfind(u'\\') + 1);
    if (name == u".jpg") {
      EXPECT_EQ(title, u"");
    } else if (name == u"p5.txt.jpg") {
      EXPECT_EQ(title, u"p5.txt");
    } else if (name == u"P2.JPG") {
      EXPECT_EQ(title, u"P2");
    }
  }
}

TEST_F(FileListTest, RootEntriesAreBackslashAndName) {
  device.WriteFile("\\a.jpg", "x");
  CImageFileList list;
  ASSERT_TRUE(list.SelectRootFolder());
  EXPECT_EQ(list.m_strFolder, u"");
  ASSERT_EQ(list.GetCount(), 1);
  WIN32_FIND_DATA record;
  ASSERT_TRUE(list.GetEntry(0, &record));
  EXPECT_EQ(CString(record.cFileName), u"\\a.jpg");
  EXPECT_EQ(record.nFileSizeLow, 1u);     // the other fields stay as enumerated
  EXPECT_FALSE(list.SelectRootFolder());  // already current
}

TEST_F(FileListTest, ReselectingTheCurrentFolderChangesNothing) {
  device.MakeFolder("\\My Documents");
  for (int i = 0; i < 8; ++i) device.WriteFile("\\My Documents\\" + std::to_string(i) + ".jpg", "x");
  CImageFileList list;
  CountingObserver observer;
  list.m_pObserver = &observer;
  CDibOwner thumb(MemAlloc(64));
  ASSERT_TRUE(list.StoreThumbnail(3, thumb.Get(), 64));
  thumb.Reset();
  list.SetFirstShown(6);
  EXPECT_FALSE(list.SelectFolder(u"\\My Documents"));
  EXPECT_EQ(observer.notices, 0);
  EXPECT_EQ(list.m_nFirstShown, 6);
  const CDibOwner cached(list.GetThumbnail(3));
  EXPECT_NE(cached.Get(), nullptr);
}

TEST_F(FileListTest, FoldersDifferingInCaseAreDifferentFolders) {
  device.MakeFolder("\\Photos");
  device.MakeFolder("\\photos");
  device.WriteFile("\\Photos\\notes.txt", "x");
  device.WriteFile("\\photos\\a.jpg", "x");
  CImageFileList list;
  ASSERT_TRUE(list.SelectFolder(u"\\Photos"));
  EXPECT_EQ(list.GetCount(), 0);
  ASSERT_TRUE(list.SelectFolder(u"\\photos"));
  EXPECT_EQ(list.m_strFolder, u"\\photos");
  EXPECT_EQ(list.GetCount(), 1);
}

TEST_F(FileListTest, ChangingFolderNotifiesAfterTheScanOnly) {
  device.MakeFolder("\\A");
  device.MakeFolder("\\Empty");
  device.WriteFile("\\A\\a.jpg", "x");
  CImageFileList list;
  CountingObserver observer;
  list.m_pObserver = &observer;
  list.SetCurrent(0);
  ASSERT_TRUE(list.SelectFolder(u"\\A"));
  EXPECT_EQ(observer.notices, 1);
  EXPECT_EQ(observer.lastCode, 0);
  ASSERT_TRUE(list.SetCurrent(0));
  // An empty folder: 0 entries, 0 returned, no notice, the folder kept.
  EXPECT_FALSE(list.SelectFolder(u"\\Empty"));
  EXPECT_EQ(list.m_strFolder, u"\\Empty");
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(observer.notices, 1);
  // A folder that does not exist: nothing changes.
  EXPECT_FALSE(list.SelectFolder(u"\\Missing"));
  EXPECT_EQ(list.m_strFolder, u"\\Empty");
  EXPECT_EQ(observer.notices, 1);
}

TEST_F(FileListTest, TheHandheldsCeilingSaysWhatItLeavesOutAndAGrowingListHoldsEverything) {
  device.MakeFolder("\\Many");
  for (int i = 0; i < 11702; ++i) WriteHostFile(device.HostPath("\\Many") + "/" + std::to_string(i) + ".jpg", "");
  const std::vector<CString> order = Enumerated(u"\\Many");
  const CDibOwner thumb(MemAlloc(16));
  for (const bool grows : {false, true}) {
    SCOPED_TRACE(grows ? "growing" : "handheld");
    ListSettings settings;
    settings.grows = grows ? TRUE : FALSE;
    CImageFileList list(settings);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(list.SelectFolder(u"\\Many"));
    const std::string said = testing::internal::GetCapturedStderr();
    const int held = grows ? 11702 : 11700;
    ASSERT_EQ(list.GetCount(), held);
    EXPECT_EQ(list.GetLeftOutCount(), 11702 - held);
    EXPECT_EQ(said, grows ? "" : "vimbra: \\Many: 2 of 11702 pictures left out (the list holds 11700)\n");
    EXPECT_EQ(MakeFrameTitle(u"Vimbra", &list, false, u"My Device"),
              grows ? u"Many \u2014 Vimbra" : u"Many (2 pictures left out) \u2014 Vimbra");
    CString path;
    ASSERT_TRUE(list.GetPath(held - 1, path));
    EXPECT_EQ(path, u"\\Many\\" + order[held - 1]);
    ASSERT_TRUE(list.GetPath(117, path));  // first entry of the second block
    EXPECT_EQ(path, u"\\Many\\" + order[117]);
    for (int b = 0; b < LIST_MAX_BLOCKS; ++b) EXPECT_NE(list.m_apEntryBlock[b], nullptr);
    EXPECT_FALSE(list.GetPath(held, path));
    WIN32_FIND_DATA record = {};
    EXPECT_EQ(list.AddEntry(&record), grows ? TRUE : FALSE);
    EXPECT_FALSE(list.AddEntry(nullptr));
    // The handheld caches the first 500 thumbnails; a growing list every
    // picture's, and gives its last blocks back first.
    EXPECT_EQ(list.StoreThumbnail(11000, thumb.Get(), 16), grows ? TRUE : FALSE);
    EXPECT_TRUE(list.StoreThumbnail(40, thumb.Get(), 16));
    EXPECT_EQ(CDibOwner(list.GetThumbnail(11000)).Get() != nullptr, grows);
    ASSERT_TRUE(list.ReleaseThumbnailBlock());
    EXPECT_EQ(CDibOwner(list.GetThumbnail(11000)).Get(), nullptr);
    EXPECT_EQ(CDibOwner(list.GetThumbnail(40)).Get() != nullptr, grows) << "the later block goes first";
  }
}

TEST_F(FileListTest, IndexBounds) {
  device.MakeFolder("\\Three");
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) device.WriteFile(std::string("\\Three\\") + n, "x");
  CImageFileList list;
  ASSERT_TRUE(list.SelectFolder(u"\\Three"));
  list.SetFirstShown(5);
  EXPECT_EQ(list.m_nFirstShown, 2);
  list.SetFirstShown(-4);
  EXPECT_EQ(list.m_nFirstShown, 0);
  EXPECT_TRUE(list.SetCurrent(2));
  EXPECT_FALSE(list.SetCurrent(3));
  EXPECT_FALSE(list.SetCurrent(-1));
  EXPECT_EQ(list.m_nCurrent, 2);
  CString path = u"unchanged";
  EXPECT_FALSE(list.GetPath(-1, path));
  EXPECT_EQ(path, u"unchanged");
  CString title = u"x";
  EXPECT_TRUE(list.GetTitle(7, title));
  EXPECT_EQ(title, u"");
  list.Clear();
  list.SetFirstShown(5);
  EXPECT_EQ(list.m_nFirstShown, -1);
  EXPECT_EQ(list.m_strFolder, u"\\Three");  // Clear keeps the folder
}

TEST_F(FileListTest, ThumbnailSlotsAndCopies) {
  CImageFileList list;
  const CDibOwner dib(MemAlloc(THUMB_SLOT_CAPACITY));
  std::fill((unsigned char*)dib.Get(), (unsigned char*)dib.Get() + THUMB_SLOT_CAPACITY, 0xAB);
  EXPECT_TRUE(list.StoreThumbnail(499, dib.Get(), THUMB_SLOT_CAPACITY));
  EXPECT_FALSE(list.StoreThumbnail(500, dib.Get(), 100));
  EXPECT_FALSE(list.StoreThumbnail(-1, dib.Get(), 100));
  EXPECT_FALSE(list.StoreThumbnail(0, nullptr, 100));
  // A length above the slot's capacity is refused, never written past it.
  EXPECT_FALSE(list.StoreThumbnail(498, dib.Get(), THUMB_SLOT_CAPACITY + 1));
  CDibOwner small(MemAlloc(10));
  EXPECT_FALSE(list.StoreThumbnail(497, small.Get(), 100));  // more than the block holds
  small.Reset();
  CDibOwner copy(list.GetThumbnail(499));
  ASSERT_NE(copy.Get(), nullptr);
  EXPECT_NE(copy.Get(), dib.Get());
  EXPECT_EQ(MemSize(copy.Get()), (size_t)THUMB_SLOT_CAPACITY);
  EXPECT_EQ(((unsigned char*)copy.Get())[THUMB_SLOT_CAPACITY - 1], 0xAB);
  // The copy.Get() is the caller's: changing it leaves the cache alone.
  ((unsigned char*)copy.Get())[0] = 0;
  copy.Reset();
  CDibOwner again(list.GetThumbnail(499));
  EXPECT_EQ(((unsigned char*)again.Get())[0], 0xAB);
  again.Reset();
  EXPECT_EQ(list.GetThumbnail(498), nullptr);  // same block, never stored
  EXPECT_EQ(list.GetThumbnail(0), nullptr);    // block never made
  EXPECT_EQ(list.GetThumbnail(500), nullptr);
}

TEST_F(FileListTest, ReleaseThumbnailBlockHighestFirst) {
  CImageFileList list;
  CDibOwner dib(MemAlloc(16));
  for (int block : {0, 3, 7}) ASSERT_TRUE(list.StoreThumbnail(block * THUMBS_PER_BLOCK, dib.Get(), 16));
  dib.Reset();
  ASSERT_TRUE(list.ReleaseThumbnailBlock());
  EXPECT_EQ(list.m_apThumbBlock[7], nullptr);
  EXPECT_NE(list.m_apThumbBlock[3], nullptr);
  ASSERT_TRUE(list.ReleaseThumbnailBlock());
  EXPECT_EQ(list.m_apThumbBlock[3], nullptr);
  EXPECT_NE(list.m_apThumbBlock[0], nullptr);
  ASSERT_TRUE(list.ReleaseThumbnailBlock());
  EXPECT_FALSE(list.ReleaseThumbnailBlock());
}

TEST_F(FileListTest, LongPathsAreLeftOutNotCut) {
  // Folder and name each fit; together they pass the 260-character field.
  const std::string folder = "\\" + std::string(150, 'f');
  device.MakeFolder(folder);
  device.WriteFile(folder + "\\" + std::string(110, 'n') + ".jpg", "x");
  device.WriteFile(folder + "\\short.jpg", "x");
  CImageFileList list;
  ASSERT_TRUE(list.SelectFolder(WideFromUtf8(folder)));
  ASSERT_EQ(list.GetCount(), 1);
  CString path;
  list.GetPath(0, path);
  EXPECT_EQ(path, WideFromUtf8(folder) + u"\\short.jpg");
  // Handed a record directly: 151 + 1 + 108 characters do not fit with the
  // terminator, 151 + 1 + 107 do, exactly.
  WIN32_FIND_DATA record = {};
  std::fill(record.cFileName, record.cFileName + 108, u'z');
  EXPECT_FALSE(list.AddEntry(&record));
  EXPECT_EQ(list.GetCount(), 1);
  record.cFileName[107] = 0;
  ASSERT_TRUE(list.AddEntry(&record));
  list.GetPath(1, path);
  EXPECT_EQ(path.size(), 259u);
  EXPECT_EQ(path.back(), u'z');
  // A name without any terminator stops at the field's end.
  std::fill(record.cFileName, record.cFileName + MAX_PATH, u'y');
  EXPECT_FALSE(list.AddEntry(&record));
}

TEST_F(FileListTest, PictureNameRoutines) {
  EXPECT_TRUE(IsPictureExtension(u"jpg"));
  EXPECT_TRUE(IsPictureExtension(u"JPEG"));
  EXPECT_TRUE(IsPictureExtension(u"Jpg"));
  EXPECT_FALSE(IsPictureExtension(u""));
  EXPECT_FALSE(IsPictureExtension(u"jp"));
  EXPECT_FALSE(IsPictureExtension(u"jpgx"));
  EXPECT_FALSE(IsPictureExtension(u"png"));
  CString ext = u"kept";
  EXPECT_FALSE(GetExtension(u"noext", ext));
  EXPECT_EQ(ext, u"kept");
  EXPECT_TRUE(GetExtension(u"a.b.jpeg", ext));
  EXPECT_EQ(ext, u"jpeg");
  EXPECT_TRUE(GetExtension(u"p7.", ext));
  EXPECT_EQ(ext, u"");
  CString title;
  GetFileTitleOf(u"\\DCIM\\IMG_0001.JPG", title);
  EXPECT_EQ(title, u"IMG_0001");
  GetFileTitleOf(u"\\x\\a.b.jpeg", title);
  EXPECT_EQ(title, u"a.b");
  GetFileTitleOf(u"plain", title);
  EXPECT_EQ(title, u"plain");
  device.MakeFolder("\\F");
  device.WriteFile("\\F\\f.jpg", "x");
  EXPECT_TRUE(PathExists(u"\\F"));
  EXPECT_TRUE(PathExists(u"\\F\\f.jpg"));
  EXPECT_FALSE(PathExists(u"\\G"));
  EXPECT_FALSE(PathExists(u""));
}

// ---- Pictures and memory pressure -------------------------------------------

TEST_F(FileListTest, LoadsPicturesAndHoldsOne) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\a.jpg", EncodeJpeg(RampPicture(640, 480)));
  CImageFileList list;
  ASSERT_EQ(list.GetCount(), 1);
  CDibOwner reduced(list.LoadPictureToFit(0, 160, 160));
  int w = 0, h = 0;
  ASSERT_EQ(GetDibSize(reduced.Get(), w, h), 0);
  EXPECT_EQ(w, 160);
  EXPECT_EQ(h, 120);
  reduced.Reset();
  const size_t blocks = HeapBlockCount();
  CDib full = list.LoadCurrentPicture();
  ASSERT_EQ(GetDibSize(full, w, h), 0);
  EXPECT_EQ(w, 640);
  list.SetHeldPicture(full);
  list.SetHeldPicture(full);  // holding the same picture again keeps it
  EXPECT_EQ(list.m_hPicture, full);
  list.SetHeldPicture(nullptr);
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_EQ(list.LoadPictureToFit(5, 160, 160), nullptr);
}

TEST_F(FileListTest, DeletedFileGivesNotFound) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\gone.jpg", SmallJpeg());
  CImageFileList list;
  device.Remove("\\My Documents\\gone.jpg");
  EXPECT_EQ(list.LoadCurrentPicture(), nullptr);
  EXPECT_EQ(list.GetError(), LIST_ERROR_NOT_FOUND);
}

TEST_F(FileListTest, FullSizeDecodeThatCannotFitGivesNoMemory) {
  BudgetGuard guard;
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\big.jpg", EncodeJpeg(RampPicture(1000, 800)));
  CImageFileList list;
  // Thumbnails are given back first, then the decode fails with error 2.
  CDibOwner dib(MemAlloc(16));
  ASSERT_TRUE(list.StoreThumbnail(0, dib.Get(), 16));
  ASSERT_TRUE(list.StoreThumbnail(5, dib.Get(), 16));
  dib.Reset();
  HeapSetBudget(HeapBytesInUse() + 1000 * 800);  // the picture needs 2.4 MB
  EXPECT_EQ(list.LoadCurrentPicture(), nullptr);
  EXPECT_EQ(list.GetError(), LIST_ERROR_NO_MEMORY);
  EXPECT_EQ(list.m_apThumbBlock[0], nullptr);
  EXPECT_EQ(list.m_apThumbBlock[1], nullptr);
}

TEST_F(FileListTest, EntryBlockThatCannotBeAllocatedSkipsEntries) {
  BudgetGuard guard;
  device.MakeFolder("\\Two");
  device.WriteFile("\\Two\\a.jpg", "x");
  CImageFileList list;
  HeapSetBudget(HeapBytesInUse());
  EXPECT_TRUE(list.SelectFolder(u"\\Two"));  // the scan completes ...
  EXPECT_EQ(list.GetCount(), 0);             // ... with the entry left out
  EXPECT_EQ(list.GetError(), LIST_ERROR_NO_MEMORY);
}

TEST_F(FileListTest, DestructorReleasesEverything) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\a.jpg", SmallJpeg());
  const size_t blocks = HeapBlockCount();
  {
    CImageFileList list;
    CDibOwner dib(MemAlloc(16));
    list.StoreThumbnail(0, dib.Get(), 16);
    dib.Reset();
    list.SetHeldPicture(list.LoadCurrentPicture());
    ASSERT_NE(list.m_hPicture, nullptr);
  }
  EXPECT_EQ(HeapBlockCount(), blocks);
  EXPECT_EQ(g_pImageFileList, nullptr);
}

TEST_F(FileListTest, SecondListDoesNotTakeTheGlobalPointer) {
  CImageFileList first;
  {
    CImageFileList second;
    EXPECT_EQ(g_pImageFileList, &first);
  }
  EXPECT_EQ(g_pImageFileList, &first);
}

// ---- Hostile folders ----------------------------------------------------------

TEST_F(FileListTest, HostileNamesAndLinksNeverBreakTheScan) {
  device.MakeFolder("\\H");
  WriteHostFile(device.HostPath("\\H") + "/bad\xff.jpg", "x");
  WriteHostFile(device.HostPath("\\H") + "/back\\slash.jpg", "x");
  WriteHostFile(device.HostPath("\\H") + "/ok.jpg", "x");
  ASSERT_EQ(symlink(device.HostPath("\\H").c_str(), device.HostPath("\\H\\cycle.jpg").c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent", device.HostPath("\\H\\dangling.jpg").c_str()), 0);
  ASSERT_EQ(mkfifo(device.HostPath("\\H\\fifo.jpg").c_str(), 0600), 0);
  CImageFileList list;
  ASSERT_TRUE(list.SelectFolder(u"\\H"));
  std::vector<CString> paths = Paths(list);
  std::sort(paths.begin(), paths.end());
  // The dangling link leads outside the device (to "/nonexistent"): not listed.
  EXPECT_EQ(paths, (std::vector<CString>{u"\\H\\cycle.jpg", u"\\H\\fifo.jpg", u"\\H\\ok.jpg"}));
  // None of them decodes, and none hangs or crashes.
  for (int i = 0; i < list.GetCount(); ++i) {
    list.SetCurrent(i);
    list.ClearError();
    EXPECT_EQ(list.LoadCurrentPicture(), nullptr);
    EXPECT_EQ(list.LoadPictureToFit(i, 160, 160), nullptr);
  }
}

TEST_F(FileListTest, FolderReplacedByAFileBetweenScanAndLoad) {
  device.MakeFolder("\\R");
  device.WriteFile("\\R\\a.jpg", SmallJpeg());
  CImageFileList list;
  ASSERT_TRUE(list.SelectFolder(u"\\R"));
  device.Remove("\\R");
  device.WriteFile("\\R", "now a file");
  EXPECT_EQ(list.LoadCurrentPicture(), nullptr);
  EXPECT_EQ(list.GetError(), LIST_ERROR_NOT_FOUND);
  EXPECT_FALSE(list.SelectFolder(u"\\R\\"));
}

TEST_F(FileListTest, UnreadableFolderScansToNothing) {
  device.MakeFolder("\\Locked");
  device.WriteFile("\\Locked\\a.jpg", "x");
  // A name that leads to a file: it exists, but cannot be enumerated.
  device.WriteFile("\\NotAFolder", "x");
  CImageFileList list;
  EXPECT_FALSE(list.SelectFolder(u"\\NotAFolder"));
  EXPECT_EQ(list.m_strFolder, u"\\NotAFolder");
  EXPECT_EQ(list.GetCount(), 0);
  if (geteuid() != 0) {
    chmod(device.HostPath("\\Locked").c_str(), 0);
    EXPECT_FALSE(list.SelectFolder(u"\\Locked"));
    EXPECT_EQ(list.GetCount(), 0);
    chmod(device.HostPath("\\Locked").c_str(), 0755);
  }
}

}  // namespace

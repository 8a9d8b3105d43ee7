// Why: the desktop's thumbnail cache is shared with other programs and is the
// user's to change. A thumbnail another program made by the standard must be
// used as long as it is the file's, and remade once the file changes; what
// the viewer writes must follow the standard, make the same cell again, and
// record failures; and whatever stands in the cache (cut, damaged, huge or
// hostile files, links, pipes, a read-only folder, a full disk) must never
// put another picture in a cell. The handheld profile touches none of it.
#include "filelist/thumbcache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "app/viewerapp.h"
#include "filelist/pictureload.h"
#include "filelist/thumbrecipe.h"
#include "imaging/thumbpng.h"
#include "platform/base/md5.h"
#include "platform/base/tick.h"
#include "platform/device/cachefolder.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "platform/window/frame.h"
#include "platform/window/uitasks.h"
#include "support/dibpics.h"
#include "support/pixels.h"
#include "support/pngcraft.h"
#include "support/scenes.h"
#include "support/temp_device.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPicture = 1;  // ColourOf(1) is the picture's own colour
const COLORREF kEntryColour = RGB(0, 0, 255);

class ThumbCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAutoRotate(TRUE);
    base = device.Root() + ".cache";
    fs::create_directory(base);
    folder = base + "/thumbnails";
    device.MakeFolder("\\P");
    device.WriteFile("\\P\\a.jpg", FlatJpeg(kPicture, 640, 480));
    uri = "file://" + device.HostPath("\\P\\a.jpg");
    name = Md5Hex(uri) + ".png";
  }
  void TearDown() override {
    SetAutoRotate(FALSE);
    CacheFolderSetWriteFault(0);
    std::error_code ec;
    for (const char* sub : {"", "/thumbnails", "/thumbnails/normal"}) chmod((base + sub).c_str(), 0700);
    fs::remove_all(base, ec);
  }

  struct stat PictureStat() const {
    struct stat st = {};
    stat(device.HostPath("\\P\\a.jpg").c_str(), &st);
    return st;
  }
  PngTextList RightText() const {
    const struct stat st = PictureStat();
    return {{"Thumb::URI", uri}, {"Thumb::MTime", std::to_string(st.st_mtime)}};
  }
  // A flat blue PNG entry of `width` × `height`.
  static std::string BlueEntry(const PngTextList& text, int width = 128, int height = 96) {
    CDibOwner dib(NewTestDib(width, height, 24));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) DibPixel(dib.Get(), x, y)[0] = 255;
    }
    std::string png;
    EncodeThumbnailPng(dib.Get(), text, &png);
    return png;
  }
  void Put(const std::string& sub, const std::string& bytes) const {
    fs::create_directories(folder + "/" + sub);
    WriteHostFile(folder + "/" + sub + "/" + name, bytes);
  }

  // The cell of \P\a.jpg for thumbnails of `side`, through a cache on
  // `folder`, after every write it queued has ended.
  ThumbnailParts Cell(int side = 64, CThumbCache* cache = nullptr) {
    std::unique_ptr<CThumbCache> own;
    if (cache == nullptr) own = std::make_unique<CThumbCache>(folder);
    ThumbnailParts parts = MakeThumbnailParts(u"\\P\\a.jpg", GridSizesFor(side), cache != nullptr ? cache : own.get());
    WaitForWrites(cache != nullptr ? *cache : *own);
    return parts;
  }
  static void WaitForWrites(const CThumbCache& cache) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (cache.IsBusy() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  static COLORREF Centre(const CDibOwner& dib) {
    const BITMAPINFOHEADER header = DibHeaderOf(dib.Get());
    const BYTE* p = DibPixel(dib.Get(), header.biWidth / 2, header.biHeight / 2);
    return RGB(p[2], p[1], p[0]);
  }
  // The text of the entry at `path`, read as the cache reads it.
  static PngTextList TextOf(const std::string& path) {
    PngTextList seen;
    const std::string png = ReadHostFile(path);
    CDibOwner dib(DecodeThumbnailPng(png.data(), png.size(), 1024, [&seen](const PngTextList& text, bool) {
      seen = text;
      return true;
    }));
    return seen;
  }
  static std::string ValueOf(const PngTextList& text, const std::string& key) {
    for (const PngText& entry : text) {
      if (entry.key == key) return entry.value;
    }
    return "(none)";
  }
  // Every file below `path`, by its path relative to it.
  static std::set<std::string> FilesBelow(const std::string& path) {
    std::set<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (!it->is_directory()) files.insert(fs::relative(it->path(), path).string());
    }
    return files;
  }

  TempDevice device;
  std::string base, folder, uri, name;
};

// Counts the device's openings of one file for reading on every thread.
class ReadCounter {
 public:
  explicit ReadCounter(const std::string& tail) {
    DeviceSetAccessHook([this, tail](DeviceAccess access, const std::string& path) {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (access == DEVICE_ACCESS_READ_FILE && path.size() >= tail.size() &&
          path.compare(path.size() - tail.size(), tail.size(), tail) == 0) {
        ++m_count;
      }
    });
  }
  ~ReadCounter() { DeviceSetAccessHook(nullptr); }
  int Count() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
  }

 private:
  std::mutex m_mutex;
  int m_count = 0;
};

TEST_F(ThumbCacheTest, AnotherProgramsThumbnailIsUsedUntilThePictureChanges) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const struct stat st = PictureStat();
  const struct {
    const char* what;
    const char* sub;
    int side;         // of the grid's thumbnails
    std::string uri;  // Thumb::URI written
    long long mtime;  // Thumb::MTime written
    long long size;   // Thumb::Size written; -1: none
    bool used;
  } kCases[] = {
      {"a normal thumbnail", "normal", 64, uri, st.st_mtime, -1, true},
      {"with the file's size", "normal", 128, uri, st.st_mtime, st.st_size, true},
      {"a large one serves small cells", "large", 96, uri, st.st_mtime, -1, true},
      {"a large one for large cells", "large", 160, uri, st.st_mtime, st.st_size, true},
      {"a normal one is too small for large cells", "normal", 160, uri, st.st_mtime, -1, false},
      {"the picture changed after", "normal", 64, uri, st.st_mtime - 1, -1, false},
      {"another size", "normal", 64, uri, st.st_mtime, st.st_size + 1, false},
      {"another file's", "normal", 64, uri + "x", st.st_mtime, -1, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    fs::create_directories(folder + "/" + c.sub);
    const std::string entry = folder + "/" + c.sub + "/" + name;
    std::string args = "-size 128x96 xc:'rgb(0,0,255)' -set Thumb::URI " + ShellQuoted(c.uri) + " -set Thumb::MTime " +
                       std::to_string(c.mtime);
    if (c.size >= 0) args += " -set Thumb::Size " + std::to_string(c.size);
    ASSERT_TRUE(RunConvert(args + " PNG32:" + ShellQuoted(entry)));
    ThumbnailParts parts = Cell(c.side);
    ASSERT_TRUE(parts.thumbnail);
    EXPECT_TRUE(Near(Centre(parts.thumbnail), c.used ? kEntryColour : ColourOf(kPicture)));
    // A thumbnail remade is written back, as the file is now.
    const std::string written = folder + "/" + (c.side > 128 ? "large/" : "normal/") + name;
    if (!c.used) {
      EXPECT_EQ(ValueOf(TextOf(written), "Thumb::MTime"), std::to_string(st.st_mtime));
    }
  }
}

TEST_F(ThumbCacheTest, WrittenEntriesFollowTheStandardAndMakeTheSameCellAgain) {
  // A textured picture: a cell reduced another way would differ.
  device.WriteFile("\\P\\a.jpg", EncodeJpeg(RenderScene(0, 640, 480, 7)));
  const struct stat st = PictureStat();
  const struct {
    int side;
    const char* sub;
    int width, height;
  } kCases[] = {{64, "normal", 128, 96}, {128, "normal", 128, 96}, {160, "large", 256, 192}, {256, "large", 256, 192}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.side);
    fs::remove_all(folder);
    const ThumbnailParts made = Cell(c.side);
    ASSERT_TRUE(made.thumbnail);
    const std::string entry = folder + "/" + c.sub + "/" + name;
    EXPECT_EQ(FilesBelow(folder), std::set<std::string>{std::string(c.sub) + "/" + name});
    EXPECT_EQ(fs::status(entry).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(folder + "/" + c.sub).permissions(), fs::perms::owner_all);
    const PngTextList text = TextOf(entry);
    EXPECT_EQ(ValueOf(text, "Thumb::URI"), uri);
    EXPECT_EQ(ValueOf(text, "Thumb::MTime"), std::to_string(st.st_mtime));
    EXPECT_EQ(ValueOf(text, "Thumb::Size"), std::to_string(st.st_size));
    EXPECT_EQ(ValueOf(text, "Thumb::Mimetype"), "image/jpeg");
    if (HaveConvert()) {
      // ImageMagick reads it as the standard's RGBA picture of that size.
      const std::string probe = device.Root() + "/probe.txt";
      ASSERT_TRUE(RunConvert(ShellQuoted(entry) + " -format '%w %h %[channels]' info:" + ShellQuoted(probe)));
      EXPECT_EQ(ReadHostFile(probe), std::to_string(c.width) + " " + std::to_string(c.height) + " srgba");
    }
    // The next look reads the entry, not the picture, and the cell is the same.
    ReadCounter reads("/P/a.jpg");
    const ThumbnailParts again = Cell(c.side);
    ASSERT_TRUE(again.thumbnail);
    EXPECT_EQ(reads.Count(), 1);  // the look whether the file is readable, no decode
    ASSERT_EQ(MemSize(again.thumbnail.Get()), MemSize(made.thumbnail.Get()));
    EXPECT_EQ(std::memcmp(MemLock(again.thumbnail.Get()), MemLock(made.thumbnail.Get()), MemSize(made.thumbnail.Get())),
              0);
  }
}

TEST_F(ThumbCacheTest, FailuresAreRecordedAndNotTriedAgainUntilTheFileChanges) {
  device.WriteFile("\\P\\a.jpg", "not a picture at all");
  const ThumbnailParts first = Cell();
  EXPECT_FALSE(first.reduced);
  ASSERT_FALSE(first.failure.empty());
  const std::string record = folder + "/fail/vimbra-2.0/" + name;
  EXPECT_EQ(ValueOf(TextOf(record), "Thumb::URI"), uri);
  EXPECT_EQ(ValueOf(TextOf(record), "Vimbra::Reason"), first.failure);
  {
    ReadCounter reads("/P/a.jpg");
    const ThumbnailParts again = Cell();
    EXPECT_FALSE(again.reduced);
    EXPECT_EQ(again.failure, first.failure);
    EXPECT_EQ(reads.Count(), 1);  // no decode
  }
  // The file made whole again (a new time): the record no longer holds.
  device.WriteFile("\\P\\a.jpg", FlatJpeg(kPicture, 640, 480));
  struct timeval later[2] = {{PictureStat().st_mtime + 5, 0}, {PictureStat().st_mtime + 5, 0}};
  utimes(device.HostPath("\\P\\a.jpg").c_str(), later);
  const ThumbnailParts whole = Cell();
  ASSERT_TRUE(whole.thumbnail);
  EXPECT_TRUE(Near(Centre(whole.thumbnail), ColourOf(kPicture)));
}

// Mounts a small tmpfs read-only on a folder while it lives (when allowed).
class ReadOnlyMount {
 public:
  explicit ReadOnlyMount(const std::string& path) : m_path(path) {
    m_ok = mount("tmpfs", path.c_str(), "tmpfs", MS_RDONLY, "size=64k") == 0;
  }
  ~ReadOnlyMount() {
    if (m_ok) umount2(m_path.c_str(), MNT_DETACH);
  }
  bool Ok() const { return m_ok; }

 private:
  std::string m_path;
  bool m_ok;
};

TEST_F(ThumbCacheTest, CraftedCacheContentNeverPutsAnotherPictureInACell) {
  const std::string right = BlueEntry(RightText());
  const std::string elsewhere = base + "/elsewhere";
  fs::create_directories(elsewhere);
  std::string inflating;
  for (const PngChunk& chunk : PngChunks(BlueEntry({}, 1024, 1024))) {
    if (chunk.type == "IDAT") inflating += chunk.data;
  }
  std::string bombText = WithChunk(BlueEntry({}), {"zTXt", std::string("Thumb::URI\0\0", 12) + inflating}, "IDAT");
  bombText = WithChunk(bombText, {"tEXt", TextData("Thumb::MTime", ValueOf(RightText(), "Thumb::MTime"))}, "IDAT");
  std::unique_ptr<ReadOnlyMount> readOnly;
  const struct {
    const char* what;
    std::function<bool()> craft;  // false: the case cannot be made here
    bool writable;                // the viewer's entry lands in the cache
  } kCases[] = {
      {"a cut entry",
       [&] {
         Put("normal", right.substr(0, right.size() / 2));
         return true;
       },
       true},
      {"a damaged entry",
       [&] {
         std::string damaged = right;
         damaged[damaged.find("IDAT") + 10] ^= 0x5a;
         Put("normal", damaged);
         return true;
       },
       true},
      {"an entry of 100000 x 100000",
       [&] {
         Put("normal", WithSize(right, 100000, 100000));
         return true;
       },
       true},
      {"an entry past the size bound",
       [&] {
         Put("normal", WithChunk(right, {"tEXt", TextData("pad", std::string(200000, 'p'))}, "IEND"));
         return true;
       },
       true},
      {"an entry larger than its size",
       [&] {
         Put("normal", BlueEntry(RightText(), 256, 192));
         return true;
       },
       true},
      {"a text that inflates to megabytes",
       [&] {
         Put("normal", bombText);
         return true;
       },
       true},
      {"an entry that is a link",
       [&] {
         WriteHostFile(elsewhere + "/blue.png", right);
         fs::create_directories(folder + "/normal");
         fs::create_symlink(elsewhere + "/blue.png", folder + "/normal/" + name);
         return true;
       },
       true},
      {"an entry that is a FIFO",
       [&] {
         fs::create_directories(folder + "/normal");
         return mkfifo((folder + "/normal/" + name).c_str(), 0600) == 0;
       },
       true},
      {"a size folder that is a link",
       [&] {
         WriteHostFile(elsewhere + "/" + name, right);
         fs::create_directories(folder);
         fs::create_directory_symlink(elsewhere, folder + "/normal");
         return true;
       },
       false},
      {"a cache folder that is a link",
       [&] {
         fs::create_directories(elsewhere + "/normal");
         WriteHostFile(elsewhere + "/normal/" + name, right);
         fs::create_directory_symlink(elsewhere, folder);
         return true;
       },
       false},
      {"a cache folder that is a FIFO", [&] { return mkfifo(folder.c_str(), 0600) == 0; }, false},
      {"a read-only cache folder",
       [&] {
         fs::create_directories(folder);
         if (geteuid() != 0) return chmod(folder.c_str(), 0500) == 0;
         readOnly = std::make_unique<ReadOnlyMount>(folder);
         return readOnly->Ok();
       },
       false},
      {"a full disk",
       [&] {
         CacheFolderSetWriteFault(ENOSPC);
         return true;
       },
       false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(elsewhere);
    fs::create_directories(elsewhere);
    if (!c.craft()) {
      std::printf("  (%s: cannot be made here, skipped)\n", c.what);
    } else {
      const std::set<std::string> before = FilesBelow(elsewhere);
      ThumbnailParts parts = Cell();
      ASSERT_TRUE(parts.thumbnail);
      EXPECT_TRUE(Near(Centre(parts.thumbnail), ColourOf(kPicture)));
      // Nothing half-written anywhere; links lead nothing out of the cache.
      for (const std::string& file : FilesBelow(folder)) EXPECT_EQ(file.find(".vimbra-"), std::string::npos) << file;
      EXPECT_EQ(FilesBelow(elsewhere), before);
      // The viewer's own entry (it says Software) replaced the crafted one,
      // or nothing was written.
      const std::string ours = ValueOf(TextOf(folder + "/normal/" + name), "Software");
      EXPECT_EQ(ours == "Vimbra 2.0", c.writable) << ours;
    }
    readOnly.reset();
    CacheFolderSetWriteFault(0);
    chmod(folder.c_str(), 0700);
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::remove(folder, ec);
  }
}

TEST_F(ThumbCacheTest, TheCachesOwnFilesAreNeverThumbnailed) {
  // The device is the cache's parent: its pictures in the cache are skipped,
  // the others are not.
  TempDevice wide;
  const std::string cache = wide.Root() + "/thumbnails";
  wide.MakeFolder("\\thumbnails");
  wide.MakeFolder("\\thumbnails\\normal");
  wide.WriteFile("\\thumbnails\\normal\\p.jpg", FlatJpeg(kPicture, 320, 240));
  wide.WriteFile("\\q.jpg", FlatJpeg(kPicture, 320, 240));
  CThumbCache cacheOf(cache);
  ThumbCacheKey key;
  EXPECT_FALSE(cacheOf.KeyOf(u"\\thumbnails\\normal\\p.jpg", &key));
  ASSERT_TRUE(MakeThumbnailParts(u"\\thumbnails\\normal\\p.jpg", kHandheldGrid, &cacheOf).thumbnail);
  EXPECT_TRUE(cacheOf.KeyOf(u"\\q.jpg", &key));
  WaitForWrites(cacheOf);
  EXPECT_EQ(FilesBelow(cache), std::set<std::string>{"normal/p.jpg"});
}

// The programs' profiles: the desktop reads and writes the cache, with any
// number of workers alike; the handheld makes nothing there, whatever its
// list was handed, and neither does a desktop list without a cache folder
// (--no-thumbnail-cache).
TEST_F(ThumbCacheTest, OnlyTheDesktopProfileUsesTheCache) {
  device.MakeFolder("\\Many");
  for (int i = 0; i < 6; ++i) device.WriteFile("\\Many\\m" + std::to_string(i) + ".jpg", FlatJpeg(i, 320, 240));
  const struct {
    ViewerProfile profile;
    bool cache;
    int threads;
    size_t entries;
  } kCases[] = {{PROFILE_HANDHELD, true, 2, 0},
                {PROFILE_DESKTOP, false, 2, 0},
                {PROFILE_DESKTOP, true, 1, 6},
                {PROFILE_DESKTOP, true, 2, 6}};
  std::vector<std::string> cells;
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.profile) + " " + std::to_string(c.cache) + " " + std::to_string(c.threads));
    fs::remove_all(folder);
    {
      TickSetManual(1000000);
      CHeadlessHost host(640, 480, 13);
      CViewerApp app;
      app.m_launch.profile = c.profile;
      app.m_launch.list.thumbnailCache = c.cache ? folder : "";
      app.m_launch.autoRotate = TRUE;
      app.m_launch.list.threads = c.threads;
      app.m_launch.list.hasStartFolder = TRUE;
      app.m_launch.list.startFolder = u"\\Many";
      ASSERT_TRUE(app.InitInstance());
      ASSERT_TRUE(host.WaitForBackgroundWork());
      std::string bytes;
      for (int i = 0; i < g_pImageFileList->GetCount(); ++i) {
        CDibOwner cell(g_pImageFileList->GetThumbnail(i));
        if (cell) bytes.append((const char*)MemLock(cell.Get()), MemSize(cell.Get()));
      }
      if (c.profile == PROFILE_DESKTOP && c.cache) cells.push_back(bytes);
      host.Frame()->SendMessage(WM_CLOSE);
    }
    EXPECT_EQ(FilesBelow(folder).size(), c.entries);
    if (c.entries == 0) {
      EXPECT_FALSE(fs::exists(folder));
    }
  }
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_FALSE(cells[0].empty());
  EXPECT_EQ(cells[0], cells[1]);
}

}  // namespace

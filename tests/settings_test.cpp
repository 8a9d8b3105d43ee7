// What the desktop profile keeps between runs and how a run starts from it:
// the settings file's text both ways, where it lives, reading it only when
// it is a small regular file (one line on stderr otherwise), writing it
// whole through a temporary name, and the launch values and areas each
// profile opens with.
#include "startup/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>

#include "platform/base/hostfile.h"
#include "startup/launch.h"
#include "support/scoped_env.h"

namespace fs = std::filesystem;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vimbra-settings.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    top = fs::canonical(pattern);
  }
  void TearDown() override {
    std::error_code error;
    fs::permissions(top, fs::perms::owner_all, error);
    fs::remove_all(top, error);
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

  fs::path top;
};

bool SameSettings(const KeptSettings& a, const KeptSettings& b) {
  return a.areaWidth == b.areaWidth && a.areaHeight == b.areaHeight && a.placed == b.placed && a.x == b.x &&
         a.y == b.y && a.thumbnailSize == b.thumbnailSize;
}

}  // namespace

TEST(SettingsTextTest, FormattedSettingsReadBackAndEveryMalformedLineIsNamed) {
  // Written and read again, every field as it was; nothing kept, nothing written.
  for (const KeptSettings& kept :
       {KeptSettings{1280, 800, true, 12, -40, 128, {}}, KeptSettings{700, 480, false, 0, 0, 0, {}}, KeptSettings{}}) {
    KeptSettings read{1, 1, true, 1, 1, 1, {}};
    std::string why;
    ASSERT_TRUE(ParseSettings(FormatSettings(kept), &read, &why)) << why;
    EXPECT_TRUE(SameSettings(read, kept)) << FormatSettings(kept);
  }
  // Comments, blank lines, CRLF and keys of a later version are passed over.
  KeptSettings read;
  std::string why;
  ASSERT_TRUE(ParseSettings("# x\n\nwindow-size=640x480\r\nzoom-mode=fit\nthumbnail-size=256\n", &read, &why));
  EXPECT_TRUE(SameSettings(read, KeptSettings{640, 480, false, 0, 0, 256, {}}));

  struct Bad {
    std::string text;
    std::string why;
  };
  const Bad bad[] = {
      {"window-size=640x480\njunk\n", "line 2: not key=value"},
      {"=5\n", "line 1: not key=value"},
      {"window-size=640\n", "line 1: window-size cannot be '640'"},
      {"window-size=0x480\n", "line 1: window-size cannot be '0x480'"},
      {"window-place=10\n", "line 1: window-place cannot be '10'"},
      {"window-place=10,-\n", "line 1: window-place cannot be '10,-'"},
      {"window-place=99999,0\n", "line 1: window-place cannot be '99999,0'"},
      {"thumbnail-size=63\n", "line 1: thumbnail-size cannot be '63'"},
      {"thumbnail-size=257\n", "line 1: thumbnail-size cannot be '257'"},
      {"thumbnail-size= 64\n", "line 1: thumbnail-size cannot be ' 64'"},
      {"#\nthumbnail-size=64\nthumbnail-size=96\n", "line 3: thumbnail-size is given twice"},
  };
  for (const Bad& b : bad) {
    KeptSettings kept{5, 5, false, 0, 0, 96, {}};
    std::string reason;
    EXPECT_FALSE(ParseSettings(b.text, &kept, &reason)) << b.text;
    EXPECT_EQ(reason, b.why);
    EXPECT_TRUE(SameSettings(kept, KeptSettings{5, 5, false, 0, 0, 96, {}})) << "a bad file changes nothing";
  }
}

TEST(SettingsTextTest, TheFileLivesInTheUsersConfigurationFolder) {
  struct Case {
    const char* config;
    const char* home;
    std::string path;
  };
  const Case cases[] = {
      {"/cfg", "/home/ann", "/cfg/vimbra/settings"},
      {"/cfg//", "/home/ann", "/cfg/vimbra/settings"},
      {"relative", "/home/ann", "/home/ann/.config/vimbra/settings"},
      {"", "/home/ann/", "/home/ann/.config/vimbra/settings"},
      {nullptr, "/home/ann", "/home/ann/.config/vimbra/settings"},
      {nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    ScopedEnv config("XDG_CONFIG_HOME", c.config);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(SettingsFilePath(), c.path) << (c.config ? c.config : "(unset)");
  }
}

TEST_F(SettingsTest, OnlyASmallRegularWellFormedFileIsReadElseOneLineSaysItWasIgnored) {
  const fs::path file = top / "settings";
  KeptSettings kept;
  std::string note;
  // Absent: nothing kept, and nothing to say.
  kept = LoadSettings(file.string(), &note);
  EXPECT_TRUE(SameSettings(kept, KeptSettings{}));
  EXPECT_EQ(note, "");
  Write(file, "window-size=900x600\nwindow-place=5,6\nthumbnail-size=160\n");
  kept = LoadSettings(file.string(), &note);
  EXPECT_TRUE(SameSettings(kept, KeptSettings{900, 600, true, 5, 6, 160, {}}));
  EXPECT_EQ(note, "");

  struct Case {
    std::function<void()> make;
    std::string note;
  };
  const std::string name = file.string();
  const Case cases[] = {
      {[&] { Write(file, "window-size=900x600\nthumbnail-size=big\n"); },
       "vimbra: " + name + ": line 2: thumbnail-size cannot be 'big'; ignored"},
      {[&] { Write(file, std::string(kMaxSettingsBytes + 1, '#')); },
       "vimbra: " + name + ": larger than 4096 bytes; ignored"},
      {[&] { fs::create_directory(file); }, "vimbra: " + name + ": not a regular file; ignored"},
      // A pipe nobody writes must not hold up the start.
      {[&] { ASSERT_EQ(mkfifo(name.c_str(), 0600), 0); }, "vimbra: " + name + ": not a regular file; ignored"},
  };
  for (const Case& c : cases) {
    std::error_code error;
    fs::remove_all(file, error);
    c.make();
    std::string line;
    auto load = std::async(std::launch::async, [&] { return LoadSettings(name, &line); });
    ASSERT_EQ(load.wait_for(std::chrono::seconds(5)), std::future_status::ready) << c.note;
    EXPECT_TRUE(SameSettings(load.get(), KeptSettings{})) << c.note;
    EXPECT_EQ(line, c.note);
  }
}

TEST_F(SettingsTest, SavingWritesTheWholeFileThroughATemporaryNameAndMakesItsFolder) {
  // $XDG_CONFIG_HOME and its vimbra folder are both missing: both are made.
  const fs::path file = top / "config/vimbra/settings";
  std::string error;
  ASSERT_TRUE(SaveSettings(file.string(), KeptSettings{800, 500, true, 10, 20, 96, {}}, &error)) << error;
  EXPECT_EQ(Read(file), FormatSettings(KeptSettings{800, 500, true, 10, 20, 96, {}}));
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "the user's own file";
  ASSERT_EQ(stat(file.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // A second save replaces the file whole and leaves no temporary file.
  ASSERT_TRUE(SaveSettings(file.string(), KeptSettings{640, 480, false, 0, 0, 256, {}}, &error)) << error;
  std::string note;
  EXPECT_TRUE(SameSettings(LoadSettings(file.string(), &note), KeptSettings{640, 480, false, 0, 0, 256, {}}));
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) entries += entry.path() == file ? 1 : 100;
  EXPECT_EQ(entries, 1);

  // A save that fails says so in one line and leaves the old file whole.
  fs::permissions(file.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  if (access(file.parent_path().c_str(), W_OK) != 0) {  // root may write anyway
    EXPECT_FALSE(SaveSettings(file.string(), KeptSettings{1, 1, false, 0, 0, 0, {}}, &error));
    EXPECT_EQ(error, "vimbra: cannot keep the settings in " + file.string() + ": Permission denied");
    EXPECT_TRUE(SameSettings(LoadSettings(file.string(), &note), KeptSettings{640, 480, false, 0, 0, 256, {}}));
  }
  fs::permissions(file.parent_path(), fs::perms::owner_all);
  // A file where the folder should be: nothing can be written below it.
  Write(top / "blocked", "x");
  int code = 0;
  EXPECT_FALSE(WriteHostFileWhole((top / "blocked/vimbra/settings").string(), "x", &code));
  EXPECT_EQ(code, ENOTDIR);
  EXPECT_EQ(Read(top / "blocked"), "x");
  // The folder's parent is made, nothing further up.
  EXPECT_FALSE(WriteHostFileWhole((top / "a/b/c/settings").string(), "x", &code));
  EXPECT_EQ(code, ENOENT);
  EXPECT_FALSE(fs::exists(top / "a"));
}

TEST(LaunchTest, EachProfileTakesItsDefaultsAndTheCommandLineWins) {
  ScopedEnv cache("XDG_CACHE_HOME", "/caches");
  struct Case {
    std::string name;
    CommandLine line;
    KeptSettings kept;
    ViewerProfile profile;
    int thumbnailSize;
    std::string thumbnailCache;
  };
  CommandLine desktop;
  CommandLine handheld;
  handheld.handheld = true;
  CommandLine sized;
  sized.thumbnailSize = 96;
  CommandLine noCache;
  noCache.noThumbnailCache = true;
  const KeptSettings kept{900, 700, false, 0, 0, 256, {}};
  const Case cases[] = {
      {"desktop", desktop, KeptSettings{}, PROFILE_DESKTOP, 128, "/caches/thumbnails"},
      {"desktop, a kept size", desktop, kept, PROFILE_DESKTOP, 256, "/caches/thumbnails"},
      {"desktop, --thumbnail-size over the kept size", sized, kept, PROFILE_DESKTOP, 96, "/caches/thumbnails"},
      {"desktop, --no-thumbnail-cache", noCache, KeptSettings{}, PROFILE_DESKTOP, 128, ""},
      {"handheld", handheld, kept, PROFILE_HANDHELD, 64, ""},
  };
  for (const Case& c : cases) {
    const ViewerLaunch launch = LaunchFromCommandLine(c.line, nullptr, c.kept);
    EXPECT_EQ(launch.profile, c.profile) << c.name;
    EXPECT_EQ(launch.thumbnailSize, c.thumbnailSize) << c.name;
    EXPECT_EQ(launch.list.thumbnailCache, c.thumbnailCache) << c.name;
    EXPECT_GE(launch.list.threads, 1) << c.name;
  }
  // Rotation: the later of the two options, handed on as it was given.
  CommandLine rotate;
  rotate.noAutoRotate = true;
  const ViewerLaunch stored = LaunchFromCommandLine(rotate, nullptr);
  EXPECT_TRUE(stored.noAutoRotate && !stored.autoRotate);

  // vimbra-shot's area: --size, else 1280 × 800 on the desktop, the
  // handheld's 240 × 268 with --handheld.
  CommandLine area;
  int w = 0, h = 0;
  ShotAreaSize(area, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(1280, 800));
  area.handheld = true;
  ShotAreaSize(area, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(240, 268));
  area.width = 300;
  area.height = 200;
  ShotAreaSize(area, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(300, 200));
}

TEST(SettingsTextTest, TheSortOrderIsKeptForTheDesktopAndIgnoredForTheHandheld) {
  const struct {
    const char* word;
    SortOrder order;
  } words[] = {
      {"name-reversed", {SORT_BY_NAME, TRUE}},
      {"date-taken", {SORT_BY_DATE_TAKEN, FALSE}},
      {"date-taken-reversed", {SORT_BY_DATE_TAKEN, TRUE}},
      {"modified", {SORT_BY_MODIFIED, FALSE}},
      {"modified-reversed", {SORT_BY_MODIFIED, TRUE}},
      {"size", {SORT_BY_SIZE, FALSE}},
      {"size-reversed", {SORT_BY_SIZE, TRUE}},
  };
  CommandLine handheld;
  handheld.handheld = true;
  for (const auto& w : words) {
    KeptSettings kept;
    kept.sortOrder = w.order;
    const std::string text = FormatSettings(kept);
    EXPECT_NE(text.find(std::string("\nsort-order=") + w.word + "\n"), std::string::npos) << text;
    KeptSettings read;
    std::string why;
    ASSERT_TRUE(ParseSettings(text, &read, &why)) << why;
    EXPECT_TRUE(read.sortOrder == w.order) << w.word;
    EXPECT_TRUE(LaunchFromCommandLine(CommandLine(), nullptr, read).list.sortOrder == w.order) << w.word;
    EXPECT_TRUE(LaunchFromCommandLine(handheld, nullptr, read).list.sortOrder == SortOrder()) << w.word;
  }
  // Name order, the default, is not written; "sort-order=name" reads as it.
  EXPECT_EQ(FormatSettings(KeptSettings()).find("sort-order"), std::string::npos);
  KeptSettings read;
  read.sortOrder = {SORT_BY_SIZE, TRUE};
  std::string why;
  ASSERT_TRUE(ParseSettings("sort-order=name\n", &read, &why));
  EXPECT_TRUE(read.sortOrder == SortOrder());
  for (const char* bad : {"sort-order=date\n", "sort-order=-reversed\n", "sort-order=Size\n", "sort-order=size-\n",
                          "sort-order=size\nsort-order=name\n"}) {
    KeptSettings kept;
    EXPECT_FALSE(ParseSettings(bad, &kept, &why)) << bad;
    EXPECT_NE(why.find("sort-order"), std::string::npos) << why;
  }
}

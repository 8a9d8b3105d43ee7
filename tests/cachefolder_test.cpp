// Why: a picture's entries in the desktop's thumbnail cache are found only
// when its URI and that URI's MD5 are, byte for byte, what the desktop's
// programs compute; and the cache folder is other programs' data, so its
// reads must refuse links, pipes and oversized files without waiting, and
// its writes must leave a whole new file, mode 0600, or nothing at all.
#include "platform/device/cachefolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/base/md5.h"
#include "platform/device/devicefs.h"
#include "platform/device/fileuri.h"
#include "support/temp_device.h"

namespace fs = std::filesystem;

namespace {

TEST(CacheNames, Md5AndUrisAreTheDesktopsOwn) {
  // RFC 1321's suite, the block edges, and the standard's own example.
  const std::string a55(55, 'a'), a56(56, 'a'), a64(64, 'a'), a65(65, 'a');
  const struct {
    std::string in;
    const char* md5;
  } kDigests[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {a55, "ef1772b6dff9a122358552954ad0df65"},
      {a56, "3b0c8ac703f828b04c6c197006d17218"},
      {a64, "014842d480b571495a4a0363793f7367"},
      {a65, "c743a45e0d2e6a95cb859adae0248435"},
      {"file:///home/jens/photos/me.png", "c6ee772d9e49320e97ec29a7eb5b1697"},
  };
  for (const auto& d : kDigests) EXPECT_EQ(Md5Hex(d.in), d.md5) << d.in;
  // As GLib's g_filename_to_uri writes them.
  const struct {
    const char* path;
    const char* uri;
  } kUris[] = {
      {"/home/jens/photos/me.png", "file:///home/jens/photos/me.png"},
      {"/tmp/a b/\xc3\xbc#%&=:@$,+;!~*()'[]^{}|`<>?\"x.jpg",
       "file:///tmp/a%20b/%C3%BC%23%25&=:@$,+%3B!~*()'%5B%5D%5E%7B%7D%7C%60%3C%3E%3F%22x.jpg"},
      {"/t/\x7f\x01\xff", "file:///t/%7F%01%FF"},
  };
  for (const auto& u : kUris) EXPECT_EQ(FileUriOfHostPath(u.path), u.uri);
  // A device given by a relative path is named by its absolute one.
  TempDevice device;
  device.MakeFolder("\\d");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(device.Root().c_str()), 0);
  ASSERT_TRUE(DeviceSetRoot("./d/../d/"));
  std::string uri;
  EXPECT_TRUE(DeviceFileUri(u"\\x y.jpg", &uri));
  EXPECT_EQ(uri, FileUriOfHostPath(device.Root() + "/d/x y.jpg"));
  EXPECT_FALSE(DeviceFileUri(u"\\..\\x.jpg", &uri));
  ASSERT_EQ(chdir(cwd), 0);
}

TEST(CacheNames, TheCacheFolderComesFromTheEnvironment) {
  const char* savedCache = getenv("XDG_CACHE_HOME");
  const char* savedHome = getenv("HOME");
  const std::string cache = savedCache != nullptr ? savedCache : "", home = savedHome != nullptr ? savedHome : "";
  const struct {
    const char* cache;  // null: unset
    const char* home;
    const char* folder;
  } kCases[] = {{"/c/", "/h", "/c/thumbnails"},
                {"", "/h", "/h/.cache/thumbnails"},
                {"relative", "/h/", "/h/.cache/thumbnails"},
                {nullptr, "/h", "/h/.cache/thumbnails"},
                {nullptr, "relative", ""}};
  for (const auto& c : kCases) {
    if (c.cache != nullptr) {
      setenv("XDG_CACHE_HOME", c.cache, 1);
    } else {
      unsetenv("XDG_CACHE_HOME");
    }
    setenv("HOME", c.home, 1);
    EXPECT_EQ(DefaultThumbnailFolder(), c.folder) << (c.cache != nullptr ? c.cache : "(unset)") << " " << c.home;
  }
  if (savedCache != nullptr) {
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  } else {
    unsetenv("XDG_CACHE_HOME");
  }
  setenv("HOME", home.c_str(), 1);
}

class CacheFolderTest : public ::testing::Test {
 protected:
  void TearDown() override { CacheFolderSetWriteFault(0); }
  std::string Path(const std::string& sub) const { return host.Root() + "/" + sub; }
  TempDevice host;
};

TEST_F(CacheFolderTest, OnlyARealFolderIsOpened) {
  fs::create_directory(Path("real"));
  fs::create_directory_symlink(Path("real"), Path("link"));
  mkfifo(Path("fifo").c_str(), 0600);
  WriteHostFile(Path("file"), "x");
  const struct {
    const char* folder;
    bool opens;
  } kCases[] = {{"real", true},  {"link", false},          {"fifo", false},
                {"file", false}, {"new/thumbnails", true}, {"none/new/thumbnails", false}};
  for (const auto& c : kCases) {
    CCacheFolder folder;
    EXPECT_EQ(folder.Open(Path(c.folder)) != FALSE, c.opens) << c.folder;
  }
  // What is made is the owner's alone.
  EXPECT_EQ(fs::status(Path("new")).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(Path("new/thumbnails")).permissions(), fs::perms::owner_all);
}

TEST_F(CacheFolderTest, ReadsTakeOnlyBoundedRegularFilesAndNeverWait) {
  fs::create_directories(Path("c/normal"));
  fs::create_directories(Path("elsewhere"));
  WriteHostFile(Path("elsewhere/e.png"), "elsewhere");
  WriteHostFile(Path("c/normal/ok.png"), "twelve bytes");
  WriteHostFile(Path("c/normal/big.png"), std::string(1001, 'b'));
  fs::create_symlink(Path("elsewhere/e.png"), Path("c/normal/link.png"));
  mkfifo(Path("c/normal/fifo.png").c_str(), 0600);
  fs::create_directory(Path("c/normal/folder.png"));
  fs::create_directory_symlink(Path("elsewhere"), Path("c/large"));
  CCacheFolder folder;
  ASSERT_TRUE(folder.Open(Path("c")));
  const struct {
    const char* sub;
    const char* name;
    bool read;
  } kCases[] = {{"normal", "ok.png", true},    {"normal", "big.png", false},    {"normal", "link.png", false},
                {"normal", "fifo.png", false}, {"normal", "folder.png", false}, {"normal", "none.png", false},
                {"large", "e.png", false},     {"x-large", "ok.png", false}};
  for (const auto& c : kCases) {
    std::string bytes;
    EXPECT_EQ(folder.Read(c.sub, c.name, 1000, &bytes) != FALSE, c.read) << c.sub << "/" << c.name;
    if (c.read) {
      EXPECT_EQ(bytes, "twelve bytes");
    }
  }
}

TEST_F(CacheFolderTest, WritesAreWholeOrAbsent) {
  CCacheFolder folder;
  ASSERT_TRUE(folder.Open(Path("c")));
  int error = -1;
  // Folders made 0700 on the way, the file 0600 whatever the umask.
  const mode_t mask = umask(0);
  EXPECT_TRUE(folder.Write("fail/vimbra-2.0", "a.png", "first", &error));
  umask(mask);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(ReadHostFile(Path("c/fail/vimbra-2.0/a.png")), "first");
  EXPECT_EQ(fs::status(Path("c/fail")).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(Path("c/fail/vimbra-2.0/a.png")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  // A full disk: the old entry stays as it was, and no part is left.
  CacheFolderSetWriteFault(ENOSPC);
  EXPECT_FALSE(folder.Write("fail/vimbra-2.0", "a.png", "second, longer", &error));
  EXPECT_EQ(error, ENOSPC);
  CacheFolderSetWriteFault(0);
  EXPECT_EQ(ReadHostFile(Path("c/fail/vimbra-2.0/a.png")), "first");
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("c/fail/vimbra-2.0")), fs::directory_iterator()), 1);
  // A link where the entry belongs is replaced, never written through.
  WriteHostFile(Path("target"), "target");
  fs::create_symlink(Path("target"), Path("c/fail/vimbra-2.0/b.png"));
  EXPECT_TRUE(folder.Write("fail/vimbra-2.0", "b.png", "own", &error));
  EXPECT_EQ(ReadHostFile(Path("target")), "target");
  EXPECT_FALSE(fs::is_symlink(Path("c/fail/vimbra-2.0/b.png")));
  // A folder where the entry belongs: refused, nothing left beside it.
  fs::create_directory(Path("c/fail/vimbra-2.0/d.png"));
  EXPECT_FALSE(folder.Write("fail/vimbra-2.0", "d.png", "own", &error));
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("c/fail/vimbra-2.0")), fs::directory_iterator()), 3);
}

TEST_F(CacheFolderTest, TheCacheFolderKnowsItsOwnFiles) {
  host.MakeFolder("\\c");
  host.MakeFolder("\\c\\normal");
  host.MakeFolder("\\pictures");
  WriteHostFile(Path("c/normal/p.jpg"), "p");
  WriteHostFile(Path("pictures/q.jpg"), "q");
  fs::create_directory_symlink(Path("c"), Path("pictures/into"));
  CCacheFolder folder;
  ASSERT_TRUE(folder.Open(Path("c")));
  EXPECT_TRUE(folder.Holds(u"\\c\\normal\\p.jpg"));
  EXPECT_TRUE(folder.Holds(u"\\pictures\\into\\normal\\p.jpg"));
  EXPECT_TRUE(folder.Holds(u"\\pictures\\gone.jpg"));  // cannot be told
  EXPECT_FALSE(folder.Holds(u"\\pictures\\q.jpg"));
}

}  // namespace

// The device file system stands between the viewer and a host folder that
// may hold anything; these tests pin down what the viewer is shown of it and
// that nothing outside the device root can be reached.
#include "platform/device/devicefs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/base/wstr.h"
#include "platform/device/devicewalk.h"
#include "support/access_recorder.h"
#include "support/temp_device.h"

namespace {

std::vector<std::string> List(const std::u16string& pattern) {
  std::vector<std::string> names;
  ForEachDeviceEntry(pattern.c_str(), [&names](const WIN32_FIND_DATA& record) {
    names.push_back(Utf8FromWide(record.cFileName));
    return true;
  });
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DevicePaths, MapBelowTheRoot) {
  TempDevice device;
  std::string host;
  ASSERT_TRUE(DeviceToHostPath(u"\\My Documents\\a.jpg", &host));
  EXPECT_EQ(host, device.Root() + "/My Documents/a.jpg");
  ASSERT_TRUE(DeviceToHostPath(u"", &host));
  EXPECT_EQ(host, device.Root());
  ASSERT_TRUE(DeviceToHostPath(u"\\", &host));
  EXPECT_EQ(host, device.Root());
}

TEST(DevicePaths, RefuseWhatLeavesTheRoot) {
  TempDevice device;
  std::string host;
  EXPECT_FALSE(DeviceToHostPath(u"\\..", &host));
  EXPECT_FALSE(DeviceToHostPath(u"\\a\\..\\..\\etc", &host));
  EXPECT_FALSE(DeviceToHostPath(u"\\.\\a", &host));
  EXPECT_FALSE(DeviceToHostPath(u"/etc/passwd", &host));
  EXPECT_FALSE(DeviceToHostPath(u"\\a/../../b", &host));
  EXPECT_FALSE(DeviceToHostPath(u"\\a\\\\b", &host));
  EXPECT_FALSE(DeviceToHostPath(u"\\a\\", &host));
  const char16_t lone[] = {u'\\', 0xD800, 0};
  EXPECT_FALSE(DeviceToHostPath(lone, &host));
  EXPECT_FALSE(DeviceToHostPath(std::u16string(300, u'a').c_str(), &host));
  EXPECT_FALSE(DeviceToHostPath(nullptr, &host));
  // Refused paths open nothing either.
  EXPECT_EQ(_wfopen(u"\\..\\etc\\passwd", u"rb"), nullptr);
  WIN32_FIND_DATA record;
  EXPECT_EQ(FindFirstFile(u"\\..\\*.*", &record), INVALID_HANDLE_VALUE);
}

TEST(DeviceEnumeration, ListsEntriesWithoutDotNames) {
  TempDevice device;
  device.MakeFolder("\\Pics\\Sub");
  device.WriteFile("\\Pics\\a.jpg", "x");
  device.WriteFile("\\Pics\\.hidden.jpg", "x");
  EXPECT_EQ(List(u"\\Pics\\*.*"), (std::vector<std::string>{".hidden.jpg", "Sub", "a.jpg"}));
  WIN32_FIND_DATA record;
  HANDLE find = FindFirstFile(u"\\Pics\\*.*", &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::set<std::string> dirs, hidden;
  do {
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) dirs.insert(Utf8FromWide(record.cFileName));
    if (record.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) hidden.insert(Utf8FromWide(record.cFileName));
  } while (FindNextFile(find, &record));
  FindClose(find);
  EXPECT_EQ(dirs, std::set<std::string>{"Sub"});
  EXPECT_EQ(hidden, std::set<std::string>{".hidden.jpg"});
}

TEST(DeviceEnumeration, RecordCarriesSizeAndNameOnly) {
  TempDevice device;
  device.WriteFile("\\f.jpg", std::string(70000, 'z'));
  WIN32_FIND_DATA record;
  HANDLE find = FindFirstFile(u"\\f.jpg", &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(record.nFileSizeLow, 70000u);
  EXPECT_EQ(record.nFileSizeHigh, 0u);
  EXPECT_EQ(std::u16string(record.cFileName), u"f.jpg");
  EXPECT_NE(record.ftLastWriteTime.dwHighDateTime, 0u);
  EXPECT_FALSE(FindNextFile(find, &record));  // a search for one entry finds one
  FindClose(find);
}

TEST(DeviceEnumeration, EmptyAndMissingFoldersDoNotStart) {
  TempDevice device;
  device.MakeFolder("\\Empty");
  WIN32_FIND_DATA record;
  EXPECT_EQ(FindFirstFile(u"\\Empty\\*.*", &record), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFile(u"\\Missing\\*.*", &record), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFile(u"\\Missing", &record), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFile(u"", &record), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FindNextFile(INVALID_HANDLE_VALUE, &record));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

TEST(DeviceEnumeration, WildcardsMatchWithoutRegardToCase) {
  TempDevice device;
  device.WriteFile("\\A.JPG", "x");
  device.WriteFile("\\b.jpeg", "x");
  device.WriteFile("\\noext", "x");
  EXPECT_EQ(List(u"\\*.*"), (std::vector<std::string>{"A.JPG", "b.jpeg", "noext"}));
  EXPECT_EQ(List(u"\\*.jpg"), (std::vector<std::string>{"A.JPG"}));
  EXPECT_EQ(List(u"\\?.jp*"), (std::vector<std::string>{"A.JPG", "b.jpeg"}));
}

TEST(DeviceEnumeration, NamesThatCannotBeDeviceNamesAreLeftOut) {
  TempDevice device;
  device.MakeFolder("\\D");
  WriteHostFile(device.HostPath("\\D") + "/back\\slash.jpg", "x");
  WriteHostFile(device.HostPath("\\D") + "/bad\xff\xfe.jpg", "x");
  WriteHostFile(device.HostPath("\\D") + "/caf\xc3\xa9.jpg", "x");
  // A name that would make the device path longer than 259 characters.
  const std::string longName(250, 'n');
  device.MakeFolder("\\D\\" + std::string(10, 'f'));
  WriteHostFile(device.HostPath("\\D\\" + std::string(10, 'f')) + "/" + longName, "x");
  EXPECT_EQ(List(u"\\D\\*.*"), (std::vector<std::string>{"caf\xc3\xa9.jpg", std::string(10, 'f')}));
  EXPECT_TRUE(List(u"\\D\\ffffffffff\\*.*").empty());
}

TEST(DeviceEnumeration, LinksAreReportedAsWhatTheyPointTo) {
  TempDevice device;
  device.MakeFolder("\\Real");
  device.WriteFile("\\Real\\p.jpg", "x");
  ASSERT_EQ(symlink((device.Root() + "/Real").c_str(), device.HostPath("\\Link").c_str()), 0);
  ASSERT_EQ(symlink((device.Root() + "/Real").c_str(), device.HostPath("\\Real\\Loop").c_str()), 0);
  WIN32_FIND_DATA record;
  HANDLE find = FindFirstFile(u"\\Link", &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  FindClose(find);
  EXPECT_EQ(List(u"\\Link\\*.*"), (std::vector<std::string>{"Loop", "p.jpg"}));
  uint64_t v1, i1, v2, i2;
  ASSERT_TRUE(GetDeviceFileId(u"\\Real", &v1, &i1));
  ASSERT_TRUE(GetDeviceFileId(u"\\Real\\Loop\\Loop", &v2, &i2));
  EXPECT_EQ(v1, v2);
  EXPECT_EQ(i1, i2);
  // A cycle ends at the device's path limit: deep paths are refused.
  std::u16string deep = u"\\Real";
  while (deep.size() < 300) deep += u"\\Loop";
  EXPECT_FALSE(GetDeviceFileId(deep.c_str(), &v1, &i1));
}

// The names of a folder as the device enumerates them, unsorted.
std::vector<std::string> Enumerated(const std::u16string& folder) {
  std::vector<std::string> names;
  ForEachDeviceEntry((folder + u"\\*.*").c_str(), [&names](const WIN32_FIND_DATA& record) {
    names.push_back(Utf8FromWide(record.cFileName));
    return true;
  });
  return names;
}

// Reads a whole device file; "(none)" when it does not open.
std::string ReadDeviceFile(const std::u16string& path) {
  FILE* f = _wfopen(path.c_str(), u"rb");
  if (f == nullptr) return "(none)";
  std::string bytes;
  char buffer[256];
  for (size_t n; (n = fread(buffer, 1, sizeof(buffer), f)) > 0;) bytes.append(buffer, n);
  fclose(f);
  return bytes;
}

TEST(DeviceOrder, FoldersAreEnumeratedInFileManagerOrder) {
  TempDevice device;
  // Each row: names in the order the device must give them.
  const std::vector<std::vector<std::string>> groups = {
      // Digit runs by value.
      {"IMG_1.jpg", "IMG_2.jpg", "IMG_9.jpg", "IMG_10.jpg", "IMG_11.jpg", "IMG_100.jpg"},
      {"x2y9", "x2y10", "x10y1", "x10y01"},
      // Equal values: fewer leading zeros first.
      {"a0", "a00", "a1", "a01", "a001", "a2", "a10", "a010"},
      // Runs longer than any machine integer.
      {std::string("n") + std::string(60, '0') + "5", std::string("n") + std::string(39, '9'),
       std::string("n1") + std::string(39, '0'), std::string("n1") + std::string(38, '0') + "1",
       std::string("n") + std::string(200, '9')},
      // A digit sorts against other characters as itself.
      {"a b", "a-1", "a.1", "a1", "a_1", "ab", "a~"},
      // Letter case: folded, then ties by bytes (upper case first).
      {"apple", "Banana", "banana", "BANANAS", "cherry", "Z", "z"},
      // Beyond ASCII: Latin, Cyrillic, both small sigmas, outside the BMP.
      {"Zebra", "Äpfel", "äpfel", "Éclair", "éclair", "Øre", "жаба", "Жук", "жук", "Ёлка"},
      {"ΑΣ", "ας", "ασ", "ΑΤ"},
      {"𐐀", "𐐨", "𐐁"},
  };
  std::mt19937 shuffle(20260);
  for (size_t g = 0; g < groups.size(); ++g) {
    const std::string folder = std::string("\\G") + std::to_string(g);
    device.MakeFolder(folder);
    std::vector<std::string> made = groups[g];
    std::shuffle(made.begin(), made.end(), shuffle);
    for (size_t i = 0; i < made.size(); ++i) {
      // Folders and files mix: the order is by name alone.
      if (i % 3 == 0) {
        device.MakeFolder(folder + "\\" + made[i]);
      } else {
        device.WriteFile(folder + "\\" + made[i], "x");
      }
    }
    EXPECT_EQ(Enumerated(WideFromUtf8(folder)), groups[g]) << "group " << g;
  }
}

// Links are judged the same whether the kernel resolves paths beneath the
// root in one call (openat2) or the device walks them a component at a time.
class DeviceLinks : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { WalkUseOpenat2(GetParam()); }
  void TearDown() override { WalkUseOpenat2(true); }
};

INSTANTIATE_TEST_SUITE_P(Walks, DeviceLinks, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Openat2" : "ComponentWalk");
                         });

TEST_P(DeviceLinks, OnlyLinksLeadingIntoTheRootAreFollowed) {
  TempDevice device;
  OutsideFolder outside;
  const std::string root = device.Root();
  const std::string real = ResolvedPath(root);
  WriteHostFile(outside.Path() + "/pic.jpg", "outside");
  std::filesystem::create_directories(outside.Path() + "/Dir/Sub");
  ASSERT_EQ(symlink(root.c_str(), (outside.Path() + "/back").c_str()), 0);
  device.MakeFolder("\\Real");
  device.WriteFile("\\Real\\p.jpg", "inside");
  ASSERT_EQ(mkfifo(device.HostPath("\\fifo.jpg").c_str(), 0600), 0);
  const std::string outsideRelative = std::filesystem::relative(outside.Path() + "/pic.jpg", root).string();
  const struct {
    const char* name;
    std::string target;  // empty: made above
    bool listed;
    bool folder;
    const char* content;  // what _wfopen reads, "(none)" when it does not open
  } rows[] = {
      {"escape", "/", false, false, "(none)"},
      {"up", "..", false, false, "(none)"},
      {"outabs.jpg", outside.Path() + "/pic.jpg", false, false, "(none)"},
      {"outrel.jpg", outsideRelative, false, false, "(none)"},
      {"outdir", outside.Path() + "/Dir", false, false, "(none)"},
      {"zero.jpg", "/dev/zero", false, false, "(none)"},
      {"dangling.jpg", "Real/missing.jpg", false, false, "(none)"},
      {"fifo.jpg", "", true, false, "(none)"},
      {"Real", "", true, true, "(none)"},
      {"inabs", root + "/Real", true, true, "(none)"},
      {"inrel", "Real", true, true, "(none)"},
      {"viaout", outside.Path() + "/back/Real", true, true, "(none)"},
      {"in.jpg", "Real/p.jpg", true, false, "inside"},
      {"chain.jpg", "in.jpg", true, false, "inside"},
  };
  for (const auto& row : rows) {
    if (!row.target.empty()) {
      ASSERT_EQ(symlink(row.target.c_str(), device.HostPath(row.name).c_str()), 0) << row.name;
    }
  }
  ASSERT_EQ(symlink("..", device.HostPath("\\Real\\Loop").c_str()), 0);

  AccessRecorder record;
  const std::vector<std::string> listed = List(u"\\*.*");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::u16string path = std::u16string(u"\\") + WideFromUtf8(row.name);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), row.name), row.listed ? 1 : 0);
    WIN32_FIND_DATA found;
    HANDLE find = FindFirstFile(path.c_str(), &found);
    EXPECT_EQ(find != INVALID_HANDLE_VALUE, row.listed);
    if (find != INVALID_HANDLE_VALUE) {
      EXPECT_EQ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, row.folder);
      FindClose(find);
    }
    uint64_t volume, index;
    EXPECT_EQ(GetDeviceFileId(path.c_str(), &volume, &index) != FALSE, row.listed);
    EXPECT_EQ(ReadDeviceFile(path), row.content);
    // Only folders inside the root can be listed.
    EXPECT_EQ(List(path + u"\\*.*"),
              row.folder ? (std::vector<std::string>{"Loop", "p.jpg"}) : std::vector<std::string>{});
  }
  // Nor can anything be made through a link that leads out (the links to
  // "/" and ".." are left out here so that a fault cannot touch the host).
  std::set<std::string> made;
  for (const auto& row : rows) {
    if (row.target == "/" || row.target == "..") continue;
    const std::string name = std::string("New-") + row.name;
    EXPECT_EQ(CreateDirectory((std::u16string(u"\\") + WideFromUtf8(row.name) + u"\\" + WideFromUtf8(name)).c_str(),
                              nullptr) != FALSE,
              row.folder)
        << row.name;
    if (row.folder) made.insert(real + "/Real/" + name);
  }
  // A cycle inside the root is followed as far as device paths go.
  EXPECT_EQ(ReadDeviceFile(u"\\Real\\Loop\\Real\\Loop\\Real\\p.jpg"), "inside");

  // By the device layer's own record, nothing outside the root was opened,
  // listed or made, the one file read is the one inside, and the FIFO was
  // never opened for reading.
  EXPECT_EQ(record.Outside(real), std::vector<std::string>{});
  EXPECT_EQ(record.Paths(DEVICE_ACCESS_READ_FILE), std::set<std::string>{real + "/Real/p.jpg"});
  EXPECT_EQ(record.Paths(DEVICE_ACCESS_MAKE_FOLDER), made);
  EXPECT_TRUE(record.Paths(DEVICE_ACCESS_LIST_FOLDER).count(real));
  EXPECT_TRUE(record.Paths(DEVICE_ACCESS_LIST_FOLDER).count(real + "/Real"));
  EXPECT_EQ(ReadHostFile(outside.Path() + "/pic.jpg"), "outside");
  EXPECT_FALSE(std::filesystem::exists(outside.Path() + "/Dir/New-outdir"));
}

TEST_P(DeviceLinks, PathSwappedBetweenLookAndOpenIsNotFollowed) {
  TempDevice device;
  OutsideFolder outside;
  WriteHostFile(outside.Path() + "/pic.jpg", "outside");
  const std::string real = ResolvedPath(device.Root());
  const std::string spare = device.HostPath("\\spare");
  // Each row: what replaces \a.jpg after the device has looked at it and
  // before it opens it; empty for nothing.
  const struct {
    const char* what;
    std::function<void()> make;
    const char* content;
  } rows[] = {
      {"nothing", nullptr, "inside"},
      {"a link outside", [&] { symlink((outside.Path() + "/pic.jpg").c_str(), spare.c_str()); }, "(none)"},
      {"a link to a device node", [&] { symlink("/dev/zero", spare.c_str()); }, "(none)"},
      {"a FIFO", [&] { mkfifo(spare.c_str(), 0600); }, "(none)"},
      {"a link inside", [&] { symlink("b.jpg", spare.c_str()); }, "(none)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    device.WriteFile("\\a.jpg", "inside");
    device.WriteFile("\\b.jpg", "other");
    if (row.make) row.make();
    bool swapped = false;
    std::set<std::string> read;
    DeviceSetAccessHook([&](DeviceAccess access, const std::string& path) {
      if (access == DEVICE_ACCESS_READ_FILE) read.insert(path);
      if (access == DEVICE_ACCESS_LOOKUP && path == real + "/a.jpg" && row.make && !swapped) {
        swapped = rename(spare.c_str(), device.HostPath("\\a.jpg").c_str()) == 0;
      }
    });
    EXPECT_EQ(ReadDeviceFile(u"\\a.jpg"), row.content);
    DeviceSetAccessHook(nullptr);
    EXPECT_EQ(swapped, row.make != nullptr);
    // Whatever was swapped in, nothing outside the root was opened.
    for (const std::string& path : read) EXPECT_EQ(path.rfind(real + "/", 0), 0u) << path;
    unlink(device.HostPath("\\a.jpg").c_str());
  }
}

TEST(DeviceStreams, OpenOnlyRegularFilesForReading) {
  TempDevice device;
  device.MakeFolder("\\Folder.jpg");
  device.WriteFile("\\a.jpg", "abc");
  ASSERT_EQ(mkfifo(device.HostPath("\\pipe.jpg").c_str(), 0600), 0);
  FILE* f = _wfopen(u"\\a.jpg", u"rb");
  ASSERT_NE(f, nullptr);
  char buffer[4] = {};
  EXPECT_EQ(fread(buffer, 1, 4, f), 3u);
  EXPECT_STREQ(buffer, "abc");
  fclose(f);
  EXPECT_EQ(_wfopen(u"\\Folder.jpg", u"rb"), nullptr);
  EXPECT_EQ(_wfopen(u"\\pipe.jpg", u"rb"), nullptr);  // would block forever
  EXPECT_EQ(_wfopen(u"\\missing.jpg", u"rb"), nullptr);
  EXPECT_EQ(_wfopen(u"\\a.jpg", u"wb"), nullptr);
  EXPECT_EQ(_wfopen(u"", u"rb"), nullptr);
}

TEST(DeviceFolders, CreateDirectory) {
  TempDevice device;
  EXPECT_TRUE(CreateDirectory(u"\\My Documents", nullptr));
  EXPECT_FALSE(CreateDirectory(u"\\My Documents", nullptr));
  EXPECT_FALSE(CreateDirectory(u"\\No\\Parent", nullptr));
  EXPECT_FALSE(CreateDirectory(u"\\..\\escape", nullptr));
  struct stat st;
  EXPECT_EQ(stat(device.HostPath("\\My Documents").c_str(), &st), 0);
}

TEST(DeviceRoot, MustBeAFolder) {
  TempDevice device;
  device.WriteFile("\\file", "x");
  EXPECT_FALSE(DeviceSetRoot(device.HostPath("\\file")));
  EXPECT_FALSE(DeviceSetRoot(""));
  EXPECT_EQ(DeviceGetRoot(), device.Root());
}

}  // namespace

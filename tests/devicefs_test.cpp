// The device file system stands between the viewer and a host folder that
// may hold anything; these tests pin down what the viewer is shown of it and
// that nothing outside the device root can be reached.
#include "platform/devicefs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/wstr.h"
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

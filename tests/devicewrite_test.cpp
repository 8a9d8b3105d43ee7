// The desktop's writes must never cost the user a picture: whatever fails
// (a full disk, a refused permission, the file replaced meanwhile), the
// original stays byte for byte and the result says why; writes stay inside
// the device root; the Trash keeps what it takes until the undo brings it
// back to the same name and place.
#include "platform/device/devicewrite.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/device/devicefs.h"
#include "platform/device/devicetrash.h"
#include "support/access_recorder.h"
#include "support/temp_device.h"
#include "support/trash_home.h"

namespace {

const std::string kTrashHome = PrivateTrashHome();

const std::string kOriginal = "original picture bytes";
const std::string kReplacement = "a file put in its place meanwhile";

DeviceFileStamp StampOf(const char16_t* path) {
  DeviceFileStamp stamp;
  EXPECT_EQ(DeviceGetFileStamp(path, &stamp), 0);
  return stamp;
}

// Temporary files left in a host folder.
std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> left;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename();
    if (name.rfind(".vimbra-", 0) == 0) left.push_back(name);
  }
  return left;
}

// Fails (or disturbs) the first write step the device tells of.
class FaultHook {
 public:
  explicit FaultHook(std::function<void()> act) : m_act(std::move(act)) {
    DeviceSetAccessHook([this](DeviceAccess access, const std::string&) {
      if (access < DEVICE_ACCESS_WRITE_FILE || m_done) return;
      m_done = true;
      m_act();
    });
  }
  ~FaultHook() { DeviceSetAccessHook(nullptr); }
  bool Fired() const { return m_done; }

 private:
  std::function<void()> m_act;
  bool m_done = false;
};

struct Operation {
  const char* name;
  std::function<int(const DeviceFileStamp&)> run;
  const char* destination;  // where a copy or move would land; null for none
};

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> operations = {
      {"write-back", [](const DeviceFileStamp& s) { return DeviceWriteFile(u"\\Pics\\a.jpg", "turned", 6, &s); },
       nullptr},
      {"rename", [](const DeviceFileStamp& s) { return DeviceRenameFile(u"\\Pics\\a.jpg", u"\\Pics\\b.jpg", &s); },
       "Pics/b.jpg"},
      {"move", [](const DeviceFileStamp& s) { return DeviceMoveFile(u"\\Pics\\a.jpg", u"\\Other\\a.jpg", FALSE, &s); },
       "Other/a.jpg"},
      {"copy", [](const DeviceFileStamp& s) { return DeviceCopyFile(u"\\Pics\\a.jpg", u"\\Other\\a.jpg", FALSE, &s); },
       "Other/a.jpg"},
      {"delete", [](const DeviceFileStamp& s) { return DeviceDeleteFile(u"\\Pics\\a.jpg", &s); }, nullptr},
      {"trash",
       [](const DeviceFileStamp& s) {
         DeviceTrashed trashed;
         return DeviceTrashFile(u"\\Pics\\a.jpg", &s, &trashed);
       },
       nullptr},
  };
  return operations;
}

TEST(DeviceWriteFaults, EveryFailureLeavesTheOriginalWholeAndSaysWhy) {
  struct Fault {
    const char* name;
    int error;         // injected through the hook; 0: the file is replaced instead
    int expected;      // the result
    const char* text;  // in the reason
  };
  const Fault faults[] = {
      {"disk full", ENOSPC, ENOSPC, "No space left on device"},
      {"permission refused", EACCES, EACCES, "Permission denied"},
      {"file replaced", 0, DEVICE_CHANGED, "changed"},
  };
  for (const Operation& op : Operations()) {
    for (const Fault& fault : faults) {
      SCOPED_TRACE(std::string(op.name) + ", " + fault.name);
      TempDevice device;
      device.MakeFolder("\\Pics");
      device.MakeFolder("\\Other");
      device.WriteFile("\\Pics\\a.jpg", kOriginal);
      const DeviceFileStamp shown = StampOf(u"\\Pics\\a.jpg");
      const std::string path = device.HostPath("\\Pics\\a.jpg");
      FaultHook hook([&] {
        if (fault.error != 0) {
          DeviceFailAccess(fault.error);
        } else {
          WriteHostFile(path + ".new", kReplacement);
          std::filesystem::rename(path + ".new", path);
        }
      });
      const int result = op.run(shown);
      EXPECT_TRUE(hook.Fired());
      EXPECT_EQ(result, fault.expected);
      EXPECT_NE(DeviceErrorText(result).find(fault.text), std::string::npos) << DeviceErrorText(result);
      EXPECT_EQ(ReadHostFile(path), fault.error != 0 ? kOriginal : kReplacement);
      if (op.destination != nullptr) {
        EXPECT_FALSE(std::filesystem::exists(device.Root() + "/" + op.destination));
      }
      EXPECT_TRUE(Leftovers(device.HostPath("\\Pics")).empty());
      EXPECT_TRUE(Leftovers(device.HostPath("\\Other")).empty());
    }
  }
}

TEST(DeviceWriteFaults, AFileChangedSinceItWasShownIsNotTouched) {
  for (const Operation& op : Operations()) {
    SCOPED_TRACE(op.name);
    TempDevice device;
    device.MakeFolder("\\Pics");
    device.MakeFolder("\\Other");
    device.WriteFile("\\Pics\\a.jpg", kOriginal);
    DeviceFileStamp shown = StampOf(u"\\Pics\\a.jpg");
    shown.size += 1;  // what the grid showed was another version
    EXPECT_EQ(op.run(shown), DEVICE_CHANGED);
    EXPECT_EQ(ReadHostFile(device.HostPath("\\Pics\\a.jpg")), kOriginal);
    if (op.destination != nullptr) {
      EXPECT_FALSE(std::filesystem::exists(device.Root() + "/" + op.destination));
    }
  }
}

TEST(DeviceWrites, DoWhatTheyNameAndKeepWhatTheyShould) {
  TempDevice device;
  device.MakeFolder("\\Pics");
  device.MakeFolder("\\Other");
  device.WriteFile("\\Pics\\a.jpg", kOriginal);
  const std::string a = device.HostPath("\\Pics\\a.jpg");
  chmod(a.c_str(), 0640);
  // A write-back replaces the content, keeps the permissions, and a second
  // one with the old stamp is refused.
  const DeviceFileStamp before = StampOf(u"\\Pics\\a.jpg");
  ASSERT_EQ(DeviceWriteFile(u"\\Pics\\a.jpg", "turned", 6, &before), 0);
  EXPECT_EQ(ReadHostFile(a), "turned");
  struct stat st;
  ASSERT_EQ(stat(a.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(DeviceWriteFile(u"\\Pics\\a.jpg", "again", 5, &before), DEVICE_CHANGED);
  // A new file never takes an existing name; a rename neither.
  EXPECT_EQ(DeviceWriteFile(u"\\Pics\\a.jpg", "x", 1, nullptr), EEXIST);
  ASSERT_EQ(DeviceWriteFile(u"\\Pics\\b.jpg", "bee", 3, nullptr), 0);
  EXPECT_EQ(DeviceRenameFile(u"\\Pics\\a.jpg", u"\\Pics\\b.jpg", nullptr), EEXIST);
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Pics\\b.jpg")), "bee");
  ASSERT_EQ(DeviceRenameFile(u"\\Pics\\a.jpg", u"\\Pics\\c.jpg", nullptr), 0);
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Pics\\c.jpg")), "turned");
  EXPECT_FALSE(std::filesystem::exists(a));
  // A copy keeps both; over an existing name only when asked to replace.
  EXPECT_EQ(DeviceCopyFile(u"\\Pics\\c.jpg", u"\\Pics\\b.jpg", FALSE, nullptr), EEXIST);
  ASSERT_EQ(DeviceCopyFile(u"\\Pics\\c.jpg", u"\\Pics\\b.jpg", TRUE, nullptr), 0);
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Pics\\b.jpg")), "turned");
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Pics\\c.jpg")), "turned");
  // A move to another folder, and one across file systems (the rename
  // refused with EXDEV): a whole copy with the same time, then no original.
  ASSERT_EQ(DeviceMoveFile(u"\\Pics\\c.jpg", u"\\Other\\c.jpg", FALSE, nullptr), 0);
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Other\\c.jpg")), "turned");
  const DeviceFileStamp b = StampOf(u"\\Pics\\b.jpg");
  {
    FaultHook hook([] { DeviceFailAccess(EXDEV); });
    ASSERT_EQ(DeviceMoveFile(u"\\Pics\\b.jpg", u"\\Other\\b.jpg", FALSE, &b), 0);
  }
  EXPECT_FALSE(std::filesystem::exists(device.HostPath("\\Pics\\b.jpg")));
  EXPECT_EQ(StampOf(u"\\Other\\b.jpg").written, b.written);
  EXPECT_EQ(DeviceDeleteFile(u"\\Other\\b.jpg", nullptr), 0);
  EXPECT_FALSE(std::filesystem::exists(device.HostPath("\\Other\\b.jpg")));
  EXPECT_TRUE(Leftovers(device.HostPath("\\Pics")).empty());
  EXPECT_TRUE(Leftovers(device.HostPath("\\Other")).empty());
}

TEST(DeviceWrites, StayInsideTheRootAndNeverWriteThroughALink) {
  TempDevice device;
  OutsideFolder outside;
  WriteHostFile(outside.Path() + "/x.jpg", kOriginal);
  device.MakeFolder("\\Pics");
  ASSERT_EQ(symlink(outside.Path().c_str(), device.HostPath("\\Out").c_str()), 0);
  ASSERT_EQ(symlink((outside.Path() + "/x.jpg").c_str(), device.HostPath("\\Pics\\x.jpg").c_str()), 0);
  device.WriteFile("\\Pics\\a.jpg", kOriginal);
  EXPECT_NE(DeviceWriteFile(u"\\Out\\x.jpg", "x", 1, nullptr), 0);
  EXPECT_NE(DeviceCopyFile(u"\\Pics\\a.jpg", u"\\Out\\a.jpg", FALSE, nullptr), 0);
  EXPECT_NE(DeviceMoveFile(u"\\Pics\\a.jpg", u"\\Out\\a.jpg", FALSE, nullptr), 0);
  EXPECT_EQ(DeviceDeleteFile(u"\\Pics\\x.jpg", nullptr), DEVICE_NOT_A_FILE);
  EXPECT_EQ(DeviceRenameFile(u"\\Pics\\x.jpg", u"\\Pics\\y.jpg", nullptr), DEVICE_NOT_A_FILE);
  EXPECT_EQ(DeviceRenameFile(u"\\Pics\\a.jpg", u"\\Pics\\a/b.jpg", nullptr), DEVICE_BAD_NAME);
  EXPECT_EQ(ReadHostFile(outside.Path() + "/x.jpg"), kOriginal);
  EXPECT_FALSE(std::filesystem::exists(outside.Path() + "/a.jpg"));
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Pics\\a.jpg")), kOriginal);
}

TEST(DeviceTrash, TakesAFileAndTheUndoBringsItBack) {
  ASSERT_FALSE(kTrashHome.empty());
  const std::string trash = kTrashHome + "/data/Trash";
  TempDevice device;
  device.MakeFolder("\\Pics");
  device.WriteFile("\\Pics\\a.jpg", kOriginal);
  const std::string a = device.HostPath("\\Pics\\a.jpg");
  // Two trashed files of one name: the Trash numbers the second, and each
  // undo finds its own.
  DeviceTrashed first, second;
  ASSERT_EQ(DeviceTrashFile(u"\\Pics\\a.jpg", nullptr, &first), 0);
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_EQ(ReadHostFile(trash + "/files/" + first.trashName), kOriginal);
  const std::string info = ReadHostFile(trash + "/info/" + first.trashName + ".trashinfo");
  EXPECT_NE(info.find("Path=" + ResolvedPath(device.HostPath("\\Pics")) + "/a.jpg\n"), std::string::npos) << info;
  device.WriteFile("\\Pics\\a.jpg", kReplacement);
  ASSERT_EQ(DeviceTrashFile(u"\\Pics\\a.jpg", nullptr, &second), 0);
  EXPECT_NE(second.trashName, first.trashName);
  // The last trashed first; the name is never taken from a file in its place.
  ASSERT_EQ(DeviceRestoreFile(second), 0);
  EXPECT_EQ(ReadHostFile(a), kReplacement);
  EXPECT_FALSE(std::filesystem::exists(trash + "/info/" + second.trashName + ".trashinfo"));
  EXPECT_EQ(DeviceRestoreFile(first), EEXIST);
  device.Remove("\\Pics\\a.jpg");
  ASSERT_EQ(DeviceRestoreFile(first), 0);
  EXPECT_EQ(ReadHostFile(a), kOriginal);
  EXPECT_EQ(DeviceRestoreFile(first), DEVICE_NOT_IN_TRASH);
}

TEST(DeviceTrash, SaysWhenThereIsNoTrashAndLeavesTheFile) {
  TempDevice device;
  device.MakeFolder("\\Pics");
  device.WriteFile("\\Pics\\a.jpg", kOriginal);
  DeviceTrashed trashed;
  FaultHook hook([] { DeviceFailAccess(ENOTSUP); });
  EXPECT_EQ(DeviceTrashFile(u"\\Pics\\a.jpg", nullptr, &trashed), DEVICE_NO_TRASH);
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Pics\\a.jpg")), kOriginal);
  EXPECT_EQ(DeviceErrorText(DEVICE_NO_TRASH), "its file system has no Trash");
}

}  // namespace

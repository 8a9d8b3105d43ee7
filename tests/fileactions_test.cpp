// The file actions change the device and the list together: the list keeps
// name order, the current picture and each cached thumbnail with its own
// picture, without a rescan; a failure leaves the file byte for byte and
// the list as it was, and says why.
#include "filelist/fileactions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/device/devicefs.h"
#include "support/dibpics.h"
#include "support/pixels.h"
#include "support/temp_device.h"
#include "support/trash_home.h"

namespace {

const std::string kTrashHome = PrivateTrashHome();

class FileActionsTest : public ::testing::Test {
 protected:
  // Pictures "p1.jpg" ... "pN.jpg" in \Pics, each flat in ColourOf(i), and
  // a list over them with every thumbnail cached.
  void Start(int count) {
    actions.reset();
    list.reset();
    device.reset();
    device.reset(new TempDevice());
    device->MakeFolder("\\Pics");
    device->MakeFolder("\\Other");
    for (int i = 1; i <= count; ++i) device->WriteFile("\\Pics\\p" + std::to_string(i) + ".jpg", FlatJpeg(i, 40, 40));
    ListSettings settings;
    settings.hasStartFolder = TRUE;
    settings.startFolder = u"\\Pics";
    settings.grows = TRUE;
    list.reset(new CImageFileList(settings));
    for (int i = 0; i < list->GetCount(); ++i) MemFree(list->GetOrMakeThumbnail(i));
    actions.reset(new CFileActions(list.get()));
  }
  void TearDown() override {
    actions.reset();
    list.reset();
    device.reset();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < list->GetCount(); ++i) {
      CString path;
      list->GetPath(i, path);
      names.push_back(Utf8FromWide(path.substr(path.rfind(u'\\') + 1)));
    }
    return names;
  }
  std::string CurrentName() const { return Names().at((size_t)list->m_nCurrent); }
  // Every cached thumbnail is its own picture's: the colour its name
  // numbers ("p7..." is 7). Returns how many are cached.
  int CheckThumbnails() const {
    int cached = 0;
    const std::vector<std::string> names = Names();
    for (int i = 0; i < list->GetCount(); ++i) {
      CDibOwner thumbnail(list->GetThumbnail(i));
      if (!thumbnail) continue;
      ++cached;
      const BYTE* p = DibPixel(thumbnail.Get(), 20, 20);
      EXPECT_TRUE(Near(RGB(p[2], p[1], p[0]), ColourOf(std::stoi(names[(size_t)i].substr(1)))))
          << names[(size_t)i] << " at " << i;
    }
    return cached;
  }

  std::unique_ptr<TempDevice> device;
  std::unique_ptr<CImageFileList> list;
  std::unique_ptr<CFileActions> actions;
};

TEST_F(FileActionsTest, TheListFollowsEachActionWithItsThumbnails) {
  Start(12);
  list->SetCurrent(4);  // p5
  // Trash: the next picture becomes current; the undo brings p5 back to its
  // place and makes it current again.
  ASSERT_TRUE(actions->Trash(4).Done());
  EXPECT_FALSE(std::filesystem::exists(device->HostPath("\\Pics\\p5.jpg")));
  EXPECT_EQ(CurrentName(), "p6.jpg");
  EXPECT_EQ(CheckThumbnails(), 11);
  ASSERT_TRUE(actions->UndoTrash().Done());
  EXPECT_EQ(CurrentName(), "p5.jpg");
  EXPECT_EQ(list->m_nCurrent, 4);
  EXPECT_EQ(CheckThumbnails(), 11);  // p5's is made again when drawn
  EXPECT_EQ(actions->UndoTrash().code, FILE_ACTION_NOTHING);
  // Rename: p2 sorts last as "q2"; it keeps its thumbnail, and p5 stays
  // current.
  ASSERT_TRUE(actions->Rename(1, u"q2.jpg").Done());
  EXPECT_EQ(Names(), (std::vector<std::string>{"p1.jpg", "p3.jpg", "p4.jpg", "p5.jpg", "p6.jpg", "p7.jpg", "p8.jpg",
                                               "p9.jpg", "p10.jpg", "p11.jpg", "p12.jpg", "q2.jpg"}));
  EXPECT_EQ(CurrentName(), "p5.jpg");
  const std::vector<std::string> afterRename = Names();
  // Copy with both kept comes in beside its original (" " sorts before
  // "."); a move goes out.
  ASSERT_TRUE(actions->CopyTo(0, u"\\Pics", CONFLICT_KEEP_BOTH).Done());
  EXPECT_EQ(Names()[0], "p1 (2).jpg");
  EXPECT_EQ(CheckThumbnails(), 12);
  ASSERT_TRUE(actions->MoveTo(0, u"\\Other", CONFLICT_ASK).Done());
  EXPECT_EQ(Names(), afterRename);
  EXPECT_TRUE(std::filesystem::exists(device->HostPath("\\Other\\p1 (2).jpg")));
  EXPECT_EQ(CurrentName(), "p5.jpg");
  // Delete for good.
  ASSERT_TRUE(actions->Delete(list->m_nCurrent).Done());
  EXPECT_FALSE(std::filesystem::exists(device->HostPath("\\Pics\\p5.jpg")));
  EXPECT_EQ(CurrentName(), "p6.jpg");
  EXPECT_GE(CheckThumbnails(), 9);
}

TEST_F(FileActionsTest, AnExistingNameIsNeverTakenSilently) {
  Start(3);
  device->WriteFile("\\Other\\p1.jpg", "someone else's");
  EXPECT_EQ(actions->MoveTo(0, u"\\Other", CONFLICT_ASK).code, EEXIST);
  EXPECT_EQ(actions->CopyTo(0, u"\\Other", CONFLICT_ASK).code, EEXIST);
  EXPECT_EQ(ReadHostFile(device->HostPath("\\Other\\p1.jpg")), "someone else's");
  ASSERT_TRUE(actions->CopyTo(0, u"\\Other", CONFLICT_KEEP_BOTH).Done());
  EXPECT_EQ(ReadHostFile(device->HostPath("\\Other\\p1 (2).jpg")), FlatJpeg(1, 40, 40));
  ASSERT_TRUE(actions->MoveTo(0, u"\\Other", CONFLICT_REPLACE).Done());
  EXPECT_EQ(ReadHostFile(device->HostPath("\\Other\\p1.jpg")), FlatJpeg(1, 40, 40));
  EXPECT_EQ(Names(), (std::vector<std::string>{"p2.jpg", "p3.jpg"}));
}

TEST_F(FileActionsTest, RenameRefusesNamesItCannotGive) {
  Start(2);
  const struct {
    std::u16string name;
    int code;
  } cases[] = {
      {u"", FILE_ACTION_NAME_EMPTY},
      {u"a/b.jpg", FILE_ACTION_NAME_SEPARATOR},
      {u"a\\b.jpg", FILE_ACTION_NAME_SEPARATOR},
      {u"..", FILE_ACTION_NAME_INVALID},
      {u"tab\there.jpg", FILE_ACTION_NAME_INVALID},
      {std::u16string(300, u'x') + u".jpg", FILE_ACTION_NAME_INVALID},
      {u"p2.jpg", EEXIST},
      {u"p1.jpg", FILE_ACTION_NOTHING},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(actions->Rename(0, c.name).code, c.code) << Utf8FromWide(c.name);
    EXPECT_EQ(Names(), (std::vector<std::string>{"p1.jpg", "p2.jpg"}));
  }
  EXPECT_EQ(ReadHostFile(device->HostPath("\\Pics\\p2.jpg")), FlatJpeg(2, 40, 40));
}

TEST_F(FileActionsTest, AFailedTurnRenameOrMoveLeavesTheOriginalAndSaysWhy) {
  const struct {
    const char* name;
    std::function<FileActionResult(CFileActions&)> run;
  } actionsToFail[] = {
      {"turn", [](CFileActions& a) { return a.Turn(0, TURN_RIGHT, false); }},
      {"rename", [](CFileActions& a) { return a.Rename(0, u"renamed.jpg"); }},
      {"move", [](CFileActions& a) { return a.MoveTo(0, u"\\Other", CONFLICT_ASK); }},
  };
  const struct {
    const char* name;
    int error;  // 0: the file is replaced meanwhile
    const char* reason;
  } faults[] = {{"disk full", ENOSPC, "No space left on device"},
                {"permission refused", EACCES, "Permission denied"},
                {"replaced", 0, "changed"}};
  for (const auto& action : actionsToFail) {
    for (const auto& fault : faults) {
      SCOPED_TRACE(std::string(action.name) + ", " + fault.name);
      Start(2);
      const std::string path = device->HostPath("\\Pics\\p1.jpg");
      const std::string replacement = FlatJpeg(7, 40, 40);
      bool fired = false;
      DeviceSetAccessHook([&](DeviceAccess access, const std::string&) {
        if (access < DEVICE_ACCESS_WRITE_FILE || fired) return;
        fired = true;
        if (fault.error != 0) {
          DeviceFailAccess(fault.error);
        } else {
          WriteHostFile(path + ".new", replacement);
          std::filesystem::rename(path + ".new", path);
        }
      });
      testing::internal::CaptureStderr();
      const FileActionResult result = action.run(*actions);
      const std::string stderrText = testing::internal::GetCapturedStderr();
      DeviceSetAccessHook(nullptr);
      EXPECT_TRUE(fired);
      EXPECT_FALSE(result.Done());
      EXPECT_EQ(Utf8FromWide(result.name), "p1.jpg");
      EXPECT_NE(result.reason.find(fault.reason), std::string::npos) << result.reason;
      EXPECT_NE(stderrText.find("p1.jpg: " + result.reason), std::string::npos) << stderrText;
      EXPECT_EQ(ReadHostFile(path), fault.error != 0 ? FlatJpeg(1, 40, 40) : replacement);
      EXPECT_EQ(Names(), (std::vector<std::string>{"p1.jpg", "p2.jpg"}));
      // The list shows the replaced file as it is now: its old thumbnail went.
      EXPECT_EQ(CheckThumbnails(), fault.error != 0 ? 2 : 1);
    }
  }
}

}  // namespace

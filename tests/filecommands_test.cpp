// The desktop's file commands as a user meets them: the keys and the Tools
// menu, the questions asked before anything is lost, the rename dialog with
// the name selected up to its extension, the Select Folder dialog choosing
// a destination, one message for a failure; the handheld has none of them
// and writes nothing.
#include "app/filecommands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/controls/editctrl.h"
#include "platform/controls/treectrl.h"
#include "platform/device/devicefs.h"
#include "res/resource_ids.h"
#include "support/pixels.h"
#include "support/trash_home.h"
#include "support/viewer_fixture.h"

namespace {

const std::string kTrashHome = PrivateTrashHome();
constexpr UINT kVkDelete = 0x2E;
constexpr UINT kVkF2 = 0x71;

// A dialog as the user saw it.
struct Seen {
  UINT templateId;
  std::string text;     // the message, or the rename field's text
  std::string okLabel;  // the OK button's
  int selStart = 0, selEnd = 0;
};

class FileCommandsTest : public ViewerFixture {
 protected:
  void StartOn(const std::vector<std::string>& names, ViewerProfile which = PROFILE_DESKTOP) {
    device.MakeFolder("\\My Documents");
    device.MakeFolder("\\Other");
    for (size_t i = 0; i < names.size(); ++i) {
      const auto given = contents_.find(names[i]);
      device.WriteFile("\\My Documents\\" + names[i],
                       given != contents_.end() ? given->second : FlatJpeg((int)i, 48, 32));
    }
    profile = which;
    Start(400, 300);
    host->SetDialogHandler([this](CDialog& dialog) {
      Seen seen = {dialog.GetTemplate()->id, Utf8FromWide(dialog.GetDlgItemText(IDC_FILE_TEXT)),
                   Utf8FromWide(dialog.GetDlgItemText(IDOK))};
      if (CEditCtrl* field = dynamic_cast<CEditCtrl*>(dialog.GetDlgItem(IDC_FILE_NAME))) {
        seen.text = Utf8FromWide(field->GetWindowText());
        seen.selStart = field->GetSelStart();
        seen.selEnd = field->GetSelEnd();
      }
      seen_.push_back(seen);
      if (answers_.empty()) return;  // closed: Cancel
      auto answer = answers_.front();
      answers_.pop_front();
      answer(dialog);
    });
  }
  // The user's answer to the next dialog.
  void Answer(std::function<void(CDialog&)> answer) { answers_.push_back(std::move(answer)); }
  static void Press(CDialog& dialog, int id) { dialog.SendMessage(WM_COMMAND, (WPARAM)id); }
  static void Type(CDialog& dialog, const char* name) {
    dynamic_cast<CEditCtrl*>(dialog.GetDlgItem(IDC_FILE_NAME))->SetWindowText(WideFromUtf8(name));
    Press(dialog, IDOK);
  }
  static void PickFolder(CDialog& dialog, const char* name) {
    CTreeCtrl* tree = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE));
    for (HTREEITEM c = tree->GetChildItem(tree->GetRootItem()); c != nullptr; c = tree->GetNextSiblingItem(c)) {
      if (tree->GetItemText(c) == WideFromUtf8(name)) tree->HostSelect(c);
    }
    Press(dialog, IDOK);
  }
  bool Keys(UINT vk, bool control = false, bool shift = false) {
    const BOOL taken = Frame()->TranslateAccelerator(vk, control, shift);
    host->Pump();
    return taken != FALSE;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString path;
      List()->GetPath(i, path);
      names.push_back(Utf8FromWide(path.substr(path.rfind(u'\\') + 1)));
    }
    return names;
  }
  std::string Current() const { return Names().at((size_t)List()->m_nCurrent); }
  static size_t TrashCount() {
    std::error_code ec;
    size_t count = 0;
    for (auto it = std::filesystem::directory_iterator(kTrashHome + "/data/Trash/files", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      ++count;
    }
    return count;
  }
  bool Exists(const std::string& devicePath) const { return std::filesystem::exists(device.HostPath(devicePath)); }

  // Files whose content is not the flat picture of their place.
  std::map<std::string, std::string> contents_;
  std::deque<std::function<void(CDialog&)>> answers_;
  std::vector<Seen> seen_;
};

TEST_F(FileCommandsTest, KeysTrashUndoAndDeleteForGoodAfterAsking) {
  StartOn({"a.jpg", "b.jpg", "c.jpg"});
  List()->SetCurrent(1);
  EXPECT_FALSE(Bar().IsMenuItemEnabled(ID_FILE_UNDO_TRASH));
  ASSERT_TRUE(Keys(kVkDelete));
  EXPECT_FALSE(Exists("\\My Documents\\b.jpg"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "c.jpg"}));
  EXPECT_EQ(Current(), "c.jpg");
  EXPECT_TRUE(Bar().IsMenuItemEnabled(ID_FILE_UNDO_TRASH));
  ASSERT_TRUE(Keys('Z', true));
  EXPECT_TRUE(Exists("\\My Documents\\b.jpg"));
  EXPECT_EQ(Current(), "b.jpg");
  EXPECT_TRUE(seen_.empty());  // Trash and undo ask nothing
  // Shift+Delete asks, naming the file; Cancel keeps it, Delete removes it.
  ASSERT_TRUE(Keys(kVkDelete, false, true));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].templateId, (UINT)IDD_FILE_QUESTION);
  EXPECT_NE(seen_[0].text.find("\u201Cb.jpg\u201D"), std::string::npos) << seen_[0].text;
  EXPECT_EQ(seen_[0].okLabel, "Delete");
  EXPECT_TRUE(Exists("\\My Documents\\b.jpg"));
  Answer([](CDialog& d) { Press(d, IDOK); });
  Keys(kVkDelete, false, true);
  EXPECT_FALSE(Exists("\\My Documents\\b.jpg"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "c.jpg"}));
}

TEST_F(FileCommandsTest, ThePicturePageGoesOnWithTheNextAndBackToTheGridWhenNoneIsLeft) {
  StartOn({"a.jpg", "b.jpg"});
  ASSERT_TRUE(Viewer().OpenPicture(u"\\My Documents\\a.jpg"));
  Pump();
  EXPECT_TRUE(Near(Screen().PixelAt(200, 150), ColourOf(0)));
  Keys(kVkDelete);
  EXPECT_TRUE(Viewer().IsPicturePageShown());
  EXPECT_EQ(Current(), "b.jpg");
  EXPECT_TRUE(Near(Screen().PixelAt(200, 150), ColourOf(1)));
  EXPECT_EQ(Utf8FromWide(host->FrameText()).rfind("b (1 of 1)", 0), 0u) << Utf8FromWide(host->FrameText());
  Keys(kVkDelete);
  EXPECT_FALSE(Viewer().IsPicturePageShown());
  EXPECT_EQ(List()->GetCount(), 0);
}

TEST_F(FileCommandsTest, RenameSelectsTheNameRefusesWithAMessageAndKeepsTheOrder) {
  StartOn({"a.jpg", "b.jpg", "c.jpg"});
  List()->SetCurrent(0);
  Answer([](CDialog& d) { Type(d, "c.jpg"); });  // taken
  Answer([](CDialog& d) { Press(d, IDOK); });    // the message
  Answer([](CDialog& d) { Type(d, "d.jpg"); });
  ASSERT_TRUE(Keys(kVkF2));
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_EQ(seen_[0].templateId, (UINT)IDD_FILE_RENAME);
  EXPECT_EQ(seen_[0].text, "a.jpg");
  EXPECT_EQ(seen_[0].selStart, 0);
  EXPECT_EQ(seen_[0].selEnd, 1);
  EXPECT_EQ(seen_[1].templateId, (UINT)IDD_FILE_MESSAGE);
  EXPECT_EQ(seen_[1].text,
            "There is already a file named \u201C"
            "c.jpg\u201D.");
  EXPECT_EQ(seen_[2].text, "c.jpg");  // the dialog comes back with the refused name
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.jpg", "c.jpg", "d.jpg"}));
  EXPECT_EQ(Current(), "d.jpg");
  EXPECT_EQ(ReadHostFile(device.HostPath("\\My Documents\\d.jpg")), FlatJpeg(0, 48, 32));
}

TEST_F(FileCommandsTest, CopyAndMoveChooseTheFolderAndNeverOverwriteSilently) {
  StartOn({"a.jpg", "b.jpg"});
  device.WriteFile("\\Other\\a.jpg", "theirs");
  List()->SetCurrent(0);
  Answer([](CDialog& d) { PickFolder(d, "Other"); });
  Answer([](CDialog& d) { Press(d, IDC_FILE_KEEP_BOTH); });
  Frame()->SendMessage(WM_COMMAND, ID_FILE_COPY_TO);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].templateId, (UINT)IDD_SELECT_FOLDER);
  EXPECT_EQ(seen_[1].templateId, (UINT)IDD_FILE_CONFLICT);
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Other\\a.jpg")), "theirs");
  EXPECT_TRUE(Exists("\\Other\\a (2).jpg"));
  EXPECT_EQ(Utf8FromWide(List()->m_strFolder), "\\My Documents");  // the chooser changed no folder
  // Skip leaves both where they are; Replace moves the picture over theirs.
  Answer([](CDialog& d) { PickFolder(d, "Other"); });
  Answer([](CDialog& d) { Press(d, IDCANCEL); });
  Frame()->SendMessage(WM_COMMAND, ID_FILE_MOVE_TO);
  EXPECT_TRUE(Exists("\\My Documents\\a.jpg"));
  Answer([](CDialog& d) { PickFolder(d, "Other"); });
  Answer([](CDialog& d) { Press(d, IDC_FILE_REPLACE); });
  Frame()->SendMessage(WM_COMMAND, ID_FILE_MOVE_TO);
  EXPECT_FALSE(Exists("\\My Documents\\a.jpg"));
  EXPECT_EQ(ReadHostFile(device.HostPath("\\Other\\a.jpg")), FlatJpeg(0, 48, 32));
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.jpg"}));
}

TEST_F(FileCommandsTest, ATurnAsksBeforeCuttingAndAFailureIsSaidOnce) {
  contents_ = {{"a.jpg", EncodeJpeg(RampPicture(70, 50))}, {"b.gif", "GIF89a"}};
  StartOn({"a.jpg", "b.gif"});
  List()->SetCurrent(0);
  Frame()->UpdateTitle();
  EXPECT_TRUE(Bar().IsMenuItemEnabled(ID_FILE_ROTATE_RIGHT));
  // Not a whole number of blocks: asked; Cancel turns nothing.
  const std::string before = ReadHostFile(device.HostPath("\\My Documents\\a.jpg"));
  ASSERT_TRUE(Keys('R', true));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].okLabel, "Turn and Cut");
  EXPECT_EQ(ReadHostFile(device.HostPath("\\My Documents\\a.jpg")), before);
  // A full disk while writing: one message naming the file and the reason,
  // and one line on stderr; the file as it was.
  DeviceSetAccessHook([](DeviceAccess access, const std::string&) {
    if (access == DEVICE_ACCESS_WRITE_FILE) DeviceFailAccess(ENOSPC);
  });
  Answer([](CDialog& d) { Press(d, IDOK); });
  Answer([](CDialog& d) { Press(d, IDOK); });
  testing::internal::CaptureStderr();
  Keys('L', true);
  const std::string lines = testing::internal::GetCapturedStderr();
  DeviceSetAccessHook(nullptr);
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_EQ(seen_[2].text,
            "Cannot turn \u201C"
            "a.jpg\u201D: No space left on device.");
  EXPECT_EQ(lines, "vimbra: cannot turn \\My Documents\\a.jpg: No space left on device\n");
  EXPECT_EQ(ReadHostFile(device.HostPath("\\My Documents\\a.jpg")), before);
  // A GIF cannot be turned: greyed out, and its keys do nothing.
  List()->SetCurrent(1);
  Frame()->UpdateTitle();
  EXPECT_FALSE(Bar().IsMenuItemEnabled(ID_FILE_ROTATE_LEFT));
  Keys('R', true);
  EXPECT_EQ(seen_.size(), 3u);
}

TEST_F(FileCommandsTest, TheHandheldOffersNoneAndWritesNothing) {
  StartOn({"a.jpg", "b.jpg"}, PROFILE_HANDHELD);
  const size_t trashed = TrashCount();
  const CMainFrame* frame = Frame();
  EXPECT_EQ(frame->GetFileCommands(), nullptr);
  ASSERT_NE(Bar().Menu(), nullptr);
  EXPECT_EQ(Bar().Menu()->itemCount, 3u);
  for (const auto& key : std::vector<std::pair<UINT, bool>>{{kVkDelete, false}, {kVkF2, false}, {'R', true}}) {
    Keys(key.first, key.second);
  }
  Keys(kVkDelete, false, true);
  for (UINT id : {ID_FILE_TRASH, ID_FILE_DELETE, ID_FILE_ROTATE_RIGHT, ID_FILE_RENAME, ID_FILE_MOVE_TO}) {
    Command(id);
  }
  EXPECT_TRUE(seen_.empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(ReadHostFile(device.HostPath("\\My Documents\\a.jpg")), FlatJpeg(0, 48, 32));
  EXPECT_EQ(TrashCount(), trashed);
}

}  // namespace

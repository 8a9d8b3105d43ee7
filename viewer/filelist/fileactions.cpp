// File actions: the device's write, then the list's edit, each checked
// against what the list showed.
#include "filelist/fileactions.h"

#include <cerrno>
#include <cstdio>

#include "filelist/pictureload.h"
#include "platform/device/devicefs.h"
#include "platform/device/devicewrite.h"

namespace {

// Pictures larger than this are not read whole to be turned.
constexpr size_t kMaxTurnBytes = (size_t)512 << 20;
// The Trash's undo remembers this many pictures.
constexpr size_t kMaxUndo = 100;

CString NameOf(const CString& path) {
  return path.substr(path.rfind(u'\\') + 1);
}

CString FolderOf(const CString& path) {
  const size_t slash = path.rfind(u'\\');
  return slash == CString::npos ? CString() : path.substr(0, slash);
}

// The record the enumeration gives for `path`, its name alone.
bool FindRecord(const CString& path, WIN32_FIND_DATA* record) {
  HANDLE find = FindFirstFile(path.c_str(), record);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

bool IsListed(const CString& name) {
  CString extension;
  GetExtension(name, extension);
  return IsPictureExtensionOf(extension, GetAllFormats()) != FALSE;
}

FileActionResult Result(int code, const CString& path, const std::string& reason = std::string()) {
  FileActionResult result;
  result.code = code;
  result.name = NameOf(path);
  result.reason = code != 0 && reason.empty() ? DeviceErrorText(code) : reason;
  return result;
}

}  // namespace

void ReportFileActionFailure(const char* verb, const CString& devicePath, const std::string& reason) {
  const std::string line =
      "vimbra: cannot " + std::string(verb) + " " + Utf8FromWide(devicePath) + ": " + reason + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

FileActionResult CFileActions::Begin(int index, CString* path, DeviceFileStamp* shown) const {
  WIN32_FIND_DATA record;
  if (m_pList == nullptr || !m_pList->GetEntry(index, &record)) return Result(FILE_ACTION_NOTHING, CString());
  m_pList->GetPath(index, *path);
  *shown = DeviceStampOfRecord(record);
  return Result(0, *path);
}

FileActionResult& CFileActions::Fail(FileActionResult& result, const char* verb, const CString& path, int index) {
  if (result.code == DEVICE_CHANGED) {
    // The list shows the file as it is now, or no longer.
    DeviceFileStamp now;
    if (DeviceGetFileStamp(path.c_str(), &now) == 0) {
      m_pList->RefreshEntry(index);
    } else {
      m_pList->RemoveEntry(index);
    }
    m_pList->NotifyChanged(0);
  }
  ReportFileActionFailure(verb, path, result.reason);
  return result;
}

FileActionResult CFileActions::Trash(int index) {
  CString path;
  DeviceFileStamp shown;
  FileActionResult result = Begin(index, &path, &shown);
  if (!result.Done()) return result;
  DeviceTrashed trashed;
  result = Result(DeviceTrashFile(path.c_str(), &shown, &trashed), path);
  // No Trash is not yet a failure: the user is offered deleting for good.
  if (result.code == DEVICE_NO_TRASH) return result;
  if (!result.Done()) return Fail(result, "move to the Trash", path, index);
  if (!trashed.trashName.empty()) {
    if (m_trashed.size() == kMaxUndo) m_trashed.erase(m_trashed.begin());
    m_trashed.push_back(trashed);
  }
  m_pList->RemoveEntry(index);
  m_pList->NotifyChanged(0);
  return result;
}

FileActionResult CFileActions::UndoTrash() {
  if (m_trashed.empty() || m_pList == nullptr) return Result(FILE_ACTION_NOTHING, CString());
  const DeviceTrashed trashed = m_trashed.back();
  FileActionResult result = Result(DeviceRestoreFile(trashed), trashed.devicePath);
  // One that can never come back leaves the undo; one kept out by a file
  // in its place waits until that has gone.
  if (result.Done() || result.code == DEVICE_NOT_IN_TRASH) m_trashed.pop_back();
  if (!result.Done()) {
    ReportFileActionFailure("bring back", trashed.devicePath, result.reason);
    return result;
  }
  CString folder;
  m_pList->GetFolder(folder);
  WIN32_FIND_DATA record;
  if (FolderOf(trashed.devicePath) == folder && FindRecord(trashed.devicePath, &record)) {
    const int index = m_pList->InsertEntry(record, nullptr);
    if (index >= 0) m_pList->SetCurrent(index);
    m_pList->NotifyChanged(0);
  }
  return result;
}

FileActionResult CFileActions::Delete(int index) {
  CString path;
  DeviceFileStamp shown;
  FileActionResult result = Begin(index, &path, &shown);
  if (!result.Done()) return result;
  result = Result(DeviceDeleteFile(path.c_str(), &shown), path);
  if (!result.Done()) return Fail(result, "delete", path, index);
  m_pList->RemoveEntry(index);
  m_pList->NotifyChanged(0);
  return result;
}

BOOL CFileActions::CanTurn(int index) const {
  CString path;
  return m_pList != nullptr && m_pList->GetPath(index, path) && CanTurnPictureNamed(path);
}

FileActionResult CFileActions::Turn(int index, PictureTurn turn, bool trim) {
  CString path;
  DeviceFileStamp shown;
  FileActionResult result = Begin(index, &path, &shown);
  if (!result.Done()) return result;
  // 1. The file as shown, read whole.
  std::string bytes;
  DeviceFileStamp read;
  int code = DeviceReadFile(path.c_str(), kMaxTurnBytes, &bytes, &read);
  if (code == 0 && read != shown) code = DEVICE_CHANGED;
  result = Result(code, path);
  if (!result.Done()) return Fail(result, "turn", path, index);
  // 2. Turned in memory; a cut edge is asked about first.
  std::string turned, reason;
  const int turnResult = TurnPictureBytes(bytes, turn, trim, &turned, &reason);
  if (turnResult == PICTURE_TURN_NEEDS_TRIM) return Result(FILE_ACTION_NEEDS_TRIM, path);
  if (turnResult != PICTURE_TURN_DONE) {
    result = Result(FILE_ACTION_CANNOT_TURN, path, reason);
    return Fail(result, "turn", path, index);
  }
  // 3. Written back over the very file that was read.
  result = Result(DeviceWriteFile(path.c_str(), turned.data(), turned.size(), &read), path);
  if (!result.Done()) return Fail(result, "turn", path, index);
  m_pList->RefreshEntry(index);
  m_pList->NotifyChanged(0);
  return result;
}

FileActionResult CFileActions::Rename(int index, const CString& newName) {
  CString path;
  DeviceFileStamp shown;
  FileActionResult result = Begin(index, &path, &shown);
  if (!result.Done()) return result;
  // 1. A name the device can have, in the same folder.
  if (newName.empty()) return Result(FILE_ACTION_NAME_EMPTY, path);
  if (newName.find_first_of(u"/\\") != CString::npos) return Result(FILE_ACTION_NAME_SEPARATOR, path);
  const CString target = FolderOf(path) + u"\\" + newName;
  std::string host;
  bool control = false;
  for (char16_t c : newName) control = control || c < 0x20;
  if (control || !DeviceToHostPath(target.c_str(), &host)) return Result(FILE_ACTION_NAME_INVALID, path);
  if (target == path) return Result(FILE_ACTION_NOTHING, path);
  result = Result(DeviceRenameFile(path.c_str(), target.c_str(), &shown), path);
  if (!result.Done()) return Fail(result, "rename", path, index);
  // 2. The entry moves to where its new name sorts, its thumbnail and (when
  //    current) the picture held for it with it; a name that is no longer a
  //    picture's leaves the list.
  CDibOwner thumbnail(m_pList->GetThumbnail(index));
  const bool current = index == m_pList->m_nCurrent;
  CDib held = current ? m_pList->m_hPicture : nullptr;
  if (current) m_pList->m_hPicture = nullptr;
  m_pList->RemoveEntry(index);
  WIN32_FIND_DATA record;
  const int place =
      IsListed(newName) && FindRecord(target, &record) ? m_pList->InsertEntry(record, thumbnail.Get()) : -1;
  if (place >= 0 && current) m_pList->SetCurrent(place);
  if (current && place >= 0) {
    m_pList->SetHeldPicture(held);
  } else if (held != nullptr) {
    MemFree(held);
  }
  m_pList->NotifyChanged(0);
  return result;
}

CString CFileActions::NumberedName(const CString& folder, const CString& name) {
  const size_t dot = name.rfind(u'.');
  const CString stem = dot == CString::npos || dot == 0 ? name : name.substr(0, dot);
  const CString extension = dot == CString::npos || dot == 0 ? CString() : name.substr(dot);
  for (int n = 2; n < 100000; ++n) {
    const CString candidate = stem + u" (" + WideFromUtf8(std::to_string(n)) + u")" + extension;
    if (!PathExists(folder + u"\\" + candidate)) return candidate;
  }
  return name;
}

FileActionResult CFileActions::CopyTo(int index, const CString& folder, ConflictChoice choice) {
  return Transfer(index, folder, choice, false);
}

FileActionResult CFileActions::MoveTo(int index, const CString& folder, ConflictChoice choice) {
  return Transfer(index, folder, choice, true);
}

FileActionResult CFileActions::Transfer(int index, const CString& folder, ConflictChoice choice, bool move) {
  CString path;
  DeviceFileStamp shown;
  FileActionResult result = Begin(index, &path, &shown);
  if (!result.Done()) return result;
  // 1. The destination: the same name there, numbered when both are kept;
  //    a file of that name is never replaced unless the user said so.
  const bool sameFolder = folder == FolderOf(path);
  if (move && sameFolder) return Result(FILE_ACTION_NOTHING, path);
  CString name = NameOf(path);
  const bool taken = PathExists(folder + u"\\" + name);
  if (taken && choice == CONFLICT_ASK) return Result(EEXIST, path);
  if (taken && choice == CONFLICT_KEEP_BOTH) name = NumberedName(folder, name);
  if (taken && choice == CONFLICT_REPLACE && sameFolder) return Result(FILE_ACTION_NOTHING, path);
  const CString target = folder + u"\\" + name;
  const BOOL replace = choice == CONFLICT_REPLACE ? TRUE : FALSE;
  // 2. The write, then the list: a move takes the picture out of the
  //    folder shown; a copy into it comes in with the same thumbnail.
  const int code = move ? DeviceMoveFile(path.c_str(), target.c_str(), replace, &shown)
                        : DeviceCopyFile(path.c_str(), target.c_str(), replace, &shown);
  result = Result(code, path);
  if (!result.Done()) return Fail(result, move ? "move" : "copy", path, index);
  if (move) {
    m_pList->RemoveEntry(index);
  } else if (sameFolder) {
    WIN32_FIND_DATA record;
    CDibOwner thumbnail(m_pList->GetThumbnail(index));
    if (FindRecord(target, &record)) m_pList->InsertEntry(record, thumbnail.Get());
  }
  m_pList->NotifyChanged(0);
  return result;
}

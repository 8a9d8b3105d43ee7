// The desktop's file actions on the list's pictures: Trash and its undo,
// deleting for good, lossless turns, rename, copy and move. Each goes
// through the device's writes (the file must still be the one the list
// shows) and leaves the list following the device without a rescan; none
// shows anything: the result names the file and the reason for the
// message the viewer shows.
#pragma once

#include <string>
#include <vector>

#include "filelist/imagefilelist.h"
#include "imaging/pictureturn.h"
#include "platform/device/devicetrash.h"

// Results beyond the device's own (0 and the codes of devicewrite.h).
enum : int {
  FILE_ACTION_NEEDS_TRIM = -100,      // a lossless turn would cut the edge: ask, then turn with trim
  FILE_ACTION_CANNOT_TURN = -101,     // not turned (damaged, not JPEG or PNG); the reason says why
  FILE_ACTION_NAME_EMPTY = -102,      // a new name with nothing in it
  FILE_ACTION_NAME_SEPARATOR = -103,  // a new name holding "/" or "\"
  FILE_ACTION_NAME_INVALID = -104,    // a name the device cannot have ("..", too long, ...)
  FILE_ACTION_NOTHING = -105,         // nothing to do (no picture, the same name or folder, nothing to undo)
};

struct FileActionResult {
  int code = 0;
  CString name;        // the file the message names (its name alone)
  std::string reason;  // the system's reason, for a failure
  bool Done() const { return code == 0; }
};

// What a copy or move does about a file of the same name at its destination.
enum ConflictChoice {
  CONFLICT_ASK,        // nothing: EEXIST, so that the user can be asked
  CONFLICT_REPLACE,    // the new file takes its place
  CONFLICT_KEEP_BOTH,  // the new file takes a numbered name ("a (2).jpg")
};

class CFileActions {
 public:
  explicit CFileActions(CImageFileList* list) : m_pList(list) {}

  // To the Trash; DEVICE_NO_TRASH where its file system has none.
  FileActionResult Trash(int index);
  // The last picture trashed back to its name and place, and current when
  // its folder is shown.
  FileActionResult UndoTrash();
  BOOL CanUndoTrash() const { return !m_trashed.empty(); }
  FileActionResult Delete(int index);
  // FILE_ACTION_NEEDS_TRIM until asked again with `trim`.
  FileActionResult Turn(int index, PictureTurn turn, bool trim);
  BOOL CanTurn(int index) const;
  // `newName` is a name alone, in the picture's folder.
  FileActionResult Rename(int index, const CString& newName);
  // To device folder `folder` ("" for the root).
  FileActionResult CopyTo(int index, const CString& folder, ConflictChoice choice);
  FileActionResult MoveTo(int index, const CString& folder, ConflictChoice choice);

  // "a.jpg" as the first free "a (2).jpg", "a (3).jpg", ... of `folder`.
  static CString NumberedName(const CString& folder, const CString& name);

 private:
  FileActionResult Begin(int index, CString* path, DeviceFileStamp* shown) const;
  // A failure: the list follows a file changed or gone meanwhile, and one
  // line on stderr names what was tried.
  FileActionResult& Fail(FileActionResult& result, const char* verb, const CString& path, int index);
  FileActionResult Transfer(int index, const CString& folder, ConflictChoice choice, bool move);

  CImageFileList* m_pList;
  std::vector<DeviceTrashed> m_trashed;
};

// Writes "vimbra: cannot <verb> <device path>: <reason>" on stderr.
void ReportFileActionFailure(const char* verb, const CString& devicePath, const std::string& reason);

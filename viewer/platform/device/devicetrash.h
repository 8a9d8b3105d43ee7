// The desktop's Trash for device files, following the freedesktop Trash
// standard through GIO, and bringing a trashed file back to its name and
// place. The file is reached through the device's wall (inside the root,
// links refused); results as in devicewrite.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"
#include "platform/device/devicewrite.h"

// A file the Trash holds, as needed to bring it back.
struct DeviceTrashed {
  CString devicePath;        // where it was on the device
  std::string originalHost;  // its host path then, as the .trashinfo's Path names it
  std::string trashFolder;   // host path of the Trash (with files/ and info/)
  std::string trashName;     // its name in files/; info/ holds trashName + ".trashinfo"
  uint64_t volume = 0;       // the file itself, which the Trash holds unchanged
  uint64_t inode = 0;
};

// Sends file `path` (still the one `expect` describes, when given) to the
// Trash of its file system and fills `trashed`. DEVICE_NO_TRASH when that
// file system has none: the file is then untouched.
int DeviceTrashFile(const WCHAR* path, const DeviceFileStamp* expect, DeviceTrashed* trashed);

// Brings a trashed file back to its device path, never over a file that has
// taken its name since (EEXIST), and removes its .trashinfo.
// DEVICE_NOT_IN_TRASH when the Trash no longer holds it as it was put there.
int DeviceRestoreFile(const DeviceTrashed& trashed);

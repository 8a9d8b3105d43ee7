// The device's file system: a folder of the host (the device root) seen
// through the handheld's file calls. A device path ("\My Documents\a.jpg",
// "" for the root) maps below the device root, each "\" becoming "/".
//
// Host facts the handheld never had, handled here:
// - "." and ".." are never reported; an empty folder fails to start an
//   enumeration, as on the handheld.
// - A name that cannot be a device name (contains "\", is not valid UTF-8,
//   or would make a path longer than 259 characters) is not reported.
// - A symbolic link whose target, resolved, lies inside the resolved device
//   root is reported as what it points to; any other link is not reported,
//   opened or entered. Paths are walked so that a link swapped in between
//   a check and an open is refused, not followed.
// - Only regular files are opened as streams, and this is known before the
//   open: FIFOs and device nodes are listed as files but never opened.
// - A folder's entries are enumerated in name order (see nameorder.h), not
//   in the host's hashed directory order.
// - Device paths that would leave the device root are refused.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "platform/base/wintypes.h"

// Sets the host folder that serves as the device root. Returns FALSE when it
// is not an existing folder (the old root then stays). The folder is
// resolved and held open now: links are judged against where it is now.
BOOL DeviceSetRoot(const std::string& hostFolder);
const std::string& DeviceGetRoot();

// Maps a device path to its host path. FALSE for a path that contains a
// "." or ".." component, an empty component inside it, a "/" or a NUL, a
// name that is not valid UTF-16, or that is longer than 259 characters.
BOOL DeviceToHostPath(const WCHAR* devicePath, std::string* hostPath);

// Enumeration, in name order. The pattern is a device path whose last component may hold
// the wildcards "*" and "?" ("\My Documents\*.*" lists the folder); without
// wildcards the entry itself is found. INVALID_HANDLE_VALUE when nothing
// matches or the folder cannot be read.
HANDLE FindFirstFile(const WCHAR* pattern, WIN32_FIND_DATA* findData);
BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA* findData);
BOOL FindClose(HANDLE find);

// The whole find-first / find-next / find-close walk: calls visit(record)
// for each entry matching `pattern` until it returns false. FALSE when the
// enumeration could not start (nothing matches, or the folder is unreadable).
template <typename Visit>
BOOL ForEachDeviceEntry(const WCHAR* pattern, Visit&& visit) {
  WIN32_FIND_DATA record;
  HANDLE find = FindFirstFile(pattern, &record);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  while (visit(static_cast<const WIN32_FIND_DATA&>(record)) && FindNextFile(find, &record)) {
  }
  FindClose(find);
  return TRUE;
}

// Identity of the file or folder a path leads to (links followed): two
// paths with the same identity are the same folder. FALSE when it is gone.
BOOL GetDeviceFileId(const WCHAR* devicePath, uint64_t* volume, uint64_t* index);

// Creates a folder (no security attributes on the device). FALSE when it
// exists already or cannot be made.
BOOL CreateDirectory(const WCHAR* devicePath, void* securityAttributes);

// Opens a device file as a buffered stream. Only reading is offered ("r" or
// "rb"); a folder opened as a stream fails, as on the handheld.
FILE* _wfopen(const WCHAR* devicePath, const WCHAR* mode);

// What the device does to a host object, as told to the access hook.
enum DeviceAccess {
  DEVICE_ACCESS_LOOKUP,       // looked at through a path-only descriptor, which opens nothing
  DEVICE_ACCESS_READ_FILE,    // a file opened for reading
  DEVICE_ACCESS_LIST_FOLDER,  // a folder opened to enumerate it
  DEVICE_ACCESS_MAKE_FOLDER,  // a folder made
  // The desktop's writes (devicewrite.h, devicetrash.h), each told before
  // the host is asked, so that a hook can fail it with DeviceFailAccess.
  DEVICE_ACCESS_WRITE_FILE,  // a temporary file made for a new content, about to be written
  DEVICE_ACCESS_RENAME,      // a file about to be renamed or moved (its path)
  DEVICE_ACCESS_REMOVE,      // a file about to be removed for good
  DEVICE_ACCESS_TRASH,       // a file about to go to the Trash
  DEVICE_ACCESS_RESTORE,     // a trashed file about to come back to this path
};

// Told, on the thread making the access, the host path of every object the
// device opens or makes, as the kernel names the opened object (so a link
// followed shows where it led). Tests install one; an empty hook removes it.
typedef std::function<void(DeviceAccess access, const std::string& hostPath)> DeviceAccessHook;
void DeviceSetAccessHook(DeviceAccessHook hook);
// Called by a hook while it is told of a write access: that step fails as
// the host would have failed it with `error` (ENOSPC, EACCES, EXDEV, ...).
// Reads ignore it.
void DeviceFailAccess(int error);

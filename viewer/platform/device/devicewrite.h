// Writes to the device's files through the same wall as its reads: every
// path is resolved below the device root with links refused on the way, a
// new file is written under a temporary name in its destination folder,
// flushed and renamed into place, so that the original stays whole when
// anything fails.
//
// Results are 0 when done, otherwise a host error number (ENOSPC, EACCES,
// EEXIST, ...) or one of the DEVICE_ codes below; DeviceErrorText gives the
// reason a message shows. Every step is told to the access hook, which may
// make it fail (DeviceFailAccess) the way the host would.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"

enum : int {
  DEVICE_DONE = 0,
  // The file is not the one the viewer showed: written, replaced or gone since.
  DEVICE_CHANGED = -1,
  // Its file system has no Trash (deleting for good is what remains).
  DEVICE_NO_TRASH = -2,
  // A link, a folder or a device node: the device writes only regular files.
  DEVICE_NOT_A_FILE = -3,
  // Undo: the trashed file is not in the Trash as it was put there.
  DEVICE_NOT_IN_TRASH = -4,
  // The path cannot be a device path (a "/" in a name, too long, ...).
  DEVICE_BAD_NAME = -5,
};

// The reason behind a result, for a message ("No space left on device").
std::string DeviceErrorText(int result);

// What a file was, in its directory record's terms: the fields that change
// when the file is written or replaced. Compares equal only for the same
// file unchanged.
struct DeviceFileStamp {
  uint64_t size = 0;
  uint64_t written = 0;  // the record's last write time, 100 ns units
  DWORD oid = 0;         // the record's object identifier (the host's inode, cut to 32 bits)
  bool operator==(const DeviceFileStamp& o) const { return size == o.size && written == o.written && oid == o.oid; }
  bool operator!=(const DeviceFileStamp& o) const { return !(*this == o); }
};
// The stamp of a directory record as the enumeration gave it.
DeviceFileStamp DeviceStampOfRecord(const WIN32_FIND_DATA& record);
// The stamp of the regular file at `path` now; DEVICE_CHANGED when it is gone.
int DeviceGetFileStamp(const WCHAR* path, DeviceFileStamp* stamp);

// Reads the whole regular file `path` (at most `maxBytes`; EFBIG past that)
// and the stamp of what was read.
int DeviceReadFile(const WCHAR* path, size_t maxBytes, std::string* bytes, DeviceFileStamp* stamp);

// Makes `bytes` the content of file `path`. With `expect`, the file must
// still be that one (else DEVICE_CHANGED) and the new one takes its
// permissions; without, the name must be free (else EEXIST).
int DeviceWriteFile(const WCHAR* path, const void* bytes, size_t size, const DeviceFileStamp* expect);

// Renames file `from` to `to` (in the same or another folder of the same
// file system), never over an existing name (EEXIST).
int DeviceRenameFile(const WCHAR* from, const WCHAR* to, const DeviceFileStamp* expect);

// Copies file `from` to `to` through a temporary name; `replace` lets the
// copy take the place of a file already at `to`, else EEXIST.
int DeviceCopyFile(const WCHAR* from, const WCHAR* to, BOOL replace, const DeviceFileStamp* expect);

// Moves file `from` to `to`: a rename within a file system, else a copy and
// the original removed once the copy is whole. `replace` as for a copy.
int DeviceMoveFile(const WCHAR* from, const WCHAR* to, BOOL replace, const DeviceFileStamp* expect);

// Removes file `path` for good.
int DeviceDeleteFile(const WCHAR* path, const DeviceFileStamp* expect);

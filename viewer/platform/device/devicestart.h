// The first bytes of many files of one device folder, read with as few
// system calls as the host allows: the folder is opened once, and each file
// is looked at, opened (links refused), read and closed relative to it.
// Used where every picture of a folder is read a little, as sorting by the
// date taken does.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"

class CDeviceFolderReader {
 public:
  // The folder at device path `folder` ("" the root); a folder that cannot
  // be opened reads nothing.
  explicit CDeviceFolderReader(const WCHAR* folder);
  ~CDeviceFolderReader();
  CDeviceFolderReader(const CDeviceFolderReader&) = delete;
  CDeviceFolderReader& operator=(const CDeviceFolderReader&) = delete;

  BOOL IsOpen() const { return m_fd >= 0 ? TRUE : FALSE; }
  // Up to `size` bytes from the start of the file `name` of the folder (a
  // name, no separators) into `buffer`: the count read, or -1 when it is
  // not a regular file there (a link, a folder, a FIFO or device node is
  // never opened), is gone, or cannot be read. Safe from several threads.
  long ReadStart(const WCHAR* name, void* buffer, size_t size) const;

 private:
  int m_fd = -1;
};

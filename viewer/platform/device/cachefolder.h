// The desktop's shared thumbnail cache ($XDG_CACHE_HOME/thumbnails) as host
// files. It is other programs' data and the user's to change, so a read
// follows no link, never blocks, takes only a regular file of bounded size,
// and a write leaves the whole new file or nothing.
#pragma once

#include <string>

#include "platform/base/wintypes.h"

// $XDG_CACHE_HOME/thumbnails, or $HOME/.cache/thumbnails when XDG_CACHE_HOME
// is unset, empty or relative; "" when neither names an absolute folder.
std::string DefaultThumbnailFolder();

class CCacheFolder {
 public:
  CCacheFolder() = default;
  ~CCacheFolder();
  CCacheFolder(const CCacheFolder&) = delete;
  CCacheFolder& operator=(const CCacheFolder&) = delete;

  // Opens `hostFolder`, made (mode 0700, its parent too) when missing, and
  // holds it open: later swaps of its path do not move it. FALSE when it is
  // a link, not a folder, or cannot be made or opened; nothing is then read
  // or written.
  BOOL Open(const std::string& hostFolder);
  BOOL IsOpen() const { return m_fd >= 0; }

  // Reads `sub`/`name` ("normal", "<md5>.png"; `sub` may hold several
  // components) whole into *bytes. FALSE unless each folder on the way is a
  // folder and no link, and the file is a regular file, no link, of at most
  // `limit` bytes (a FIFO is seen for what it is without waiting for it).
  BOOL Read(const std::string& sub, const std::string& name, size_t limit, std::string* bytes) const;

  // Writes `bytes` as `sub`/`name`: missing folders made with mode 0700, the
  // bytes written to a new temporary file (mode 0600) in the same folder and
  // renamed over `name` once whole. FALSE with *error set (an errno value)
  // when any step fails; the temporary file is then removed.
  BOOL Write(const std::string& sub, const std::string& name, const std::string& bytes, int* error) const;

  // TRUE when the device path leads, links resolved, into this folder (its
  // thumbnails are never made), and when that cannot be told.
  BOOL Holds(const WCHAR* devicePath) const;

 private:
  // A descriptor of `sub` below the folder; -1 when it is missing (and not
  // to be made) or not a folder of its own.
  int OpenSub(const std::string& sub, bool make) const;

  int m_fd = -1;
  std::string m_real;  // the folder's path, links resolved
};

// Tests: from now on writes fail with `error` (ENOSPC for a full disk) after
// half of their bytes; 0 ends the fault.
void CacheFolderSetWriteFault(int error);

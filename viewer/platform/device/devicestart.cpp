// Reading the starts of a folder's files relative to the folder held open:
// a look (no links followed), an open that refuses links and does not wait,
// one read, a close.
#include "devicestart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "devicefs.h"
#include "devicewalk.h"
#include "platform/base/wstr.h"

CDeviceFolderReader::CDeviceFolderReader(const WCHAR* folder) {
  std::string host;
  if (folder == nullptr || !DeviceToHostPath(folder, &host)) return;
  m_fd = OpenInRoot(host, O_RDONLY | O_DIRECTORY, nullptr, DEVICE_ACCESS_LIST_FOLDER);
}

CDeviceFolderReader::~CDeviceFolderReader() {
  if (m_fd >= 0) close(m_fd);
}

long CDeviceFolderReader::ReadStart(const WCHAR* name, void* buffer, size_t size) const {
  if (m_fd < 0 || name == nullptr || buffer == nullptr) return -1;
  // 1. The name as the host spells it: the device's rules, one component.
  CString path(u"\\");
  path.append(name, WStrLen(name));
  std::string host;
  if (!DeviceToHostPath(path.c_str(), &host)) return -1;
  host = host.substr(host.rfind('/') + 1);
  // 2. Only a regular file is opened; one swapped for a link meanwhile
  //    fails to open, and one swapped for a FIFO does not make the open wait.
  struct stat looked;
  if (fstatat(m_fd, host.c_str(), &looked, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(looked.st_mode)) return -1;
  const int fd = openat(m_fd, host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  NotifyHostAccess(DEVICE_ACCESS_READ_FILE, fd, host);
  const ssize_t got = pread(fd, buffer, size, 0);
  close(fd);
  return got < 0 ? -1 : (long)got;
}

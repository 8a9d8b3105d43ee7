// Host files of the shared thumbnail cache: opened below a held folder
// descriptor without following links, read with a bound, written through a
// temporary name.
#include "platform/device/cachefolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/device/devicefs.h"

namespace {

std::atomic<int> g_writeFault{0};
std::atomic<unsigned> g_tempCount{0};

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Writes all of `bytes`, or fails with errno set; the injected fault stops
// after half of them.
bool WriteAll(int fd, const std::string& bytes) {
  size_t count = bytes.size();
  const int fault = g_writeFault.load();
  if (fault != 0) count /= 2;
  size_t done = 0;
  while (done < count) {
    const ssize_t n = write(fd, bytes.data() + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += (size_t)n;
  }
  if (fault != 0) errno = fault;
  return fault == 0;
}

}  // namespace

std::string DefaultThumbnailFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return WithoutTrailingSlashes(cache) + "/thumbnails";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return WithoutTrailingSlashes(home) + "/.cache/thumbnails";
  return std::string();
}

void CacheFolderSetWriteFault(int error) {
  g_writeFault.store(error);
}

CCacheFolder::~CCacheFolder() {
  if (m_fd >= 0) close(m_fd);
}

BOOL CCacheFolder::Open(const std::string& hostFolder) {
  if (m_fd >= 0 || hostFolder.empty() || hostFolder[0] != '/') return FALSE;
  const std::string folder = WithoutTrailingSlashes(hostFolder);
  // 1. The folder, and its parent ($XDG_CACHE_HOME) when that is missing
  //    too; anything further up is the user's to make.
  int fd = open(folder.c_str(), kFolderFlags);
  if (fd < 0 && errno == ENOENT) {
    const std::string parent = folder.substr(0, folder.rfind('/'));
    if (!parent.empty() && mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) return FALSE;
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return FALSE;
    fd = open(folder.c_str(), kFolderFlags);
  }
  if (fd < 0) return FALSE;
  // 2. Where it is, links resolved, to tell the files inside it.
  char real[PATH_MAX];
  if (realpath(("/proc/self/fd/" + std::to_string(fd)).c_str(), real) == nullptr) {
    close(fd);
    return FALSE;
  }
  m_fd = fd;
  m_real = real;
  return TRUE;
}

int CCacheFolder::OpenSub(const std::string& sub, bool make) const {
  if (m_fd < 0) return -1;
  int fd = dup(m_fd);
  size_t at = 0;
  while (fd >= 0 && at < sub.size()) {
    size_t slash = sub.find('/', at);
    if (slash == std::string::npos) slash = sub.size();
    const std::string part = sub.substr(at, slash - at);
    at = slash + 1;
    if (part.empty()) continue;
    int next = openat(fd, part.c_str(), kFolderFlags);
    if (next < 0 && errno == ENOENT && make && mkdirat(fd, part.c_str(), 0700) == 0) {
      next = openat(fd, part.c_str(), kFolderFlags);
    }
    const int error = errno;
    close(fd);
    errno = error;
    fd = next;
  }
  return fd;
}

BOOL CCacheFolder::Read(const std::string& sub, const std::string& name, size_t limit, std::string* bytes) const {
  const int folder = OpenSub(sub, false);
  if (folder < 0) return FALSE;
  const int fd = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  close(folder);
  if (fd < 0) return FALSE;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (uint64_t)st.st_size <= limit;
  // The file may grow after fstat: one byte past the bound is read for.
  std::string data;
  if (ok) data.resize((size_t)st.st_size + 1);
  size_t done = 0;
  while (ok && done < data.size()) {
    const ssize_t n = read(fd, &data[done], data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    done += (size_t)n;
  }
  close(fd);
  if (!ok || done > limit || done != (size_t)st.st_size) return FALSE;
  data.resize(done);
  *bytes = std::move(data);
  return TRUE;
}

BOOL CCacheFolder::Write(const std::string& sub, const std::string& name, const std::string& bytes, int* error) const {
  *error = 0;
  const int folder = OpenSub(sub, true);
  if (folder < 0) {
    *error = m_fd < 0 ? EBADF : errno;
    return FALSE;
  }
  // 1. A name of our own in the same folder, so the rename is atomic.
  const std::string temp = name + ".vimbra-" + std::to_string(getpid()) + "-" + std::to_string(++g_tempCount);
  const int fd = openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  bool ok = fd >= 0;
  // 2. Whole bytes, mode 0600 whatever the umask, and a close that reports.
  if (ok) ok = fchmod(fd, 0600) == 0 && WriteAll(fd, bytes);
  if (ok && close(fd) != 0) {
    ok = false;
  } else if (!ok && fd >= 0) {
    const int cause = errno;
    close(fd);
    errno = cause;
  }
  // 3. Into place, or away.
  if (ok) ok = renameat(folder, temp.c_str(), folder, name.c_str()) == 0;
  if (!ok) {
    *error = errno != 0 ? errno : EIO;
    if (fd >= 0) unlinkat(folder, temp.c_str(), 0);
  }
  close(folder);
  return ok ? TRUE : FALSE;
}

BOOL CCacheFolder::Holds(const WCHAR* devicePath) const {
  std::string host;
  if (m_fd < 0 || !DeviceToHostPath(devicePath, &host)) return TRUE;
  char real[PATH_MAX];
  if (realpath(host.c_str(), real) == nullptr) return TRUE;
  const std::string path = real;
  return path == m_real || path.compare(0, m_real.size() + 1, m_real + "/") == 0 ? TRUE : FALSE;
}

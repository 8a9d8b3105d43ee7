// Bounded reads of the host's small files (non-blocking open, fstat, read)
// and whole writes (temporary file, fsync, rename).
#include "hostfile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// Closes the descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_fd; }

 private:
  int m_fd;
};

HostFileRead Failed(int* error) {
  *error = errno;
  return errno == ENOENT || errno == ENOTDIR ? HOST_FILE_ABSENT : HOST_FILE_FAILED;
}

bool Allowed(const struct stat& st, HostFileKinds kinds) {
  return S_ISREG(st.st_mode) || (kinds == HOST_FILE_REGULAR_OR_PIPE && S_ISFIFO(st.st_mode));
}

// Reads to the end, or stops one byte past `limit`. The descriptor does not
// block: poll waits for data, or for the end. On a pipe opened before any
// writer came, poll waits for one (read alone would report the end at once).
HostFileRead ReadAll(int fd, size_t limit, std::string* text, int* error) {
  std::string data;
  char buffer[65536];
  while (data.size() <= limit) {
    pollfd wait = {fd, POLLIN, 0};
    if (poll(&wait, 1, -1) < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return HOST_FILE_FAILED;
    }
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) {
      *error = errno;
      return HOST_FILE_FAILED;
    }
    if (n == 0) break;
    data.append(buffer, (size_t)n);
  }
  if (data.size() > limit) return HOST_FILE_TOO_LARGE;
  *text = std::move(data);
  return HOST_FILE_READ;
}

// Makes `folder` (mode 0700) when it is missing; an existing one is taken.
bool MakeFolder(const std::string& folder) {
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += (size_t)n;
  }
  return true;
}

// Flushes a folder's entries (the rename) to the disk.
void SyncFolder(const std::string& folder) {
  FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) fsync(dir.Get());
}

}  // namespace

bool WriteHostFileWhole(const std::string& path, const std::string& text, int* error) {
  *error = 0;
  // 1. The folder, and its parent when that is missing too.
  const std::string folder = ParentOf(path);
  if (!MakeFolder(folder) && errno == ENOENT && (!MakeFolder(ParentOf(folder)) || !MakeFolder(folder))) {
    *error = errno;
    return false;
  }
  // 2. A temporary name of this process beside the file, never an existing
  //    file (O_EXCL), so that no reader ever sees a part of the text.
  const std::string temporary = path + ".tmp-" + std::to_string((long)getpid());
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0 && errno == EEXIST && unlink(temporary.c_str()) == 0) {
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  }
  if (fd < 0) {
    *error = errno;
    return false;
  }
  // 3. The text, on the disk, then under its name.
  bool written = WriteAll(fd, text) && fsync(fd) == 0;
  if (!written) *error = errno;
  if (close(fd) != 0 && written) {
    written = false;
    *error = errno;
  }
  if (written && rename(temporary.c_str(), path.c_str()) != 0) {
    written = false;
    *error = errno;
  }
  if (!written) {
    unlink(temporary.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

HostFileRead ReadHostFile(const std::string& path, size_t limit, HostFileKinds kinds, std::string* text, int* error) {
  *error = 0;
  // 1. Open without waiting and see what the name leads to. A pipe opened
  // so does not wait for a writer, and no writer is turned away.
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) return Failed(error);
  struct stat st;
  if (fstat(file.Get(), &st) != 0) return Failed(error);
  if (!Allowed(st, kinds)) return HOST_FILE_NOT_ALLOWED;
  if (S_ISREG(st.st_mode) && (unsigned long long)st.st_size > limit) return HOST_FILE_TOO_LARGE;
  // 2. Read with the bound: a file may grow after fstat, a pipe has no size.
  return ReadAll(file.Get(), limit, text, error);
}

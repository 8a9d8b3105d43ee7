// Writes below the device root: whole new contents through a flushed
// temporary file, renames, copies, moves and removals, each step told to
// the access hook. See devicewrite.h for the results.
#include "devicewrite.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "devicefs.h"
#include "devicewalk.h"
#include "devicewriteplace.h"

namespace {

constexpr uint64_t kEpochDifference = 11644473600ULL;  // 1601-01-01 to 1970-01-01, seconds
constexpr size_t kCopyChunk = 256 * 1024;
constexpr mode_t kUmaskMode = (mode_t)-1;

// The fault a hook asked for while it was told of the current step.
thread_local int t_fault = 0;

uint64_t WrittenOf(const struct stat& st) {
  if (st.st_mtim.tv_sec < 0) return 0;
  return ((uint64_t)st.st_mtim.tv_sec + kEpochDifference) * 10000000ULL + (uint64_t)st.st_mtim.tv_nsec / 100;
}

int ErrnoOr(int fallback) {
  return errno != 0 ? errno : fallback;
}

int WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ErrnoOr(EIO);
    data += n;
    size -= (size_t)n;
  }
  return 0;
}

// Flushes the folder's entries, so that a rename survives a crash. A file
// system that cannot flush a folder has nothing to flush.
void SyncFolder(const DevicePlace& place) {
  const int fd = openat(place.folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// A new, empty, hidden file in `place`'s folder, its name not a picture's.
int MakeTemp(const DevicePlace& place, mode_t mode, int* fd, std::string* name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char buffer[64];
    snprintf(buffer, sizeof(buffer), ".vimbra-%d-%u-%lx.tmp", (int)getpid(), counter.fetch_add(1),
             (unsigned long)(now.tv_nsec & 0xFFFFFF));
    *fd = openat(place.folderFd, buffer, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (*fd >= 0) {
      *name = buffer;
      return 0;
    }
    if (errno != EEXIST) return ErrnoOr(EIO);
  }
  return EEXIST;
}

// Puts `fromName` of `from` at `to`'s name: over what is there when
// `replace`, else never (EEXIST). File systems without an exclusive rename
// get a link and an unlink, which never replace either.
int RenameInto(const DevicePlace& from, const std::string& fromName, const DevicePlace& to, bool replace) {
  if (replace) {
    return renameat(from.folderFd, fromName.c_str(), to.folderFd, to.name.c_str()) == 0 ? 0 : ErrnoOr(EIO);
  }
  if (renameat2(from.folderFd, fromName.c_str(), to.folderFd, to.name.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return ErrnoOr(EIO);
  if (linkat(from.folderFd, fromName.c_str(), to.folderFd, to.name.c_str(), 0) != 0) return ErrnoOr(EIO);
  unlinkat(from.folderFd, fromName.c_str(), 0);
  return 0;
}

// Writes a new file at `to` from `fill` (which writes the temporary file's
// content): 1. a temporary name in `to`'s folder, told to the hook; 2. the
// content with `mode` (kUmaskMode: as the umask makes a new file), flushed; 3. the file it replaces, when `expect`
// names one, checked once more after the hook has been told of the rename; 4. renamed into place; 5. the folder
// flushed. Any failure removes the temporary file.
template <typename Fill>
int WriteThroughTemp(const DevicePlace& to, mode_t mode, const DeviceFileStamp* expect, bool replace, Fill&& fill) {
  int fd = -1;
  std::string temp;
  int result = MakeTemp(to, mode == kUmaskMode ? 0666 : 0600, &fd, &temp);
  if (result != 0) return result;
  result = TellDeviceStep(DEVICE_ACCESS_WRITE_FILE, fd, to.folder + "/" + temp);
  if (result == 0) result = fill(fd);
  if (result == 0 && mode != kUmaskMode && fchmod(fd, mode) != 0) result = ErrnoOr(EIO);
  if (result == 0 && fsync(fd) != 0) result = ErrnoOr(EIO);
  if (close(fd) != 0 && result == 0) result = ErrnoOr(EIO);
  if (result == 0) result = TellDeviceStep(DEVICE_ACCESS_RENAME, to.folderFd, to.folder, temp);
  if (result == 0 && expect != nullptr) result = CheckDeviceStamp(to, expect);
  if (result == 0) result = RenameInto(to, temp, to, replace);
  if (result != 0) {
    unlinkat(to.folderFd, temp.c_str(), 0);
    return result;
  }
  SyncFolder(to);
  return 0;
}

// Opens `place`'s file for reading as a regular file, checked against
// `expect`; its status in `st`.
int OpenSource(const DevicePlace& place, const DeviceFileStamp* expect, int* fd, struct stat* st) {
  const int looked = LookAtDevicePlace(place, st);
  if (looked != 0) return looked;
  errno = 0;
  *fd = OpenInRoot(place.folder + "/" + place.name, O_RDONLY | O_NONBLOCK | O_NOCTTY, st, DEVICE_ACCESS_READ_FILE);
  if (*fd < 0) return ErrnoOr(ENOENT);
  if (!S_ISREG(st->st_mode)) {
    close(*fd);
    return DEVICE_NOT_A_FILE;
  }
  if (expect != nullptr && DeviceStampOfStat(*st) != *expect) {
    close(*fd);
    return DEVICE_CHANGED;
  }
  const int flags = fcntl(*fd, F_GETFL);
  if (flags >= 0) fcntl(*fd, F_SETFL, flags & ~O_NONBLOCK);
  return 0;
}

int CopyContent(int from, int to) {
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    const ssize_t n = read(from, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoOr(EIO);
    if (n == 0) return 0;
    const int written = WriteAll(to, buffer.data(), (size_t)n);
    if (written != 0) return written;
  }
}

// The copy of `from` at `to`, with the source's permissions and times.
int CopyPlace(const DevicePlace& from, const DevicePlace& to, bool replace, const DeviceFileStamp* expect) {
  int source = -1;
  struct stat st;
  int result = OpenSource(from, expect, &source, &st);
  if (result != 0) return result;
  struct stat there;
  if (!replace && LookAtDevicePlace(to, &there) != DEVICE_CHANGED) {
    close(source);
    return EEXIST;
  }
  const DeviceFileStamp read = DeviceStampOfStat(st);
  result = WriteThroughTemp(to, st.st_mode & 07777, nullptr, replace, [&](int fd) {
    const int copied = CopyContent(source, fd);
    if (copied != 0) return copied;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(fd, times);
    // A copy of a file that was replaced while it was read is not a copy
    // of what the user chose.
    return CheckDeviceStamp(from, &read);
  });
  close(source);
  return result;
}

}  // namespace

void DeviceFailAccess(int error) {
  t_fault = error;
}

int TellDeviceStep(int access, int fd, const std::string& fallback, const std::string& child) {
  t_fault = 0;
  NotifyHostAccess(access, fd, fallback, child);
  const int fault = t_fault;
  t_fault = 0;
  return fault;
}

DeviceFileStamp DeviceStampOfStat(const struct stat& st) {
  DeviceFileStamp stamp;
  stamp.size = S_ISDIR(st.st_mode) ? 0 : (uint64_t)st.st_size;
  stamp.written = WrittenOf(st);
  stamp.oid = (DWORD)st.st_ino;
  return stamp;
}

DeviceFileStamp DeviceStampOfRecord(const WIN32_FIND_DATA& record) {
  DeviceFileStamp stamp;
  stamp.size = ((uint64_t)record.nFileSizeHigh << 32) | record.nFileSizeLow;
  stamp.written = ((uint64_t)record.ftLastWriteTime.dwHighDateTime << 32) | record.ftLastWriteTime.dwLowDateTime;
  stamp.oid = record.dwOID;
  return stamp;
}

int OpenDevicePlace(const WCHAR* path, DevicePlace* place) {
  std::string host;
  if (!DeviceToHostPath(path, &host)) return DEVICE_BAD_NAME;
  const size_t slash = host.rfind('/');
  if (host == DeviceGetRoot() || slash == std::string::npos) return DEVICE_NOT_A_FILE;
  place->folder = host.substr(0, slash);
  place->name = host.substr(slash + 1);
  errno = 0;
  place->folderFd = OpenInRoot(place->folder, O_PATH | O_DIRECTORY, nullptr, DEVICE_ACCESS_LOOKUP);
  return place->folderFd >= 0 ? 0 : ErrnoOr(ENOENT);
}

int LookAtDevicePlace(const DevicePlace& place, struct stat* st) {
  if (fstatat(place.folderFd, place.name.c_str(), st, AT_SYMLINK_NOFOLLOW) != 0) return DEVICE_CHANGED;
  return S_ISREG(st->st_mode) ? 0 : DEVICE_NOT_A_FILE;
}

int CheckDeviceStamp(const DevicePlace& place, const DeviceFileStamp* expect) {
  struct stat st;
  const int looked = LookAtDevicePlace(place, &st);
  if (looked != 0 || expect == nullptr) return looked;
  return DeviceStampOfStat(st) == *expect ? 0 : DEVICE_CHANGED;
}

std::string DeviceErrorText(int result) {
  switch (result) {
    case DEVICE_DONE:
      return "done";
    case DEVICE_CHANGED:
      return "it has changed or gone since it was shown";
    case DEVICE_NO_TRASH:
      return "its file system has no Trash";
    case DEVICE_NOT_A_FILE:
      return "it is not a regular file";
    case DEVICE_NOT_IN_TRASH:
      return "it is no longer in the Trash";
    case DEVICE_BAD_NAME:
      return "the name cannot be a device name";
    default: {
      char buffer[128];
      return strerror_r(result, buffer, sizeof(buffer));
    }
  }
}

int DeviceGetFileStamp(const WCHAR* path, DeviceFileStamp* stamp) {
  DevicePlace place;
  const int opened = OpenDevicePlace(path, &place);
  if (opened != 0) return opened == ENOENT ? DEVICE_CHANGED : opened;
  struct stat st;
  const int looked = LookAtDevicePlace(place, &st);
  if (looked == 0) *stamp = DeviceStampOfStat(st);
  return looked;
}

int DeviceReadFile(const WCHAR* path, size_t maxBytes, std::string* bytes, DeviceFileStamp* stamp) {
  DevicePlace place;
  int result = OpenDevicePlace(path, &place);
  if (result != 0) return result;
  int fd = -1;
  struct stat st;
  result = OpenSource(place, nullptr, &fd, &st);
  if (result != 0) return result;
  if ((uint64_t)st.st_size > maxBytes) {
    close(fd);
    return EFBIG;
  }
  bytes->clear();
  bytes->reserve((size_t)st.st_size);
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || bytes->size() + (size_t)n > maxBytes) {
      result = n < 0 ? ErrnoOr(EIO) : (n > 0 ? EFBIG : 0);
      break;
    }
    bytes->append(buffer, (size_t)n);
  }
  close(fd);
  if (result == 0 && stamp != nullptr) *stamp = DeviceStampOfStat(st);
  return result;
}

int DeviceWriteFile(const WCHAR* path, const void* bytes, size_t size, const DeviceFileStamp* expect) {
  DevicePlace place;
  int result = OpenDevicePlace(path, &place);
  if (result != 0) return result;
  struct stat st;
  const int looked = LookAtDevicePlace(place, &st);
  if (expect != nullptr) {
    result = CheckDeviceStamp(place, expect);
    if (result != 0) return result;
  } else if (looked != DEVICE_CHANGED) {
    return EEXIST;
  }
  const mode_t mode = expect != nullptr ? (st.st_mode & 07777) : kUmaskMode;
  return WriteThroughTemp(place, mode, expect, expect != nullptr,
                          [&](int fd) { return WriteAll(fd, (const char*)bytes, size); });
}

int DeviceRenameFile(const WCHAR* from, const WCHAR* to, const DeviceFileStamp* expect) {
  DevicePlace source, target;
  int result = OpenDevicePlace(from, &source);
  if (result == 0) result = OpenDevicePlace(to, &target);
  if (result == 0) result = CheckDeviceStamp(source, expect);
  if (result == 0) result = TellDeviceStep(DEVICE_ACCESS_RENAME, source.folderFd, source.folder, source.name);
  if (result == 0) result = CheckDeviceStamp(source, expect);
  if (result == 0) result = RenameInto(source, source.name, target, false);
  if (result == 0) SyncFolder(target);
  return result;
}

int DeviceCopyFile(const WCHAR* from, const WCHAR* to, BOOL replace, const DeviceFileStamp* expect) {
  DevicePlace source, target;
  int result = OpenDevicePlace(from, &source);
  if (result == 0) result = OpenDevicePlace(to, &target);
  if (result == 0) result = CopyPlace(source, target, replace != FALSE, expect);
  return result;
}

int DeviceMoveFile(const WCHAR* from, const WCHAR* to, BOOL replace, const DeviceFileStamp* expect) {
  DevicePlace source, target;
  int result = OpenDevicePlace(from, &source);
  if (result == 0) result = OpenDevicePlace(to, &target);
  if (result == 0) result = CheckDeviceStamp(source, expect);
  if (result != 0) return result;
  // 1. Within a file system the move is one rename.
  result = TellDeviceStep(DEVICE_ACCESS_RENAME, source.folderFd, source.folder, source.name);
  if (result == 0) result = CheckDeviceStamp(source, expect);
  if (result == 0) result = RenameInto(source, source.name, target, replace != FALSE);
  if (result == 0) {
    SyncFolder(source);
    SyncFolder(target);
  }
  if (result != EXDEV) return result;
  // 2. Across file systems: a whole copy first, then the original goes. An
  //    original that cannot go takes its new copy back, unless the copy
  //    replaced a file (which is gone either way).
  DeviceFileStamp seen;
  struct stat st;
  if (LookAtDevicePlace(source, &st) != 0) return DEVICE_CHANGED;
  seen = DeviceStampOfStat(st);
  struct stat there;
  const bool replaced = LookAtDevicePlace(target, &there) != DEVICE_CHANGED;
  result = CopyPlace(source, target, replace != FALSE, &seen);
  if (result != 0) return result;
  result = TellDeviceStep(DEVICE_ACCESS_REMOVE, source.folderFd, source.folder, source.name);
  if (result == 0) result = CheckDeviceStamp(source, &seen);
  if (result == 0 && unlinkat(source.folderFd, source.name.c_str(), 0) != 0) result = ErrnoOr(EIO);
  if (result != 0 && !replaced) unlinkat(target.folderFd, target.name.c_str(), 0);
  if (result == 0) SyncFolder(source);
  return result;
}

int DeviceDeleteFile(const WCHAR* path, const DeviceFileStamp* expect) {
  DevicePlace place;
  int result = OpenDevicePlace(path, &place);
  if (result == 0) result = CheckDeviceStamp(place, expect);
  if (result == 0) result = TellDeviceStep(DEVICE_ACCESS_REMOVE, place.folderFd, place.folder, place.name);
  if (result == 0) result = CheckDeviceStamp(place, expect);
  if (result == 0 && unlinkat(place.folderFd, place.name.c_str(), 0) != 0) result = ErrnoOr(EIO);
  if (result == 0) SyncFolder(place);
  return result;
}

// Host objects below the device root, opened without leaving it; the access
// hook that tests use to see every host object the device opens.
#include "devicewalk.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "devicefs.h"

namespace {

// The root as given (the prefix of every host path the device makes), the
// same root resolved, and the resolved root held open: every open starts at
// this descriptor, so a later change of the given path cannot move it.
std::string g_givenRoot = ".";
std::string g_realRoot;
int g_rootFd = -1;

// Cleared when the kernel (or a seccomp filter) refuses openat2; the walk
// of one component at a time then does the same work.
std::atomic<bool> g_openat2{true};

DeviceAccessHook g_hook;

int RootFd() {
  if (g_rootFd < 0) WalkSetRoot(g_givenRoot);
  return g_rootFd;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (name.empty()) return folder;
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// The part of `path` below `root` ("" for the root itself); false when
// `path` is not `root` or below it.
bool Below(const std::string& path, const std::string& root, std::string* relative) {
  if (path == root) {
    relative->clear();
    return true;
  }
  if (root == "/") {
    if (path.empty() || path[0] != '/') return false;
    *relative =
        path.substr(path.find_first_not_of('/') == std::string::npos ? path.size() : path.find_first_not_of('/'));
    return true;
  }
  if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 || path[root.size()] != '/') return false;
  *relative = path.substr(root.size() + 1);
  return true;
}

// openat from `folder` with links refused on the last component as well:
// a link there is reported as ELOOP, whatever the flags.
int OpenNoLink(int folder, const char* name, int flags) {
  const int fd = openat(folder, name, flags | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0 || (errno != ENOTDIR && errno != ELOOP)) return fd;
  struct stat st;
  if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) errno = ELOOP;
  return -1;
}

// The walk for kernels without openat2: one component at a time from the
// root, each opened with links refused.
int WalkBeneath(const std::string& relative, int flags) {
  int folder = RootFd();
  size_t at = 0;
  for (;;) {
    size_t end = relative.find('/', at);
    const bool last = end == std::string::npos;
    if (last) end = relative.size();
    const std::string name = relative.substr(at, end - at);
    at = end + 1;
    if (name.empty() && !last) continue;                        // a doubled slash
    const char* component = name.empty() ? "." : name.c_str();  // "" is the folder itself
    // ".." could climb out of the root, as RESOLVE_BENEATH refuses too.
    const int next = name == ".." ? -1 : OpenNoLink(folder, component, last ? flags : O_PATH | O_DIRECTORY);
    const int error = name == ".." ? EXDEV : errno;
    if (folder != g_rootFd) close(folder);
    errno = error;
    if (next < 0 || last) return next;
    folder = next;
  }
}

// Opens `relative` below the root with no link followed anywhere on the
// way: ELOOP when one is met.
int OpenBeneath(const std::string& relative, int flags) {
  if (RootFd() < 0) return -1;
  if (g_openat2.load(std::memory_order_relaxed)) {
    struct open_how how = {};
    how.flags = (uint64_t)(flags | O_NOFOLLOW | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const int fd = (int)syscall(SYS_openat2, g_rootFd, relative.empty() ? "." : relative.c_str(), &how, sizeof(how));
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return fd;
    g_openat2.store(false, std::memory_order_relaxed);
  }
  return WalkBeneath(relative, flags);
}

// Opens and looks at `relative`; a link as the object itself (O_PATH opens
// one) counts as a link met. Without O_PATH, O_NOFOLLOW has refused a link
// already, and a caller that needs no status saves the look.
int OpenAndStat(const std::string& relative, int flags, struct stat* status) {
  const int fd = OpenBeneath(relative, flags);
  if (fd < 0) return -1;
  if (status == nullptr && (flags & O_PATH) == 0) return fd;
  struct stat own;
  if (status == nullptr) status = &own;
  if (fstat(fd, status) != 0 || S_ISLNK(status->st_mode)) {
    close(fd);
    errno = ELOOP;
    return -1;
  }
  return fd;
}

}  // namespace

bool WalkSetRoot(const std::string& hostFolder) {
  char* resolved = realpath(hostFolder.c_str(), nullptr);
  if (resolved == nullptr) return false;
  const int fd = open(resolved, O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    free(resolved);
    return false;
  }
  if (g_rootFd >= 0) close(g_rootFd);
  g_rootFd = fd;
  g_realRoot = resolved;
  g_givenRoot = hostFolder;
  free(resolved);
  return true;
}

int OpenInRoot(const std::string& hostPath, int flags, struct stat* status, int access) {
  // 1. The path as the device spells it: the common case, with no link on
  //    the way, is one open.
  std::string relative;
  if (!Below(hostPath, g_givenRoot, &relative)) return -1;
  int fd = OpenAndStat(relative, flags, status);
  if (fd < 0 && (errno == ELOOP || errno == ENOTDIR)) {
    // 2. A link on the way (or a file where a folder should be): resolve
    //    the whole path, ".." and links in links included, and accept it
    //    only below the resolved root.
    char* resolved = realpath(hostPath.c_str(), nullptr);
    if (resolved == nullptr) return -1;
    const bool inside = Below(resolved, g_realRoot, &relative);
    free(resolved);
    if (!inside) return -1;
    // 3. Open the resolved path with links refused: a link met now was put
    //    there after step 2 looked, and is not followed.
    fd = OpenAndStat(relative, flags, status);
  }
  if (fd >= 0) NotifyHostAccess(access, fd, Join(g_realRoot, relative));
  return fd;
}

void WalkUseOpenat2(bool use) {
  g_openat2.store(use, std::memory_order_relaxed);
}

bool StatInRoot(const std::string& hostPath, struct stat* status) {
  const int fd = OpenInRoot(hostPath, O_PATH, status, DEVICE_ACCESS_LOOKUP);
  if (fd < 0) return false;
  close(fd);
  return true;
}

void DeviceSetAccessHook(DeviceAccessHook hook) {
  g_hook = std::move(hook);
}

void NotifyHostAccess(int access, int fd, const std::string& fallback, const std::string& child) {
  if (!g_hook) return;
  // The kernel's name for the descriptor tells where the open really led,
  // whatever this file believes it resolved.
  char link[40];
  std::snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
  char target[PATH_MAX];
  const ssize_t n = readlink(link, target, sizeof(target));
  const std::string path = n > 0 && n < (ssize_t)sizeof(target) ? std::string(target, (size_t)n) : fallback;
  g_hook((DeviceAccess)access, Join(path, child));
}

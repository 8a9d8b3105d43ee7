// The Trash through GIO, and the undo: finding the trashed entry in the
// Trash GIO chose (files/ and info/*.trashinfo), checking its Path and
// moving it back.
#include "devicetrash.h"

#include <dirent.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "devicefs.h"
#include "devicewriteplace.h"

namespace {

// Entries of one name a Trash may hold before the search gives up on
// guessing GIO's numbered names and looks at every entry.
constexpr int kNumberedNames = 1000;

std::string KernelPathOf(int fd) {
  char link[40];
  snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
  char target[PATH_MAX];
  const ssize_t n = readlink(link, target, sizeof(target));
  return n > 0 && n < (ssize_t)sizeof(target) ? std::string(target, (size_t)n) : std::string();
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The mount point of the file system holding `folder`: the highest folder
// above it on the same device, as GIO finds it.
std::string TopFolderOf(const std::string& folder, dev_t device) {
  std::string top = folder;
  while (top != "/") {
    const std::string up = ParentOf(top);
    struct stat st;
    if (stat(up.c_str(), &st) != 0 || st.st_dev != device) break;
    top = up;
  }
  return top;
}

// GIO's name for the `id`th file of one name in a Trash: "a.jpg", "a.2.jpg".
std::string NumberedName(const std::string& name, int id) {
  if (id == 1) return name;
  const size_t dot = name.find('.');
  if (dot == std::string::npos) return name + "." + std::to_string(id);
  return name.substr(0, dot) + "." + std::to_string(id) + name.substr(dot);
}

int ErrorOfGio(const GError* error) {
  if (error->domain != G_IO_ERROR) return EIO;
  switch (error->code) {
    case G_IO_ERROR_NOT_SUPPORTED:
      return DEVICE_NO_TRASH;
    case G_IO_ERROR_NOT_FOUND:
      return ENOENT;
    case G_IO_ERROR_PERMISSION_DENIED:
      return EACCES;
    case G_IO_ERROR_NO_SPACE:
      return ENOSPC;
    case G_IO_ERROR_READ_ONLY:
      return EROFS;
    default:
      return EIO;
  }
}

bool IsTheFile(const std::string& path, const DeviceTrashed& trashed) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (uint64_t)st.st_dev == trashed.volume &&
         (uint64_t)st.st_ino == trashed.inode;
}

// The Path a .trashinfo names, unescaped and made absolute (a Trash at the
// top of a file system names paths below that top). Empty when unreadable.
std::string TrashInfoPath(const DeviceTrashed& trashed) {
  const std::string info = trashed.trashFolder + "/info/" + trashed.trashName + ".trashinfo";
  gchar* text = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(info.c_str(), &text, &length, nullptr)) return std::string();
  std::string path;
  const char* at = std::strstr(text, "\nPath=");
  if (at != nullptr) {
    at += 6;
    const std::string escaped(at, std::strcspn(at, "\n"));
    if (gchar* plain = g_uri_unescape_string(escaped.c_str(), nullptr)) {
      path = plain;
      g_free(plain);
    }
  }
  g_free(text);
  if (!path.empty() && path[0] != '/') {
    // A Trash at a file system's top ("$top/.Trash-$uid", "$top/.Trash/$uid")
    // names paths below that top.
    const size_t mark = trashed.trashFolder.rfind("/.Trash");
    path = (mark == std::string::npos ? std::string() : trashed.trashFolder.substr(0, mark)) + "/" + path;
  }
  return path;
}

// Finds where the Trash at `folder` put the file: first among the names GIO
// gives, then among every entry of files/.
bool FindInTrash(const std::string& folder, const std::string& name, DeviceTrashed* trashed) {
  trashed->trashFolder = folder;
  const std::string files = folder + "/files/";
  struct stat st;
  for (int id = 1; id <= kNumberedNames; ++id) {
    const std::string candidate = NumberedName(name, id);
    if (IsTheFile(files + candidate, *trashed)) {
      trashed->trashName = candidate;
      return true;
    }
    if (lstat((folder + "/info/" + candidate + ".trashinfo").c_str(), &st) != 0) break;
  }
  DIR* dir = opendir(files.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (const struct dirent* entry = readdir(dir)) {
    if (entry->d_ino == trashed->inode && IsTheFile(files + entry->d_name, *trashed)) {
      trashed->trashName = entry->d_name;
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

// The Trash GIO used for a file of `folder` on `device`: the user's own
// when the file lies on the home folder's file system, else one at the top
// of the file's own.
bool LocateTrashed(const std::string& folder, dev_t device, const std::string& name, DeviceTrashed* trashed) {
  struct stat home;
  if (stat(g_get_home_dir(), &home) == 0 && home.st_dev == device) {
    return FindInTrash(std::string(g_get_user_data_dir()) + "/Trash", name, trashed);
  }
  const std::string top = TopFolderOf(folder, device);
  const std::string uid = std::to_string((unsigned long)geteuid());
  const std::string base = top == "/" ? std::string() : top;
  return FindInTrash(base + "/.Trash/" + uid, name, trashed) || FindInTrash(base + "/.Trash-" + uid, name, trashed);
}

}  // namespace

int DeviceTrashFile(const WCHAR* path, const DeviceFileStamp* expect, DeviceTrashed* trashed) {
  // 1. The file through the wall: its folder inside the root, the file
  //    itself a regular file (no link) and the one shown.
  DevicePlace place;
  int result = OpenDevicePlace(path, &place);
  if (result == 0) result = CheckDeviceStamp(place, expect);
  if (result != 0) return result;
  struct stat st;
  if (fstatat(place.folderFd, place.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return DEVICE_CHANGED;
  // 2. GIO is handed the path as the kernel resolved the folder, which is
  //    also the Path the .trashinfo records.
  const std::string folder = KernelPathOf(place.folderFd);
  if (folder.empty()) return ENOENT;
  *trashed = DeviceTrashed();
  trashed->devicePath.assign(path, WStrLen(path));
  trashed->originalHost = (folder == "/" ? std::string() : folder) + "/" + place.name;
  trashed->volume = (uint64_t)st.st_dev;
  trashed->inode = (uint64_t)st.st_ino;
  result = TellDeviceStep(DEVICE_ACCESS_TRASH, place.folderFd, place.folder, place.name);
  if (result == ENOTSUP) return DEVICE_NO_TRASH;
  if (result == 0) result = CheckDeviceStamp(place, expect);
  if (result != 0) return result;
  // 3. The local file system's own GFile: no virtual file system daemon is
  //    asked for anything.
  GFile* file = g_vfs_get_file_for_path(g_vfs_get_local(), trashed->originalHost.c_str());
  GError* error = nullptr;
  const gboolean done = g_file_trash(file, nullptr, &error);
  g_object_unref(file);
  if (!done) {
    result = error != nullptr ? ErrorOfGio(error) : EIO;
    if (error != nullptr) g_error_free(error);
    return result;
  }
  // 4. Where it went, for the undo; a Trash that cannot be found leaves the
  //    file trashed with nothing to bring it back by.
  if (!LocateTrashed(folder, st.st_dev, place.name, trashed)) trashed->trashName.clear();
  return 0;
}

int DeviceRestoreFile(const DeviceTrashed& trashed) {
  // 1. The Trash still holds the very file, under the .trashinfo that
  //    names where it came from.
  if (trashed.trashName.empty()) return DEVICE_NOT_IN_TRASH;
  const std::string files = trashed.trashFolder + "/files";
  if (!IsTheFile(files + "/" + trashed.trashName, trashed)) return DEVICE_NOT_IN_TRASH;
  if (TrashInfoPath(trashed) != trashed.originalHost) return DEVICE_NOT_IN_TRASH;
  // 2. Its place on the device, reached through the wall, and free.
  DevicePlace place;
  int result = OpenDevicePlace(trashed.devicePath.c_str(), &place);
  if (result != 0) return result;
  struct stat st;
  if (LookAtDevicePlace(place, &st) != DEVICE_CHANGED) return EEXIST;
  result = TellDeviceStep(DEVICE_ACCESS_RESTORE, place.folderFd, place.folder, place.name);
  if (result != 0) return result;
  // 3. Moved back without replacing anything, then its .trashinfo goes.
  const int filesFd = open(files.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (filesFd < 0) return DEVICE_NOT_IN_TRASH;
  if (renameat2(filesFd, trashed.trashName.c_str(), place.folderFd, place.name.c_str(), RENAME_NOREPLACE) != 0) {
    result = errno != 0 ? errno : EIO;
    if (result == EINVAL || result == ENOSYS) {
      result = linkat(filesFd, trashed.trashName.c_str(), place.folderFd, place.name.c_str(), 0) == 0 ? 0 : errno;
      if (result == 0) unlinkat(filesFd, trashed.trashName.c_str(), 0);
    }
  }
  close(filesFd);
  if (result != 0) return result;
  unlink((trashed.trashFolder + "/info/" + trashed.trashName + ".trashinfo").c_str());
  return 0;
}

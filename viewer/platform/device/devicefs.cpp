// Device file calls over a host folder. See devicefs.h for the host facts
// that this file turns into handheld behaviour.
#include "devicefs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "devicewalk.h"
#include "nameorder.h"
#include "platform/base/wstr.h"

namespace {

constexpr size_t kMaxDevicePath = MAX_PATH - 1;        // 259 characters
constexpr uint64_t kEpochDifference = 11644473600ULL;  // 1601-01-01 to 1970-01-01, seconds

std::string g_root = ".";

// One listed name: where its bytes and its sort key lie in the listing's
// two arenas (one allocation each for a whole folder, not one per name).
struct ListedName {
  uint32_t name;  // offset in FindState::names, NUL-terminated
  uint32_t key;   // offset in FindState::keys
  uint32_t keyLength;
};

struct FindState {
  int dirFd = -1;                  // the folder listed; -1 for a search of one entry
  std::string hostFolder;          // host path of the folder, for links in it
  std::string names;               // the matching names' bytes
  std::u32string keys;             // their sort keys
  std::vector<ListedName> listed;  // in name order
  size_t next = 0;                 // the entry to report next
};

bool IsWild(std::u16string_view s) {
  return s.find(u'*') != std::u16string_view::npos || s.find(u'?') != std::u16string_view::npos;
}

char16_t Fold(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? (char16_t)(c + 32) : c;
}

// Wildcard match without regard to letter case; "*.*" matches every name,
// as the handheld's enumeration does.
bool WildMatch(std::u16string_view pat, std::u16string_view name) {
  if (pat == u"*.*" || pat == u"*") return true;
  size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pat.size() && (pat[p] == u'?' || Fold(pat[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (p < pat.size() && pat[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == u'*') ++p;
  return p == pat.size();
}

FILETIME ToFileTime(const struct timespec& ts) {
  uint64_t t = ((uint64_t)ts.tv_sec + kEpochDifference) * 10000000ULL + (uint64_t)ts.tv_nsec / 100;
  if (ts.tv_sec < 0) t = 0;
  FILETIME ft;
  ft.dwLowDateTime = (DWORD)t;
  ft.dwHighDateTime = (DWORD)(t >> 32);
  return ft;
}

void FillRecord(const struct stat& st, const CString& name, WIN32_FIND_DATA* out) {
  std::memset(out, 0, sizeof(*out));
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) {
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else {
    attributes |= FILE_ATTRIBUTE_ARCHIVE;
  }
  if (!name.empty() && name[0] == u'.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  out->dwFileAttributes = attributes;
  out->ftCreationTime = ToFileTime(st.st_mtim);
  out->ftLastAccessTime = ToFileTime(st.st_atim);
  out->ftLastWriteTime = ToFileTime(st.st_mtim);
  const uint64_t size = S_ISDIR(st.st_mode) ? 0 : (uint64_t)st.st_size;
  out->nFileSizeHigh = (DWORD)(size >> 32);
  out->nFileSizeLow = (DWORD)size;
  out->dwOID = (DWORD)st.st_ino;
  WStrCopy(out->cFileName, MAX_PATH, name);
}

// Splits a device path into its folder and last component.
void SplitLast(const CString& path, CString* folder, CString* last) {
  const size_t slash = path.rfind(u'\\');
  if (slash == CString::npos) {
    folder->clear();
    *last = path;
  } else {
    *folder = path.substr(0, slash);
    *last = path.substr(slash + 1);
  }
}

// Takes `raw` into the listing when it can be a device name in `folder`
// and matches `pattern`.
void TakeName(FindState* state, const CString& folder, const CString& pattern, const char* raw, CString* name) {
  if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0) return;
  if (!Utf8ToWide(raw, name)) return;
  if (name->find(u'\\') != CString::npos) return;
  if (folder.size() + 1 + name->size() > kMaxDevicePath) return;
  if (!WildMatch(pattern, *name)) return;
  ListedName listed = {(uint32_t)state->names.size(), (uint32_t)state->keys.size(), 0};
  state->names.append(raw).push_back('\0');
  AppendNameSortKey(*name, &state->keys);
  listed.keyLength = (uint32_t)(state->keys.size() - listed.key);
  state->listed.push_back(listed);
}

// Opens the folder at `hostFolder` and takes every name that can be a
// device name and matches `pattern`, sorted into name order. What each name
// is, is looked up only as it is reported.
FindState* ListFolder(const CString& folder, const std::string& hostFolder, const CString& pattern) {
  const int fd = OpenInRoot(hostFolder, O_RDONLY | O_DIRECTORY, nullptr, DEVICE_ACCESS_LIST_FOLDER);
  if (fd < 0) return nullptr;
  FindState* state = new FindState();
  state->dirFd = fd;
  state->hostFolder = hostFolder;
  // The directory's records straight from the kernel: a listing is read
  // whole before anything is reported, so no stream is needed around it.
  alignas(struct dirent64) char buffer[32768];
  CString name;
  for (ssize_t n; (n = getdents64(fd, buffer, sizeof(buffer))) > 0;) {
    for (ssize_t at = 0; at < n;) {
      const struct dirent64* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += entry->d_reclen;
      TakeName(state, folder, pattern, entry->d_name, &name);
    }
  }
  const char* names = state->names.data();
  const char32_t* keys = state->keys.data();
  std::sort(state->listed.begin(), state->listed.end(), [names, keys](const ListedName& a, const ListedName& b) {
    const int order = std::u32string_view(keys + a.key, a.keyLength).compare({keys + b.key, b.keyLength});
    return order != 0 ? order < 0 : std::strcmp(names + a.name, names + b.name) < 0;
  });
  return state;
}

// Reports the next entry that is still there and may be reported: a link
// only when it leads to an object inside the root, as that object.
bool ReportNext(FindState* state, WIN32_FIND_DATA* out) {
  while (state->next < state->listed.size()) {
    const char* raw = state->names.data() + state->listed[state->next++].name;
    struct stat st;
    if (fstatat(state->dirFd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone
    if (S_ISLNK(st.st_mode) && !StatInRoot(state->hostFolder + "/" + raw, &st)) continue;
    CString name;
    Utf8ToWide(raw, &name);
    FillRecord(st, name, out);
    return true;
  }
  return false;
}

}  // namespace

BOOL DeviceSetRoot(const std::string& hostFolder) {
  struct stat st;
  if (hostFolder.empty() || stat(hostFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return FALSE;
  std::string root = hostFolder;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (!WalkSetRoot(root)) return FALSE;
  g_root = root;
  return TRUE;
}

const std::string& DeviceGetRoot() {
  return g_root;
}

BOOL DeviceToHostPath(const WCHAR* devicePath, std::string* hostPath) {
  if (devicePath == nullptr) return FALSE;
  std::u16string_view path(devicePath, WStrLen(devicePath));
  if (path.size() > kMaxDevicePath) return FALSE;
  if (!path.empty() && path[0] == u'\\') path.remove_prefix(1);
  std::string result = g_root;
  while (!path.empty()) {
    const size_t slash = path.find(u'\\');
    const std::u16string_view component = path.substr(0, slash);
    if (component.empty() || component == u"." || component == u"..") return FALSE;
    if (component.find(u'/') != std::u16string_view::npos) return FALSE;
    std::string utf8;
    if (!WideToUtf8(component, &utf8)) return FALSE;
    result += '/';
    result += utf8;
    if (slash == std::u16string_view::npos) break;
    path.remove_prefix(slash + 1);
    if (path.empty()) return FALSE;  // trailing backslash
  }
  *hostPath = std::move(result);
  return TRUE;
}

HANDLE FindFirstFile(const WCHAR* pattern, WIN32_FIND_DATA* findData) {
  if (pattern == nullptr || findData == nullptr) return INVALID_HANDLE_VALUE;
  CString folder, last;
  SplitLast(CString(pattern, WStrLen(pattern)), &folder, &last);
  if (last.empty()) return INVALID_HANDLE_VALUE;

  if (!IsWild(last)) {
    // A search for one entry: the path itself, file or folder.
    CString whole = folder + u"\\" + last;
    std::string host;
    if (!DeviceToHostPath(whole.c_str(), &host)) return INVALID_HANDLE_VALUE;
    struct stat st;
    if (!StatInRoot(host, &st)) return INVALID_HANDLE_VALUE;
    FillRecord(st, last, findData);
    return new FindState();
  }

  std::string hostFolder;
  if (!DeviceToHostPath(folder.c_str(), &hostFolder)) return INVALID_HANDLE_VALUE;
  FindState* state = ListFolder(folder, hostFolder, last);
  if (state == nullptr) return INVALID_HANDLE_VALUE;
  if (!ReportNext(state, findData)) {
    FindClose(state);
    return INVALID_HANDLE_VALUE;
  }
  return state;
}

BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA* findData) {
  if (find == nullptr || find == INVALID_HANDLE_VALUE || findData == nullptr) return FALSE;
  FindState* state = (FindState*)find;
  if (state->dirFd < 0) return FALSE;
  return ReportNext(state, findData) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE find) {
  if (find == nullptr || find == INVALID_HANDLE_VALUE) return FALSE;
  FindState* state = (FindState*)find;
  if (state->dirFd >= 0) close(state->dirFd);
  delete state;
  return TRUE;
}

BOOL GetDeviceFileId(const WCHAR* devicePath, uint64_t* volume, uint64_t* index) {
  std::string host;
  if (volume == nullptr || index == nullptr || !DeviceToHostPath(devicePath, &host)) return FALSE;
  struct stat st;
  if (!StatInRoot(host, &st)) return FALSE;
  *volume = (uint64_t)st.st_dev;
  *index = (uint64_t)st.st_ino;
  return TRUE;
}

BOOL CreateDirectory(const WCHAR* devicePath, void* /*securityAttributes*/) {
  std::string host;
  if (!DeviceToHostPath(devicePath, &host)) return FALSE;
  if (host == g_root) return FALSE;
  // The new folder's name is made in its parent as found below the root:
  // mkdirat never follows a link in the last component.
  const size_t slash = host.rfind('/');
  const std::string name = host.substr(slash + 1);
  const int fd = OpenInRoot(host.substr(0, slash), O_PATH | O_DIRECTORY, nullptr, DEVICE_ACCESS_LOOKUP);
  if (fd < 0) return FALSE;
  const bool made = mkdirat(fd, name.c_str(), 0777) == 0;
  if (made) NotifyHostAccess(DEVICE_ACCESS_MAKE_FOLDER, fd, host.substr(0, slash), name);
  close(fd);
  return made ? TRUE : FALSE;
}

FILE* _wfopen(const WCHAR* devicePath, const WCHAR* mode) {
  if (mode == nullptr) return nullptr;
  const std::u16string_view m(mode, WStrLen(mode));
  if (m != u"rb" && m != u"r") return nullptr;
  std::string host;
  if (!DeviceToHostPath(devicePath, &host) || host == g_root) return nullptr;
  // 1. What the path leads to, inside the root, looked at before anything
  //    is opened: a FIFO or device node is never opened at all.
  struct stat looked;
  if (!StatInRoot(host, &looked)) return nullptr;
  if (!S_ISREG(looked.st_mode)) {
    errno = S_ISDIR(looked.st_mode) ? EISDIR : EACCES;
    return nullptr;
  }
  // 2. The open refuses links and does not wait (should a FIFO have been
  //    swapped in after step 1), and must find the same regular file.
  struct stat opened;
  const int fd = OpenInRoot(host, O_RDONLY | O_NONBLOCK | O_NOCTTY, &opened, DEVICE_ACCESS_READ_FILE);
  if (fd < 0) return nullptr;
  if (!S_ISREG(opened.st_mode) || opened.st_dev != looked.st_dev || opened.st_ino != looked.st_ino) {
    close(fd);
    errno = ESTALE;
    return nullptr;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  FILE* stream = fdopen(fd, "rb");
  if (stream == nullptr) close(fd);
  return stream;
}

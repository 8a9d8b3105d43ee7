// The start place of vimbra: PATH and --device, the pictures folder (from a
// small regular user-dirs.dirs only), the per-user device folder.
#include "startplace.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "filelist/imagefilelist.h"
#include "platform/base/hostfile.h"
#include "platform/device/devicefs.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitBadPath = 2;
const char kNotShown[] = "its name or place cannot be shown on the device";

std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? std::string(home) : std::string();
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// A PATH as a message shows it: an empty one as ''.
std::string Shown(const std::string& path) {
  return path.empty() ? "''" : path;
}

// The system's reason for an error, as strerror words it.
std::string Reason(std::errc error) {
  return std::make_error_code(error).message();
}

// The list shows only these; a PATH naming another file is refused.
bool HasPictureExtension(const fs::path& path, bool anyPicture) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = (char)std::tolower((unsigned char)c);
  if (!anyPicture) return extension == ".jpg" || extension == ".jpeg";
  CString wide;
  return extension.size() > 1 && Utf8ToWide(extension.substr(1), &wide) && IsPictureExtensionOf(wide, TRUE);
}

enum Placement { PLACE_BELOW, PLACE_OUTSIDE, PLACE_NOT_SHOWN };

// The device path of `folder` below `root` (both canonical): "" for the
// root itself, "\a\b" below it. PLACE_NOT_SHOWN when a name on the way is
// not UTF-8, which the device never shows.
Placement DevicePathBelow(const fs::path& root, const fs::path& folder, CString* devicePath) {
  const fs::path relative = folder.lexically_relative(root);
  if (relative.empty()) return PLACE_OUTSIDE;
  CString result;
  for (const fs::path& part : relative) {
    const std::string name = part.string();
    if (name == ".") continue;
    if (name == "..") return PLACE_OUTSIDE;
    CString wide;
    if (!Utf8ToWide(name, &wide)) return PLACE_NOT_SHOWN;
    result += u"\\" + wide;
  }
  *devicePath = result;
  return PLACE_BELOW;
}

// The entry a device path names, seen through the device layer: what the
// viewer itself will find there.
bool DeviceEntryIs(const CString& devicePath, bool folder) {
  WIN32_FIND_DATA record;
  HANDLE find = FindFirstFile(devicePath.c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return ((record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

int Refuse(std::string* error, const std::string& what) {
  *error = "vimbra: " + what;
  return kExitBadPath;
}

// Makes `root` the device root; false with the reason in *why.
bool SetRoot(const std::string& root, std::string* why) {
  std::error_code code;
  const fs::file_status status = fs::status(root, code);
  if (code || !fs::exists(status)) {
    *why = code ? code.message() : Reason(std::errc::no_such_file_or_directory);
    return false;
  }
  if (!fs::is_directory(status)) {
    *why = "not a folder";
    return false;
  }
  errno = 0;
  if (DeviceSetRoot(root)) return true;
  *why = errno != 0 ? std::strerror(errno) : "cannot serve as the device";
  return false;
}

// PATH given: its folder (or the folder of the picture it names) is where
// the viewer starts; without DEVICE it is also the device root.
int SetUpFromPath(const std::string& device, const std::string& path, bool anyPicture, StartPlace* place,
                  std::string* error) {
  std::error_code code;
  const fs::path target = path.empty() ? fs::path() : fs::canonical(path, code);
  if (path.empty() || code) {
    const bool missing =
        path.empty() || code == std::errc::no_such_file_or_directory || code == std::errc::not_a_directory;
    return Refuse(error, Shown(path) + ": " + (missing ? "no such file or folder" : code.message()));
  }
  fs::path folder = target;
  bool picture = false;
  if (!IsFolder(target)) {
    if (!fs::is_regular_file(target, code) || !HasPictureExtension(target, anyPicture)) {
      return Refuse(error, path + (anyPicture ? ": not a folder or a picture" : ": not a folder or a JPEG picture"));
    }
    folder = target.parent_path();
    picture = true;
  }
  fs::path root = folder;
  if (!device.empty()) {
    root = fs::canonical(device, code);
    if (code) return Refuse(error, "--device " + device + ": " + code.message());
    if (!IsFolder(root)) return Refuse(error, "--device " + device + ": not a folder");
  }
  CString devicePath;
  switch (DevicePathBelow(root, folder, &devicePath)) {
    case PLACE_OUTSIDE:
      return Refuse(error, path + ": not inside the device folder " + device);
    case PLACE_NOT_SHOWN:
      return Refuse(error, path + ": " + kNotShown);
    case PLACE_BELOW:
      break;
  }
  std::string why;
  if (!SetRoot(device.empty() ? root.string() : device, &why)) return Refuse(error, root.string() + ": " + why);
  place->deviceRoot = DeviceGetRoot();
  place->hasStartFolder = TRUE;
  place->startFolder = devicePath;
  place->startPicture.clear();
  if (picture) {
    CString name;
    if (!Utf8ToWide(target.filename().string(), &name)) name.clear();
    place->startPicture = devicePath + u"\\" + name;
  }
  // Names the device cannot hold (too long, not UTF-8) are not shown there.
  if ((!devicePath.empty() && !DeviceEntryIs(devicePath, true)) ||
      (picture && !DeviceEntryIs(place->startPicture, false))) {
    return Refuse(error, path + ": " + kNotShown);
  }
  return 0;
}

// Makes `folder` and the folders on the way to it below `base`, which must
// be a folder already and is never made. False with the reason in *why:
// the folder that could not be made (when not `folder` itself) and the
// system's words.
bool MakeFolderBelow(const fs::path& base, const fs::path& folder, std::string* why) {
  std::error_code code;
  fs::path at = base;
  if (!fs::is_directory(base, code)) {
    if (!code) {
      code = std::make_error_code(fs::exists(base) ? std::errc::not_a_directory : std::errc::no_such_file_or_directory);
    }
  } else {
    for (const fs::path& part : folder.lexically_relative(base)) {
      at /= part;
      fs::create_directory(at, code);
      // A file in the way: the folder cannot be made there, nor below it.
      if ((!code || code == std::errc::file_exists) && !IsFolder(at)) {
        code = std::make_error_code(std::errc::not_a_directory);
      }
      if (code) break;
    }
  }
  if (!code) return true;
  *why = (at == folder ? std::string() : at.string() + ": ") + code.message();
  return false;
}

// The per-user device folder, made when missing; 0 or the exit status with
// the reason in *error.
int MakeDefaultDeviceFolder(std::string* root, std::string* error) {
  std::string base;
  *root = DefaultDeviceFolder(&base);
  if (root->empty()) {
    *error = "vimbra: cannot make the device folder: no home folder is set (neither HOME nor XDG_DATA_HOME)";
    return kExitFailure;
  }
  std::string why;
  if (!MakeFolderBelow(base, *root, &why)) {
    *error = "vimbra: cannot make the device folder " + *root + ": " + why;
    return kExitFailure;
  }
  return 0;
}

}  // namespace

int SetUpStartPlace(const std::string& device, const std::string* path, bool anyPicture, StartPlace* place,
                    std::string* error) {
  if (path != nullptr) return SetUpFromPath(device, *path, anyPicture, place, error);
  *place = StartPlace();
  // 1. --device alone: the handheld's start in that folder.
  std::string root = device;
  // 2. Neither: the user's pictures folder, shown from its top, when it is there.
  if (root.empty()) {
    const std::string pictures = UserPicturesFolder(&place->note);
    if (!pictures.empty() && IsFolder(pictures)) {
      root = pictures;
      place->hasStartFolder = TRUE;
    }
  }
  // 3. Else the per-user device folder, made when missing.
  if (root.empty()) {
    const int made = MakeDefaultDeviceFolder(&root, error);
    if (made != 0) return made;
  }
  std::string why;
  if (!SetRoot(root, &why)) {
    *error = "vimbra: " + (device.empty() ? "cannot use the device folder " + root : "--device " + root) + ": " + why;
    return kExitBadPath;
  }
  place->deviceRoot = DeviceGetRoot();
  return 0;
}

std::string UserPicturesFolder(std::string* note) {
  const std::string home = Home();
  if (home.empty()) return std::string();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string configHome = config != nullptr && config[0] == '/' ? std::string(config) : home + "/.config";
  const std::string file = configHome + "/user-dirs.dirs";
  // A FIFO or a device there must not hold up the start: only a small
  // regular file is read, anything else counts as no file.
  std::string text;
  int code = 0;
  switch (ReadHostFile(file, kMaxUserDirsBytes, HOST_FILE_REGULAR, &text, &code)) {
    case HOST_FILE_READ: {
      std::string folder;
      if (!PicturesFolderFromUserDirs(text, home, &folder)) break;
      // Set to the home folder itself: the user has none.
      return WithoutTrailingSlashes(folder) == WithoutTrailingSlashes(home) ? std::string() : folder;
    }
    case HOST_FILE_ABSENT:
      break;
    case HOST_FILE_NOT_ALLOWED:
      *note = "vimbra: " + file + ": not a regular file; ignored";
      break;
    case HOST_FILE_TOO_LARGE:
      *note = "vimbra: " + file + ": larger than " + std::to_string(kMaxUserDirsBytes >> 10) + " KB; ignored";
      break;
    case HOST_FILE_FAILED:
      *note = "vimbra: " + file + ": " + std::strerror(code) + "; ignored";
      break;
  }
  return home + "/Pictures";
}

bool PicturesFolderFromUserDirs(const std::string& text, const std::string& home, std::string* folder) {
  static const std::string kKey = "XDG_PICTURES_DIR=\"";
  bool found = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0) continue;
    // The value runs to the closing quote; a backslash takes the next
    // character as it is.
    std::string value;
    bool closed = false;
    for (size_t i = start + kKey.size(); i < line.size() && !closed; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (line[i] == '"') {
        closed = true;
      } else {
        value += line[i];
      }
    }
    if (!closed) continue;
    // Only "$HOME" followed by "/" or nothing, and absolute paths, are the
    // file's forms; an escaped "\$HOME" is a literal name.
    const std::string raw = line.substr(start + kKey.size());
    if (raw.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      *folder = home + value.substr(5);
      found = true;
    } else if (!value.empty() && value[0] == '/') {
      *folder = value;
      found = true;
    }
  }
  return found;
}

std::string DefaultDeviceFolder(std::string* base) {
  std::string unused;
  if (base == nullptr) base = &unused;
  const std::string home = WithoutTrailingSlashes(Home());
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') {
    const fs::path dataHome = WithoutTrailingSlashes(data);
    // Inside the home (~/.local/share) it may be made as far up as the home.
    const fs::path inHome = home.empty() ? fs::path() : dataHome.lexically_relative(home);
    const bool belowHome = !inHome.empty() && *inHome.begin() != "..";
    *base = belowHome ? home : dataHome.parent_path().string();
    return (dataHome / "vimbra/device").string();
  }
  if (home.empty()) return std::string();
  *base = home;
  return (fs::path(home) / ".local/share/vimbra/device").string();
}

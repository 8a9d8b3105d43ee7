// The start place of vimbra: PATH and --device, the pictures folder, the
// per-user device folder.
#include "startplace.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/device/devicefs.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitBadPath = 2;

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

// The list shows only these; a PATH naming another file is refused.
bool HasPictureExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = (char)std::tolower((unsigned char)c);
  return extension == ".jpg" || extension == ".jpeg";
}

// The device path of `folder` below `root` (both canonical): "" for the
// root itself, "\a\b" below it. FALSE when it lies outside, or a name is
// not UTF-8.
bool DevicePathBelow(const fs::path& root, const fs::path& folder, CString* devicePath) {
  const fs::path relative = folder.lexically_relative(root);
  if (relative.empty()) return false;
  CString result;
  for (const fs::path& part : relative) {
    const std::string name = part.string();
    if (name == ".") continue;
    if (name == "..") return false;
    CString wide;
    if (!Utf8ToWide(name, &wide)) return false;
    result += u"\\" + wide;
  }
  *devicePath = result;
  return true;
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

// PATH given: its folder (or the folder of the picture it names) is where
// the viewer starts; without DEVICE it is also the device root.
int SetUpFromPath(const std::string& device, const std::string& path, StartPlace* place, std::string* error) {
  std::error_code code;
  const fs::path target = fs::canonical(path, code);
  if (code) return Refuse(error, path + ": no such file or folder");
  fs::path folder = target;
  bool picture = false;
  if (!IsFolder(target)) {
    if (!fs::is_regular_file(target, code) || !HasPictureExtension(target)) {
      return Refuse(error, path + ": not a folder or a JPEG picture");
    }
    folder = target.parent_path();
    picture = true;
  }
  fs::path root = folder;
  if (!device.empty()) {
    root = fs::canonical(device, code);
    if (code || !IsFolder(root)) return Refuse(error, "--device " + device + ": not a folder");
  }
  CString devicePath;
  if (!DevicePathBelow(root, folder, &devicePath)) {
    return Refuse(error, path + ": not inside the device folder " + device);
  }
  if (!DeviceSetRoot(device.empty() ? root.string() : device)) {
    return Refuse(error, root.string() + ": not a folder");
  }
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
    return Refuse(error, path + ": its name or place cannot be shown on the device");
  }
  return 0;
}

}  // namespace

int SetUpStartPlace(const std::string& device, const std::string& path, StartPlace* place, std::string* error) {
  if (!path.empty()) return SetUpFromPath(device, path, place, error);
  *place = StartPlace();
  // 1. --device alone: the handheld's start in that folder.
  std::string root = device;
  // 2. Neither: the user's pictures folder, shown from its top, when it is there.
  if (root.empty()) {
    const std::string pictures = UserPicturesFolder();
    if (!pictures.empty() && IsFolder(pictures)) {
      root = pictures;
      place->hasStartFolder = TRUE;
    }
  }
  // 3. Else the per-user device folder, made when missing.
  if (root.empty()) {
    root = DefaultDeviceFolder();
    std::error_code code;
    if (!root.empty()) fs::create_directories(root, code);
    if (root.empty() || code) {
      *error = "vimbra: cannot make the device folder " + root;
      return kExitFailure;
    }
  }
  if (!DeviceSetRoot(root)) {
    *error = "vimbra: --device " + root + ": not a folder";
    return kExitBadPath;
  }
  place->deviceRoot = DeviceGetRoot();
  return 0;
}

std::string UserPicturesFolder() {
  const std::string home = Home();
  if (home.empty()) return std::string();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string configHome = config != nullptr && config[0] == '/' ? std::string(config) : home + "/.config";
  std::ifstream in(configHome + "/user-dirs.dirs");
  std::string folder;
  if (in) {
    std::stringstream text;
    text << in.rdbuf();
    if (PicturesFolderFromUserDirs(text.str(), home, &folder)) {
      // Set to the home folder itself: the user has none.
      return WithoutTrailingSlashes(folder) == WithoutTrailingSlashes(home) ? std::string() : folder;
    }
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

std::string DefaultDeviceFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/vimbra/device";
  const std::string home = Home();
  if (home.empty()) return std::string();
  return home + "/.local/share/vimbra/device";
}

// The pieces the device's writes share (devicewrite.cpp, devicetrash.cpp):
// a file's place as its folder held open below the root and its name, the
// look at what is there, and the access hook's say over each step.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "devicewrite.h"

// A device file's folder, opened (path only) with links refused on the way,
// and its name in it; the host paths for the hook and messages.
struct DevicePlace {
  int folderFd = -1;
  std::string folder;  // host path of the folder
  std::string name;    // the file's name in it
  DevicePlace() = default;
  DevicePlace(const DevicePlace&) = delete;
  DevicePlace& operator=(const DevicePlace&) = delete;
  ~DevicePlace() {
    if (folderFd >= 0) close(folderFd);
  }
};

// Resolves `path` into `place`: DEVICE_BAD_NAME for a path the device cannot
// have, DEVICE_NOT_A_FILE for the root, the host's error when the folder
// cannot be reached inside the root.
int OpenDevicePlace(const WCHAR* path, DevicePlace* place);
// What is at the place (a link not followed): 0 for a regular file,
// DEVICE_NOT_A_FILE for anything else, DEVICE_CHANGED when nothing is there.
int LookAtDevicePlace(const DevicePlace& place, struct stat* st);
// A regular file at the place, and the one `expect` describes (when given).
int CheckDeviceStamp(const DevicePlace& place, const DeviceFileStamp* expect);
DeviceFileStamp DeviceStampOfStat(const struct stat& st);
// Tells the access hook of a step (as NotifyHostAccess does) and returns the
// fault it asked for with DeviceFailAccess, 0 for none.
int TellDeviceStep(int access, int fd, const std::string& fallback, const std::string& child = std::string());

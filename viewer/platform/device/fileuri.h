// The file URI of a device file as the desktop's programs name it: "file://"
// and the absolute host path, percent-encoded byte for byte as GLib encodes a
// file name, so that the MD5 of the URI finds their thumbnails and they ours.
#pragma once

#include <string>

#include "platform/base/wintypes.h"

// "file://" + `absolutePath`, every byte other than A-Z a-z 0-9 and
// - _ . ! ~ * ' ( ) / & = : @ $ , + written as %XX (upper-case digits).
std::string FileUriOfHostPath(const std::string& absolutePath);

// The URI of a device path: its host path made absolute against the working
// folder, "." and ".." taken away by name (links stay as the user sees them,
// as a file manager shows them). FALSE for a path the device refuses.
BOOL DeviceFileUri(const WCHAR* devicePath, std::string* uri);

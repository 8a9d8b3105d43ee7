// File URIs of device files: the absolute host path and its percent-encoding.
#include "platform/device/fileuri.h"

#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/device/devicefs.h"

namespace {

bool KeptAsIs(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return c != 0 && std::strchr("-_.!~*'()/&=:@$,+", c) != nullptr;
}

// `path` made absolute, its empty, "." and ".." components taken away by
// name; empty when the working folder cannot be told.
std::string AbsolutePath(const std::string& path) {
  std::string whole = path;
  if (whole.empty() || whole[0] != '/') {
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size()) == nullptr) return std::string();
    whole = std::string(cwd.data()) + "/" + whole;
  }
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= whole.size()) {
    size_t slash = whole.find('/', at);
    if (slash == std::string::npos) slash = whole.size();
    const std::string part = whole.substr(at, slash - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = slash + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result.empty() ? "/" : result;
}

}  // namespace

std::string FileUriOfHostPath(const std::string& absolutePath) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : absolutePath) {
    if (KeptAsIs(c)) {
      uri += (char)c;
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

BOOL DeviceFileUri(const WCHAR* devicePath, std::string* uri) {
  std::string host;
  if (!DeviceToHostPath(devicePath, &host)) return FALSE;
  const std::string absolute = AbsolutePath(host);
  if (absolute.empty()) return FALSE;
  *uri = FileUriOfHostPath(absolute);
  return TRUE;
}

// What the device layer opens on the host while a test runs, from its own
// access hook (paths as the kernel names the opened objects), and a folder
// outside the device root for links to point at.
#pragma once

#include <limits.h>
#include <stdlib.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/device/devicefs.h"

// Installs the hook for its lifetime; safe to be told from any thread.
class AccessRecorder {
 public:
  AccessRecorder() {
    DeviceSetAccessHook([this](DeviceAccess access, const std::string& path) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_records.push_back({access, path});
    });
  }
  ~AccessRecorder() { DeviceSetAccessHook(nullptr); }
  AccessRecorder(const AccessRecorder&) = delete;
  AccessRecorder& operator=(const AccessRecorder&) = delete;

  // The paths recorded for one kind of access.
  std::set<std::string> Paths(DeviceAccess access) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::set<std::string> paths;
    for (const Record& r : m_records) {
      if (r.access == access) paths.insert(r.path);
    }
    return paths;
  }
  // Every recorded path that is not `root` or below it.
  std::vector<std::string> Outside(const std::string& root) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> outside;
    for (const Record& r : m_records) {
      if (r.path != root && r.path.compare(0, root.size() + 1, root + "/") != 0) outside.push_back(r.path);
    }
    return outside;
  }
  size_t Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.size();
  }

 private:
  struct Record {
    DeviceAccess access;
    std::string path;
  };
  mutable std::mutex m_mutex;
  std::vector<Record> m_records;
};

// A host path with links and ".." resolved.
inline std::string ResolvedPath(const std::string& path) {
  char buffer[PATH_MAX];
  return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

// A temporary host folder beside the device root, removed at the end.
class OutsideFolder {
 public:
  OutsideFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/vimbra-outside-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  ~OutsideFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  OutsideFolder(const OutsideFolder&) = delete;
  OutsideFolder& operator=(const OutsideFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

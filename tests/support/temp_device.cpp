// Temporary device roots for tests.
#include "temp_device.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/device/devicefs.h"

TempDevice::TempDevice() : m_previousRoot(DeviceGetRoot()) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/vimbra-device-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_root = pattern;
  DeviceSetRoot(m_root);
}

TempDevice::~TempDevice() {
  DeviceSetRoot(m_previousRoot);
  std::error_code ec;
  // Folders made read-only by a test must be writable again to be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(
           m_root, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
  }
  chmod(m_root.c_str(), 0755);
  std::filesystem::remove_all(m_root, ec);
}

std::string TempDevice::HostPath(const std::string& devicePath) const {
  std::string host = m_root;
  if (!devicePath.empty() && devicePath[0] != '\\') host += '/';
  for (char c : devicePath) host += c == '\\' ? '/' : c;
  return host;
}

void TempDevice::MakeFolder(const std::string& devicePath) const {
  std::filesystem::create_directories(HostPath(devicePath));
}

void TempDevice::WriteFile(const std::string& devicePath, const std::string& bytes) const {
  WriteHostFile(HostPath(devicePath), bytes);
}

void TempDevice::Remove(const std::string& devicePath) const {
  std::error_code ec;
  std::filesystem::remove_all(HostPath(devicePath), ec);
}

std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), (std::streamsize)bytes.size());
}

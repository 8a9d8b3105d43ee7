// A temporary device root for one test: a fresh host folder that serves as
// the device's file system while the object lives.
#pragma once

#include <string>

class TempDevice {
 public:
  TempDevice();
  ~TempDevice();
  TempDevice(const TempDevice&) = delete;
  TempDevice& operator=(const TempDevice&) = delete;

  const std::string& Root() const { return m_root; }
  // Host path of a device path given in UTF-8 with "\" separators.
  std::string HostPath(const std::string& devicePath) const;
  void MakeFolder(const std::string& devicePath) const;
  void WriteFile(const std::string& devicePath, const std::string& bytes) const;
  void Remove(const std::string& devicePath) const;

 private:
  std::string m_root;
  std::string m_previousRoot;
};

// Reads a whole host file; empty when it cannot be read.
std::string ReadHostFile(const std::string& hostPath);
void WriteHostFile(const std::string& hostPath, const std::string& bytes);

// WinePrefix: one fresh 32-bit Wine prefix for one test process, set to
// Wine's null display driver, and the running of programs inside it.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// Runs argv[0] found on PATH with argv, without a shell, its output appended
// to strLog. Returns the exit status, or -1 when it could not be run.
int RunProgram(const std::vector<std::string>& argv, const std::string& strLog);
// The same in two halves: StartProgram returns the child's id (or -1), and
// WaitForProgram its exit status.
pid_t StartProgram(const std::vector<std::string>& argv, const std::string& strLog);
int WaitForProgram(pid_t pid);

// Full path of an executable found on PATH, or "" when there is none.
std::string FindOnPath(const std::string& strName);

// "key=value" lines of a small record file; empty when the file is missing.
std::map<std::string, std::string> ReadRecord(const std::string& strHostPath);

// Whole content of a host file, or "<missing>".
std::string ReadFileBytes(const std::string& strHostPath);

class WinePrefix {
 public:
  WinePrefix() = default;
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;
  ~WinePrefix() { Destroy(); }

  // Makes a new prefix in a new folder under strParent, with the
  // environment every later wine call inherits, boots it, and switches it to
  // the null display driver. strLoader is "wine" for a 32-bit prefix, or
  // the path of the wine64 loader for a 64-bit one. Returns "" or what went
  // wrong.
  std::string Create(const std::string& strParent, const std::string& strLoader = "wine");
  // Stops the prefix's wineserver and all its processes; removes the folder
  // unless KeepFiles was called (to look into a failed run).
  void Destroy();
  void KeepFiles() { m_bKeepFiles = true; }

  // `wine ARGS` (or the wine64 loader) under `timeout`; the exit status (124: timed out).
  int Wine(const std::vector<std::string>& args, int nTimeoutSeconds = 30) const;
  // The same, started without waiting: the id for WaitForProgram.
  pid_t StartWine(const std::vector<std::string>& args, int nTimeoutSeconds = 30) const;
  // `wine reg add KEY /ve|/v NAME [/t TYPE] /d DATA /f`; strName "" sets the default value.
  int RegAdd(const std::string& strKey, const std::string& strName, const std::string& strData,
             const std::string& strType = "REG_SZ") const;
  int RegDelete(const std::string& strKey) const;

  // Host path of a Windows path on drive C: "C:\a b\c" -> "<prefix>/drive_c/a b/c".
  std::string HostPath(const std::string& strWindowsPath) const;
  // Windows path of a host path, through Wine's drive Z: (the host root).
  static std::string ZPath(const std::string& strHostPath);

  const std::string& Folder() const { return m_strFolder; }
  const std::string& Log() const { return m_strLog; }

 private:
  std::string m_strFolder;  // holds the prefix and the log
  std::string m_strPrefix;
  std::string m_strLog;
  std::string m_strLoader;
  bool m_bKeepFiles = false;
};

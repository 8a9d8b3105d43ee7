// WinePrefix and the process helpers of the Wine tests: every wine call runs
// under `timeout`, in a prefix of its own that no other test process shares.
#include "wine_prefix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

int RunProgram(const std::vector<std::string>& argv, const std::string& strLog) {
  return WaitForProgram(StartProgram(argv, strLog));
}

pid_t StartProgram(const std::vector<std::string>& argv, const std::string& strLog) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    int fd = open(strLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      dup2(fd, STDOUT_FILENO);
      dup2(fd, STDERR_FILENO);
      close(fd);
    }
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, STDIN_FILENO);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

int WaitForProgram(pid_t pid) {
  if (pid < 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FindOnPath(const std::string& strName) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    std::string candidate = (dir.empty() ? "." : dir) + "/" + strName;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

std::map<std::string, std::string> ReadRecord(const std::string& strHostPath) {
  std::map<std::string, std::string> record;
  std::ifstream in(strHostPath, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) record[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return record;
}

std::string ReadFileBytes(const std::string& strHostPath) {
  std::ifstream in(strHostPath, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string WinePrefix::Create(const std::string& strParent, const std::string& strLoader) {
  std::string pattern = strParent + "/wine-XXXXXX";
  if (!mkdtemp(pattern.data())) return "cannot make a folder under " + strParent;
  m_strFolder = pattern;
  m_strPrefix = m_strFolder + "/prefix";
  m_strLog = m_strFolder + "/wine.log";
  m_strLoader = strLoader;

  // Inherited by every wine call: a prefix of our own, no debug output, no
  // offer to install .NET or a browser engine, and no display. A program
  // that Wine starts itself (the manager, say) uses WINELOADER.
  setenv("WINEPREFIX", m_strPrefix.c_str(), 1);
  setenv("WINEARCH", strLoader == "wine" ? "win32" : "win64", 1);
  if (strLoader != "wine") setenv("WINELOADER", strLoader.c_str(), 1);
  setenv("WINEDEBUG", "-all", 1);
  setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");

  // The first call boots the prefix. With the null driver, which a running
  // wineserver only takes up after a restart, a message box blocks until it
  // is answered, as on Windows, and needs no X display.
  if (Wine({"reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"}, 120) != 0)
    return "booting the prefix failed; see " + m_strLog;
  if (RunProgram({"timeout", "-k", "5", "30", "wineserver", "-k"}, m_strLog) == 124)
    return "wineserver -k timed out; see " + m_strLog;
  return "";
}

void WinePrefix::Destroy() {
  if (m_strPrefix.empty()) return;
  RunProgram({"timeout", "-k", "5", "30", "wineserver", "-k"}, m_strLog);
  std::error_code error;
  if (!m_bKeepFiles) fs::remove_all(m_strFolder, error);  // drive letters are symlinks: removed, not followed
  m_strPrefix.clear();
}

int WinePrefix::Wine(const std::vector<std::string>& args, int nTimeoutSeconds) const {
  return WaitForProgram(StartWine(args, nTimeoutSeconds));
}

pid_t WinePrefix::StartWine(const std::vector<std::string>& args, int nTimeoutSeconds) const {
  std::vector<std::string> argv = {"timeout", "-k", "5", std::to_string(nTimeoutSeconds), m_strLoader};
  argv.insert(argv.end(), args.begin(), args.end());
  return StartProgram(argv, m_strLog);
}

int WinePrefix::RegAdd(const std::string& strKey, const std::string& strName, const std::string& strData,
                       const std::string& strType) const {
  std::vector<std::string> args = {"reg", "add", strKey};
  if (strName.empty()) {
    args.push_back("/ve");
  } else {
    args.insert(args.end(), {"/v", strName});
  }
  args.insert(args.end(), {"/t", strType, "/d", strData, "/f"});
  return Wine(args);
}

int WinePrefix::RegDelete(const std::string& strKey) const {
  return Wine({"reg", "delete", strKey, "/f"});
}

std::string WinePrefix::HostPath(const std::string& strWindowsPath) const {
  std::string rest = strWindowsPath.substr(2);  // after "C:"
  for (char& c : rest)
    if (c == '\\') c = '/';
  return m_strPrefix + "/drive_c" + rest;
}

std::string WinePrefix::ZPath(const std::string& strHostPath) {
  std::string path = "Z:" + fs::absolute(strHostPath).string();
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// CFakeWinOps: each operation records one line, checks that it is used the
// way Windows requires, and acts on the in-memory PC as Windows would.
#include "fake_winops.h"

#include <algorithm>
#include <cctype>
#include <cstring>

const char kProgramPath[] = "C:\\Cradlet\\Cradlet.exe";
const char kManagerPath[] = "C:\\Program Files\\Windows CE Services\\CEAppMgr.exe";
const char kAppPathsKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";
const char kSyncKey[] = "Software\\Microsoft\\Windows CE Services";

void SetUpTypicalPc(CFakeWinOps& fake) {
  fake.AddFolder("C:");
  fake.AddFolder("C:\\Cradlet");
  fake.AddFile(kProgramPath, "MZ cradlet");
  fake.AddFile("C:\\Cradlet\\Vimbra.arm_ppc.CAB", "MSCF cabinet 1");
  fake.AddFile("C:\\Cradlet\\Vimbra.ini", "[CEAppManager] 1");
  fake.AddFolder("C:\\Program Files");
  fake.AddFolder("C:\\Program Files\\Windows CE Services");
  fake.AddFile(kManagerPath, "MZ manager");
  fake.SetRegistryString(kAppPathsKey, "", kManagerPath);
  fake.m_strModulePath = kProgramPath;
}

// ---- The PC ----

std::string CFakeWinOps::Key(const std::string& strPath) {
  std::string key = strPath;
  while (!key.empty() && key.back() == '\\') key.pop_back();
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  return key;
}

std::string CFakeWinOps::Parent(const std::string& strKey) {
  std::size_t slash = strKey.rfind('\\');
  return slash == std::string::npos ? std::string() : strKey.substr(0, slash);
}

std::string CFakeWinOps::PathArg(const char* pszPath, const char* pszOperation) {
  std::size_t nLength = strnlen(pszPath, MAX_PATH);
  if (nLength == static_cast<std::size_t>(MAX_PATH))
    m_faults.push_back(std::string(pszOperation) + ": path without terminator within MAX_PATH");
  return std::string(pszPath, nLength);
}

void CFakeWinOps::AddFolder(const std::string& strPath) {
  m_folders[Key(strPath)] = strPath;
}

void CFakeWinOps::AddFile(const std::string& strPath, const std::string& strContent) {
  m_files[Key(strPath)] = {strPath, strContent};
}

bool CFakeWinOps::HasFolder(const std::string& strPath) const {
  return m_folders.count(Key(strPath)) != 0;
}

bool CFakeWinOps::HasFile(const std::string& strPath) const {
  return m_files.count(Key(strPath)) != 0;
}

std::string CFakeWinOps::FileContent(const std::string& strPath) const {
  auto it = m_files.find(Key(strPath));
  return it == m_files.end() ? std::string("<missing>") : it->second.second;
}

void CFakeWinOps::AddRegistryKey(const std::string& strKey) {
  m_registry[Key(strKey)];
}

void CFakeWinOps::SetRegistryValue(const std::string& strKey, const std::string& strName, const std::vector<BYTE>& data,
                                   DWORD dwType) {
  m_registry[Key(strKey)][Key(strName)] = {dwType, data};
}

void CFakeWinOps::SetRegistryString(const std::string& strKey, const std::string& strName, const std::string& strValue,
                                    DWORD dwType) {
  std::vector<BYTE> data(strValue.begin(), strValue.end());
  data.push_back(0);
  SetRegistryValue(strKey, strName, data, dwType);
}

void CFakeWinOps::Release(const std::string& strKey) {
  auto it = m_files.find(strKey);
  if (it != m_files.end() && m_nFreeBytes >= 0) m_nFreeBytes += static_cast<long long>(it->second.second.size());
}

std::vector<std::string> CFakeWinOps::CallNames() const {
  std::vector<std::string> names;
  for (const std::string& call : m_calls) names.push_back(call.substr(0, call.find(' ')));
  return names;
}

std::vector<std::string> CFakeWinOps::Snapshot() const {
  std::vector<std::string> all;
  for (const auto& [key, path] : m_folders) all.push_back(path + "\\");
  for (const auto& [key, file] : m_files) all.push_back(file.first + " = " + file.second);
  std::sort(all.begin(), all.end());
  return all;
}

// ---- Kernel ----

HANDLE CFakeWinOps::CreateMutexA(SECURITY_ATTRIBUTES* pMutexAttributes, BOOL bInitialOwner, const char* pszName) {
  std::string name = pszName ? pszName : "<null>";
  m_calls.push_back("CreateMutexA " + name);
  if (pMutexAttributes != nullptr || bInitialOwner || !pszName)
    m_faults.push_back("CreateMutexA: a named mutex with default security, not owned");
  if (m_dwCreateMutexError != 0) {
    m_dwLastError = m_dwCreateMutexError;
    return nullptr;
  }
  m_dwLastError = m_existingMutexes.count(name) ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  return reinterpret_cast<HANDLE>(m_nNextHandle++);
}

DWORD CFakeWinOps::GetLastError() {
  m_calls.push_back("GetLastError");
  return m_dwLastError;
}

DWORD CFakeWinOps::GetModuleFileNameA(HMODULE hModule, char* pszFileName, DWORD nSize) {
  m_calls.push_back("GetModuleFileNameA");
  if (hModule != nullptr || nSize != MAX_PATH) m_faults.push_back("GetModuleFileNameA: not own module, 260 bytes");
  if (m_strModulePath.empty()) return 0;
  // A path that does not fit is cut to nSize bytes without terminator, as
  // Windows XP does, and nSize is returned.
  DWORD nLength = static_cast<DWORD>(m_strModulePath.size());
  if (nLength >= nSize) {
    std::memcpy(pszFileName, m_strModulePath.data(), nSize);
    return nSize;
  }
  std::memcpy(pszFileName, m_strModulePath.c_str(), nLength + 1);
  return nLength;
}

HANDLE CFakeWinOps::FindFirstFileA(const char* pszFileName, WIN32_FIND_DATAA* pFindData) {
  std::string path = PathArg(pszFileName, "FindFirstFileA");
  m_calls.push_back("FindFirstFileA " + path);
  const BYTE* pRecord = reinterpret_cast<const BYTE*>(pFindData);
  if (std::any_of(pRecord, pRecord + sizeof *pFindData, [](BYTE b) { return b != 0; }))
    m_faults.push_back("FindFirstFileA: find record not zero-filled");
  // A pattern ending in "\" names no entry.
  bool bFound = !path.empty() && path.back() != '\\' && (HasFile(path) || HasFolder(path));
  if (!bFound) return INVALID_HANDLE_VALUE;
  HANDLE hFind = reinterpret_cast<HANDLE>(m_nNextHandle++);
  m_openFinds.insert(hFind);
  return hFind;
}

BOOL CFakeWinOps::FindClose(HANDLE hFindFile) {
  m_calls.push_back("FindClose");
  if (m_openFinds.erase(hFindFile) == 0) {
    m_faults.push_back("FindClose: search not open");
    return FALSE;
  }
  return TRUE;
}

DWORD CFakeWinOps::GetFileAttributesA(const char* pszFileName) {
  std::string path = PathArg(pszFileName, "GetFileAttributesA");
  m_calls.push_back("GetFileAttributesA " + path);
  std::string key = Key(path);
  DWORD dwReadOnly = m_readOnly.count(key) ? FILE_ATTRIBUTE_READONLY : 0;
  if (m_folders.count(key)) return FILE_ATTRIBUTE_DIRECTORY | dwReadOnly;
  if (m_files.count(key)) return dwReadOnly ? dwReadOnly : FILE_ATTRIBUTE_NORMAL;
  return INVALID_FILE_ATTRIBUTES;
}

BOOL CFakeWinOps::CopyFileA(const char* pszExistingFileName, const char* pszNewFileName, BOOL bFailIfExists) {
  std::string source = PathArg(pszExistingFileName, "CopyFileA");
  std::string target = PathArg(pszNewFileName, "CopyFileA");
  m_calls.push_back("CopyFileA " + source + " > " + target);
  if (bFailIfExists) m_faults.push_back("CopyFileA: must overwrite");
  std::string targetKey = Key(target);
  if (!HasFile(source) || m_locked.count(Key(source)) || !m_folders.count(Parent(targetKey)) ||
      m_folders.count(targetKey) || m_readOnly.count(targetKey) || (bFailIfExists && HasFile(target)))
    return FALSE;
  std::string content = FileContent(source);
  Release(targetKey);
  if (m_nFreeBytes >= 0 && static_cast<long long>(content.size()) > m_nFreeBytes) {
    m_files[targetKey] = {target, content.substr(0, static_cast<std::size_t>(m_nFreeBytes))};
    m_nFreeBytes = 0;
    return FALSE;
  }
  if (m_nFreeBytes >= 0) m_nFreeBytes -= static_cast<long long>(content.size());
  m_files[targetKey] = {target, content};
  return TRUE;
}

BOOL CFakeWinOps::MoveFileExA(const char* pszExistingFileName, const char* pszNewFileName, DWORD dwFlags) {
  std::string source = PathArg(pszExistingFileName, "MoveFileExA");
  std::string target = PathArg(pszNewFileName, "MoveFileExA");
  m_calls.push_back("MoveFileExA " + source + " > " + target);
  if (dwFlags != (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    m_faults.push_back("MoveFileExA: must replace and write through");
  std::string sourceKey = Key(source), targetKey = Key(target);
  // Windows refuses to replace a read-only file, a folder or a file held open.
  if (!HasFile(source) || !m_folders.count(Parent(targetKey)) || m_folders.count(targetKey) ||
      m_readOnly.count(targetKey) || m_locked.count(targetKey) ||
      (!(dwFlags & MOVEFILE_REPLACE_EXISTING) && HasFile(target)))
    return FALSE;
  std::string content = FileContent(source);
  Release(targetKey);
  m_files.erase(sourceKey);
  m_files[targetKey] = {target, content};
  return TRUE;
}

BOOL CFakeWinOps::DeleteFileA(const char* pszFileName) {
  std::string path = PathArg(pszFileName, "DeleteFileA");
  m_calls.push_back("DeleteFileA " + path);
  std::string key = Key(path);
  if (!m_files.count(key) || m_readOnly.count(key)) return FALSE;
  Release(key);
  m_files.erase(key);
  return TRUE;
}

// Each %NAME% of a defined variable is replaced; any other "%" stays.
DWORD CFakeWinOps::ExpandEnvironmentStringsA(const char* pszSrc, char* pszDst, DWORD nSize) {
  std::string source = PathArg(pszSrc, "ExpandEnvironmentStringsA"), result;
  m_calls.push_back("ExpandEnvironmentStringsA " + source);
  for (std::size_t i = 0; i < source.size(); ++i) {
    std::size_t end = source[i] == '%' ? source.find('%', i + 1) : std::string::npos;
    std::string name = end == std::string::npos ? std::string() : source.substr(i + 1, end - i - 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    auto it = m_environment.find(name);
    if (end != std::string::npos && it != m_environment.end()) {
      result += it->second;
      i = end;
    } else {
      result += source[i];
    }
  }
  DWORD nNeeded = static_cast<DWORD>(result.size() + 1);
  // A result that does not fit leaves the buffer cut, without terminator.
  std::memcpy(pszDst, result.c_str(), std::min(nNeeded, nSize));
  return nNeeded;
}

// ---- Registry ----

LONG CFakeWinOps::RegOpenKeyExA(HKEY hKey, const char* pszSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult) {
  std::string name = pszSubKey;
  m_calls.push_back("RegOpenKeyExA " + name);
  if (hKey != HKEY_LOCAL_MACHINE || ulOptions != 0 || samDesired != KEY_READ)
    m_faults.push_back("RegOpenKeyExA: not HKEY_LOCAL_MACHINE for reading");
  if (!m_registry.count(Key(name))) return ERROR_FILE_NOT_FOUND;
  *phkResult = reinterpret_cast<HKEY>(m_nNextHandle++);
  m_openKeys.insert(*phkResult);
  m_keyNames[*phkResult] = name;
  return ERROR_SUCCESS;
}

LONG CFakeWinOps::RegQueryValueExA(HKEY hKey, const char* pszValueName, DWORD* pReserved, DWORD* pType, BYTE* pData,
                                   DWORD* pcbData) {
  std::string name = pszValueName ? pszValueName : "";
  m_calls.push_back("RegQueryValueExA " + (pszValueName ? name : "(default)"));
  if (pReserved != nullptr) m_faults.push_back("RegQueryValueExA: reserved must be null");
  if (!m_openKeys.count(hKey)) {
    m_faults.push_back("RegQueryValueExA: key not open");
    return 6;  // ERROR_INVALID_HANDLE
  }
  const auto& values = m_registry[Key(m_keyNames[hKey])];
  auto it = values.find(Key(name));
  if (it == values.end()) return ERROR_FILE_NOT_FOUND;
  if (pType) *pType = it->second.dwType;
  DWORD cbValue = static_cast<DWORD>(it->second.data.size());
  if (pData && *pcbData < cbValue) {
    *pcbData = cbValue;
    return ERROR_MORE_DATA;
  }
  if (pData) std::memcpy(pData, it->second.data.data(), cbValue);
  *pcbData = cbValue;
  return ERROR_SUCCESS;
}

LONG CFakeWinOps::RegCloseKey(HKEY hKey) {
  m_calls.push_back("RegCloseKey " + (m_keyNames.count(hKey) ? m_keyNames[hKey] : std::string("?")));
  if (m_openKeys.erase(hKey) == 0) {
    m_faults.push_back("RegCloseKey: key not open");
    return 6;  // ERROR_INVALID_HANDLE
  }
  return ERROR_SUCCESS;
}

// ---- C runtime ----

// The C runtime's split: drive "X:", directory up to and including the last
// "\" or "/", then file name and extension (from the last ".").
void CFakeWinOps::_splitpath(const char* pszPath, char* pszDrive, char* pszDir, char* pszFname, char* pszExt) {
  std::string path = PathArg(pszPath, "_splitpath");
  m_calls.push_back("_splitpath " + path);
  std::string drive = path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
  std::string rest = path.substr(drive.size());
  std::size_t slash = rest.find_last_of("\\/");
  std::string dir = slash == std::string::npos ? std::string() : rest.substr(0, slash + 1);
  std::string file = rest.substr(dir.size());
  std::size_t dot = file.rfind('.');
  std::string fname = dot == std::string::npos ? file : file.substr(0, dot);
  std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
  if (pszDrive) std::strcpy(pszDrive, drive.c_str());
  if (pszDir) std::strcpy(pszDir, dir.c_str());
  if (pszFname) std::strcpy(pszFname, fname.c_str());
  if (pszExt) std::strcpy(pszExt, ext.c_str());
}

int CFakeWinOps::_mkdir(const char* pszDirName) {
  std::string path = PathArg(pszDirName, "_mkdir");
  m_calls.push_back("_mkdir " + path);
  std::string key = Key(path), parent = Parent(key);
  if (m_folders.count(key) || m_files.count(key) || !m_folders.count(parent) || m_readOnly.count(parent)) return -1;
  m_folders[key] = path;
  return 0;
}

// ---- Shell and messages ----

HINSTANCE CFakeWinOps::ShellExecuteA(HWND hwnd, const char* pszOperation, const char* pszFile,
                                     const char* pszParameters, const char* pszDirectory, int nShowCmd) {
  FakeLaunch launch;
  launch.bOwnerNull = hwnd == nullptr;
  launch.bVerbNull = pszOperation == nullptr;
  launch.strFile = pszFile ? PathArg(pszFile, "ShellExecuteA") : "<null>";
  launch.strParameters = pszParameters ? PathArg(pszParameters, "ShellExecuteA") : "<null>";
  launch.bDirectoryNull = pszDirectory == nullptr;
  launch.nShowCmd = nShowCmd;
  m_launches.push_back(launch);
  m_calls.push_back("ShellExecuteA " + launch.strFile + " " + launch.strParameters);
  return reinterpret_cast<HINSTANCE>(m_nShellResult);
}

void CFakeWinOps::ShowMessage(UINT nIDPrompt) {
  m_calls.push_back("ShowMessage " + std::to_string(nIDPrompt));
  m_messages.push_back(nIDPrompt);
}

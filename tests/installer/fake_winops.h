// CFakeWinOps: a recording stand-in for Windows behind the installer's seam,
// with an in-memory PC (folders, files, registry) that the operations change.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "winops.h"

// One ShellExecuteA call, with null pointers kept apart from empty texts.
struct FakeLaunch {
  bool bOwnerNull = false;
  bool bVerbNull = false;
  std::string strFile;
  std::string strParameters;
  bool bDirectoryNull = false;
  int nShowCmd = -1;
};

class CFakeWinOps : public CWinOps {
 public:
  // ---- The PC, set up by a test before the run and read after it. ----
  // Paths compare without regard to letter case, as on Windows; folders are
  // named without trailing "\" ("C:" is the root of drive C).
  void AddFolder(const std::string& strPath);
  void AddFile(const std::string& strPath, const std::string& strContent);
  void RemoveFile(const std::string& strPath) { m_files.erase(Key(strPath)); }
  bool HasFolder(const std::string& strPath) const;
  bool HasFile(const std::string& strPath) const;
  std::string FileContent(const std::string& strPath) const;
  // A folder in which _mkdir cannot create anything, or a file that
  // CopyFileA cannot overwrite (the read-only attribute).
  void MakeReadOnly(const std::string& strPath) { m_readOnly.insert(Key(strPath)); }
  // Files held open elsewhere: CopyFileA cannot read them, MoveFileExA
  // cannot replace them.
  void LockFile(const std::string& strPath) { m_locked.insert(Key(strPath)); }
  // Registry under HKEY_LOCAL_MACHINE; value name "" is the default value.
  void AddRegistryKey(const std::string& strKey);
  void SetRegistryValue(const std::string& strKey, const std::string& strName, const std::vector<BYTE>& data,
                        DWORD dwType = REG_SZ);
  void SetRegistryString(const std::string& strKey, const std::string& strName, const std::string& strValue,
                         DWORD dwType = REG_SZ);

  // Bytes the disk still takes; negative for no limit. CopyFileA onto a full
  // disk writes what fits and fails, leaving the cut file, as Wine does.
  long long m_nFreeBytes = -1;
  // Environment of the process, for ExpandEnvironmentStringsA (names in capitals).
  std::map<std::string, std::string> m_environment;
  // Named mutexes that exist already (another Cradlet's); when
  // m_dwCreateMutexError is set, CreateMutexA fails with it instead.
  std::set<std::string> m_existingMutexes;
  DWORD m_dwCreateMutexError = 0;
  DWORD m_dwProcessId = 0x2A3C;
  void RemoveRegistryKey(const std::string& strKey) { m_registry.erase(Key(strKey)); }

  // What GetModuleFileNameA reports; empty makes it fail.
  std::string m_strModulePath;
  // What ShellExecuteA returns (above 32 is success).
  std::intptr_t m_nShellResult = 42;

  // ---- What the run did. ----
  std::vector<std::string> m_calls;  // one line per operation, in order
  std::vector<UINT> m_messages;      // ShowMessage ids
  std::vector<FakeLaunch> m_launches;
  std::vector<std::string> m_faults;  // misuse of the seam, e.g. closing a key twice
  std::set<HKEY> m_openKeys;
  std::set<HANDLE> m_openFinds;
  // Operation names of m_calls, without arguments.
  std::vector<std::string> CallNames() const;
  // All folders and files that exist now, as one sorted list (for "nothing left behind").
  std::vector<std::string> Snapshot() const;

  // ---- CWinOps ----
  HANDLE CreateMutexA(SECURITY_ATTRIBUTES* pMutexAttributes, BOOL bInitialOwner, const char* pszName) override;
  DWORD GetLastError() override;
  DWORD GetCurrentProcessId() override { return m_dwProcessId; }
  DWORD GetModuleFileNameA(HMODULE hModule, char* pszFileName, DWORD nSize) override;
  HANDLE FindFirstFileA(const char* pszFileName, WIN32_FIND_DATAA* pFindData) override;
  BOOL FindClose(HANDLE hFindFile) override;
  DWORD GetFileAttributesA(const char* pszFileName) override;
  BOOL CopyFileA(const char* pszExistingFileName, const char* pszNewFileName, BOOL bFailIfExists) override;
  BOOL MoveFileExA(const char* pszExistingFileName, const char* pszNewFileName, DWORD dwFlags) override;
  BOOL DeleteFileA(const char* pszFileName) override;
  DWORD ExpandEnvironmentStringsA(const char* pszSrc, char* pszDst, DWORD nSize) override;
  LONG RegOpenKeyExA(HKEY hKey, const char* pszSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult) override;
  LONG RegQueryValueExA(HKEY hKey, const char* pszValueName, DWORD* pReserved, DWORD* pType, BYTE* pData,
                        DWORD* pcbData) override;
  LONG RegCloseKey(HKEY hKey) override;
  void _splitpath(const char* pszPath, char* pszDrive, char* pszDir, char* pszFname, char* pszExt) override;
  int _mkdir(const char* pszDirName) override;
  HINSTANCE ShellExecuteA(HWND hwnd, const char* pszOperation, const char* pszFile, const char* pszParameters,
                          const char* pszDirectory, int nShowCmd) override;
  void ShowMessage(UINT nIDPrompt) override;

 private:
  // The path argument of an ANSI file call, read no further than MAX_PATH
  // bytes; one that has no terminator within them is recorded as a fault.
  std::string PathArg(const char* pszPath, const char* pszOperation);
  static std::string Key(const std::string& strPath);
  static std::string Parent(const std::string& strKey);
  // Frees the bytes of file strKey, which is being replaced or removed.
  void Release(const std::string& strKey);

  struct Value {
    DWORD dwType;
    std::vector<BYTE> data;
  };

  std::map<std::string, std::string> m_folders;                        // key -> path as created
  std::map<std::string, std::pair<std::string, std::string>> m_files;  // key -> (path, content)
  std::set<std::string> m_readOnly;
  std::set<std::string> m_locked;
  std::map<std::string, std::map<std::string, Value>> m_registry;  // key -> name -> value
  std::map<HKEY, std::string> m_keyNames;                          // every handle ever opened
  std::uintptr_t m_nNextHandle = 0x1000;
  DWORD m_dwLastError = 0;
};

// The usual PC: Cradlet in "C:\Cradlet" beside both source files, the
// application manager at kManagerPath with its App Paths key, no
// synchronisation-software key.
extern const char kProgramPath[];
extern const char kManagerPath[];
extern const char kAppPathsKey[];
extern const char kSyncKey[];
void SetUpTypicalPc(CFakeWinOps& fake);

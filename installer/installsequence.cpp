// RunInstall, FileExists and IsAbsolutePath: the install sequence written
// against CWinOps, so that the same code runs in Cradlet.exe and under the
// recording test fake.
#include "installsequence.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "resource.h"

namespace {

// Source files, appended to the program folder (which ends in "\").
const char kCabName[] = "Vimbra.arm_ppc.CAB";
const char kIniName[] = "Vimbra.ini";
// The same files, appended to the target folder (which has no trailing "\").
const char kTargetCabName[] = "\\Vimbra.arm_ppc.CAB";
const char kTargetIniName[] = "\\Vimbra.ini";

const char kTargetFolderName[] = "Vimbra_PPC_installer";
const char kFallbackTarget[] = "C:\\Vimbra_PPC_installer";
const char kLongPathTarget[] = "C:\\VimboTemp";
const char kQuote[] = "\"";

// Held by the Cradlet that is installing, in the namespace shared by all
// sessions, since all of them install into the same folder.
const char kInstallMutex[] = "Global\\Vimbra.Cradlet.Install";
// A copy is written under this name (then 8 hex digits of the process id
// and kTempSuffix) in the target folder and renamed into place when whole.
const char kTempPrefix[] = "\\~Cradlet";
const char kTempSuffix[] = ".tmp";

const char kSyncSoftwareKey[] = "Software\\Microsoft\\Windows CE Services\\";
const char kMajorVersionValue[] = "MajorVersion";
const char kAppManagerKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe\\";

// A target folder text of this many characters or more is not used: the
// copies go to kLongPathTarget. Every folder that can be chosen is therefore
// shorter than this, which leaves room for "\Vimbra.arm_ppc.CAB", for the
// temporary name and for the quoted parameter within MAX_PATH.
constexpr std::size_t kLongTargetChars = 230;

// ShellExecuteA returns an error code of at most this value when it fails;
// anything greater means the program was started.
constexpr std::intptr_t kLastShellError = 32;

typedef char PathBuffer[MAX_PATH];

// Writes the parts one after another into out when the whole text and its
// terminator fit in MAX_PATH bytes. Otherwise out is left empty and the
// result is FALSE: nothing is ever written past the buffer.
BOOL JoinPath(PathBuffer& out, std::initializer_list<const char*> parts) {
  std::size_t used = 0;
  for (const char* part : parts) {
    std::size_t len = std::strlen(part);
    if (len >= MAX_PATH - used) {
      out[0] = '\0';
      return FALSE;
    }
    std::memcpy(out + used, part, len);
    used += len;
  }
  out[used] = '\0';
  return TRUE;
}

// Shows message nId and returns it as the exit status.
int Fail(CWinOps& ops, UINT nId) {
  ops.ShowMessage(nId);
  return static_cast<int>(nId);
}

// Step 0: one install at a time. The mutex is never closed: it goes with the
// process, so it is held until the application manager has been started. A
// handle to an existing mutex, or a mutex that another user's Cradlet made
// and this one may not open, means that an install is running. Returns 0 or
// the message to show.
UINT TakeInstallLock(CWinOps& ops) {
  HANDLE hMutex = ops.CreateMutexA(nullptr, FALSE, kInstallMutex);
  DWORD dwError = ops.GetLastError();
  if (hMutex != nullptr && dwError != static_cast<DWORD>(ERROR_ALREADY_EXISTS)) return 0;
  if (hMutex != nullptr || dwError == static_cast<DWORD>(ERROR_ACCESS_DENIED)) return IDS_ALREADY_INSTALLING;
  return IDS_SYSTEM_ERROR;
}

// Steps 1 and 2: drive and directory of the program's own file, with its
// trailing "\". A result of MAX_PATH or more from GetModuleFileNameA means
// the path was cut short (older systems also leave it unterminated), which
// is no path of ours either.
BOOL GetProgramFolder(CWinOps& ops, PathBuffer& folder) {
  PathBuffer szModule = {};
  DWORD nLength = ops.GetModuleFileNameA(nullptr, szModule, MAX_PATH);
  if (nLength == 0 || nLength >= static_cast<DWORD>(MAX_PATH)) return FALSE;
  PathBuffer szDrive, szDir;
  ops._splitpath(szModule, szDrive, szDir, nullptr, nullptr);
  return JoinPath(folder, {szDrive, szDir});
}

// Step 5: the synchronisation software's major version, read and dropped:
// nothing depends on it, and a missing key is no failure. The key is closed
// as soon as it has been read.
void ReadSyncSoftwareVersion(CWinOps& ops) {
  HKEY hKey = nullptr;
  if (ops.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSyncSoftwareKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return;
  BYTE version[4] = {};
  DWORD cbVersion = sizeof version;
  ops.RegQueryValueExA(hKey, kMajorVersionValue, nullptr, nullptr, version, &cbVersion);
  ops.RegCloseKey(hKey);
}

// Step 6: the full path of CEAppMgr.exe from its App Paths key. A value of
// type REG_EXPAND_SZ has its %NAME% parts expanded; other types are used as
// they are. The path must be absolute (a relative one would find a program
// planted in the current folder) and name an existing file. A value that
// fills the whole buffer without a terminator is no usable path.
BOOL FindAppManager(CWinOps& ops, PathBuffer& manager) {
  HKEY hKey = nullptr;
  if (ops.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppManagerKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return FALSE;
  PathBuffer szValue = {};
  DWORD dwType = 0, cbValue = sizeof szValue;
  LONG nResult = ops.RegQueryValueExA(hKey, nullptr, nullptr, &dwType, reinterpret_cast<BYTE*>(szValue), &cbValue);
  ops.RegCloseKey(hKey);
  if (nResult != ERROR_SUCCESS || szValue[MAX_PATH - 1] != '\0') return FALSE;
  if (dwType == REG_EXPAND_SZ) {
    std::memset(manager, 0, sizeof manager);
    DWORD nChars = ops.ExpandEnvironmentStringsA(szValue, manager, MAX_PATH);
    if (nChars == 0 || nChars > static_cast<DWORD>(MAX_PATH) || manager[MAX_PATH - 1] != '\0') return FALSE;
  } else {
    std::memcpy(manager, szValue, sizeof manager);
  }
  return IsAbsolutePath(manager) && FileExists(ops, manager);
}

// Step 7: the folder beside the application manager, else the fallback on
// C:. Creation results are not looked at: an existing folder fails to be
// created but is used again. The length is judged before the text is formed,
// since a manager folder near MAX_PATH leaves no room for the folder name.
BOOL ChooseTargetFolder(CWinOps& ops, const char* pszManager, PathBuffer& target) {
  PathBuffer szDrive, szDir;
  ops._splitpath(pszManager, szDrive, szDir, nullptr, nullptr);
  std::size_t nChars = std::strlen(szDrive) + std::strlen(szDir) + std::strlen(kTargetFolderName);
  if (nChars >= kLongTargetChars) {
    JoinPath(target, {kLongPathTarget});
    ops._mkdir(target);
  } else {
    JoinPath(target, {szDrive, szDir, kTargetFolderName});
    ops._mkdir(target);
    if (!FileExists(ops, target)) {
      JoinPath(target, {kFallbackTarget});
      ops._mkdir(target);
    }
  }
  return FileExists(ops, target);
}

// The temporary name of this process's copies in the target folder.
// kLongTargetChars leaves room for it within MAX_PATH.
void FormTempPath(CWinOps& ops, const char* pszTarget, PathBuffer& temp) {
  char szId[9];
  DWORD dwId = ops.GetCurrentProcessId();
  for (int i = 7; i >= 0; --i, dwId >>= 4) szId[i] = "0123456789abcdef"[dwId & 0xF];
  szId[8] = '\0';
  JoinPath(temp, {pszTarget, kTempPrefix, szId, kTempSuffix});
}

// Steps 8 and 9: one copy, written whole under pszTemp and then renamed over
// the target, so that the target is at every moment either the earlier copy
// or this one, never part of one (a full disk, two installs). A copy that
// fails leaves no temporary file. Only the success of these calls makes it
// count: a target left by an earlier run (read-only, say) or a folder of the
// target's name passes the existence test but holds nothing of this run.
// Windows refuses to rename over either, but Wine replaces a read-only file,
// so both are refused here first, before anything is copied in vain. The
// target must also exist afterwards.
BOOL CopyToTarget(CWinOps& ops, const char* pszSource, const char* pszTarget, const char* pszTemp) {
  DWORD dwAttributes = ops.GetFileAttributesA(pszTarget);
  if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return FALSE;
  if (!ops.CopyFileA(pszSource, pszTemp, FALSE) ||
      !ops.MoveFileExA(pszTemp, pszTarget, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ops.DeleteFileA(pszTemp);
    return FALSE;
  }
  return FileExists(ops, pszTarget);
}

}  // namespace

BOOL FileExists(CWinOps& ops, const char* pszPath) {
  WIN32_FIND_DATAA findData;
  std::memset(&findData, 0, sizeof findData);
  HANDLE hFind = ops.FindFirstFileA(pszPath, &findData);
  if (hFind == INVALID_HANDLE_VALUE) return FALSE;
  ops.FindClose(hFind);
  return TRUE;
}

BOOL IsAbsolutePath(const char* pszPath) {
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  char cDrive = static_cast<char>(pszPath[0] | 0x20);
  if (cDrive >= 'a' && cDrive <= 'z' && pszPath[1] == ':' && isSeparator(pszPath[2])) return TRUE;
  if (!isSeparator(pszPath[0]) || !isSeparator(pszPath[1])) return FALSE;
  // Server and share, each followed by a separator. "\\.\" and "\\?\" name
  // devices and raw paths, not a server.
  const char* pszServer = pszPath + 2;
  std::size_t nServer = std::strcspn(pszServer, "\\/");
  if (nServer == 0 || pszServer[nServer] == '\0') return FALSE;
  if (nServer == 1 && (pszServer[0] == '.' || pszServer[0] == '?')) return FALSE;
  const char* pszShare = pszServer + nServer + 1;
  std::size_t nShare = std::strcspn(pszShare, "\\/");
  return nShare != 0 && pszShare[nShare] != '\0';
}

int RunInstall(CWinOps& ops) {
  // 0. Another Cradlet that is installing would have its copies or the
  // manager's reading of them cut short: this one leaves everything alone.
  if (UINT nLockMessage = TakeInstallLock(ops)) return Fail(ops, nLockMessage);

  // 1-2. Own folder and the two source paths. A folder too long to take the
  // cabinet's name within MAX_PATH is reported like a missing own path.
  PathBuffer szFolder, szSourceCab, szSourceIni;
  if (!GetProgramFolder(ops, szFolder) || !JoinPath(szSourceCab, {szFolder, kCabName}) ||
      !JoinPath(szSourceIni, {szFolder, kIniName}))
    return Fail(ops, IDS_SYSTEM_ERROR);

  // 3-4. Both files must lie next to the program before anything else is touched.
  if (!FileExists(ops, szSourceCab) || !FileExists(ops, szSourceIni)) return Fail(ops, IDS_SOURCE_MISSING);

  // 5-7. Synchronisation software, application manager, target folder.
  ReadSyncSoftwareVersion(ops);
  PathBuffer szManager, szTarget;
  if (!FindAppManager(ops, szManager) || !ChooseTargetFolder(ops, szManager, szTarget))
    return Fail(ops, IDS_NO_SYNC_SOFTWARE);

  // 8-9. The copies. The target folder is shorter than kLongTargetChars, so
  // both target paths, the temporary name and the quoted parameter always fit.
  PathBuffer szTargetCab, szTargetIni, szTemp, szParameter;
  JoinPath(szTargetCab, {szTarget, kTargetCabName});
  JoinPath(szTargetIni, {szTarget, kTargetIniName});
  FormTempPath(ops, szTarget, szTemp);
  JoinPath(szParameter, {kQuote, szTargetIni, kQuote});
  if (!CopyToTarget(ops, szSourceCab, szTargetCab, szTemp) || !CopyToTarget(ops, szSourceIni, szTargetIni, szTemp))
    return Fail(ops, IDS_COPY_ERROR);

  // 10. Hand the description file to the manager: default verb, shown
  // normally, not waited for. A result of 32 or less means it never ran (the
  // file named in its App Paths entry is no program, say), which leaves the
  // user where a missing manager would. The copies stay for the next run.
  HINSTANCE hStarted = ops.ShellExecuteA(nullptr, nullptr, szManager, szParameter, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<std::intptr_t>(hStarted) <= kLastShellError) return Fail(ops, IDS_NO_SYNC_SOFTWARE);
  return kInstallStarted;
}

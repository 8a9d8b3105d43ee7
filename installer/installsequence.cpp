// RunInstall and FileExists: the install sequence written against CWinOps, so
// that the same code runs in Cradlet.exe and under the recording test fake.
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

const char kSyncSoftwareKey[] = "Software\\Microsoft\\Windows CE Services\\";
const char kMajorVersionValue[] = "MajorVersion";
const char kAppManagerKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe\\";

// A target folder text of this many characters or more is not used: the
// copies go to kLongPathTarget. Every folder that can be chosen is therefore
// shorter than this, which leaves room for "\Vimbra.arm_ppc.CAB" and for the
// quoted parameter within MAX_PATH.
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

// Step 6: the full path of CEAppMgr.exe from its App Paths key, which must
// name an existing file. The value's type is not looked at; a value that
// fills the whole buffer without a terminator is no usable path.
BOOL FindAppManager(CWinOps& ops, PathBuffer& manager) {
  HKEY hKey = nullptr;
  if (ops.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppManagerKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return FALSE;
  std::memset(manager, 0, sizeof manager);
  DWORD cbManager = sizeof manager;
  LONG nResult = ops.RegQueryValueExA(hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(manager), &cbManager);
  ops.RegCloseKey(hKey);
  if (nResult != ERROR_SUCCESS || manager[MAX_PATH - 1] != '\0') return FALSE;
  return FileExists(ops, manager);
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

// Steps 8 and 9: one copy, overwriting. Only the copy call's own success
// makes it count: a target left by an earlier run (read-only, say) or a
// folder of the target's name passes the existence test but holds nothing
// of this run. The target must also exist afterwards.
BOOL CopyToTarget(CWinOps& ops, const char* pszSource, const char* pszTarget) {
  if (!ops.CopyFileA(pszSource, pszTarget, FALSE)) return FALSE;
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

void RunInstall(CWinOps& ops) {
  // 1-2. Own folder and the two source paths. A folder too long to take the
  // cabinet's name within MAX_PATH is reported like a missing own path.
  PathBuffer szFolder, szSourceCab, szSourceIni;
  if (!GetProgramFolder(ops, szFolder) || !JoinPath(szSourceCab, {szFolder, kCabName}) ||
      !JoinPath(szSourceIni, {szFolder, kIniName})) {
    ops.ShowMessage(IDS_SYSTEM_ERROR);
    return;
  }

  // 3-4. Both files must lie next to the program before anything else is touched.
  if (!FileExists(ops, szSourceCab) || !FileExists(ops, szSourceIni)) {
    ops.ShowMessage(IDS_SOURCE_MISSING);
    return;
  }

  // 5-7. Synchronisation software, application manager, target folder.
  ReadSyncSoftwareVersion(ops);
  PathBuffer szManager, szTarget;
  if (!FindAppManager(ops, szManager) || !ChooseTargetFolder(ops, szManager, szTarget)) {
    ops.ShowMessage(IDS_NO_SYNC_SOFTWARE);
    return;
  }

  // 8-9. The copies. The target folder is shorter than kLongTargetChars, so
  // both target paths and the quoted parameter always fit.
  PathBuffer szTargetCab, szTargetIni, szParameter;
  JoinPath(szTargetCab, {szTarget, kTargetCabName});
  JoinPath(szTargetIni, {szTarget, kTargetIniName});
  JoinPath(szParameter, {kQuote, szTargetIni, kQuote});
  if (!CopyToTarget(ops, szSourceCab, szTargetCab) || !CopyToTarget(ops, szSourceIni, szTargetIni)) {
    ops.ShowMessage(IDS_COPY_ERROR);
    return;
  }

  // 10. Hand the description file to the manager: default verb, shown
  // normally, not waited for. A result of 32 or less means it never ran (the
  // file named in its App Paths entry is no program, say), which leaves the
  // user where a missing manager would. The copies stay for the next run.
  HINSTANCE hStarted = ops.ShellExecuteA(nullptr, nullptr, szManager, szParameter, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<std::intptr_t>(hStarted) <= kLastShellError) ops.ShowMessage(IDS_NO_SYNC_SOFTWARE);
}

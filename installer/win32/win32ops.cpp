// The Windows side of Cradlet: CWin32Ops makes the real calls behind the
// seam, and the program's entry runs the one application object.
#include <windows.h>

// These rely on the definitions of <windows.h>.
#include <direct.h>
#include <shellapi.h>
#include <stdlib.h>

#include "installerapp.h"
#include "winops.h"

extern CInstallerApp theApp;

namespace {

// Every operation is the Win32 or C runtime call of the same name, as is.
class CWin32Ops : public CWinOps {
 public:
  HANDLE CreateMutexA(SECURITY_ATTRIBUTES* pMutexAttributes, BOOL bInitialOwner, const char* pszName) override {
    return ::CreateMutexA(pMutexAttributes, bInitialOwner, pszName);
  }
  DWORD GetLastError() override { return ::GetLastError(); }
  DWORD GetCurrentProcessId() override { return ::GetCurrentProcessId(); }

  DWORD GetModuleFileNameA(HMODULE hModule, char* pszFileName, DWORD nSize) override {
    return ::GetModuleFileNameA(hModule, pszFileName, nSize);
  }
  HANDLE FindFirstFileA(const char* pszFileName, WIN32_FIND_DATAA* pFindData) override {
    return ::FindFirstFileA(pszFileName, pFindData);
  }
  BOOL FindClose(HANDLE hFindFile) override { return ::FindClose(hFindFile); }
  DWORD GetFileAttributesA(const char* pszFileName) override { return ::GetFileAttributesA(pszFileName); }
  BOOL CopyFileA(const char* pszExistingFileName, const char* pszNewFileName, BOOL bFailIfExists) override {
    return ::CopyFileA(pszExistingFileName, pszNewFileName, bFailIfExists);
  }
  BOOL MoveFileExA(const char* pszExistingFileName, const char* pszNewFileName, DWORD dwFlags) override {
    return ::MoveFileExA(pszExistingFileName, pszNewFileName, dwFlags);
  }
  BOOL DeleteFileA(const char* pszFileName) override { return ::DeleteFileA(pszFileName); }
  DWORD ExpandEnvironmentStringsA(const char* pszSrc, char* pszDst, DWORD nSize) override {
    return ::ExpandEnvironmentStringsA(pszSrc, pszDst, nSize);
  }

  LONG RegOpenKeyExA(HKEY hKey, const char* pszSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult) override {
    return ::RegOpenKeyExA(hKey, pszSubKey, ulOptions, samDesired, phkResult);
  }
  LONG RegQueryValueExA(HKEY hKey, const char* pszValueName, DWORD* pReserved, DWORD* pType, BYTE* pData,
                        DWORD* pcbData) override {
    return ::RegQueryValueExA(hKey, pszValueName, pReserved, pType, pData, pcbData);
  }
  LONG RegCloseKey(HKEY hKey) override { return ::RegCloseKey(hKey); }

  void _splitpath(const char* pszPath, char* pszDrive, char* pszDir, char* pszFname, char* pszExt) override {
    ::_splitpath(pszPath, pszDrive, pszDir, pszFname, pszExt);
  }
  int _mkdir(const char* pszDirName) override { return ::_mkdir(pszDirName); }

  HINSTANCE ShellExecuteA(HWND hwnd, const char* pszOperation, const char* pszFile, const char* pszParameters,
                          const char* pszDirectory, int nShowCmd) override {
    return ::ShellExecuteA(hwnd, pszOperation, pszFile, pszParameters, pszDirectory, nShowCmd);
  }

  // Titled with the application's name, without owner window (Cradlet has
  // none). The box gets the exclamation mark that framework message boxes
  // with an OK button get: every message Cradlet shows reports a failure.
  void ShowMessage(UINT nIDPrompt) override {
    char szText[512] = "";
    ::LoadStringA(::GetModuleHandleA(nullptr), nIDPrompt, szText, sizeof szText);
    ::MessageBoxA(nullptr, szText, theApp.m_pszAppName, MB_OK | MB_ICONEXCLAMATION);
  }
};

// Built before WinMain runs; the application object holds a reference.
CWin32Ops g_winOps;

}  // namespace

CInstallerApp theApp(kAppName, g_winOps);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return theApp.Run();
}

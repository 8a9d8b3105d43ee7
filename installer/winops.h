// CWinOps: the seam between Cradlet's install sequence and Windows. Every Win32
// and C runtime call the sequence makes is one virtual operation of this class.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

// On the host the sequence is built for its unit tests only. These are the
// Win32 types and values it uses, with the sizes and values they have on
// 32-bit Windows, so that the same source compiles on both sides.
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef DWORD REGSAM;
typedef void* HANDLE;
typedef struct HKEY__* HKEY;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr int MAX_PATH = 260;
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_ALREADY_EXISTS = 183;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr REGSAM KEY_READ = 0x20019;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;
constexpr int SW_SHOWNORMAL = 1;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));

struct SECURITY_ATTRIBUTES;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];
};
static_assert(sizeof(WIN32_FIND_DATAA) == 320, "the find record has its Win32 size");
#endif

// The operations keep the Win32 names with their "A" suffix: the unsuffixed
// names are macros in <windows.h> and would rename the members on one side
// of the seam only. Parameters and results are exactly those of the Win32
// and C runtime functions of the same name, except ShowMessage.
class CWinOps {
 public:
  virtual ~CWinOps() = default;

  // Kernel: a named mutex and the error code it leaves; the process id.
  virtual HANDLE CreateMutexA(SECURITY_ATTRIBUTES* pMutexAttributes, BOOL bInitialOwner, const char* pszName) = 0;
  virtual DWORD GetLastError() = 0;
  virtual DWORD GetCurrentProcessId() = 0;

  // Kernel: own program path; directory search used as an existence test;
  // attributes; file copy, rename and removal; %NAME% expansion (the result
  // counts the terminator, and is larger than nSize when the text does not fit).
  virtual DWORD GetModuleFileNameA(HMODULE hModule, char* pszFileName, DWORD nSize) = 0;
  virtual HANDLE FindFirstFileA(const char* pszFileName, WIN32_FIND_DATAA* pFindData) = 0;
  virtual BOOL FindClose(HANDLE hFindFile) = 0;
  virtual DWORD GetFileAttributesA(const char* pszFileName) = 0;
  virtual BOOL CopyFileA(const char* pszExistingFileName, const char* pszNewFileName, BOOL bFailIfExists) = 0;
  virtual BOOL MoveFileExA(const char* pszExistingFileName, const char* pszNewFileName, DWORD dwFlags) = 0;
  virtual BOOL DeleteFileA(const char* pszFileName) = 0;
  virtual DWORD ExpandEnvironmentStringsA(const char* pszSrc, char* pszDst, DWORD nSize) = 0;

  // Registry, read only.
  virtual LONG RegOpenKeyExA(HKEY hKey, const char* pszSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult) = 0;
  virtual LONG RegQueryValueExA(HKEY hKey, const char* pszValueName, DWORD* pReserved, DWORD* pType, BYTE* pData,
                                DWORD* pcbData) = 0;
  virtual LONG RegCloseKey(HKEY hKey) = 0;

  // C runtime: path splitting (any part may be null) and folder creation (0 or -1).
  virtual void _splitpath(const char* pszPath, char* pszDrive, char* pszDir, char* pszFname, char* pszExt) = 0;
  virtual int _mkdir(const char* pszDirName) = 0;

  // Shell: starts a program or opens a document; the result is above 32 on success.
  virtual HINSTANCE ShellExecuteA(HWND hwnd, const char* pszOperation, const char* pszFile, const char* pszParameters,
                                  const char* pszDirectory, int nShowCmd) = 0;

  // Loads string nIDPrompt from the program's string table and shows it in a
  // modal message box with an OK button, titled with the application's name;
  // returns when the user has closed the box.
  virtual void ShowMessage(UINT nIDPrompt) = 0;
};

// Test helper for Cradlet's Wine runs: starts a program, waits for the message
// box it shows, records the box's title and text, and presses OK, as a user.
//
// Usage: msgbox_clicker.exe RECORD [--lock FILE] PROGRAM
// --lock holds FILE open without sharing while PROGRAM runs, so that no copy
// of it can be made. RECORD receives "title=", "text=", "comctl32=" (the
// path of the comctl32.dll loaded in the box's process) and "exit=" lines
// (written under a temporary name, then renamed); without a box within 20 s
// it holds "title=<none>". The exit code is 0 when a box was found and the
// program ended after OK.
#include <windows.h>
// After <windows.h>, which it relies on.
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct BoxSearch {
  DWORD dwProcessId;
  HWND hBox;
};

// A message box is a visible top-level window of the dialog class #32770.
BOOL CALLBACK FindBoxOfProcess(HWND hWnd, LPARAM lParam) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(lParam);
  char szClass[32] = "";
  DWORD dwProcessId = 0;
  GetWindowThreadProcessId(hWnd, &dwProcessId);
  GetClassNameA(hWnd, szClass, sizeof szClass);
  if (dwProcessId != search->dwProcessId || std::strcmp(szClass, "#32770") != 0 || !IsWindowVisible(hWnd)) return TRUE;
  search->hBox = hWnd;
  return FALSE;
}

// The message is the box's one static control with text (the icon is a
// static control too, without text).
BOOL CALLBACK FindMessageText(HWND hWnd, LPARAM lParam) {
  char szClass[32] = "", szText[1024] = "";
  GetClassNameA(hWnd, szClass, sizeof szClass);
  GetWindowTextA(hWnd, szText, sizeof szText);
  if (lstrcmpiA(szClass, "Static") != 0 || szText[0] == '\0') return TRUE;
  *reinterpret_cast<std::string*>(lParam) = szText;
  return FALSE;
}

// The full path of the comctl32.dll that process dwProcessId has loaded:
// the version-6 side-by-side one when its manifest asks for it.
std::string LoadedCommonControls(DWORD dwProcessId) {
  HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, dwProcessId);
  if (hSnapshot == INVALID_HANDLE_VALUE) return "<unknown>";
  std::string path = "<none>";
  MODULEENTRY32 module = {};
  module.dwSize = sizeof module;
  for (BOOL bMore = Module32First(hSnapshot, &module); bMore; bMore = Module32Next(hSnapshot, &module)) {
    if (lstrcmpiA(module.szModule, "comctl32.dll") == 0) path = module.szExePath;
  }
  CloseHandle(hSnapshot);
  return path;
}

bool WriteRecord(const std::string& path, const std::string& record) {
  std::string temp = path + ".tmp";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return false;
  bool bWritten = std::fwrite(record.data(), 1, record.size(), file) == record.size();
  if (std::fclose(file) != 0 || !bWritten) return false;
  return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool bLock = argc == 5 && std::strcmp(argv[2], "--lock") == 0;
  if (argc != 3 && !bLock) {
    std::fprintf(stderr, "usage: msgbox_clicker RECORD [--lock FILE] PROGRAM\n");
    return 2;
  }
  HANDLE hLock = INVALID_HANDLE_VALUE;
  if (bLock) {
    hLock = CreateFileA(argv[3], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hLock == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "msgbox_clicker: cannot lock %s\n", argv[3]);
      return 2;
    }
  }

  std::string commandLine = std::string("\"") + argv[argc - 1] + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "msgbox_clicker: cannot start %s\n", argv[argc - 1]);
    return 2;
  }

  // Poll for the box until it shows or the program ends: 400 x 50 ms.
  BoxSearch search = {process.dwProcessId, nullptr};
  for (int i = 0; i < 400 && !search.hBox; ++i) {
    EnumWindows(FindBoxOfProcess, reinterpret_cast<LPARAM>(&search));
    if (!search.hBox && WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
  }

  std::string record;
  if (search.hBox) {
    char szTitle[256] = "";
    std::string text;
    GetWindowTextA(search.hBox, szTitle, sizeof szTitle);
    EnumChildWindows(search.hBox, FindMessageText, reinterpret_cast<LPARAM>(&text));
    record = std::string("title=") + szTitle + "\ntext=" + text + "\n";
    record += "comctl32=" + LoadedCommonControls(process.dwProcessId) + "\n";
    PostMessageA(search.hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(search.hBox, IDOK)));
  } else {
    record = "title=<none>\ntext=<none>\n";
  }
  DWORD dwWait = WaitForSingleObject(process.hProcess, 10000);
  DWORD dwExit = 0;
  GetExitCodeProcess(process.hProcess, &dwExit);
  record += "exit=" + std::to_string(dwExit) + "\n";
  if (hLock != INVALID_HANDLE_VALUE) CloseHandle(hLock);
  if (!WriteRecord(argv[1], record)) return 3;
  return search.hBox && dwWait == WAIT_OBJECT_0 ? 0 : 1;
}

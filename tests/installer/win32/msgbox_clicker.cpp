// Test helper for Cradlet's Wine runs: starts a program, waits for the message
// box it shows, records the box's title and text, and presses OK, as a user.
//
// Usage: msgbox_clicker.exe RECORD [--lock FILE] [--cwd DIR] [--behind FIRST] PROGRAM
// --lock holds FILE open without sharing while PROGRAM runs, so that no copy
// of it can be made. --cwd starts PROGRAM in folder DIR. --behind starts
// FIRST before PROGRAM and leaves FIRST's box open until PROGRAM has ended,
// then answers it too. RECORD receives "title=", "text=", "comctl32=" (the
// path of the comctl32.dll loaded in the box's process) and "exit=" lines,
// and for FIRST "first_text=" and "first_exit=" (written under a temporary
// name, then renamed); a program that shows no box within 20 s, or ends
// without one, gets "<none>". The exit code is 0 when every program showed
// a box and ended after OK.
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

// A started program and the box it shows, if any.
struct Run {
  PROCESS_INFORMATION process = {};
  HWND hBox = nullptr;
};

bool Start(const char* pszProgram, const char* pszFolder, Run& run) {
  std::string commandLine = std::string("\"") + pszProgram + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, pszFolder, &startup, &run.process))
    return true;
  std::fprintf(stderr, "msgbox_clicker: cannot start %s\n", pszProgram);
  return false;
}

// Polls for the box until it shows or the program ends: 400 x 50 ms.
void WaitForBox(Run& run) {
  BoxSearch search = {run.process.dwProcessId, nullptr};
  for (int i = 0; i < 400 && !search.hBox; ++i) {
    EnumWindows(FindBoxOfProcess, reinterpret_cast<LPARAM>(&search));
    if (!search.hBox && WaitForSingleObject(run.process.hProcess, 50) == WAIT_OBJECT_0) break;
  }
  run.hBox = search.hBox;
}

// The box's title and text (and the controls' library when pszPrefix is
// ""), then OK pressed and the exit code once the program has ended.
// Returns whether there was a box and the program ended.
bool Answer(Run& run, const char* pszPrefix, std::string& record) {
  std::string prefix = pszPrefix;
  if (run.hBox) {
    char szTitle[256] = "";
    std::string text;
    GetWindowTextA(run.hBox, szTitle, sizeof szTitle);
    EnumChildWindows(run.hBox, FindMessageText, reinterpret_cast<LPARAM>(&text));
    record += prefix + "title=" + szTitle + "\n" + prefix + "text=" + text + "\n";
    if (prefix.empty()) record += "comctl32=" + LoadedCommonControls(run.process.dwProcessId) + "\n";
    PostMessageA(run.hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(run.hBox, IDOK)));
  } else {
    record += prefix + "title=<none>\n" + prefix + "text=<none>\n";
  }
  DWORD dwWait = WaitForSingleObject(run.process.hProcess, 10000);
  DWORD dwExit = 0;
  GetExitCodeProcess(run.process.hProcess, &dwExit);
  record += prefix + "exit=" + std::to_string(dwExit) + "\n";
  return run.hBox && dwWait == WAIT_OBJECT_0;
}

}  // namespace

int main(int argc, char** argv) {
  const char *pszLock = nullptr, *pszFolder = nullptr, *pszFirst = nullptr;
  int i = 2;
  for (; i + 2 < argc; i += 2) {
    if (std::strcmp(argv[i], "--lock") == 0) {
      pszLock = argv[i + 1];
    } else if (std::strcmp(argv[i], "--cwd") == 0) {
      pszFolder = argv[i + 1];
    } else if (std::strcmp(argv[i], "--behind") == 0) {
      pszFirst = argv[i + 1];
    } else {
      break;
    }
  }
  if (argc < 3 || i != argc - 1) {
    std::fprintf(stderr, "usage: msgbox_clicker RECORD [--lock FILE] [--cwd DIR] [--behind FIRST] PROGRAM\n");
    return 2;
  }
  HANDLE hLock = INVALID_HANDLE_VALUE;
  if (pszLock) {
    hLock = CreateFileA(pszLock, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hLock == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "msgbox_clicker: cannot lock %s\n", pszLock);
      return 2;
    }
  }

  Run first, run;
  if (pszFirst) {
    if (!Start(pszFirst, nullptr, first)) return 2;
    WaitForBox(first);
  }
  if (!Start(argv[argc - 1], pszFolder, run)) return 2;
  WaitForBox(run);
  std::string record;
  bool bAnswered = Answer(run, "", record);
  if (pszFirst) bAnswered = Answer(first, "first_", record) && bAnswered;
  if (hLock != INVALID_HANDLE_VALUE) CloseHandle(hLock);
  if (!WriteRecord(argv[1], record)) return 3;
  return bAnswered ? 0 : 1;
}

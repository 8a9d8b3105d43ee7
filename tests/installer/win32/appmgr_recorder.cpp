// Test stand-in for the application manager (built as CEAppMgr.exe): records
// how Cradlet started it, so the Wine tests can check the one quoted argument.
//
// It writes "launch.txt" beside itself: the argument count, each argument as
// the C runtime split it, and the raw command line. The file is written under
// a temporary name and then renamed, so a test polling for it never reads a
// half-written record.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  char szSelf[MAX_PATH] = "";
  DWORD nLength = GetModuleFileNameA(nullptr, szSelf, MAX_PATH);
  if (nLength == 0 || nLength >= MAX_PATH) return 2;
  std::string folder(szSelf);
  folder.erase(folder.rfind('\\') + 1);

  std::string record = "argc=" + std::to_string(argc) + "\n";
  for (int i = 1; i < argc; ++i) record += "argv" + std::to_string(i) + "=" + argv[i] + "\n";
  record += std::string("cmdline=") + GetCommandLineA() + "\n";

  std::string temp = folder + "launch.tmp", final = folder + "launch.txt";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return 3;
  bool bWritten = std::fwrite(record.data(), 1, record.size(), file) == record.size();
  if (std::fclose(file) != 0 || !bWritten) return 3;
  return MoveFileExA(temp.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}

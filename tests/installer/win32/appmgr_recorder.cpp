// Test stand-in for the application manager (built as CEAppMgr.exe): records
// how Cradlet started it, so the Wine tests can check the one quoted argument.
//
// It writes "launch.txt" beside itself, and the same as "launch-PID.txt" so
// that a test can count starts: the argument count, each argument as the C
// runtime split it, the raw command line, and the size of the cabinet beside
// the description file it was handed, as it finds it on starting. The file
// is written under a temporary name and then renamed, so a test polling for
// it never reads a half-written record. While a file "hold.txt" lies beside it, it then runs
// on (30 s at most) and writes "ended.txt" when it ends, so that a test can
// see whether Cradlet waited for it.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Writes strBase + ".txt" through strBase + ".tmp" and a rename.
bool WriteRecord(const std::string& strBase, const std::string& record) {
  std::string temp = strBase + ".tmp", final = strBase + ".txt";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return false;
  bool bWritten = std::fwrite(record.data(), 1, record.size(), file) == record.size();
  if (std::fclose(file) != 0 || !bWritten) return false;
  return MoveFileExA(temp.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  char szSelf[MAX_PATH] = "";
  DWORD nLength = GetModuleFileNameA(nullptr, szSelf, MAX_PATH);
  if (nLength == 0 || nLength >= MAX_PATH) return 2;
  std::string folder(szSelf);
  folder.erase(folder.rfind('\\') + 1);

  std::string record = "argc=" + std::to_string(argc) + "\n";
  for (int i = 1; i < argc; ++i) record += "argv" + std::to_string(i) + "=" + argv[i] + "\n";
  record += std::string("cmdline=") + GetCommandLineA() + "\n";
  if (argc == 2) {
    std::string cabinet(argv[1]);
    cabinet.erase(cabinet.rfind('\\') + 1);
    cabinet += "Vimbra.arm_ppc.CAB";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    unsigned long long nSize = 0;
    if (GetFileAttributesExA(cabinet.c_str(), GetFileExInfoStandard, &data))
      nSize = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    record += "cabinet=" + std::to_string(nSize) + "\n";
  }

  if (!WriteRecord(folder + "launch-" + std::to_string(GetCurrentProcessId()), record)) return 3;
  if (!WriteRecord(folder + "launch", record)) return 3;

  std::string hold = folder + "hold.txt";
  if (GetFileAttributesA(hold.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
  for (int i = 0; i < 600 && GetFileAttributesA(hold.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  return WriteRecord(folder + "ended", "ended=1\n") ? 0 : 3;
}

// Cradlet under Wine when installs overlap, the disk fills up, or the
// registry names the manager relatively or through environment variables:
// one install at a time, whole copies only, nothing started from the current
// folder, and the message's number as the exit status.
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

#include "cradlet_wine_fixture.h"

namespace {

// The cabinet of the overlap test: large enough that a copy takes a while.
constexpr std::uintmax_t kBigCabinet = 400u << 20;

// Replaces the kit's cabinet by one of nBytes: "MSCF", then bytes that are
// either a pattern or, for a large one, a hole, so that it costs no disk and
// no time to make but is copied byte for byte all the same.
void WriteCabinet(const std::string& strHostPath, std::uintmax_t nBytes) {
  std::ofstream out(strHostPath, std::ios::binary | std::ios::trunc);
  out << "MSCF";
  for (std::uintmax_t i = 4; i < nBytes && nBytes < (1u << 20); ++i) out.put(static_cast<char>(i * 13 + nBytes));
  out.close();
  fs::resize_file(strHostPath, nBytes);
}

// The names of a host folder's entries.
std::set<std::string> Listing(const std::string& strHostFolder) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(strHostFolder, error)) names.insert(entry.path().filename());
  return names;
}

// A tmpfs of a given size, mounted for the life of the object.
class TinyDisk {
 public:
  ~TinyDisk() {
    if (!m_strDir.empty()) umount2(m_strDir.c_str(), MNT_DETACH);
  }
  // Returns "" or why it could not be mounted.
  std::string Mount(const std::string& strDir, std::size_t nBytes) {
    fs::create_directories(strDir);
    std::string options = "size=" + std::to_string(nBytes) + ",mode=0777";
    if (mount("tmpfs", strDir.c_str(), "tmpfs", 0, options.c_str()) != 0) return std::strerror(errno);
    m_strDir = strDir;
    return "";
  }
  long long FreeBytes() const {
    struct statvfs info = {};
    statvfs(m_strDir.c_str(), &info);
    return static_cast<long long>(info.f_bavail) * static_cast<long long>(info.f_frsize);
  }
  // Fills the disk with a file until exactly nFree bytes are left.
  void LeaveFree(long long nFree) {
    std::string filler = m_strDir + "/filler";
    fs::remove(filler);
    std::ofstream out(filler, std::ios::binary);
    std::string block(4096, 'f');
    for (long long n = FreeBytes() - nFree; n > 0; n -= 4096) out.write(block.data(), 4096);
  }

 private:
  std::string m_strDir;
};

// While one Cradlet shows its box it holds the lock: a second one started
// then says so and touches nothing. With the first gone, the lock is gone.
TEST_F(CradletUnderWine, SecondCradletWhileOneRunsShowsMessage106AndTouchesNothing) {
  const std::string first = "C:\\Cradlet Kit L1", kit = "C:\\Cradlet Kit L2", manager = "C:\\Program Files\\Sync L";
  MakeKit(first, "lock holder");
  fs::remove(Host(first + "\\Vimbra.ini"));
  MakeKit(kit, "second");
  InstallManager(manager);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit, {"--behind", first + "\\Cradlet.exe"});
  ExpectBox(box, kAlreadyInstalling);
  EXPECT_EQ(box["first_text"], kSourceMissing.pszText);
  EXPECT_EQ(box["first_exit"], kSourceMissing.pszStatus);
  EXPECT_FALSE(fs::exists(Host(manager + "\\Vimbra_PPC_installer")));
  EXPECT_FALSE(fs::exists(Host(manager + "\\launch.txt")));

  EXPECT_EQ(prefix.Wine({kit + "\\Cradlet.exe"}), 0);
  EXPECT_EQ(WaitForLaunch(manager)["argv1"], manager + "\\Vimbra_PPC_installer\\Vimbra.ini");
}

// Two Cradlets started 0.5 s apart with a 400 MB cabinet, ten times: every
// start of the manager finds the whole cabinet, whichever Cradlet ran.
TEST_F(CradletUnderWine, TwoCradletsHalfASecondApartHandTheManagerAWholeCabinetEveryTime) {
  const std::string kit = "C:\\Cradlet Kit R", manager = "C:\\Program Files\\Sync R";
  const std::string target = manager + "\\Vimbra_PPC_installer";
  MakeKit(kit, "race");
  WriteCabinet(Host(kit + "\\Vimbra.arm_ppc.CAB"), kBigCabinet);
  InstallManager(manager);
  int nRefused = 0;
  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::string records[2] = {NewRecordPath(), NewRecordPath()};
    pid_t first = prefix.StartWine(ClickerArgs(records[0], kit), 120);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    pid_t second = prefix.StartWine(ClickerArgs(records[1], kit), 120);
    WaitForProgram(first);
    WaitForProgram(second);
    int nStarted = 0;
    for (const std::string& record : records) {
      std::map<std::string, std::string> run = ReadRecord(record);
      if (run["exit"] == "0") {
        EXPECT_EQ(run["title"], "<none>");
        ++nStarted;
      } else {
        EXPECT_EQ(run["text"], kAlreadyInstalling.pszText);
        EXPECT_EQ(run["exit"], kAlreadyInstalling.pszStatus);
        ++nRefused;
      }
    }
    EXPECT_GE(nStarted, 1);
    // Each started manager leaves launch-PID.txt with the size it saw.
    std::set<std::string> launches;
    for (int i = 0; i < 200 && static_cast<int>(launches.size()) < nStarted; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      launches.clear();
      for (const std::string& name : Listing(Host(manager)))
        if (name.starts_with("launch-") && name.ends_with(".txt")) launches.insert(name);
    }
    EXPECT_EQ(static_cast<int>(launches.size()), nStarted);
    for (const std::string& name : launches) {
      EXPECT_EQ(ReadRecord(Host(manager) + "/" + name)["cabinet"], std::to_string(kBigCabinet)) << name;
      fs::remove(Host(manager) + "/" + name);
    }
    EXPECT_EQ(Listing(Host(target)), (std::set<std::string>{"Vimbra.arm_ppc.CAB", "Vimbra.ini"}));
  }
  std::printf("10 rounds with a 400 MB cabinet in %.1f s; the second Cradlet was refused in %d\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), nRefused);
}

// Drive T: is a small tmpfs holding the manager's folder. Wherever the disk
// fills up, no cut copy and no temporary file stays, and earlier copies stay
// whole.
TEST_F(CradletUnderWine, FullDiskShowsMessage104AndLeavesNoCutFile) {
  const std::string tiny = prefix.Folder() + "/tiny";
  TinyDisk disk;
  std::string error = disk.Mount(tiny, 512 << 10);
  if (!error.empty()) GTEST_SKIP() << "no tmpfs can be mounted here (" << error << "), so no disk can be filled";
  fs::path drive = fs::path(Host("C:\\")).parent_path().parent_path() / "dosdevices" / "t:";
  fs::create_symlink(tiny, drive);
  fs::create_directories(tiny + "/Sync");
  fs::create_symlink(g_strHelperDir + "/CEAppMgr.exe", tiny + "/Sync/CEAppMgr.exe");
  ASSERT_EQ(prefix.RegAdd(kAppPathsKey, "", "T:\\Sync\\CEAppMgr.exe"), 0);
  const std::string kit = "C:\\Cradlet Kit T", target = tiny + "/Sync/Vimbra_PPC_installer";
  MakeKit(kit, "tiny");
  const std::string cab = Host(kit + "\\Vimbra.arm_ppc.CAB");

  struct Case {
    const char* pszName;
    std::uintmax_t nCabinet;
    bool bEarlierRun;  // a first run with a 40,000-byte cabinet on a roomy disk
    long long nFree;   // bytes left for this run
    std::set<std::string> left;
  };
  const Case cases[] = {
      {"cabinet does not fit", 40000, false, 8192, {}},
      {"description does not fit", 40000, false, 40960, {"Vimbra.arm_ppc.CAB"}},
      {"cabinet does not fit over an earlier run", 80000, true, 8192, {"Vimbra.arm_ppc.CAB", "Vimbra.ini"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    fs::remove_all(target);
    disk.LeaveFree(1 << 30);
    WriteCabinet(cab, 40000);
    if (c.bEarlierRun) {
      EXPECT_EQ(prefix.Wine({kit + "\\Cradlet.exe"}), 0);
    }
    const std::string earlierCab = ReadFileBytes(target + "/Vimbra.arm_ppc.CAB");
    WriteCabinet(cab, c.nCabinet);
    disk.LeaveFree(c.nFree);

    std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
    ExpectBox(box, kCopyError);
    EXPECT_EQ(Listing(target), c.left);
    if (c.left.count("Vimbra.arm_ppc.CAB")) {
      EXPECT_TRUE(ReadFileBytes(target + "/Vimbra.arm_ppc.CAB") == (c.bEarlierRun ? earlierCab : ReadFileBytes(cab)));
    }
  }
  fs::remove(drive);
}

// A manager named without its folder would be looked up in the current
// folder, where anyone may have put a program of that name.
TEST_F(CradletUnderWine, RelativeManagerPathShowsMessage102AndStartsNothingFromTheCurrentFolder) {
  const std::string kit = "C:\\Cradlet Kit P", planted = "C:\\Planted";
  MakeKit(kit, "relative");
  InstallManager(planted);
  ASSERT_EQ(prefix.RegAdd(kAppPathsKey, "", "CEAppMgr.exe"), 0);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit, {"--cwd", planted});
  ExpectBox(box, kNoSyncSoftware);
  EXPECT_FALSE(fs::exists(Host(planted + "\\Vimbra_PPC_installer")));
  EXPECT_FALSE(fs::exists(Host(planted + "\\launch.txt")));
  ExpectNoFallbackFolders();
}

// A REG_EXPAND_SZ entry is expanded; one whose expansion does not fit in
// MAX_PATH counts as no manager.
TEST_F(CradletUnderWine, ExpandableManagerPathIsExpandedUnlessTooLong) {
  const std::string kit = "C:\\Cradlet Kit X", manager = "C:\\Program Files\\Sync X";
  MakeKit(kit, "expand");
  InstallManager(manager);
  ASSERT_EQ(prefix.RegAdd(kAppPathsKey, "", "%ProgramFiles%\\Sync X\\CEAppMgr.exe", "REG_EXPAND_SZ"), 0);
  EXPECT_EQ(prefix.Wine({kit + "\\Cradlet.exe"}), 0);
  EXPECT_EQ(WaitForLaunch(manager)["argv1"], manager + "\\Vimbra_PPC_installer\\Vimbra.ini");

  setenv("CRADLET_TEST_ROOT", ("C:\\" + std::string(250, 'r')).c_str(), 1);
  ASSERT_EQ(prefix.RegAdd(kAppPathsKey, "", "%CRADLET_TEST_ROOT%\\CEAppMgr.exe", "REG_EXPAND_SZ"), 0);
  std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
  unsetenv("CRADLET_TEST_ROOT");
  ExpectBox(box, kNoSyncSoftware);
}

}  // namespace

// Cradlet.exe must do on Windows what its unit tests say the sequence does:
// these cases run the real program under Wine, with a registry, an
// application manager and message boxes that the test sets up and reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "cradlet_wine_fixture.h"
#include "root_rights.h"
#include "wine_prefix.h"

namespace {

// The manager is held running until the test lets it go: Cradlet must have
// ended by then, since it hands the file on without waiting.
TEST_F(CradletUnderWine, HandsTheCopiedDescriptionFileToTheManagerWithoutWaitingOrSyncSoftwareKey) {
  const std::string kit = "C:\\Cradlet Kit A", manager = "C:\\Program Files\\Sync Tools A";
  MakeKit(kit, "first");
  InstallManager(manager);
  ASSERT_NE(prefix.Wine({"reg", "query", kSyncKey}), 0) << "a fresh prefix has no Windows CE Services key";
  std::ofstream(Host(manager + "\\hold.txt")) << "run on\n";

  EXPECT_EQ(prefix.Wine({kit + "\\Cradlet.exe"}), 0);
  std::map<std::string, std::string> launch = WaitForLaunch(manager);
  EXPECT_FALSE(fs::exists(Host(manager + "\\ended.txt"))) << "Cradlet ended only after the manager";
  fs::remove(Host(manager + "\\hold.txt"));
  const std::string target = manager + "\\Vimbra_PPC_installer";
  EXPECT_EQ(launch["argc"], "2");
  EXPECT_EQ(launch["argv1"], target + "\\Vimbra.ini");
  EXPECT_TRUE(launch["cmdline"].ends_with(" \"" + target + "\\Vimbra.ini\"")) << launch["cmdline"];
  ExpectCopies(kit, target);
  ExpectNoFallbackFolders();
  // Only a manager that was held writes this: the check above saw it running.
  EXPECT_EQ(WaitForRecord(Host(manager + "\\ended.txt"))["ended"], "1");
}

TEST_F(CradletUnderWine, SecondRunOverwritesBothCopiesAndStartsTheManagerAgain) {
  const std::string kit = "C:\\Cradlet Kit B", manager = "C:\\Program Files\\Sync Tools B";
  const std::string target = manager + "\\Vimbra_PPC_installer";
  MakeKit(kit, "first");
  InstallManager(manager);
  EXPECT_EQ(prefix.Wine({kit + "\\Cradlet.exe"}), 0);
  ASSERT_EQ(WaitForLaunch(manager)["argc"], "2");
  std::string firstCab = ReadFileBytes(Host(target + "\\Vimbra.arm_ppc.CAB"));
  fs::remove(Host(manager + "\\launch.txt"));

  MakeKit(kit, "second run");
  ASSERT_EQ(prefix.RegAdd(kSyncKey, "MajorVersion", "3", "REG_DWORD"), 0);
  EXPECT_EQ(prefix.Wine({kit + "\\Cradlet.exe"}), 0);
  std::map<std::string, std::string> launch = WaitForLaunch(manager);
  EXPECT_EQ(launch["argc"], "2");
  EXPECT_EQ(launch["argv1"], target + "\\Vimbra.ini");
  ExpectCopies(kit, target);
  EXPECT_NE(ReadFileBytes(Host(target + "\\Vimbra.arm_ppc.CAB")), firstCab);
}

TEST_F(CradletUnderWine, MissingDescriptionFileShowsMessage105AndTouchesNothing) {
  const std::string kit = "C:\\Cradlet Kit C", manager = "C:\\Program Files\\Sync Tools C";
  MakeKit(kit, "no ini");
  fs::remove(Host(kit + "\\Vimbra.ini"));
  InstallManager(manager);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
  ExpectBox(box, kSourceMissing);
  EXPECT_FALSE(fs::exists(Host(manager + "\\Vimbra_PPC_installer")));
  EXPECT_FALSE(fs::exists(Host(manager + "\\launch.txt")));
  ExpectNoFallbackFolders();
}

TEST_F(CradletUnderWine, MissingAppPathsKeyShowsMessage102) {
  const std::string kit = "C:\\Cradlet Kit D";
  MakeKit(kit, "no key");
  prefix.RegDelete(kAppPathsKey);
  ASSERT_NE(prefix.Wine({"reg", "query", kAppPathsKey}), 0);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
  ExpectBox(box, kNoSyncSoftware);
  ExpectNoFallbackFolders();
}

TEST_F(CradletUnderWine, AppPathsKeyNamingAMissingFileShowsMessage102) {
  const std::string kit = "C:\\Cradlet Kit E", gone = "C:\\Program Files\\Sync Tools Gone";
  MakeKit(kit, "gone");
  ASSERT_EQ(prefix.RegAdd(kAppPathsKey, "", gone + "\\CEAppMgr.exe"), 0);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
  ExpectBox(box, kNoSyncSoftware);
  EXPECT_FALSE(fs::exists(Host(gone)));
  ExpectNoFallbackFolders();
}

TEST_F(CradletUnderWine, UncopyableDescriptionFileShowsMessage104AndLeavesTheCabinetCopy) {
  const std::string kit = "C:\\Cradlet Kit F", manager = "C:\\Program Files\\Sync Tools F";
  const std::string target = manager + "\\Vimbra_PPC_installer";
  MakeKit(kit, "locked");
  InstallManager(manager);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit, {"--lock", kit + "\\Vimbra.ini"});
  ExpectBox(box, kCopyError);
  EXPECT_EQ(ReadFileBytes(Host(target + "\\Vimbra.arm_ppc.CAB")), ReadFileBytes(Host(kit + "\\Vimbra.arm_ppc.CAB")));
  EXPECT_FALSE(fs::exists(Host(target + "\\Vimbra.ini")));
  EXPECT_FALSE(fs::exists(Host(manager + "\\launch.txt")));
}

// Root ignores the permission bits by which Wine marks a file read-only;
// main() takes the overriding capabilities away from what Wine is started
// with, and this case is skipped, saying why, when that cannot be done.
TEST_F(CradletUnderWine, ReadOnlyCopiesOfAnEarlierRunShowMessage104AndTheManagerIsNotStarted) {
  if (!g_strReadOnlyIgnored.empty())
    GTEST_SKIP() << "Wine would overwrite a read-only file here, so no copy can be refused: " << g_strReadOnlyIgnored;
  const std::string kit = "C:\\Cradlet Kit G", manager = "C:\\Program Files\\Sync Tools G";
  const std::string target = manager + "\\Vimbra_PPC_installer";
  MakeKit(kit, "first");
  InstallManager(manager);
  EXPECT_EQ(prefix.Wine({kit + "\\Cradlet.exe"}), 0);
  ASSERT_EQ(WaitForLaunch(manager)["argc"], "2");
  fs::remove(Host(manager + "\\launch.txt"));
  const std::string firstCab = ReadFileBytes(Host(target + "\\Vimbra.arm_ppc.CAB"));
  const std::string firstIni = ReadFileBytes(Host(target + "\\Vimbra.ini"));

  ASSERT_EQ(prefix.Wine({"attrib", "+r", target + "\\*"}), 0);
  for (const char* name : {"\\Vimbra.arm_ppc.CAB", "\\Vimbra.ini"}) {
    fs::perms perms = fs::status(Host(target + name)).permissions();
    ASSERT_EQ(perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write), fs::perms::none)
        << name << " was not marked read-only";
  }
  MakeKit(kit, "replaced kit");
  ASSERT_TRUE(ReadFileBytes(Host(kit + "\\Vimbra.arm_ppc.CAB")) != firstCab);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
  ExpectBox(box, kCopyError);
  EXPECT_TRUE(ReadFileBytes(Host(target + "\\Vimbra.arm_ppc.CAB")) == firstCab) << "the cabinet copy was replaced";
  EXPECT_TRUE(ReadFileBytes(Host(target + "\\Vimbra.ini")) == firstIni) << "the description copy was replaced";
  EXPECT_FALSE(fs::exists(Host(manager + "\\launch.txt")));
}

// A folder named like the description file is no copy of it; no privilege
// is needed for this refusal.
TEST_F(CradletUnderWine, FolderInPlaceOfTheDescriptionCopyShowsMessage104AndTheManagerIsNotStarted) {
  const std::string kit = "C:\\Cradlet Kit H", manager = "C:\\Program Files\\Sync Tools H";
  const std::string target = manager + "\\Vimbra_PPC_installer";
  MakeKit(kit, "folder");
  InstallManager(manager);
  fs::create_directories(Host(target + "\\Vimbra.ini"));

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
  ExpectBox(box, kCopyError);
  EXPECT_TRUE(ReadFileBytes(Host(target + "\\Vimbra.arm_ppc.CAB")) == ReadFileBytes(Host(kit + "\\Vimbra.arm_ppc.CAB")))
      << "the cabinet was not copied";
  EXPECT_TRUE(fs::is_directory(Host(target + "\\Vimbra.ini")));
  EXPECT_TRUE(fs::is_empty(Host(target + "\\Vimbra.ini")));
  EXPECT_FALSE(fs::exists(Host(manager + "\\launch.txt")));
}

// The App Paths entry names an existing file that is no program: ShellExecuteA
// fails, and the user is told as if there were no manager. The copies stay.
TEST_F(CradletUnderWine, ManagerThatIsNoProgramShowsMessage102AndKeepsBothCopies) {
  const std::string kit = "C:\\Cradlet Kit I", manager = "C:\\Program Files\\Sync Tools I";
  MakeKit(kit, "no program");
  fs::create_directories(Host(manager));
  std::ofstream(Host(manager + "\\CEAppMgr.exe")) << "not a program\n";
  ASSERT_EQ(prefix.RegAdd(kAppPathsKey, "", manager + "\\CEAppMgr.exe"), 0);

  std::map<std::string, std::string> box = RunAnsweringTheBox(kit);
  ExpectBox(box, kNoSyncSoftware);
  ExpectCopies(kit, manager + "\\Vimbra_PPC_installer");
  ExpectNoFallbackFolders();
}

// Windows loads the shipped program's icon at each size it shows it: all
// five are there in 32-bit colour, with an alpha channel that has both
// transparent and opaque pixels, the 256-pixel one read from its PNG, and
// the 24 and 48 pixel ones smoothed where they are no whole multiple of the art.
TEST_F(CradletUnderWine, ProgramIconLoadsAtEverySizeWithAlpha) {
  std::string record = NewRecordPath();
  ASSERT_EQ(
      prefix.Wine({g_strHelperDir + "/icon_probe.exe", WinePrefix::ZPath(CRADLET_EXE), WinePrefix::ZPath(record)}), 0);
  std::map<std::string, std::string> icons = ReadRecord(record);
  for (int nSize : {16, 24, 32, 48, 256}) {
    std::string line = icons["icon" + std::to_string(nSize)];
    int width = 0, height = 0, transparent = 0, partial = 0, opaque = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%dx%d bits=32 transparent=%d partial=%d opaque=%d", &width, &height,
                          &transparent, &partial, &opaque),
              5)
        << nSize << ": " << line;
    EXPECT_EQ(width, nSize);
    EXPECT_EQ(height, nSize);
    EXPECT_GT(transparent, 0) << line;
    EXPECT_EQ(partial > 0, nSize == 24 || nSize == 48) << line;
    EXPECT_GT(opaque, nSize * nSize / 4) << line;
  }
}

}  // namespace

// Skips (exit code 77, CTest's SKIP_RETURN_CODE) only when Wine or mingw-w64
// is absent; otherwise boots one prefix for all cases and removes it after,
// keeping it when a case failed or CRADLET_WINE_KEEP is set. Wine is started
// without root's file-permission overrides, as a Windows user has none; the
// read-only case skips itself, saying why, when they cannot be dropped.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!CRADLET_MINGW_FOUND) {
    std::printf("SKIP: mingw-w64 (i686) is absent, so Cradlet.exe and the Wine test helpers were not built\n");
    return 77;
  }
  if (FindOnPath("wine").empty() || FindOnPath("wineserver").empty()) {
    std::printf("SKIP: wine is absent (install wine and wine32)\n");
    return 77;
  }
  // Wine's 32-bit loader is a 32-bit Linux program, which some hosts cannot
  // run (a kernel without 32-bit support): there the same sources, built
  // for 64-bit Windows, are tested under wine64.
  std::string loader = "wine";
  if (RunProgram({"wine", "--version"}, "/dev/null") != 0) {
    const char kWine64[] = "/usr/lib/wine/wine64";
    if (!CRADLET64_FOUND || access(kWine64, X_OK) != 0) {
      std::printf("SKIP: this host cannot run Wine's 32-bit loader, and wine64 or the 64-bit mingw-w64 is absent\n");
      return 77;
    }
    std::printf("this host cannot run Wine's 32-bit loader: testing the 64-bit build of Cradlet under wine64\n");
    loader = kWine64;
    g_strCradletExe = CRADLET64_EXE;
    g_strHelperDir = HELPER_DIR64;
    g_strSxsArch = "amd64";
  }
  g_strReadOnlyIgnored = DropRootFileRights();
  if (!g_strReadOnlyIgnored.empty())
    std::printf("the read-only case will be skipped: %s\n", g_strReadOnlyIgnored.c_str());
  auto start = std::chrono::steady_clock::now();
  auto seconds = [&start] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
  WinePrefix prefix;
  std::string error = prefix.Create(WORK_DIR, loader);
  if (!error.empty()) {
    std::fprintf(stderr, "cradlet_wine_test: %s\n", error.c_str());
    prefix.KeepFiles();
    return 1;
  }
  std::printf("Wine prefix %s ready after %.1f s\n", prefix.Folder().c_str(), seconds());
  g_pPrefix = &prefix;
  int result = RUN_ALL_TESTS();
  if (result != 0 || std::getenv("CRADLET_WINE_KEEP")) {
    prefix.KeepFiles();
    std::printf("kept %s (wine.log, records) for inspection\n", prefix.Folder().c_str());
  }
  prefix.Destroy();
  std::printf("Wine run took %.1f s\n", seconds());
  return result;
}

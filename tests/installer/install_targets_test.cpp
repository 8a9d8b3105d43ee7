// A successful install must put both copies where the application manager can
// reach them and hand it exactly one quoted argument: these cases check the
// order of the calls, the three target-folder choices, repeated runs and the
// launch, through the fake PC.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_winops.h"
#include "installerapp.h"
#include "installsequence.h"
#include "resource.h"

namespace {

const char kBesideManager[] = "C:\\Program Files\\Windows CE Services\\Vimbra_PPC_installer";

class InstallTarget : public ::testing::Test {
 protected:
  void SetUp() override { SetUpTypicalPc(fake); }
  void TearDown() override {
    EXPECT_TRUE(fake.m_openKeys.empty()) << "a registry key was left open";
    EXPECT_TRUE(fake.m_openFinds.empty()) << "a search was left open";
    EXPECT_EQ(fake.m_faults, std::vector<std::string>{});
  }
  // Both copies in strTarget, equal to the sources, and the manager started once with them.
  void ExpectInstalledTo(const std::string& strTarget, const std::string& strManager = kManagerPath) const {
    EXPECT_TRUE(fake.m_messages.empty());
    EXPECT_EQ(fake.FileContent(strTarget + "\\Vimbra.arm_ppc.CAB"),
              fake.FileContent("C:\\Cradlet\\Vimbra.arm_ppc.CAB"));
    EXPECT_EQ(fake.FileContent(strTarget + "\\Vimbra.ini"), fake.FileContent("C:\\Cradlet\\Vimbra.ini"));
    ASSERT_EQ(fake.m_launches.size(), 1u);
    EXPECT_EQ(fake.m_launches[0].strFile, strManager);
    EXPECT_EQ(fake.m_launches[0].strParameters, "\"" + strTarget + "\\Vimbra.ini\"");
  }
  // A manager in a folder "C:\mmm..." whose target folder text, "C:\mmm...\Vimbra_PPC_installer", has n characters.
  std::string PlaceManagerForTargetOf(std::size_t nChars) {
    std::string folder = "C:\\" + std::string(nChars - 3 - 1 - 20, 'm');
    fake.AddFolder(folder);
    fake.AddFile(folder + "\\CEAppMgr.exe", "MZ manager");
    fake.SetRegistryString(kAppPathsKey, "", folder + "\\CEAppMgr.exe");
    return folder;
  }

  CFakeWinOps fake;
};

TEST_F(InstallTarget, SuccessMakesTheseCallsInThisOrder) {
  RunInstall(fake);
  const std::string target = kBesideManager;
  const std::string temp = target + "\\~Cradlet00002a3c.tmp";
  std::vector<std::string> expected = {
      "CreateMutexA Global\\Vimbra.Cradlet.Install",
      "GetLastError",
      "GetModuleFileNameA",
      "_splitpath C:\\Cradlet\\Cradlet.exe",
      "FindFirstFileA C:\\Cradlet\\Vimbra.arm_ppc.CAB",
      "FindClose",
      "FindFirstFileA C:\\Cradlet\\Vimbra.ini",
      "FindClose",
      "RegOpenKeyExA Software\\Microsoft\\Windows CE Services\\",
      "RegOpenKeyExA software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe\\",
      "RegQueryValueExA (default)",
      "RegCloseKey software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe\\",
      std::string("FindFirstFileA ") + kManagerPath,
      "FindClose",
      std::string("_splitpath ") + kManagerPath,
      "_mkdir " + target,
      "FindFirstFileA " + target,
      "FindClose",
      "FindFirstFileA " + target,
      "FindClose",
      "GetFileAttributesA " + target + "\\Vimbra.arm_ppc.CAB",
      "CopyFileA C:\\Cradlet\\Vimbra.arm_ppc.CAB > " + temp,
      "MoveFileExA " + temp + " > " + target + "\\Vimbra.arm_ppc.CAB",
      "FindFirstFileA " + target + "\\Vimbra.arm_ppc.CAB",
      "FindClose",
      "GetFileAttributesA " + target + "\\Vimbra.ini",
      "CopyFileA C:\\Cradlet\\Vimbra.ini > " + temp,
      "MoveFileExA " + temp + " > " + target + "\\Vimbra.ini",
      "FindFirstFileA " + target + "\\Vimbra.ini",
      "FindClose",
      std::string("ShellExecuteA ") + kManagerPath + " \"" + target + "\\Vimbra.ini\"",
  };
  EXPECT_EQ(fake.m_calls, expected);
  ExpectInstalledTo(kBesideManager);
}

TEST_F(InstallTarget, ManagerGetsOneQuotedArgumentShownNormallyNotWaitedFor) {
  RunInstall(fake);
  ASSERT_EQ(fake.m_launches.size(), 1u);
  const FakeLaunch& launch = fake.m_launches[0];
  EXPECT_TRUE(launch.bOwnerNull);
  EXPECT_TRUE(launch.bVerbNull);  // the default verb
  EXPECT_EQ(launch.strFile, "C:\\Program Files\\Windows CE Services\\CEAppMgr.exe");
  EXPECT_EQ(launch.strParameters, "\"C:\\Program Files\\Windows CE Services\\Vimbra_PPC_installer\\Vimbra.ini\"");
  EXPECT_TRUE(launch.bDirectoryNull);
  EXPECT_EQ(launch.nShowCmd, SW_SHOWNORMAL);
  EXPECT_EQ(fake.m_calls.back().rfind("ShellExecuteA", 0), 0u);  // the last thing done
}

TEST_F(InstallTarget, SyncSoftwareKeyDecidesNothingAndIsClosed) {
  // Absent (the typical PC), present without the value, present with it.
  RunInstall(fake);
  ExpectInstalledTo(kBesideManager);
  std::vector<std::string> withoutKey = fake.m_calls;

  for (bool bWithValue : {false, true}) {
    SCOPED_TRACE(bWithValue);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    pc.AddRegistryKey(kSyncKey);
    if (bWithValue) pc.SetRegistryValue(kSyncKey, "MajorVersion", {3, 0, 0, 0});
    RunInstall(pc);
    EXPECT_TRUE(pc.m_messages.empty());
    ASSERT_EQ(pc.m_launches.size(), 1u);
    EXPECT_EQ(pc.m_launches[0].strParameters, fake.m_launches[0].strParameters);
    EXPECT_TRUE(pc.m_openKeys.empty());
    // The key is read and closed straight after it is opened.
    std::vector<std::string> extra = {"RegQueryValueExA MajorVersion",
                                      "RegCloseKey Software\\Microsoft\\Windows CE Services\\"};
    std::vector<std::string> expected = withoutKey;
    expected.insert(expected.begin() + 9, extra.begin(), extra.end());
    EXPECT_EQ(pc.m_calls, expected);
  }
}

TEST_F(InstallTarget, ReadOnlyManagerFolderFallsBackToDriveC) {
  fake.MakeReadOnly("C:\\Program Files\\Windows CE Services");
  RunInstall(fake);
  EXPECT_FALSE(fake.HasFolder(kBesideManager));
  ExpectInstalledTo("C:\\Vimbra_PPC_installer");
}

TEST_F(InstallTarget, TargetTextOf230CharactersOrMoreGoesToVimboTemp) {
  std::string folder = PlaceManagerForTargetOf(229);
  RunInstall(fake);
  ExpectInstalledTo(folder + "\\Vimbra_PPC_installer", folder + "\\CEAppMgr.exe");

  for (std::size_t nChars : {230u, 267u}) {  // 267: the manager path takes all 259 characters
    SCOPED_TRACE(nChars);
    fake = CFakeWinOps();
    SetUpTypicalPc(fake);
    folder = PlaceManagerForTargetOf(nChars);
    RunInstall(fake);
    ExpectInstalledTo("C:\\VimboTemp", folder + "\\CEAppMgr.exe");
    EXPECT_FALSE(fake.HasFolder(folder + "\\Vimbra_PPC_installer"));
    for (const std::string& call : fake.m_calls) EXPECT_EQ(call.find("Vimbra_PPC_installer"), std::string::npos);
  }
}

TEST_F(InstallTarget, SecondRunReusesTheFolderAndOverwritesBothCopies) {
  RunInstall(fake);
  ExpectInstalledTo(kBesideManager);

  fake.AddFile("C:\\Cradlet\\Vimbra.arm_ppc.CAB", "MSCF cabinet 2");
  fake.AddFile("C:\\Cradlet\\Vimbra.ini", "[CEAppManager] 2");
  fake.m_launches.clear();
  fake.m_calls.clear();
  RunInstall(fake);
  ExpectInstalledTo(kBesideManager);
  EXPECT_EQ(fake.FileContent(std::string(kBesideManager) + "\\Vimbra.arm_ppc.CAB"), "MSCF cabinet 2");
  EXPECT_EQ(fake.m_calls[15], std::string("_mkdir ") + kBesideManager);  // tried, failed, folder used
}

// A REG_EXPAND_SZ value is used expanded, up to a path of 259 characters;
// a UNC path is as good as one with a drive.
TEST_F(InstallTarget, ExpandedOrUncManagerPathIsUsed) {
  const std::string deep = "C:\\" + std::string(243, 'e');  // + "\CEAppMgr.exe": 259 characters
  struct Case {
    std::string strValue;
    DWORD dwType;
    std::string strManager;
    std::string strTarget;
  };
  const Case cases[] = {
      {"%ProgramFiles%\\Windows CE Services\\CEAppMgr.exe", REG_EXPAND_SZ, kManagerPath, kBesideManager},
      {"%DEEP%\\CEAppMgr.exe", REG_EXPAND_SZ, deep + "\\CEAppMgr.exe", "C:\\VimboTemp"},
      {"\\\\pc\\share\\Sync\\CEAppMgr.exe", REG_SZ, "\\\\pc\\share\\Sync\\CEAppMgr.exe",
       "\\\\pc\\share\\Sync\\Vimbra_PPC_installer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.strValue);
    fake = CFakeWinOps();
    SetUpTypicalPc(fake);
    fake.m_environment = {{"PROGRAMFILES", "C:\\Program Files"}, {"DEEP", deep}};
    for (const char* folder : {"\\\\pc\\share", "\\\\pc\\share\\Sync"}) fake.AddFolder(folder);
    fake.AddFolder(deep);
    fake.AddFile(c.strManager, "MZ manager");
    fake.SetRegistryString(kAppPathsKey, "", c.strValue, c.dwType);
    EXPECT_EQ(RunInstall(fake), kInstallStarted);
    ExpectInstalledTo(c.strTarget, c.strManager);
  }
}

// The exit status is the number of the message shown, 0 after a started
// manager: scripts can tell every outcome apart.
TEST_F(InstallTarget, ExitStatusIsTheMessageShownOrZero) {
  const std::pair<std::function<void(CFakeWinOps&)>, int> cases[] = {
      {[](CFakeWinOps&) {}, 0},
      {[](CFakeWinOps& pc) { pc.m_existingMutexes.insert("Global\\Vimbra.Cradlet.Install"); }, IDS_ALREADY_INSTALLING},
      {[](CFakeWinOps& pc) { pc.m_strModulePath.clear(); }, IDS_SYSTEM_ERROR},
      {[](CFakeWinOps& pc) { pc.RemoveFile("C:\\Cradlet\\Vimbra.ini"); }, IDS_SOURCE_MISSING},
      {[](CFakeWinOps& pc) { pc.RemoveRegistryKey(kAppPathsKey); }, IDS_NO_SYNC_SOFTWARE},
      {[](CFakeWinOps& pc) { pc.LockFile("C:\\Cradlet\\Vimbra.arm_ppc.CAB"); }, IDS_COPY_ERROR},
      {[](CFakeWinOps& pc) { pc.m_nShellResult = 2; }, IDS_NO_SYNC_SOFTWARE},
  };
  for (const auto& [setUp, nStatus] : cases) {
    SCOPED_TRACE(nStatus);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    setUp(pc);
    CInstallerApp app(kAppName, pc);
    EXPECT_EQ(app.Run(), nStatus);
    EXPECT_EQ(pc.m_messages, nStatus ? std::vector<UINT>{static_cast<UINT>(nStatus)} : std::vector<UINT>{});
  }
}

TEST_F(InstallTarget, ApplicationStartUpRunsTheInstallAndDeclines) {
  CInstallerApp app(kAppName, fake);
  EXPECT_STREQ(app.m_pszAppName, "Cradlet");
  EXPECT_FALSE(app.InitInstance());
  ExpectInstalledTo(kBesideManager);
  fake.m_launches.clear();
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(fake.m_launches.size(), 1u);
}

}  // namespace

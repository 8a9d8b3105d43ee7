// A successful install must put both copies where the application manager can
// reach them and hand it exactly one quoted argument: these cases check the
// order of the calls, the three target-folder choices, repeated runs and the
// launch, through the fake PC.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_winops.h"
#include "installerapp.h"
#include "installsequence.h"

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
  std::vector<std::string> expected = {
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
      "CopyFileA C:\\Cradlet\\Vimbra.arm_ppc.CAB > " + target + "\\Vimbra.arm_ppc.CAB",
      "FindFirstFileA " + target + "\\Vimbra.arm_ppc.CAB",
      "FindClose",
      "CopyFileA C:\\Cradlet\\Vimbra.ini > " + target + "\\Vimbra.ini",
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
    expected.insert(expected.begin() + 7, extra.begin(), extra.end());
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
  EXPECT_EQ(fake.m_calls[13], std::string("_mkdir ") + kBesideManager);  // tried, failed, folder used
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

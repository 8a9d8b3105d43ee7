// Every way the install can fail must show exactly one message, leave the PC
// as the user may expect, and close every key and search it opened: these
// cases drive each failure, and the path-length limits, through the fake PC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fake_winops.h"
#include "installsequence.h"
#include "resource.h"

namespace {

const char kTarget[] = "C:\\Program Files\\Windows CE Services\\Vimbra_PPC_installer";
const char kTargetCab[] = "C:\\Program Files\\Windows CE Services\\Vimbra_PPC_installer\\Vimbra.arm_ppc.CAB";
const char kTargetIni[] = "C:\\Program Files\\Windows CE Services\\Vimbra_PPC_installer\\Vimbra.ini";

class InstallFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpTypicalPc(fake);
    // With the synchronisation software's key present, two keys are opened
    // on every path past the source check, and both must be closed.
    fake.SetRegistryValue(kSyncKey, "MajorVersion", {3, 0, 0, 0});
  }
  // Runs the sequence once and keeps the PC as it was just before.
  void Run() {
    before = fake.Snapshot();
    RunInstall(fake);
  }
  void TearDown() override {
    EXPECT_TRUE(fake.m_openKeys.empty()) << "a registry key was left open";
    EXPECT_TRUE(fake.m_openFinds.empty()) << "a search was left open";
    EXPECT_EQ(fake.m_faults, std::vector<std::string>{});
  }
  int Count(const std::string& strName) const {
    std::vector<std::string> names = fake.CallNames();
    return static_cast<int>(std::count(names.begin(), names.end(), strName));
  }
  // Nothing created or changed, no application manager started.
  void ExpectNothingLeftBehind() const {
    EXPECT_EQ(fake.Snapshot(), before);
    EXPECT_EQ(Count("_mkdir"), 0);
    EXPECT_EQ(Count("CopyFileA"), 0);
    EXPECT_TRUE(fake.m_launches.empty());
  }

  // Every key and search closed, the seam used as Windows requires.
  static void ExpectTidy(const CFakeWinOps& pc) {
    EXPECT_TRUE(pc.m_openKeys.empty()) << "a registry key was left open";
    EXPECT_TRUE(pc.m_openFinds.empty()) << "a search was left open";
    EXPECT_EQ(pc.m_faults, std::vector<std::string>{});
  }
  // A copy failed: message 104 alone, no manager started, `copiesTried`
  // copies attempted (-1: not counted), and kTarget holds exactly
  // `leftInTarget` of `start`.
  static void ExpectCopyErrorLeaving(const CFakeWinOps& pc, const std::vector<std::string>& start,
                                     const std::vector<std::string>& leftInTarget, int copiesTried) {
    EXPECT_EQ(pc.m_messages, std::vector<UINT>{IDS_COPY_ERROR});
    EXPECT_TRUE(pc.m_launches.empty());
    std::vector<std::string> names = pc.CallNames();
    if (copiesTried >= 0) {
      EXPECT_EQ(std::count(names.begin(), names.end(), "CopyFileA"), copiesTried);
    }
    EXPECT_EQ(pc.Snapshot(), WithTargetListing(start, leftInTarget));
    ExpectTidy(pc);
  }
  // The listing start with everything in kTarget replaced by leftInTarget.
  static std::vector<std::string> WithTargetListing(const std::vector<std::string>& start,
                                                    const std::vector<std::string>& leftInTarget) {
    std::vector<std::string> listing;
    for (const std::string& entry : start)
      if (entry.rfind(kTarget, 0) != 0) listing.push_back(entry);
    listing.insert(listing.end(), leftInTarget.begin(), leftInTarget.end());
    std::sort(listing.begin(), listing.end());
    return listing;
  }

  CFakeWinOps fake;
  std::vector<std::string> before;
};

TEST_F(InstallFailure, OwnProgramPathUnavailableShowsSystemError) {
  fake.m_strModulePath.clear();
  Run();
  EXPECT_EQ(fake.m_messages, std::vector<UINT>{IDS_SYSTEM_ERROR});
  EXPECT_EQ(fake.CallNames(),
            (std::vector<std::string>{"CreateMutexA", "GetLastError", "GetModuleFileNameA", "ShowMessage"}));
  ExpectNothingLeftBehind();
}

TEST_F(InstallFailure, MissingSourceFileShowsSourceMissingBeforeAnyKeyOrFolder) {
  for (const char* missing : {"C:\\Cradlet\\Vimbra.arm_ppc.CAB", "C:\\Cradlet\\Vimbra.ini"}) {
    SCOPED_TRACE(missing);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    pc.SetRegistryValue(kSyncKey, "MajorVersion", {3, 0, 0, 0});
    pc.RemoveFile(missing);
    std::vector<std::string> start = pc.Snapshot();
    RunInstall(pc);
    EXPECT_EQ(pc.m_messages, std::vector<UINT>{IDS_SOURCE_MISSING});
    EXPECT_EQ(pc.m_calls.back(), "ShowMessage 105");
    EXPECT_EQ(pc.m_calls[pc.m_calls.size() - 2], std::string("FindFirstFileA ") + missing);
    std::vector<std::string> names = pc.CallNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "RegOpenKeyExA"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "_mkdir"), 0);
    EXPECT_EQ(pc.Snapshot(), start);
    EXPECT_TRUE(pc.m_launches.empty());
  }
}

TEST_F(InstallFailure, AppManagerKeyMissingShowsNoSyncSoftware) {
  fake.RemoveRegistryKey(kAppPathsKey);
  Run();
  EXPECT_EQ(fake.m_messages, std::vector<UINT>{IDS_NO_SYNC_SOFTWARE});
  EXPECT_EQ(Count("RegOpenKeyExA"), 2);
  EXPECT_EQ(Count("RegCloseKey"), 1);  // the synchronisation software's key only
  ExpectNothingLeftBehind();
}

TEST_F(InstallFailure, UnreadableManagerPathShowsNoSyncSoftwareAndClosesTheKey) {
  // No default value; a default value longer than the buffer; a value that
  // fills all 260 bytes without a terminator (it would be read past).
  std::vector<std::vector<BYTE>> values = {{}, std::vector<BYTE>(300, 'a'), std::vector<BYTE>(MAX_PATH, 'a')};
  values[1].back() = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(i);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    pc.RemoveRegistryKey(kAppPathsKey);
    pc.AddRegistryKey(kAppPathsKey);
    if (!values[i].empty()) pc.SetRegistryValue(kAppPathsKey, "", values[i]);
    std::vector<std::string> start = pc.Snapshot();
    RunInstall(pc);
    EXPECT_EQ(pc.m_messages, std::vector<UINT>{IDS_NO_SYNC_SOFTWARE});
    EXPECT_TRUE(pc.m_openKeys.empty());
    EXPECT_EQ(pc.m_faults, std::vector<std::string>{});
    EXPECT_EQ(pc.Snapshot(), start);
    EXPECT_TRUE(pc.m_launches.empty());
  }
}

TEST_F(InstallFailure, ManagerFileGoneShowsNoSyncSoftware) {
  fake.SetRegistryString(kAppPathsKey, "", "C:\\Program Files\\Old Sync\\CEAppMgr.exe");
  Run();
  EXPECT_EQ(fake.m_messages, std::vector<UINT>{IDS_NO_SYNC_SOFTWARE});
  EXPECT_EQ(fake.m_calls[fake.m_calls.size() - 2], "FindFirstFileA C:\\Program Files\\Old Sync\\CEAppMgr.exe");
  ExpectNothingLeftBehind();
}

TEST_F(InstallFailure, NoTargetFolderCreatableShowsNoSyncSoftware) {
  fake.MakeReadOnly("C:\\Program Files\\Windows CE Services");
  fake.MakeReadOnly("C:");
  Run();
  EXPECT_EQ(fake.m_messages, std::vector<UINT>{IDS_NO_SYNC_SOFTWARE});
  EXPECT_EQ(Count("_mkdir"), 2);  // beside the manager, then on C:
  EXPECT_EQ(fake.Snapshot(), before);
  EXPECT_EQ(Count("CopyFileA"), 0);
  EXPECT_TRUE(fake.m_launches.empty());
}

TEST_F(InstallFailure, CabinetCopyFailingLeavesTheEmptyTargetFolder) {
  fake.LockFile("C:\\Cradlet\\Vimbra.arm_ppc.CAB");
  Run();
  EXPECT_EQ(fake.m_messages, std::vector<UINT>{IDS_COPY_ERROR});
  EXPECT_TRUE(fake.HasFolder(kTarget));
  EXPECT_FALSE(fake.HasFile(kTargetCab));
  EXPECT_EQ(Count("CopyFileA"), 1);  // the description file is not tried
  EXPECT_FALSE(fake.HasFile(kTargetIni));
  EXPECT_TRUE(fake.m_launches.empty());
}

TEST_F(InstallFailure, DescriptionCopyFailingLeavesTheCabinetCopy) {
  fake.LockFile("C:\\Cradlet\\Vimbra.ini");
  Run();
  EXPECT_EQ(fake.m_messages, std::vector<UINT>{IDS_COPY_ERROR});
  EXPECT_EQ(fake.FileContent(kTargetCab), "MSCF cabinet 1");
  EXPECT_FALSE(fake.HasFile(kTargetIni));
  EXPECT_TRUE(fake.m_launches.empty());
}

// A copy counts only when the copy calls succeeded: what an earlier run left
// at the target passes the existence test but is none of this run's copies.
// Copies of a first run marked read-only before the kit's files are replaced
// (refused before anything is copied), a copy held open by the manager of
// that run, or a source held open, must end in message 104 with nothing
// handed on and no temporary file left.
TEST_F(InstallFailure, CopyRefusedOverAnEarlierCopyShowsCopyErrorAndKeepsTheOldCopy) {
  struct Case {
    const char* pszName;
    std::vector<std::string> readOnly;  // copies of the first run marked read-only
    const char* pszLocked;              // a file held open
    bool bFirstRun;                     // else only an old description copy is there
    std::vector<std::string> leftInTarget;
    int nCopiesTried;
  };
  const std::string target = kTarget, cab = kTargetCab, ini = kTargetIni;
  const std::vector<std::string> firstRun = {target + "\\", cab + " = MSCF cabinet 1", ini + " = [CEAppManager] 1"};
  const Case cases[] = {
      {"both copies read-only", {kTargetCab, kTargetIni}, nullptr, true, firstRun, 0},
      {"description copy read-only",
       {kTargetIni},
       nullptr,
       true,
       {target + "\\", cab + " = MSCF cabinet 2", ini + " = [CEAppManager] 1"},
       1},
      {"cabinet copy held open", {}, kTargetCab, true, firstRun, 1},
      {"description source locked",
       {},
       "C:\\Cradlet\\Vimbra.ini",
       false,
       {target + "\\", cab + " = MSCF cabinet 2", ini + " = [CEAppManager] 0"},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    if (c.bFirstRun) {
      RunInstall(pc);
      ASSERT_EQ(pc.m_launches.size(), 1u);
    } else {
      pc.AddFolder(kTarget);
      pc.AddFile(kTargetIni, "[CEAppManager] 0");
    }
    for (const std::string& copy : c.readOnly) pc.MakeReadOnly(copy);
    if (c.pszLocked) pc.LockFile(c.pszLocked);
    pc.AddFile("C:\\Cradlet\\Vimbra.arm_ppc.CAB", "MSCF cabinet 2");
    pc.AddFile("C:\\Cradlet\\Vimbra.ini", "[CEAppManager] 2");
    std::vector<std::string> start = pc.Snapshot();
    pc.m_calls.clear();
    pc.m_launches.clear();
    EXPECT_EQ(RunInstall(pc), IDS_COPY_ERROR);
    ExpectCopyErrorLeaving(pc, start, c.leftInTarget, c.nCopiesTried);
  }
}

// A folder that bears a copy's name exists like a file, but no copy can be
// made onto it: the manager must not be handed a folder.
TEST_F(InstallFailure, FolderInPlaceOfACopyShowsCopyError) {
  const std::string target = kTarget, cab = kTargetCab, ini = kTargetIni;
  struct Case {
    std::string strFolder;
    std::vector<std::string> leftInTarget;
    int nCopiesTried;
  };
  const Case cases[] = {
      {cab, {target + "\\", cab + "\\"}, 0},  // refused before anything is copied
      {ini, {target + "\\", cab + " = MSCF cabinet 1", ini + "\\"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.strFolder);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    pc.AddFolder(kTarget);
    pc.AddFolder(c.strFolder);
    std::vector<std::string> start = pc.Snapshot();
    EXPECT_EQ(RunInstall(pc), IDS_COPY_ERROR);
    ExpectCopyErrorLeaving(pc, start, c.leftInTarget, c.nCopiesTried);
  }
}

// ShellExecuteA returns an error code of 32 or less when nothing was started
// (0 out of memory, 2 file not found, 5 access denied, 11 not a program) and
// a value above 32 otherwise. A failed start is reported after the copies,
// which stay for the next run; nothing else is tried after the start.
TEST_F(InstallFailure, ManagerThatCannotStartShowsNoSyncSoftwareAndKeepsBothCopies) {
  for (std::intptr_t nResult : {0, 2, 5, 11, 32, 33}) {
    SCOPED_TRACE(nResult);
    bool bStarted = nResult > 32;
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    pc.m_nShellResult = nResult;
    RunInstall(pc);

    EXPECT_EQ(pc.m_messages, bStarted ? std::vector<UINT>{} : std::vector<UINT>{IDS_NO_SYNC_SOFTWARE});
    EXPECT_EQ(pc.m_launches.size(), 1u);
    std::vector<std::string> names = pc.CallNames();
    if (!bStarted) names.pop_back();  // the message comes last
    EXPECT_EQ(names.back(), "ShellExecuteA");
    EXPECT_EQ(pc.FileContent(kTargetCab), "MSCF cabinet 1");
    EXPECT_EQ(pc.FileContent(kTargetIni), "[CEAppManager] 1");
    ExpectTidy(pc);
  }
}

// Another Cradlet holds the install lock: this one says so, or reports a
// lock it cannot take at all, and touches nothing. The lock's name is the
// one a normal run takes, so the two runs meet on it.
TEST_F(InstallFailure, HeldInstallLockShowsItsMessageBeforeAnythingElse) {
  RunInstall(fake);
  ASSERT_EQ(fake.m_calls[0].rfind("CreateMutexA ", 0), 0u);
  const std::string lockName = fake.m_calls[0].substr(13);
  struct Case {
    bool bExisting;
    DWORD dwCreateError;
    UINT nMessage;
  };
  const Case cases[] = {
      {true, 0, IDS_ALREADY_INSTALLING},
      {true, ERROR_ACCESS_DENIED, IDS_ALREADY_INSTALLING},  // another user's Cradlet
      {false, 8, IDS_SYSTEM_ERROR},                         // no memory for the mutex
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nMessage);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    if (c.bExisting) pc.m_existingMutexes.insert(lockName);
    pc.m_dwCreateMutexError = c.dwCreateError;
    std::vector<std::string> start = pc.Snapshot();
    EXPECT_EQ(RunInstall(pc), static_cast<int>(c.nMessage));
    EXPECT_EQ(pc.m_messages, std::vector<UINT>{c.nMessage});
    EXPECT_EQ(pc.CallNames(), (std::vector<std::string>{"CreateMutexA", "GetLastError", "ShowMessage"}));
    EXPECT_EQ(pc.Snapshot(), start);
    ExpectTidy(pc);
  }
}

// A disk that fills up during a copy leaves no cut file: neither a cut
// cabinet nor a cut description file, and no temporary file; an earlier
// run's copies stay whole.
TEST_F(InstallFailure, FullDiskLeavesOnlyWholeCopies) {
  const std::string target = kTarget, cab = kTargetCab, ini = kTargetIni;
  const std::string newCab = "MSCF cabinet 2 of a larger size", newIni = "[CEAppManager] 2";
  struct Case {
    const char* pszName;
    bool bEarlierRun;
    long long nFree;
    std::vector<std::string> leftInTarget;
  };
  const Case cases[] = {
      {"cabinet does not fit", false, 8, {target + "\\"}},
      {"description does not fit",
       false,
       static_cast<long long>(newCab.size()) + 4,
       {target + "\\", cab + " = " + newCab}},
      {"cabinet does not fit over an earlier run",
       true,
       static_cast<long long>(newCab.size()) - 1,
       {target + "\\", cab + " = MSCF cabinet 1", ini + " = [CEAppManager] 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    if (c.bEarlierRun) {
      ASSERT_EQ(RunInstall(pc), 0);
    }
    pc.AddFile("C:\\Cradlet\\Vimbra.arm_ppc.CAB", newCab);
    pc.AddFile("C:\\Cradlet\\Vimbra.ini", newIni);
    pc.m_nFreeBytes = c.nFree;
    std::vector<std::string> start = pc.Snapshot();
    pc.m_launches.clear();
    pc.m_messages.clear();
    EXPECT_EQ(RunInstall(pc), IDS_COPY_ERROR);
    ExpectCopyErrorLeaving(pc, start, c.leftInTarget, -1);
  }
}

// Only "X:\" and "\\server\share\" roots are absolute: everything else is
// looked up from the current folder or drive.
TEST(ManagerPath, AbsoluteOnlyWithDriveRootOrUncShare) {
  const std::pair<const char*, BOOL> cases[] = {
      {"C:\\Sync\\CEAppMgr.exe", TRUE},
      {"z:/Sync/CEAppMgr.exe", TRUE},
      {"\\\\pc\\share\\CEAppMgr.exe", TRUE},
      {"//pc/share/Sync/CEAppMgr.exe", TRUE},
      {"CEAppMgr.exe", FALSE},
      {"Sync\\CEAppMgr.exe", FALSE},
      {"C:CEAppMgr.exe", FALSE},
      {"\\Sync\\CEAppMgr.exe", FALSE},
      {"1:\\CEAppMgr.exe", FALSE},
      {"\\\\pc\\CEAppMgr.exe", FALSE},
      {"\\\\pc\\\\CEAppMgr.exe", FALSE},
      {"\\\\\\share\\CEAppMgr.exe", FALSE},
      {"\\\\.\\C:\\CEAppMgr.exe", FALSE},
      {"\\\\?\\C:\\CEAppMgr.exe", FALSE},
      {"", FALSE},
  };
  for (const auto& [pszPath, bAbsolute] : cases) EXPECT_EQ(IsAbsolutePath(pszPath), bAbsolute) << pszPath;
}

// A manager path that is not absolute, as read or as expanded, or whose
// expansion does not fit in MAX_PATH, counts as no manager: nothing is made
// and nothing started, even when a file of that name would be found.
TEST_F(InstallFailure, ManagerPathNotAbsoluteOrTooLongShowsNoSyncSoftware) {
  const std::string long260 = "C:\\" + std::string(244, 'x') + "\\CEAppMgr.exe";
  struct Case {
    std::string strValue;
    DWORD dwType;
    std::string strPlanted;  // a file where a relative lookup would find it
  };
  const Case cases[] = {
      {"CEAppMgr.exe", REG_SZ, "CEAppMgr.exe"},
      {"\\Program Files\\Windows CE Services\\CEAppMgr.exe", REG_SZ,
       "\\Program Files\\Windows CE Services\\CEAppMgr.exe"},
      {"%SYNC%\\CEAppMgr.exe", REG_EXPAND_SZ, "Sync\\CEAppMgr.exe"},
      {"%UNDEFINED%\\CEAppMgr.exe", REG_EXPAND_SZ, "%UNDEFINED%\\CEAppMgr.exe"},
      {"%LONG%\\CEAppMgr.exe", REG_EXPAND_SZ, long260},
      {"%ProgramFiles%\\Windows CE Services\\CEAppMgr.exe", REG_SZ, ""},  // not expanded as REG_SZ
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.strValue);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    pc.m_environment = {{"SYNC", "Sync"}, {"LONG", long260.substr(0, long260.size() - 13)}};
    pc.m_environment["PROGRAMFILES"] = "C:\\Program Files";
    if (!c.strPlanted.empty()) pc.AddFile(c.strPlanted, "MZ planted");
    pc.SetRegistryString(kAppPathsKey, "", c.strValue, c.dwType);
    std::vector<std::string> start = pc.Snapshot();
    EXPECT_EQ(RunInstall(pc), IDS_NO_SYNC_SOFTWARE);
    EXPECT_EQ(pc.m_messages, std::vector<UINT>{IDS_NO_SYNC_SOFTWARE});
    EXPECT_EQ(pc.Snapshot(), start);
    EXPECT_TRUE(pc.m_launches.empty());
    std::vector<std::string> names = pc.CallNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "_mkdir"), 0);
    ExpectTidy(pc);
  }
}

// A program folder of n characters as the sequence sees it ("C:\" to the
// trailing "\"), with the program and both sources in it.
std::string PlaceProgramInFolderOf(CFakeWinOps& pc, std::size_t nChars) {
  std::string folder = "C:\\" + std::string(nChars - 4, 'd');
  pc.AddFolder(folder);
  pc.AddFile(folder + "\\Vimbra.arm_ppc.CAB", "MSCF long");
  pc.AddFile(folder + "\\Vimbra.ini", "ini long");
  pc.m_strModulePath = folder + "\\Cradlet.exe";
  return folder;
}

// The program folder with its "\" and "Vimbra.arm_ppc.CAB" must fit in 259
// characters; one character more must be reported, not written past the
// buffer (the sanitizer build watches the writes).
TEST_F(InstallFailure, ProgramFolderTooLongForTheCabinetNameShowsSystemError) {
  std::string folder = PlaceProgramInFolderOf(fake, 241);
  Run();
  EXPECT_TRUE(fake.m_messages.empty());
  EXPECT_EQ(fake.m_calls[4], "FindFirstFileA " + folder + "\\Vimbra.arm_ppc.CAB");
  ASSERT_EQ(fake.m_launches.size(), 1u);

  CFakeWinOps pc;
  SetUpTypicalPc(pc);
  PlaceProgramInFolderOf(pc, 242);
  RunInstall(pc);
  EXPECT_EQ(pc.m_messages, std::vector<UINT>{IDS_SYSTEM_ERROR});
  EXPECT_EQ(pc.CallNames(), (std::vector<std::string>{"CreateMutexA", "GetLastError", "GetModuleFileNameA",
                                                      "_splitpath", "ShowMessage"}));
}

TEST_F(InstallFailure, ProgramPathCutShortShowsSystemError) {
  // 259 characters fit with the terminator; 260 come back cut and unterminated.
  for (std::size_t nChars : {259u, 260u, 400u}) {
    SCOPED_TRACE(nChars);
    CFakeWinOps pc;
    SetUpTypicalPc(pc);
    pc.m_strModulePath = "C:\\" + std::string(nChars - 3 - 12, 'p') + "\\Cradlet.exe";
    RunInstall(pc);
    EXPECT_EQ(pc.m_messages, std::vector<UINT>{IDS_SYSTEM_ERROR});
    EXPECT_EQ(pc.CallNames().size(), nChars == 259 ? 5u : 4u);  // the 259-character path is split first
  }
}

}  // namespace

// CradletUnderWine: the fixture of Cradlet's Wine tests, which run the real
// program with a registry, an application manager and message boxes of their own.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "wine_prefix.h"

namespace fs = std::filesystem;

// The one prefix of the run, made by main().
inline WinePrefix* g_pPrefix = nullptr;
// Cradlet.exe and the helpers' folder under test: the 32-bit builds, or
// their 64-bit twins where the host cannot run Wine's 32-bit loader; and
// the processor name of the side-by-side common controls they load.
inline std::string g_strCradletExe = CRADLET_EXE;
inline std::string g_strHelperDir = HELPER_DIR;
inline std::string g_strSxsArch = "x86";
// Why Wine here copies over a read-only file all the same; "" when it cannot.
inline std::string g_strReadOnlyIgnored;

const char kAppPathsKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";
const char kSyncKey[] = "HKLM\\Software\\Microsoft\\Windows CE Services";

// A message box's text and the exit status that Cradlet ends with after it.
struct Message {
  const char* pszText;
  const char* pszStatus;
};
const Message kNoSyncSoftware = {"Please install Microsoft ActiveSync software.", "102"};
const Message kCopyError = {"Copy file error. Please close all application or reboot computer then try again.", "104"};
const Message kSourceMissing = {"There are some source files not found. Pleasa get source files again.", "105"};
const Message kAlreadyInstalling = {"Cradlet is already installing Vimbra. Please wait until it has finished.", "106"};

class CradletUnderWine : public ::testing::Test {
 protected:
  WinePrefix& prefix = *g_pPrefix;

  std::string Host(const std::string& strWindowsPath) const { return prefix.HostPath(strWindowsPath); }

  // The distribution folder at strKit, assembled by the packaging script
  // around a cabinet that gcab makes here from a text holding strPayload.
  void MakeKit(const std::string& strKit, const std::string& strPayload) {
    fs::path work = fs::path(prefix.Folder()) / ("cab-" + strPayload + "-" + std::to_string(++m_nCabs));
    fs::create_directories(work);
    std::ofstream(work / "vimbra.txt") << "test cabinet: " << strPayload << "\n";
    std::ofstream bin(work / "payload.bin", std::ios::binary);
    for (int i = 0; i < 4096; ++i) bin.put(static_cast<char>(i * 7 + strPayload.size()));
    bin.close();
    std::string cab = (work / "test.cab").string();
    ASSERT_EQ(RunProgram({"gcab", "-c", "-n", cab, (work / "vimbra.txt").string(), (work / "payload.bin").string()},
                         prefix.Log()),
              0);
    ASSERT_EQ(RunProgram({CMAKE_COMMAND, "-DCRADLET_EXE=" + g_strCradletExe, "-DCRADLET_INI=" CRADLET_INI,
                          "-DCRADLET_CAB=" + cab, "-DCRADLET_DIST_DIR=" + Host(strKit), "-P", CRADLET_PACKAGE_SCRIPT},
                         prefix.Log()),
              0);
  }

  // The stand-in application manager at strFolder\CEAppMgr.exe, registered
  // as the App Paths entry.
  void InstallManager(const std::string& strFolder) {
    fs::create_directories(Host(strFolder));
    fs::copy_file(g_strHelperDir + "/CEAppMgr.exe", Host(strFolder + "\\CEAppMgr.exe"),
                  fs::copy_options::overwrite_existing);
    ASSERT_EQ(prefix.RegAdd(kAppPathsKey, "", strFolder + "\\CEAppMgr.exe"), 0);
  }

  // Runs Cradlet from strKit through the clicker and returns what the box
  // showed; options are the clicker's (--lock FILE, --cwd DIR, --behind FIRST).
  std::map<std::string, std::string> RunAnsweringTheBox(const std::string& strKit,
                                                        const std::vector<std::string>& options = {}) {
    std::string record = NewRecordPath();
    EXPECT_EQ(prefix.Wine(ClickerArgs(record, strKit, options), 60), 0)
        << "no message box, or Cradlet did not end after OK";
    return ReadRecord(record);
  }

  // The clicker's command line for Cradlet in strKit, recording to strRecord.
  std::vector<std::string> ClickerArgs(const std::string& strRecord, const std::string& strKit,
                                       const std::vector<std::string>& options = {}) const {
    std::vector<std::string> args = {g_strHelperDir + "/msgbox_clicker.exe", WinePrefix::ZPath(strRecord)};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(strKit + "\\Cradlet.exe");
    return args;
  }

  // A host path for a new record, unique over the whole run.
  std::string NewRecordPath() const { return prefix.Folder() + "/box-" + std::to_string(++m_nBoxes) + ".txt"; }

  // A record that a Windows program writes; empty when it did not appear
  // within 20 s.
  static std::map<std::string, std::string> WaitForRecord(const std::string& strHostPath) {
    for (int i = 0; i < 200 && !fs::exists(strHostPath); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return ReadRecord(strHostPath);
  }

  // One box titled with the program's name and showing the message, drawn
  // by the version-6 common controls that the manifest asks for; the program
  // ended after OK with the message's number as its exit status.
  static void ExpectBox(std::map<std::string, std::string>& box, const Message& message) {
    EXPECT_EQ(box["title"], "Cradlet");
    EXPECT_EQ(box["text"], message.pszText);
    EXPECT_EQ(box["exit"], message.pszStatus);
    std::string comctl32 = box["comctl32"];
    for (char& c : comctl32) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(comctl32.find("\\winsxs\\" + g_strSxsArch + "_microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::string::npos)
        << box["comctl32"];
  }

  // The manager's record of its command line.
  std::map<std::string, std::string> WaitForLaunch(const std::string& strManagerFolder) const {
    return WaitForRecord(Host(strManagerFolder + "\\launch.txt"));
  }

  // Both copies in strTarget, byte for byte the sources in strKit.
  void ExpectCopies(const std::string& strKit, const std::string& strTarget) const {
    for (const char* name : {"\\Vimbra.arm_ppc.CAB", "\\Vimbra.ini"}) {
      std::string source = ReadFileBytes(Host(strKit + name));
      EXPECT_NE(source, "<missing>");
      EXPECT_EQ(ReadFileBytes(Host(strTarget + name)), source) << name;
    }
  }

  void ExpectNoFallbackFolders() const {
    EXPECT_FALSE(fs::exists(Host("C:\\Vimbra_PPC_installer")));
    EXPECT_FALSE(fs::exists(Host("C:\\VimboTemp")));
  }

 private:
  // Numbers for work folders and box records, unique over the whole run so
  // that no case can read what an earlier one left.
  static inline int m_nCabs = 0;
  static inline int m_nBoxes = 0;
};

// CInstallerApp: Cradlet's one application object. Its start-up runs the
// install sequence and declines to go on, so no window and no message loop.
#pragma once

#include "winops.h"

// The application's name: the title of every message box Cradlet shows.
constexpr char kAppName[] = "Cradlet";

class CInstallerApp {
 public:
  // ops stays owned by the caller and must outlive the application object.
  CInstallerApp(const char* pszAppName, CWinOps& ops);

  // Per-instance start-up: runs the whole install sequence and keeps its
  // outcome, then returns FALSE because there is no main window to run a
  // message loop for.
  BOOL InitInstance();

  // The program's exit status: 0 after a started application manager,
  // otherwise the id of the message that was shown.
  int ExitInstance() const { return m_nExitCode; }

  // What the program's entry point does: start-up, then ExitInstance.
  int Run();

  const char* const m_pszAppName;

 private:
  CWinOps& m_ops;
  int m_nExitCode = 0;
};

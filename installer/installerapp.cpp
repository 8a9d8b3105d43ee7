// CInstallerApp: start-up runs the install sequence; the program then ends
// with the sequence's outcome as its exit status, for scripts to read.
#include "installerapp.h"

#include "installsequence.h"

CInstallerApp::CInstallerApp(const char* pszAppName, CWinOps& ops) : m_pszAppName(pszAppName), m_ops(ops) {}

BOOL CInstallerApp::InitInstance() {
  m_nExitCode = RunInstall(m_ops);
  return FALSE;
}

int CInstallerApp::Run() {
  // Start-up always declines, so there is no message loop to enter: the
  // program ends as soon as the sequence has run.
  InitInstance();
  return ExitInstance();
}

// The application object of the framework: one per process, reached with
// AfxGetApp. It holds the main window, the launcher's show state, the
// registry key name and the wait cursor's count of open periods.
#pragma once

#include "wnd.h"

class CWinApp : public CCmdTarget {
 public:
  CWinApp();
  ~CWinApp() override;

  // Brings the program up; the message loop runs only when it returns TRUE.
  virtual BOOL InitInstance() { return TRUE; }
  // Runs the host's message loop; returns the exit code.
  virtual int Run();

  void SetRegistryKey(const WCHAR* key) { m_strRegistryKey = key; }
  const CString& GetRegistryKey() const { return m_strRegistryKey; }

  // The wait cursor: each begin adds an open period and shows it; each end
  // takes one off (never below zero) and shows the normal cursor at zero.
  void BeginWaitCursor();
  void EndWaitCursor();
  int WaitCursorCount() const { return m_nWaitCount; }

  CWnd* m_pMainWnd = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;

 private:
  CString m_strRegistryKey;
  int m_nWaitCount = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The host's processor cores (at least 1): the programs' default number of
// worker threads.
int GetProcessorCount();

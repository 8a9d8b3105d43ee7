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
  // Background worker threads the program may use, as its command line
  // asked (1: everything on the user-interface thread, as on the handheld).
  int m_nWorkerThreads = 1;
  // Pictures are turned upright by their Exif orientation (off by default,
  // as on the handheld).
  BOOL m_bAutoRotate = FALSE;
  // The frame starts full screen.
  BOOL m_bFullScreen = FALSE;
  // Where the viewer starts, as the command line asked: a device folder (""
  // is the root), made by nobody, and a picture of it to open. Without a
  // start folder it starts in "\My Documents", made when missing, as on the
  // handheld.
  BOOL m_bHasStartFolder = FALSE;
  CString m_strStartFolder;
  CString m_strStartPicture;

 private:
  CString m_strRegistryKey;
  int m_nWaitCount = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The host's processor cores (at least 1): the programs' default number of
// worker threads.
int GetProcessorCount();

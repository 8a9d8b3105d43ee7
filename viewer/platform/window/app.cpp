// The application object, its process-wide pointer and the wait cursor.
#include "app.h"

#include <thread>

#include "host.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

CWinApp::CWinApp() {
  if (g_app == nullptr) g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
  return GetHost()->RunMessageLoop();
}

void CWinApp::BeginWaitCursor() {
  ++m_nWaitCount;
  GetHost()->SetWaitCursor(TRUE);
}

void CWinApp::EndWaitCursor() {
  if (m_nWaitCount > 0) --m_nWaitCount;
  if (m_nWaitCount == 0) GetHost()->SetWaitCursor(FALSE);
}

CWinApp* AfxGetApp() {
  return g_app;
}

CWnd* AfxGetMainWnd() {
  return g_app != nullptr ? g_app->m_pMainWnd : nullptr;
}

int GetProcessorCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : (cores > 256 ? 256 : (int)cores);
}

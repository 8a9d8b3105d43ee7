// Frame window: creation from resources, routing, close and self-deletion.
#include "frame.h"

#include "app.h"
#include "host.h"
#include "resource.h"

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style) {
  m_nResourceId = resourceId;
  const WCHAR* text = FindStringResource(resourceId);
  if (text != nullptr) {
    const CString whole(text);
    m_strTitle = whole.substr(0, whole.find(u'\n'));
  }
  m_strWindowText = m_strTitle;
  return CreateTopLevel(style);
}

BOOL CFrameWnd::CreateHostPeer() {
  return GetHost()->CreateFrameWindow(this);
}

void CFrameWnd::SetWindowText(const CString& text) {
  if (text == m_strWindowText) return;
  m_strWindowText = text;
  if (IsWindow()) GetHost()->FrameTextChanged(this);
}

void CFrameWnd::SetFullScreen(BOOL fullScreen) {
  if (IsWindow()) GetHost()->SetFrameFullScreen(this, fullScreen);
}

BOOL CFrameWnd::IsFullScreen() const {
  return IsWindow() ? GetHost()->IsFrameFullScreen(this) : FALSE;
}

void CFrameWnd::ShowWindow(int showCommand) {
  if (IsWindow()) GetHost()->ShowFrameWindow(this, showCommand);
}

std::vector<UINT> CFrameWnd::GetAcceleratorTables() const {
  std::vector<UINT> tables;
  if (m_nExtraAccelId != 0) tables.push_back(m_nExtraAccelId);
  tables.push_back(m_nResourceId);
  return tables;
}

BOOL CFrameWnd::TranslateAccelerator(UINT virtualKey, BOOL control, BOOL shift) {
  if (!IsWindow()) return FALSE;
  for (UINT id : GetAcceleratorTables()) {
    const AccelTableResource* table = FindAccelResource(id);
    for (size_t i = 0; table != nullptr && i < table->count; ++i) {
      const AccelResource& a = table->entries[i];
      const bool wantsControl = (a.flags & FCONTROL) != 0;
      const bool wantsShift = (a.flags & FSHIFT) != 0;
      if (a.key == virtualKey && wantsControl == (control != FALSE) && wantsShift == (shift != FALSE)) {
        SendMessage(WM_COMMAND, a.command, 0);
        return TRUE;
      }
    }
  }
  return FALSE;
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_COMMAND:
      OnCmdMsg(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

BOOL CFrameWnd::OnCmdMsg(UINT id) {
  if (OnFrameCommand(id)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app != nullptr ? app->OnCmdMsg(id) : FALSE;
}

void CFrameWnd::PostNcDestroy() {
  CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_pMainWnd == this) {
    app->m_pMainWnd = nullptr;
    GetHost()->QuitMessageLoop(0);
  }
  delete this;
}

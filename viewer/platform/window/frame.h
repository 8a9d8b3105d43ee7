// The top-level frame window: loaded from a resource (title, icon,
// accelerators), routes commands to its own handlers and then to the
// application object, closes on WM_CLOSE and deletes itself once destroyed.
// Its caption text and full-screen state are shown by the host.
#pragma once

#include <vector>

#include "wnd.h"

class CFrameWnd : public CWnd {
 public:
  // Creates the frame window from resource `resourceId`: the title is the
  // first "\n"-separated field of that string, the icon and accelerator
  // table have the same id. WM_CREATE runs OnCreate; FALSE when it fails
  // (the frame object has then been deleted, as the framework does).
  BOOL LoadFrame(UINT resourceId, DWORD style);
  // The resource's title ("Vimbra").
  const CString& GetTitle() const { return m_strTitle; }
  // The caption: the title until the program sets another text.
  void SetWindowText(const CString& text);
  const CString& GetWindowText() const { return m_strWindowText; }
  // Full screen (no caption, no border, the whole screen) on or off; the
  // host tells whether it is on.
  void SetFullScreen(BOOL fullScreen);
  BOOL IsFullScreen() const;
  UINT GetResourceId() const { return m_nResourceId; }
  BOOL HasCanvas() const override { return FALSE; }

  void ShowWindow(int showCommand);
  // Turns a key with Ctrl (and Shift) held as the accelerator table says
  // into its command, which is then routed like any command. TRUE when the
  // table had the key with those modifiers.
  BOOL TranslateAccelerator(UINT virtualKey, BOOL control, BOOL shift = FALSE);
  // A table of more keys, looked at before the frame resource's own (a
  // program with more commands than the resource names); 0 for none.
  void SetExtraAccelerators(UINT id) { m_nExtraAccelId = id; }
  // The tables a key is looked up in, in order.
  std::vector<UINT> GetAcceleratorTables() const;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Frame routing: the frame's own handlers, then the application object.
  BOOL OnCmdMsg(UINT id) override;

 protected:
  virtual int OnCreate() { return 0; }
  virtual void OnSetFocus() {}
  // The frame's own command handlers; TRUE when handled.
  virtual BOOL OnFrameCommand(UINT /*id*/) { return FALSE; }
  BOOL CreateHostPeer() override;
  void PostNcDestroy() override;

 private:
  CString m_strTitle;
  CString m_strWindowText;
  UINT m_nResourceId = 0;
  UINT m_nExtraAccelId = 0;
};

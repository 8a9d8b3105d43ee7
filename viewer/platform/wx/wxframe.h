// The native frame of the layer's CFrameWnd: title and icon, the command bar
// (the "Tools" drop-down button and the toolbar buttons kept in step with the
// CCommandBar model) and the viewer area below it.
#pragma once

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/toolbar.h>

#include <functional>
#include <string>
#include <vector>

class CFrameWnd;
class CCommandBar;
class CWxViewerArea;
class CWnd;

// The "Tools" button: a plain push button that never takes the focus.
class CWxMenuButton : public wxButton {
 public:
  CWxMenuButton(wxWindow* parent, const wxString& label);
  bool AcceptsFocus() const override { return false; }
  bool AcceptsFocusFromKeyboard() const override { return false; }
};

class CWxFrame : public wxFrame {
 public:
  CWxFrame(CFrameWnd* wnd, const wxString& title, const wxIcon& icon);
  ~CWxFrame() override;

  CFrameWnd* Wnd() const { return m_pWnd; }
  // The caption, in UTF-8, as both _NET_WM_NAME and WM_NAME.
  void SetCaption(const std::string& utf8);
  // The layer's frame is gone: the native one goes too, without telling it.
  void DetachAndDestroy();

  // The viewer window's native area, sized `areaSize`.
  CWxViewerArea* CreateViewerArea(CWnd* wnd, const wxSize& areaSize);
  CWxViewerArea* ViewerArea() const { return m_pArea; }
  // Shows the frame with the viewer area at `areaSize`, its top-left
  // corner at `place` unless that is wxDefaultPosition.
  void ShowWithArea(const wxSize& areaSize, const wxPoint& place);
  // The viewer area's size and the frame's place as they last were while
  // the frame was shown, out of full screen, neither maximized nor
  // minimized: what the next start opens with.
  bool HasNormalPlace() const { return m_bNormalKnown; }
  wxRect NormalPlace() const { return m_normal; }

  // The command bar model came or changed: buttons, states, tooltips.
  void AttachCommandBar(CCommandBar* bar);
  void DetachCommandBar(CCommandBar* bar);
  void SyncCommandBar();
  // GTK gave the toolbar its layout: the buttons' places are known.
  void OnToolbarAllocated();
  // Nothing is waiting for a layout of the command bar.
  bool IsCommandBarSettled() const { return !m_bToolbarLayoutPending; }
  // Called at every idle moment while the probe is on; false asks for
  // another idle event soon.
  void SetIdleHook(std::function<bool()> hook) { m_idleHook = std::move(hook); }

 private:
  void OnClose(wxCloseEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnMove(wxMoveEvent& event);
  void NoteNormalPlace();
  void OnActivate(wxActivateEvent& event);
  void OnIdle(wxIdleEvent& event);
  void OnTool(wxCommandEvent& event);
  void OnMenuButton(wxCommandEvent& event);
  void OnMenuItem(wxCommandEvent& event);
  void OnMenuOpen(wxMenuEvent& event);
  void OnMenuClose(wxMenuEvent& event);
  void SendCommand(unsigned command);
  void ReportToolRects();

  CFrameWnd* m_pWnd;
  std::function<bool()> m_idleHook;
  CWxViewerArea* m_pArea = nullptr;
  CCommandBar* m_pBar = nullptr;
  wxToolBar* m_pToolBar = nullptr;
  CWxMenuButton* m_pMenuButton = nullptr;
  // One native tool per model button, kept while the button is hidden
  // (RemoveTool does not delete it), and whether it is on the bar now.
  std::vector<wxToolBarToolBase*> m_tools;
  std::vector<bool> m_present;
  bool m_bToolbarLayoutPending = false;
  bool m_bToolRectsDirty = false;
  bool m_bWindowReported = false;
  bool m_bNormalKnown = false;
  wxRect m_normal;
  // What the probe was last told of the bar: a new report only on change.
  std::string m_strToolRects;

  wxDECLARE_EVENT_TABLE();
};

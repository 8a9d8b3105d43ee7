// Modal dialogs built from a dialog template. The dialog makes its control
// objects from the template, is initialised with WM_INITDIALOG, runs in the
// host's modal loop until EndDialog, and gets WM_DESTROY at the end. Closing
// it from the host counts as Cancel. Long work of an open dialog runs in
// slices between the host's events.
#pragma once

#include <memory>
#include <vector>

#include "platform/window/resource.h"
#include "platform/window/wnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog; returns IDOK, IDCANCEL, or -1 when it could not be made.
  virtual INT_PTR DoModal();
  void EndDialog(int result);
  BOOL IsEnded() const { return m_bEnded; }
  // Dialogs in the host's modal loop now, nested ones each; the program's
  // window takes no input meanwhile, but its timers still fire.
  static int OpenModalCount();
  INT_PTR GetResult() const { return m_nResult; }

  // Work the dialog does while it is open (filling a large tree), which the
  // host runs from its modal loop a slice at a time, so that paints, Cancel
  // and closing are answered in between. One slice, a few tens of
  // milliseconds: TRUE while more remains. Nothing runs once it has ended.
  BOOL RunIdleSlice();
  // All that remains at once, for a host with no events to answer meanwhile.
  void RunIdleWorkToEnd();

  const DialogResource* GetTemplate() const { return m_pTemplate; }
  CWnd* GetDlgItem(int id) const;
  // The text of a static text, button or text field (CControlWnd); the
  // template's until it is set. Set before the host shows the dialog (in
  // OnInitDialog), it is what the host shows.
  void SetDlgItemText(int id, const CString& text);
  CString GetDlgItemText(int id) const;
  // The window the dialog belongs to (null: the program's main window).
  CWnd* GetOwnerWindow() const { return m_pParentWnd; }
  void CenterWindow() { m_bCentred = TRUE; }
  BOOL IsCentred() const { return m_bCentred; }
  BOOL HasCanvas() const override { return FALSE; }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void DoDataExchange() {}
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // A button other than OK and Cancel (its control id): TRUE when handled.
  virtual BOOL OnCommand(UINT /*id*/) { return FALSE; }
  virtual void OnDestroy() {}
  // One slice of the dialog's work, or all of it when `toEnd`: TRUE while
  // more remains. The dialog decides what a slice is.
  virtual BOOL OnIdleWork(BOOL /*toEnd*/) { return FALSE; }
  BOOL CreateHostPeer() override { return TRUE; }

 private:
  BOOL CreateControls();

  UINT m_nTemplateId;
  CWnd* m_pParentWnd;
  const DialogResource* m_pTemplate = nullptr;
  std::vector<std::unique_ptr<CWnd>> m_controls;
  BOOL m_bEnded = FALSE;
  BOOL m_bCentred = FALSE;
  INT_PTR m_nResult = -1;
};

// A control of a dialog that has no behaviour of its own here (buttons,
// static texts, icons): the host draws it from the template, with the text
// the control holds.
class CControlWnd : public CWnd {
 public:
  BOOL HasCanvas() const override { return FALSE; }
  void SetWindowText(const CString& text) { m_strText = text; }
  const CString& GetWindowText() const { return m_strText; }

 protected:
  BOOL CreateHostPeer() override { return TRUE; }

 private:
  CString m_strText;
};

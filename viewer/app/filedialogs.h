// The small dialogs of the desktop's file actions: a message, a question,
// the new name of a picture, and what to do about a name already taken at
// a copy's or move's destination. Texts come from the string table with
// "%1" and "%2" filled in.
#pragma once

#include "platform/controls/dialog.h"
#include "platform/controls/editctrl.h"

// String `id` with "%1" and "%2" replaced.
CString FormatFileString(UINT id, const CString& first, const CString& second = CString());

// A message (OK) or a question (OK, Cancel): IDD_FILE_MESSAGE or
// IDD_FILE_QUESTION; a question's OK button may say what it does.
class CFileMessageDlg : public CDialog {
 public:
  CFileMessageDlg(UINT templateId, const CString& text, const CString& okLabel = CString());

 protected:
  BOOL OnInitDialog() override;

 private:
  CString m_strText;
  CString m_strOkLabel;
};

// The new name, shown with the name selected up to its extension; OK keeps
// what was typed for GetName.
class CRenameDlg : public CDialog {
 public:
  explicit CRenameDlg(const CString& name);
  const CString& GetName() const { return m_strName; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  CString m_strName;
};

// A name taken at the destination: DoModal gives IDC_FILE_REPLACE,
// IDC_FILE_KEEP_BOTH, or IDCANCEL (Skip, or the dialog closed).
class CConflictDlg : public CDialog {
 public:
  explicit CConflictDlg(const CString& text);

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(UINT id) override;

 private:
  CString m_strText;
};

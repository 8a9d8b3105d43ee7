// The file actions' dialogs: texts filled in before the host shows them.
#include "app/filedialogs.h"

#include "res/resource_ids.h"

CString FormatFileString(UINT id, const CString& first, const CString& second) {
  const WCHAR* pattern = FindStringResource(id);
  CString text = pattern != nullptr ? CString(pattern) : CString();
  CString result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size() && (text[i + 1] == u'1' || text[i + 1] == u'2')) {
      result += text[i + 1] == u'1' ? first : second;
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

CFileMessageDlg::CFileMessageDlg(UINT templateId, const CString& text, const CString& okLabel)
    : CDialog(templateId), m_strText(text), m_strOkLabel(okLabel) {}

BOOL CFileMessageDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CenterWindow();
  SetDlgItemText(IDC_FILE_TEXT, m_strText);
  if (!m_strOkLabel.empty()) SetDlgItemText(IDOK, m_strOkLabel);
  return TRUE;
}

CRenameDlg::CRenameDlg(const CString& name) : CDialog(IDD_FILE_RENAME), m_strName(name) {}

BOOL CRenameDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CenterWindow();
  CEditCtrl* field = dynamic_cast<CEditCtrl*>(GetDlgItem(IDC_FILE_NAME));
  if (field == nullptr) return FALSE;
  field->SetWindowText(m_strName);
  // The name up to its extension is what is usually changed; a name whose
  // only dot starts it has no extension.
  const size_t dot = m_strName.rfind(u'.');
  field->SetSel(0, dot == CString::npos || dot == 0 ? -1 : (int)dot);
  return TRUE;
}

void CRenameDlg::OnOK() {
  m_strName = GetDlgItemText(IDC_FILE_NAME);
  CDialog::OnOK();
}

CConflictDlg::CConflictDlg(const CString& text) : CDialog(IDD_FILE_CONFLICT), m_strText(text) {}

BOOL CConflictDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CenterWindow();
  SetDlgItemText(IDC_FILE_TEXT, m_strText);
  return TRUE;
}

BOOL CConflictDlg::OnCommand(UINT id) {
  if (id != IDC_FILE_REPLACE && id != IDC_FILE_KEEP_BOTH) return FALSE;
  EndDialog((int)id);
  return TRUE;
}

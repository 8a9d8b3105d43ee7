// About dialog.
#include "app/aboutdlg.h"

#include "res/resource_ids.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  return TRUE;  // no control gets the focus explicitly
}

// The About dialog (dialog 100): the program icon, the version line and two
// lines of our own, closed with the OK button in its caption.
#pragma once

#include "platform/controls/dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  BOOL OnInitDialog() override;
};

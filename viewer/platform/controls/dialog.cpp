// Modal dialog: controls from the template, init, modal loop, work in
// slices, destroy.
#include "dialog.h"

#include <cstring>

#include "editctrl.h"
#include "platform/window/app.h"
#include "platform/window/host.h"
#include "treectrl.h"

namespace {
// Used on the user-interface thread only, as dialogs are.
int g_nOpenModal = 0;
}  // namespace

int CDialog::OpenModalCount() {
  return g_nOpenModal;
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

BOOL CDialog::CreateControls() {
  m_controls.clear();
  for (size_t i = 0; i < m_pTemplate->controlCount; ++i) {
    const DialogControlResource& c = m_pTemplate->controls[i];
    std::unique_ptr<CWnd> control;
    if (std::strcmp(c.className, "SysTreeView32") == 0) {
      control = std::make_unique<CTreeCtrl>();
    } else {
      std::unique_ptr<CControlWnd> plain =
          std::strcmp(c.className, "EDIT") == 0 ? std::make_unique<CEditCtrl>() : std::make_unique<CControlWnd>();
      if (c.text != nullptr) plain->SetWindowText(CString(c.text));
      control = std::move(plain);
    }
    if (!control->CreateChild(this, c.style, (UINT)c.id)) return FALSE;
    m_controls.push_back(std::move(control));
  }
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  m_pTemplate = FindDialogResource(m_nTemplateId);
  if (m_pTemplate == nullptr) return -1;
  m_bEnded = FALSE;
  m_nResult = -1;
  if (!CreateTopLevel(m_pTemplate->style) || !CreateControls()) {
    DestroyWindow();
    m_controls.clear();
    return -1;
  }
  SendMessage(WM_INITDIALOG);
  if (!m_bEnded) {
    ++g_nOpenModal;
    GetHost()->RunModalDialog(this);
    --g_nOpenModal;
  }
  if (!m_bEnded) EndDialog(IDCANCEL);
  DestroyWindow();
  m_controls.clear();
  // The dialog covered the program's window: what it uncovers is repainted
  // with its background erased.
  if (CWnd* main = AfxGetMainWnd()) {
    for (CWnd* child : main->GetChildren()) {
      if (child->HasCanvas()) child->Invalidate(TRUE);
    }
  }
  return m_nResult;
}

void CDialog::EndDialog(int result) {
  if (m_bEnded) return;
  m_bEnded = TRUE;
  m_nResult = result;
  GetHost()->EndModalDialog(this);
}

BOOL CDialog::RunIdleSlice() {
  return !m_bEnded && OnIdleWork(FALSE);
}

void CDialog::RunIdleWorkToEnd() {
  if (!m_bEnded) OnIdleWork(TRUE);
}

CWnd* CDialog::GetDlgItem(int id) const {
  for (const auto& control : m_controls) {
    if ((int)control->GetDlgCtrlID() == id) return control.get();
  }
  return nullptr;
}

void CDialog::SetDlgItemText(int id, const CString& text) {
  if (CControlWnd* control = dynamic_cast<CControlWnd*>(GetDlgItem(id))) control->SetWindowText(text);
}

CString CDialog::GetDlgItemText(int id) const {
  const CControlWnd* control = dynamic_cast<const CControlWnd*>(GetDlgItem(id));
  return control != nullptr ? control->GetWindowText() : CString();
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      DoDataExchange();
      return OnInitDialog();
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnOK();
        return 0;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return 0;
      }
      if (OnCommand(LOWORD(wParam))) return 0;
      return CWnd::WindowProc(message, wParam, lParam);
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

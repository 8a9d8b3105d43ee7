// Native dialog from a template: layout in dialog units, buttons, close.
#include "wxdialog.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstring>

#include "platform/controls/dialog.h"
#include "platform/controls/editctrl.h"
#include "platform/controls/treectrl.h"
#include "wxfoldertree.h"
#include "wxids.h"
#include "wxpixels.h"
#include "wxprobe.h"

namespace {

wxString ToWx(const WCHAR* text) {
  return text != nullptr ? wxString::FromUTF8(Utf8FromWide(text).c_str()) : wxString();
}

wxString TitleOf(const CDialog* dialog) {
  const DialogResource* t = dialog != nullptr ? dialog->GetTemplate() : nullptr;
  return t != nullptr ? ToWx(t->title) : wxString();
}

// The caption OK button's place below the template's own controls, in
// dialog units: a standard 50 × 14 push button and a 7-unit margin.
constexpr int kCaptionOkWidth = 50;
constexpr int kCaptionOkHeight = 14;
constexpr int kMargin = 7;
// A line of the template's font, in dialog units.
constexpr int kLineUnits = 8;

}  // namespace

wxBEGIN_EVENT_TABLE(CWxDialog, wxDialog) EVT_BUTTON(wxID_ANY, CWxDialog::OnButton) EVT_CLOSE(CWxDialog::OnClose)
    EVT_CHAR_HOOK(CWxDialog::OnCharHook) EVT_IDLE(CWxDialog::OnIdle) EVT_TEXT(wxID_ANY, CWxDialog::OnText)
        EVT_TEXT_ENTER(wxID_ANY, CWxDialog::OnTextEnter) wxEND_EVENT_TABLE()

            CWxDialog::CWxDialog(wxWindow* parent, CDialog* dialog)
    : wxDialog(parent, wxID_ANY, TitleOf(dialog), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      m_pDialog(dialog) {
  Build();
}

void CWxDialog::Detach() {
  m_pDialog = nullptr;
  if (m_pTree != nullptr) m_pTree->Detach();
}

void CWxDialog::Build() {
  const DialogResource* t = m_pDialog->GetTemplate();
  if (t == nullptr) return;
  // 1. The template's font decides what a dialog unit is: a quarter of the
  // average character width across, an eighth of its height down.
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  if (t->fontPoints > 0) font.SetPointSize(t->fontPoints);
  SetFont(font);
  // 2. The controls, in template order (which is also the tab order).
  for (size_t i = 0; i < t->controlCount; ++i) AddControl(t->controls[i], (int)i);
  // 3. A template with its OK button in the caption gets one below the
  // controls here: the desktop caption has no room for it.
  int heightUnits = t->cy;
  if (t->exStyle & kCaptionOk) {
    const wxPoint at = ConvertDialogToPixels(wxPoint((t->cx - kCaptionOkWidth) / 2, t->cy));
    const wxSize size = ConvertDialogToPixels(wxSize(kCaptionOkWidth, kCaptionOkHeight));
    wxButton* ok = new wxButton(this, ID_DIALOG_CAPTION_OK, "OK", at, size);
    ok->SetDefault();
    m_controls.push_back(ok);
    m_controlIds.push_back(IDOK);
    heightUnits += kCaptionOkHeight + kMargin;
  }
  SetClientSize(ConvertDialogToPixels(wxSize(t->cx, heightUnits)));
  // 4. Where the handheld centred the dialog over its owner, and where it
  // left the position to the system, the desktop centres it over the frame.
  CentreOnParent();
}

void CWxDialog::AddControl(const DialogControlResource& c, int index) {
  if (index > ID_DIALOG_CONTROL_LAST - ID_DIALOG_CONTROL_FIRST) return;
  const int id = ID_DIALOG_CONTROL_FIRST + index;
  const wxPoint at = ConvertDialogToPixels(wxPoint(c.x, c.y));
  const wxSize size = ConvertDialogToPixels(wxSize(c.cx, c.cy));
  // The text the layer's control holds now (set as the dialog opened), else
  // the template's.
  const CControlWnd* model = dynamic_cast<const CControlWnd*>(m_pDialog->GetDlgItem(c.id));
  const wxString label = model != nullptr ? ToWx(model->GetWindowText().c_str()) : ToWx(c.text);
  wxWindow* window = nullptr;
  if (std::strcmp(c.className, "BUTTON") == 0) {
    wxButton* button = new wxButton(this, id, label, at, size);
    if (c.id == IDOK) button->SetDefault();
    window = button;
  } else if (std::strcmp(c.className, "EDIT") == 0) {
    // The field writes the user's typing back (OnText); Return is OK.
    m_pEdit = new wxTextCtrl(this, id, label, at, size, wxTE_PROCESS_ENTER);
    m_pEditModel = dynamic_cast<CEditCtrl*>(m_pDialog->GetDlgItem(c.id));
    window = m_pEdit;
  } else if (std::strcmp(c.className, "SysTreeView32") == 0) {
    CTreeCtrl* model = dynamic_cast<CTreeCtrl*>(m_pDialog->GetDlgItem(c.id));
    m_pTree = new CWxFolderTree(this, id, at, size, model);
    window = m_pTree;
  } else if (std::strcmp(c.className, "ICON") == 0) {
    // An icon control takes the icon's own size, whatever the template says.
    window = new wxStaticBitmap(this, id, BitmapFromResource(FindIconResource(c.iconId)), at);
  } else {
    // Static text, left-aligned from the template's place; a text wider than
    // its box keeps its whole width rather than losing letters.
    wxStaticText* text = new wxStaticText(this, id, label, at, wxDefaultSize);
    // A box of several lines takes a long text in lines of its width.
    if (c.cy > 2 * kLineUnits) text->Wrap(size.x);
    const wxSize best = text->GetBestSize();
    text->SetSize(at.x, at.y, std::max(best.x, size.x), std::max(best.y, size.y));
    window = text;
  }
  if (!(c.style & WS_VISIBLE)) window->Hide();
  m_controls.push_back(window);
  m_controlIds.push_back(c.id);
}

bool CWxDialog::IsSettled() const {
  return !m_bWorking && !m_bReportPending && (m_pTree == nullptr || !m_pTree->IsReportPending());
}

void CWxDialog::SendCommand(int id) {
  if (m_pDialog == nullptr) return;
  Probe::Line("dialog-command %d", id);
  m_pDialog->SendMessage(WM_COMMAND, MAKEWPARAM((WORD)id, 0), 0);
}

void CWxDialog::OnButton(wxCommandEvent& event) {
  for (size_t i = 0; i < m_controls.size(); ++i) {
    if (m_controls[i]->GetId() == event.GetId()) {
      SendCommand(m_controlIds[i]);
      return;
    }
  }
}

void CWxDialog::OnClose(wxCloseEvent& /*event*/) {
  // Closing the window is Cancel; the layer ends the dialog, and the modal
  // loop stops here if it did not.
  if (m_pDialog != nullptr && !m_pDialog->IsEnded()) SendCommand(IDCANCEL);
  if (IsModal()) EndModal(wxID_CANCEL);
}

void CWxDialog::OnCharHook(wxKeyEvent& event) {
  // Escape is Cancel, as in any dialog of the handheld, unless it ends an
  // in-place label edit of the tree.
  const bool editing = m_pTree != nullptr && m_pTree->GetEditControl() != nullptr;
  if (event.GetKeyCode() == WXK_ESCAPE && !editing) {
    Close();
    return;
  }
  event.Skip();
}

void CWxDialog::OnText(wxCommandEvent& event) {
  if (m_pEdit != nullptr && event.GetEventObject() == m_pEdit && m_pEditModel != nullptr) {
    m_pEditModel->SetWindowText(WideFromUtf8(std::string(m_pEdit->GetValue().utf8_str())));
  }
}

void CWxDialog::OnTextEnter(wxCommandEvent& /*event*/) {
  SendCommand(IDOK);
}

void CWxDialog::OnIdle(wxIdleEvent& event) {
  event.Skip();
  // The field takes the focus with the layer's selection once it is shown
  // (GTK selects the whole text when a field is focused).
  if (m_pEdit != nullptr && m_pEditModel != nullptr && !m_bEditFocused && m_pEdit->IsShownOnScreen()) {
    m_bEditFocused = true;
    m_pEdit->SetFocus();
    // After the focus has come in, where GTK selects the whole text.
    CallAfter([this] {
      if (m_pEdit == nullptr || m_pEditModel == nullptr) return;
      m_pEdit->SetSelection(m_pEditModel->GetSelStart(), m_pEditModel->GetSelEnd());
      long from = 0, to = 0;
      m_pEdit->GetSelection(&from, &to);
      Probe::Line("edit-selection %ld %ld", from, to);
    });
  }
  RunWorkSlice(event);
  if (!m_bReportPending || !IsShownOnScreen()) return;
  m_bReportPending = false;
  Report();
}

void CWxDialog::RunWorkSlice(wxIdleEvent& event) {
  if (!m_bWorking) return;
  if (m_pDialog == nullptr || m_pDialog->IsEnded()) {
    m_bWorking = false;
    return;
  }
  // Idle comes when GTK has no events waiting, and again at once while more
  // is asked for: clicks, keys and paints get their turn between slices.
  m_bWorking = m_pDialog->RunIdleSlice() != FALSE;
  ++m_nSlices;
  const unsigned id = m_pDialog->GetTemplate() != nullptr ? m_pDialog->GetTemplate()->id : 0u;
  if (m_bWorking && m_nSlices == 1) Probe::Line("dialog-working %u", id);
  if (!m_bWorking && m_nSlices > 1) Probe::Line("dialog-work-done %u %d", id, m_nSlices);
  // The tree shows what the slice added; its items are reported to the
  // probe only once it is complete.
  if (m_pTree != nullptr) {
    m_pTree->SyncFromModel();
    m_pTree->HoldReports(m_bWorking);
  }
  if (m_bWorking) event.RequestMore();
}

void CWxDialog::Report() {
  if (!Probe::Enabled() || m_pDialog == nullptr) return;
  const DialogResource* t = m_pDialog->GetTemplate();
  GdkWindow* window = gtk_widget_get_window(m_widget);
  if (window != nullptr && GDK_IS_X11_WINDOW(window)) {
    Probe::Line("dialog-window %lu", (unsigned long)GDK_WINDOW_XID(window));
  }
  Probe::Line("dialog %u %s", t != nullptr ? t->id : 0u, Probe::ScreenRect(this).c_str());
  for (size_t i = 0; i < m_controls.size(); ++i) {
    if (!m_controls[i]->IsShown()) continue;
    Probe::Line("control %d %s %s", m_controlIds[i], Probe::ScreenRect(m_controls[i]).c_str(),
                std::string(m_controls[i]->GetLabel().utf8_str()).c_str());
  }
}

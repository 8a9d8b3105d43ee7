// A native modal dialog made from a CDialog's template: its title, size and
// controls in dialog units turned into pixels with the template's font.
// Buttons send WM_COMMAND with their control id to the CDialog; closing the
// window is Cancel. The layer ends the dialog; the host ends the wx loop.
// The dialog's own work runs a slice per idle turn of the modal loop. Texts
// are the layer's controls' as the dialog opens; a text field writes the
// user's typing back to its model.
#pragma once

#include <wx/dialog.h>

#include <vector>

class CDialog;
class CEditCtrl;
class CWxFolderTree;
class wxTextCtrl;
struct DialogControlResource;

class CWxDialog : public wxDialog {
 public:
  CWxDialog(wxWindow* parent, CDialog* dialog);

  CDialog* Dialog() const { return m_pDialog; }
  void Detach();
  // The probe has the dialog's and its controls' places.
  bool IsSettled() const;

  // The exStyle bit of a template whose OK button sits in the caption.
  static constexpr unsigned long kCaptionOk = 0x80000000ul;

 private:
  void Build();
  void AddControl(const DialogControlResource& control, int index);
  void OnButton(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnIdle(wxIdleEvent& event);
  void OnText(wxCommandEvent& event);
  void OnTextEnter(wxCommandEvent& event);
  void RunWorkSlice(wxIdleEvent& event);
  void SendCommand(int id);
  void Report();

  CDialog* m_pDialog;
  // The template's control id of each native control, by index.
  std::vector<int> m_controlIds;
  std::vector<wxWindow*> m_controls;
  CWxFolderTree* m_pTree = nullptr;
  // A text field and its model (one a dialog), focused once when shown.
  wxTextCtrl* m_pEdit = nullptr;
  CEditCtrl* m_pEditModel = nullptr;
  bool m_bEditFocused = false;
  bool m_bReportPending = true;
  // The CDialog has work left (a tree filling), and the slices run so far.
  bool m_bWorking = true;
  int m_nSlices = 0;

  wxDECLARE_EVENT_TABLE();
};

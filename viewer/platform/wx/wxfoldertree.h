// The native tree of a dialog's tree control (the generic wx tree on GTK):
// it shows the CTreeCtrl model's items, children markers, expansion,
// selection and the two images per item, following the model's changes as
// it grows, and reports the user's selection, expansion and label edits back.
#pragma once

#include <wx/treectrl.h>

#include <unordered_map>

#include "platform/controls/treectrl.h"

class CWxFolderTree : public wxTreeCtrl {
 public:
  CWxFolderTree(wxWindow* parent, int id, const wxPoint& at, const wxSize& size, CTreeCtrl* model);

  void Detach() { m_pModel = nullptr; }
  // Brings the native tree in line with the model from the changes the
  // model noted since the last call, or everything again when they do not
  // fit what the native tree holds.
  void SyncFromModel();
  // Items were laid out anew and not yet reported to the probe.
  bool IsReportPending() const { return m_bReportPending; }
  // While held (the tree still filling), items are not reported.
  void HoldReports(bool hold) { m_bReportsHeld = hold; }

  // The model's window style (TVS_*) as wx tree styles.
  static long StyleFromModel(DWORD style);

 private:
  struct ItemData : public wxTreeItemData {
    explicit ItemData(HTREEITEM h) : item(h) {}
    HTREEITEM item;
  };

  void OnSelChanged(wxTreeEvent& event);
  void OnExpanded(wxTreeEvent& event);
  void OnCollapsed(wxTreeEvent& event);
  void OnBeginLabelEdit(wxTreeEvent& event);
  void OnEndLabelEdit(wxTreeEvent& event);
  void OnIdle(wxIdleEvent& event);

  void BuildImageList();
  void Rebuild();
  void AddItem(const wxTreeItemId& parent, HTREEITEM item);
  // False when the change does not fit the native tree.
  bool ApplyChange(const CTreeCtrl::HostChange& change);
  void SyncAttributes(const wxTreeItemId& id, HTREEITEM item);
  bool SyncSelection();
  HTREEITEM ModelItem(const wxTreeItemId& id) const;
  wxTreeItemId NativeItem(HTREEITEM item) const;
  void ReportItems(const wxTreeItemId& parent);

  CTreeCtrl* m_pModel;
  // Set while the tree is changed from the model, so that the events those
  // changes raise are not sent back.
  bool m_bSyncing = false;
  bool m_bReportPending = true;
  bool m_bReportsHeld = false;
  // The native item of each model item.
  std::unordered_map<HTREEITEM, wxTreeItemId> m_native;

  wxDECLARE_EVENT_TABLE();
};

// The native tree of a dialog's tree control (the generic wx tree on GTK):
// it shows the CTreeCtrl model's items, children markers, expansion,
// selection and the two images per item, and reports the user's selection,
// expansion and label edits back to the model.
#pragma once

#include <wx/treectrl.h>

#include "platform/controls/treectrl.h"

class CWxFolderTree : public wxTreeCtrl {
 public:
  CWxFolderTree(wxWindow* parent, int id, const wxPoint& at, const wxSize& size, CTreeCtrl* model);

  void Detach() { m_pModel = nullptr; }
  // Brings the native tree in line with the model: attributes item by item,
  // or everything again when the items themselves differ.
  void SyncFromModel();
  // Items were laid out anew and not yet reported to the probe.
  bool IsReportPending() const { return m_bReportPending; }

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
  // False when the native item's children are not the model's.
  bool SyncItem(const wxTreeItemId& id, HTREEITEM item);
  HTREEITEM ModelItem(const wxTreeItemId& id) const;
  void ReportItems(const wxTreeItemId& parent);

  CTreeCtrl* m_pModel;
  // Set while the tree is changed from the model, so that the events those
  // changes raise are not sent back.
  bool m_bSyncing = false;
  bool m_bReportPending = true;

  wxDECLARE_EVENT_TABLE();
};

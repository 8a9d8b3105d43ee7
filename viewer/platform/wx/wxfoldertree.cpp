// Native tree over the tree-control model.
#include "wxfoldertree.h"

#include <wx/imaglist.h>

#include "wxpixels.h"
#include "wxprobe.h"

namespace {

wxString ToWx(const CString& text) {
  return wxString::FromUTF8(Utf8FromWide(text).c_str());
}

std::string Utf8(const wxString& text) {
  return std::string(text.utf8_str());
}

}  // namespace

wxBEGIN_EVENT_TABLE(CWxFolderTree, wxTreeCtrl) EVT_TREE_SEL_CHANGED(wxID_ANY, CWxFolderTree::OnSelChanged)
    EVT_TREE_ITEM_EXPANDED(wxID_ANY, CWxFolderTree::OnExpanded)
        EVT_TREE_ITEM_COLLAPSED(wxID_ANY, CWxFolderTree::OnCollapsed)
            EVT_TREE_BEGIN_LABEL_EDIT(wxID_ANY, CWxFolderTree::OnBeginLabelEdit)
                EVT_TREE_END_LABEL_EDIT(wxID_ANY, CWxFolderTree::OnEndLabelEdit) EVT_IDLE(CWxFolderTree::OnIdle)
                    wxEND_EVENT_TABLE()

                        long CWxFolderTree::StyleFromModel(DWORD style) {
  // The model's items sit under an invisible root, as the handheld's
  // top-level items do; without TVS_LINESATROOT they get no button there.
  long wx = wxTR_HIDE_ROOT | wxTR_SINGLE;
  if (style & TVS_HASBUTTONS) wx |= wxTR_HAS_BUTTONS;
  if (!(style & TVS_HASLINES)) wx |= wxTR_NO_LINES;
  if (style & TVS_EDITLABELS) wx |= wxTR_EDIT_LABELS;
  wx |= (style & WS_BORDER) ? wxBORDER_SUNKEN : wxBORDER_NONE;
  return wx;
}

CWxFolderTree::CWxFolderTree(wxWindow* parent, int id, const wxPoint& at, const wxSize& size, CTreeCtrl* model)
    : wxTreeCtrl(parent, id, at, size, StyleFromModel(model != nullptr ? model->GetStyle() : 0)), m_pModel(model) {
  BuildImageList();
  if (m_pModel != nullptr) m_pModel->HostTrackChanges(TRUE);
  Rebuild();
}

void CWxFolderTree::BuildImageList() {
  CImageList* images =
      m_pModel != nullptr ? CImageList::FromHandlePermanent(m_pModel->GetImageList(TVSIL_NORMAL)) : nullptr;
  if (images == nullptr || images->GetImageCount() == 0) return;
  wxImageList* list = new wxImageList(images->Width(), images->Height(), true, images->GetImageCount());
  for (int i = 0; i < images->GetImageCount(); ++i) {
    list->Add(wxBitmap(ImageFromArgb(images->ImagePixels(i), images->Width(), images->Height())));
  }
  AssignImageList(list);
}

void CWxFolderTree::Rebuild() {
  m_bSyncing = true;
  // What the model noted so far is in what is built now.
  if (m_pModel != nullptr) m_pModel->HostTakeChanges();
  m_native.clear();
  DeleteAllItems();
  const wxTreeItemId root = AddRoot(wxEmptyString);
  if (m_pModel != nullptr) {
    for (HTREEITEM item : m_pModel->Children(nullptr)) AddItem(root, item);
  }
  m_bSyncing = false;
  m_bReportPending = true;
}

void CWxFolderTree::AddItem(const wxTreeItemId& parent, HTREEITEM item) {
  int image = -1, selectedImage = -1;
  m_pModel->GetItemImage(item, image, selectedImage);
  const wxTreeItemId id =
      AppendItem(parent, ToWx(m_pModel->GetItemText(item)), image, selectedImage, new ItemData(item));
  m_native[item] = id;
  SetItemHasChildren(id, m_pModel->ItemHasChildrenMarker(item) != FALSE);
  for (HTREEITEM child : m_pModel->Children(item)) AddItem(id, child);
  if (m_pModel->IsExpanded(item) && ItemHasChildren(id)) Expand(id);
  if (m_pModel->GetSelectedItem() == item) SelectItem(id);
}

HTREEITEM CWxFolderTree::ModelItem(const wxTreeItemId& id) const {
  if (!id.IsOk()) return nullptr;
  const ItemData* data = static_cast<const ItemData*>(GetItemData(id));
  return data != nullptr ? data->item : nullptr;
}

wxTreeItemId CWxFolderTree::NativeItem(HTREEITEM item) const {
  const auto found = m_native.find(item);
  return found != m_native.end() ? found->second : wxTreeItemId();
}

bool CWxFolderTree::ApplyChange(const CTreeCtrl::HostChange& change) {
  HTREEITEM item = change.item;
  if (change.inserted >= 0) {
    // Insertions replayed in the model's order, each at the place it had
    // among its siblings then, leave the siblings in the model's order.
    HTREEITEM parent = m_pModel->GetParentItem(item);
    const wxTreeItemId parentId = parent != nullptr ? NativeItem(parent) : GetRootItem();
    if (!parentId.IsOk() || (size_t)change.inserted > GetChildrenCount(parentId, false)) return false;
    int image = -1, selectedImage = -1;
    m_pModel->GetItemImage(item, image, selectedImage);
    m_native[item] = InsertItem(parentId, (size_t)change.inserted, ToWx(m_pModel->GetItemText(item)), image,
                                selectedImage, new ItemData(item));
    if (parent != nullptr && m_pModel->IsExpanded(parent) && !IsExpanded(parentId)) Expand(parentId);
    m_bReportPending = true;
  }
  const wxTreeItemId id = NativeItem(item);
  if (!id.IsOk()) return false;
  SyncAttributes(id, item);
  return true;
}

void CWxFolderTree::SyncAttributes(const wxTreeItemId& id, HTREEITEM item) {
  const wxString text = ToWx(m_pModel->GetItemText(item));
  if (GetItemText(id) != text) SetItemText(id, text);
  int image = -1, selectedImage = -1;
  m_pModel->GetItemImage(item, image, selectedImage);
  if (GetItemImage(id, wxTreeItemIcon_Normal) != image) SetItemImage(id, image, wxTreeItemIcon_Normal);
  if (GetItemImage(id, wxTreeItemIcon_Selected) != selectedImage) {
    SetItemImage(id, selectedImage, wxTreeItemIcon_Selected);
  }
  const bool marker = m_pModel->ItemHasChildrenMarker(item) != FALSE;
  if (ItemHasChildren(id) != marker) SetItemHasChildren(id, marker);
  const bool expanded = m_pModel->IsExpanded(item) != FALSE;
  if (ItemHasChildren(id) && IsExpanded(id) != expanded) {
    if (expanded) {
      Expand(id);
    } else {
      Collapse(id);
    }
    m_bReportPending = true;
  }
}

bool CWxFolderTree::SyncSelection() {
  HTREEITEM selected = m_pModel->GetSelectedItem();
  if (selected == nullptr) {
    if (GetSelection().IsOk()) Unselect();
    return true;
  }
  const wxTreeItemId id = NativeItem(selected);
  if (!id.IsOk()) return false;
  if (GetSelection() != id) SelectItem(id);
  return true;
}

void CWxFolderTree::SyncFromModel() {
  if (m_pModel == nullptr) return;
  m_bSyncing = true;
  bool fits = true;
  for (const CTreeCtrl::HostChange& change : m_pModel->HostTakeChanges()) {
    fits = ApplyChange(change);
    if (!fits) break;
  }
  fits = fits && SyncSelection();
  m_bSyncing = false;
  if (!fits) Rebuild();
}

void CWxFolderTree::OnSelChanged(wxTreeEvent& event) {
  HTREEITEM item = ModelItem(event.GetItem());
  if (m_bSyncing || m_pModel == nullptr || item == nullptr) return;
  m_pModel->HostSelect(item);
  Probe::Line("tree select %s", Utf8(GetItemText(event.GetItem())).c_str());
  SyncFromModel();
}

void CWxFolderTree::OnExpanded(wxTreeEvent& event) {
  HTREEITEM item = ModelItem(event.GetItem());
  m_bReportPending = true;
  if (m_bSyncing || m_pModel == nullptr || item == nullptr) return;
  m_pModel->HostExpand(item, TRUE);
  Probe::Line("tree expand %s", Utf8(GetItemText(event.GetItem())).c_str());
  SyncFromModel();
}

void CWxFolderTree::OnCollapsed(wxTreeEvent& event) {
  HTREEITEM item = ModelItem(event.GetItem());
  m_bReportPending = true;
  if (m_bSyncing || m_pModel == nullptr || item == nullptr) return;
  m_pModel->HostExpand(item, FALSE);
  Probe::Line("tree collapse %s", Utf8(GetItemText(event.GetItem())).c_str());
  SyncFromModel();
}

void CWxFolderTree::OnBeginLabelEdit(wxTreeEvent& event) {
  // The edit may start; whether its result is kept is the model's answer at
  // the end (HostEditLabel asks the dialog both questions then).
  Probe::Line("tree edit-begin %s", Utf8(GetItemText(event.GetItem())).c_str());
}

void CWxFolderTree::OnEndLabelEdit(wxTreeEvent& event) {
  HTREEITEM item = ModelItem(event.GetItem());
  if (event.IsEditCancelled() || m_pModel == nullptr || item == nullptr) return;
  CString text;
  if (!Utf8ToWide(Utf8(event.GetLabel()), &text) || !m_pModel->HostEditLabel(item, text)) {
    // The dialog did not accept the new label: the old one stays.
    event.Veto();
    m_bReportPending = true;
    Probe::Line("tree edit-rejected %s", Utf8(event.GetLabel()).c_str());
  }
}

void CWxFolderTree::OnIdle(wxIdleEvent& event) {
  event.Skip();
  // The generic tree lays its items out in its own idle time, which has run
  // by now: their places are final.
  if (!m_bReportPending || m_bReportsHeld || !Probe::Enabled() || !IsShownOnScreen()) return;
  m_bReportPending = false;
  ReportItems(GetRootItem());
}

void CWxFolderTree::ReportItems(const wxTreeItemId& parent) {
  wxTreeItemIdValue cookie;
  for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk(); child = GetNextChild(parent, cookie)) {
    wxRect rect;
    if (GetBoundingRect(child, rect, true)) {
      const wxPoint at = ClientToScreen(rect.GetPosition());
      Probe::Line("treeitem %d %d %d %d %s", at.x, at.y, rect.width, rect.height, Utf8(GetItemText(child)).c_str());
    }
    if (IsExpanded(child)) ReportItems(child);
  }
}

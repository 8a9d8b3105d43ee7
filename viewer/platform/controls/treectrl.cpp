// Tree-view control model and image list.
#include "treectrl.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "platform/window/host.h"

struct TreeItem {
  CString text;
  int image = 0;
  int selectedImage = 0;
  int cChildren = 0;
  bool expanded = false;
  bool childrenSorted = true;  // every child so far was inserted with TVI_SORT
  LPARAM lParam = 0;
  TreeItem* parent = nullptr;
  std::vector<TreeItem*> children;
};

namespace {

std::unordered_set<CImageList*> g_imageLists;

bool IsSpecial(HTREEITEM item) {
  return item == TVI_ROOT || item == TVI_FIRST || item == TVI_LAST || item == TVI_SORT;
}

void DeleteTree(TreeItem* item) {
  for (TreeItem* child : item->children) DeleteTree(child);
  delete item;
}

}  // namespace

HICON LoadIcon(UINT id) {
  return FindIconResource(id);
}

// ---- Image list ----------------------------------------------------------

CImageList::CImageList() {
  g_imageLists.insert(this);
}

CImageList::~CImageList() {
  g_imageLists.erase(this);
}

BOOL CImageList::Create(int cx, int cy, UINT /*flags*/, int initial, int /*grow*/) {
  if (cx <= 0 || cy <= 0 || initial < 0) return FALSE;
  m_cx = cx;
  m_cy = cy;
  m_images.clear();
  m_images.reserve((size_t)initial);
  m_bCreated = TRUE;
  return TRUE;
}

int CImageList::Add(HICON icon) {
  if (!m_bCreated || icon == nullptr || icon->pixels == nullptr || icon->width <= 0 || icon->height <= 0) return -1;
  // Icons of another size are scaled by picking pixels, as the handheld does.
  std::vector<uint32_t> pixels((size_t)m_cx * (size_t)m_cy);
  for (int y = 0; y < m_cy; ++y) {
    const int sy = y * icon->height / m_cy;
    for (int x = 0; x < m_cx; ++x) {
      const int sx = x * icon->width / m_cx;
      pixels[(size_t)y * (size_t)m_cx + (size_t)x] = icon->pixels[(size_t)sy * (size_t)icon->width + (size_t)sx];
    }
  }
  m_images.push_back(std::move(pixels));
  return (int)m_images.size() - 1;
}

const uint32_t* CImageList::ImagePixels(int index) const {
  if (index < 0 || index >= (int)m_images.size()) return nullptr;
  return m_images[(size_t)index].data();
}

BOOL CImageList::DeleteImageList() {
  if (!m_bCreated) return FALSE;
  m_images.clear();
  m_bCreated = FALSE;
  return TRUE;
}

CImageList* CImageList::FromHandlePermanent(HIMAGELIST list) {
  return g_imageLists.count(list) != 0 ? list : nullptr;
}

int CImageList::LiveCount() {
  return (int)g_imageLists.size();
}

// ---- Tree control --------------------------------------------------------

CTreeCtrl::CTreeCtrl() = default;

CTreeCtrl::~CTreeCtrl() {
  DeleteAll();
}

void CTreeCtrl::DeleteAll() {
  for (TreeItem* root : m_roots) DeleteTree(root);
  m_roots.clear();
  m_pSelected = nullptr;
  m_nCount = 0;
  m_changes.clear();
}

BOOL CTreeCtrl::Owns(HTREEITEM item) const {
  if (item == nullptr || IsSpecial(item)) return FALSE;
  const TreeItem* top = item;
  while (top->parent != nullptr) top = top->parent;
  return std::find(m_roots.begin(), m_roots.end(), top) != m_roots.end() ? TRUE : FALSE;
}

HTREEITEM CTreeCtrl::DoInsertItem(const TVINSERTSTRUCTW* insert) {
  if (insert == nullptr) return nullptr;
  TreeItem* parent = insert->hParent == TVI_ROOT || insert->hParent == nullptr ? nullptr : insert->hParent;
  if (parent != nullptr && !Owns(parent)) return nullptr;
  TreeItem* item = new TreeItem();
  const TVITEMW& tv = insert->item;
  if ((tv.mask & TVIF_TEXT) && tv.pszText != nullptr) item->text = tv.pszText;
  if (tv.mask & TVIF_IMAGE) item->image = tv.iImage;
  if (tv.mask & TVIF_SELECTEDIMAGE) item->selectedImage = tv.iSelectedImage;
  if (tv.mask & TVIF_CHILDREN) item->cChildren = tv.cChildren;
  if (tv.mask & TVIF_PARAM) item->lParam = tv.lParam;
  item->parent = parent;
  std::vector<TreeItem*>& siblings = parent != nullptr ? parent->children : m_roots;
  auto at = siblings.end();
  const HTREEITEM after = insert->hInsertAfter;
  if (after == TVI_SORT) {
    if (parent == nullptr || parent->childrenSorted) {
      // Siblings are in order: the first greater one is found by halving.
      at = std::upper_bound(siblings.begin(), siblings.end(), item,
                            [](const TreeItem* a, const TreeItem* b) { return WStrCmpNoCase(a->text, b->text) < 0; });
    } else {
      at = std::find_if(siblings.begin(), siblings.end(),
                        [&](const TreeItem* other) { return WStrCmpNoCase(other->text, item->text) > 0; });
    }
  } else {
    if (after == TVI_FIRST) {
      at = siblings.begin();
    } else if (after != TVI_LAST && after != nullptr) {
      auto found = std::find(siblings.begin(), siblings.end(), after);
      at = found == siblings.end() ? siblings.end() : found + 1;
    }
    if (parent != nullptr) parent->childrenSorted = false;
  }
  const int place = (int)(at - siblings.begin());
  siblings.insert(at, item);
  ++m_nCount;
  NoteChange(item, place);
  GetHost()->InvalidateWindow(this);
  return item;
}

HTREEITEM CTreeCtrl::DoGetNextItem(UINT code, HTREEITEM item) const {
  switch (code) {
    case TVGN_ROOT:
      return m_roots.empty() ? nullptr : m_roots.front();
    case TVGN_CARET:
      return m_pSelected;
    case TVGN_CHILD:
      if (item == nullptr || item == TVI_ROOT) return m_roots.empty() ? nullptr : m_roots.front();
      if (!Owns(item)) return nullptr;
      return item->children.empty() ? nullptr : item->children.front();
    case TVGN_PARENT:
      return Owns(item) ? item->parent : nullptr;
    case TVGN_NEXT:
    case TVGN_PREVIOUS: {
      if (!Owns(item)) return nullptr;
      const std::vector<TreeItem*>& siblings = item->parent != nullptr ? item->parent->children : m_roots;
      auto it = std::find(siblings.begin(), siblings.end(), item);
      if (code == TVGN_NEXT) return it + 1 < siblings.end() ? *(it + 1) : nullptr;
      return it != siblings.begin() ? *(it - 1) : nullptr;
    }
    default:
      return nullptr;
  }
}

BOOL CTreeCtrl::DoGetItem(TVITEMW* tv) const {
  if (tv == nullptr || !Owns(tv->hItem)) return FALSE;
  const TreeItem* item = tv->hItem;
  if ((tv->mask & TVIF_TEXT) && tv->pszText != nullptr && tv->cchTextMax > 0) {
    WStrCopy(tv->pszText, (size_t)tv->cchTextMax, item->text);
  }
  if (tv->mask & TVIF_IMAGE) tv->iImage = item->image;
  if (tv->mask & TVIF_SELECTEDIMAGE) tv->iSelectedImage = item->selectedImage;
  if (tv->mask & TVIF_CHILDREN) tv->cChildren = item->cChildren;
  if (tv->mask & TVIF_PARAM) tv->lParam = item->lParam;
  return TRUE;
}

BOOL CTreeCtrl::DoSetItem(const TVITEMW* tv) {
  if (tv == nullptr || !Owns(tv->hItem)) return FALSE;
  TreeItem* item = tv->hItem;
  if ((tv->mask & TVIF_TEXT) && tv->pszText != nullptr) item->text = tv->pszText;
  if (tv->mask & TVIF_IMAGE) item->image = tv->iImage;
  if (tv->mask & TVIF_SELECTEDIMAGE) item->selectedImage = tv->iSelectedImage;
  if (tv->mask & TVIF_CHILDREN) item->cChildren = tv->cChildren;
  if (tv->mask & TVIF_PARAM) item->lParam = tv->lParam;
  NoteChange(item);
  GetHost()->InvalidateWindow(this);
  return TRUE;
}

BOOL CTreeCtrl::DoExpand(UINT code, HTREEITEM item) {
  if (!Owns(item)) return FALSE;
  code &= 0x3;
  if (code == TVE_EXPAND) item->expanded = true;
  if (code == TVE_COLLAPSE) item->expanded = false;
  if (code == TVE_TOGGLE) item->expanded = !item->expanded;
  NoteChange(item);
  GetHost()->InvalidateWindow(this);
  return TRUE;
}

BOOL CTreeCtrl::DoSelect(UINT code, HTREEITEM item) {
  if (code != TVGN_CARET || (item != nullptr && !Owns(item))) return FALSE;
  m_pSelected = item;
  // The selection is brought into view: its ancestors open.
  for (TreeItem* p = item != nullptr ? item->parent : nullptr; p != nullptr; p = p->parent) {
    if (!p->expanded) NoteChange(p);
    p->expanded = true;
  }
  GetHost()->InvalidateWindow(this);
  return TRUE;
}

LRESULT CTreeCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TVM_INSERTITEMW:
      return (LRESULT)DoInsertItem((const TVINSERTSTRUCTW*)lParam);
    case TVM_GETNEXTITEM:
      return (LRESULT)DoGetNextItem((UINT)wParam, (HTREEITEM)lParam);
    case TVM_EXPAND:
      return DoExpand((UINT)wParam, (HTREEITEM)lParam);
    case TVM_SELECTITEM:
      return DoSelect((UINT)wParam, (HTREEITEM)lParam);
    case TVM_SETIMAGELIST: {
      if ((int)wParam != TVSIL_NORMAL) return 0;
      HIMAGELIST previous = m_pImageList;
      m_pImageList = (HIMAGELIST)lParam;
      return (LRESULT)previous;
    }
    case TVM_GETIMAGELIST:
      return (int)wParam == TVSIL_NORMAL ? (LRESULT)m_pImageList : 0;
    case TVM_GETCOUNT:
      return m_nCount;
    case TVM_GETITEMW:
      return DoGetItem((TVITEMW*)lParam);
    case TVM_SETITEMW:
      return DoSetItem((const TVITEMW*)lParam);
    case WM_DESTROY:
      DeleteAll();
      return 0;
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

HTREEITEM CTreeCtrl::InsertItem(const TVINSERTSTRUCTW* insert) {
  return (HTREEITEM)SendMessage(TVM_INSERTITEMW, 0, (LPARAM)insert);
}
HTREEITEM CTreeCtrl::GetRootItem() const {
  return (HTREEITEM) const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETNEXTITEM, TVGN_ROOT, 0);
}
HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
  return (HTREEITEM) const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item);
}
HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
  return (HTREEITEM) const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item);
}
HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
  return (HTREEITEM) const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)item);
}
BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code) {
  return (BOOL)SendMessage(TVM_EXPAND, code, (LPARAM)item);
}
BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
  return (BOOL)SendMessage(TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const {
  return Owns(item) ? item->text : CString();
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
  TVITEMW tv = {};
  tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  tv.hItem = item;
  if (!const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETITEMW, 0, (LPARAM)&tv)) return FALSE;
  image = tv.iImage;
  selectedImage = tv.iSelectedImage;
  return TRUE;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM item, int image, int selectedImage) {
  TVITEMW tv = {};
  tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  tv.hItem = item;
  tv.iImage = image;
  tv.iSelectedImage = selectedImage;
  return (BOOL)SendMessage(TVM_SETITEMW, 0, (LPARAM)&tv);
}

HIMAGELIST CTreeCtrl::SetImageList(HIMAGELIST list, int kind) {
  return (HIMAGELIST)SendMessage(TVM_SETIMAGELIST, (WPARAM)kind, (LPARAM)list);
}
HIMAGELIST CTreeCtrl::GetImageList(int kind) const {
  return (HIMAGELIST) const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETIMAGELIST, (WPARAM)kind, 0);
}

BOOL CTreeCtrl::ItemHasChildrenMarker(HTREEITEM item) const {
  return Owns(item) && item->cChildren != 0;
}
BOOL CTreeCtrl::IsExpanded(HTREEITEM item) const {
  return Owns(item) && item->expanded;
}

std::vector<HTREEITEM> CTreeCtrl::Children(HTREEITEM parent) const {
  if (parent == nullptr || parent == TVI_ROOT) return m_roots;
  return Owns(parent) ? parent->children : std::vector<HTREEITEM>();
}

void CTreeCtrl::HostSelect(HTREEITEM item) {
  SelectItem(item);
}

void CTreeCtrl::HostExpand(HTREEITEM item, BOOL expanded) {
  Expand(item, expanded ? TVE_EXPAND : TVE_COLLAPSE);
}

BOOL CTreeCtrl::HostEditLabel(HTREEITEM item, const CString& text) {
  if (!Owns(item) || GetParent() == nullptr) return FALSE;
  NMTVDISPINFOW info = {};
  info.hdr.hwndFrom = this;
  info.hdr.idFrom = GetDlgCtrlID();
  info.hdr.code = TVN_BEGINLABELEDITW;
  info.item.mask = TVIF_TEXT | TVIF_HANDLE;
  info.item.hItem = item;
  // A nonzero answer to the begin notice cancels the edit.
  if (GetParent()->SendMessage(WM_NOTIFY, GetDlgCtrlID(), (LPARAM)&info) != 0) return FALSE;
  CString copy = text;
  info.hdr.code = TVN_ENDLABELEDITW;
  info.item.pszText = copy.data();
  info.item.cchTextMax = (int)copy.size() + 1;
  // Only a nonzero answer to the end notice keeps the new label.
  if (GetParent()->SendMessage(WM_NOTIFY, GetDlgCtrlID(), (LPARAM)&info) == 0) return FALSE;
  item->text = text;
  NoteChange(item);
  GetHost()->InvalidateWindow(this);
  return TRUE;
}

void CTreeCtrl::NoteChange(HTREEITEM item, int inserted) {
  if (m_bTracking) m_changes.push_back({item, inserted});
}

void CTreeCtrl::HostTrackChanges(BOOL track) {
  m_bTracking = track;
  m_changes.clear();
}

std::vector<CTreeCtrl::HostChange> CTreeCtrl::HostTakeChanges() {
  std::vector<HostChange> changes;
  changes.swap(m_changes);
  return changes;
}

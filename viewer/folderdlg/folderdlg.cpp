// Select Folder dialog: building the folder tree, selecting the current
// folder and applying the choice.
#include "folderdlg/folderdlg.h"

#include "filelist/imagefilelist.h"
#include "platform/device/devicefs.h"
#include "res/resource_ids.h"
#include "shell/busywatch.h"

namespace {

constexpr int kImageFolder = 0;
constexpr int kImageFolderOpen = 1;
constexpr int kImagePictures = 2;
constexpr int kImagePicturesOpen = 3;

bool IsDotName(const WCHAR* name) {
  return (name[0] == u'.' && name[1] == 0) || (name[0] == u'.' && name[1] == u'.' && name[2] == 0);
}

}  // namespace

CFolderDlg::CFolderDlg() : CDialog(IDD_SELECT_FOLDER, nullptr) {}

CFolderDlg::~CFolderDlg() = default;

CTreeCtrl* CFolderDlg::Tree() const {
  return dynamic_cast<CTreeCtrl*>(GetDlgItem(IDC_FOLDER_TREE));
}

BOOL CFolderDlg::OnInitDialog() {
  // 1. The framework's initialisation.
  if (!CDialog::OnInitDialog()) return FALSE;
  // 2. Centred over the viewer.
  CenterWindow();
  // 3. The tree control of the template.
  CTreeCtrl* tree = Tree();
  if (tree == nullptr) return FALSE;
  // 4. The image list: 16 × 16, masked, 3 images growing by 3.
  CImageList* images = new CImageList();
  if (!images->Create(16, 16, ILC_MASK, 3, 3)) {
    delete images;
    return FALSE;
  }
  // 5. Closed and open yellow folder, closed and open green folder.
  const UINT icons[4] = {IDI_FOLDER_CLOSED, IDI_FOLDER_OPEN, IDI_PICTURE_FOLDER_CLOSED, IDI_PICTURE_FOLDER_OPEN};
  for (UINT id : icons) images->Add(LoadIcon(id));
  // 6. The tree draws its items with them.
  tree->SetImageList(images->GetSafeHandle(), TVSIL_NORMAL);
  // 7. The whole tree, with the wait cursor once it takes longer than 200 ms.
  BeginBusyWatch();
  FillTree();
  EndBusyWatch();
  // 8. Select the current folder.
  CString path = u"\\";
  if (g_pImageFileList != nullptr) g_pImageFileList->GetFolder(path);
  SelectFolderItem(path);
  // 9. The framework does not set the focus.
  return FALSE;
}

void CFolderDlg::FillTree() {
  m_entered.clear();
  HTREEITEM root = InsertFolderItem(u"My Device", CString(), nullptr);
  if (root == nullptr) return;
  // Level by level: a folder that can be reached along several paths (links
  // inside the device) is entered where it lies nearest the top, which is
  // usually the folder itself rather than a link to it.
  std::deque<PendingFolder> pending;
  pending.push_back({CString(), root});
  while (!pending.empty()) {
    const PendingFolder next = pending.front();
    pending.pop_front();
    AddSubfolders(next.path, next.item, &pending);
  }
}

void CFolderDlg::AddSubfolders(const CString& path, HTREEITEM parent, std::deque<PendingFolder>* pending) {
  TickBusyWatch();
  // A folder already entered, or one that cannot be told apart from the
  // others (gone since it was listed), is listed but not entered.
  uint64_t volume = 0, index = 0;
  if (!GetDeviceFileId(path.c_str(), &volume, &index)) return;
  if (!m_entered.insert({volume, index}).second) return;
  ForEachDeviceEntry((path + u"\\*.*").c_str(), [&](const WIN32_FIND_DATA& record) {
    if ((record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsDotName(record.cFileName)) return true;
    const CString name(record.cFileName, WStrLen(record.cFileName));
    const CString child = path + u"\\" + name;
    HTREEITEM item = InsertFolderItem(name, child, parent);
    if (item != nullptr) pending->push_back({child, item});
    return true;
  });
}

HTREEITEM CFolderDlg::InsertFolderItem(const CString& name, const CString& path, HTREEITEM parent) {
  CTreeCtrl* tree = Tree();
  if (tree == nullptr) return nullptr;
  // 1. Sorted among its siblings; closed and open yellow folder.
  CString text = name;
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent != nullptr ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_SORT;
  insert.item.mask = TVIF_TEXT | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = text.data();
  insert.item.cchTextMax = (int)text.size();
  insert.item.iImage = kImageFolder;
  insert.item.iSelectedImage = kImageFolderOpen;
  insert.item.cChildren = FolderHasSubfolders(path) ? 1 : 0;
  // 2. Into the tree; a refused item ends here.
  HTREEITEM item = tree->InsertItem(&insert);
  if (item == nullptr) return nullptr;
  // 3. A folder without pictures stays yellow.
  if (!FolderHasPictures(path)) return item;
  // 4. A folder with pictures: closed and open green folder.
  tree->SetItemImage(item, kImagePictures, kImagePicturesOpen);
  // 5. Every folder above it turns green too; selected, it opens yellow
  // unless it holds pictures itself.
  for (HTREEITEM up = tree->GetParentItem(item); up != nullptr; up = tree->GetParentItem(up)) {
    int image = 0, selected = 0;
    tree->GetItemImage(up, image, selected);
    if (image == kImagePictures) continue;
    tree->SetItemImage(up, kImagePictures, selected == kImagePicturesOpen ? kImagePicturesOpen : kImageFolderOpen);
  }
  // 6. The new item, for its own subfolders.
  return item;
}

BOOL CFolderDlg::FolderHasPictures(const CString& path) {
  BOOL found = FALSE;
  ForEachDeviceEntry((path + u"\\*.*").c_str(), [&found](const WIN32_FIND_DATA& record) {
    CString extension;
    GetExtension(CString(record.cFileName, WStrLen(record.cFileName)), extension);
    found = IsPictureExtension(extension);
    return !found;
  });
  return found;
}

BOOL CFolderDlg::FolderHasSubfolders(const CString& path) {
  BOOL found = FALSE;
  ForEachDeviceEntry((path + u"\\*.*").c_str(), [&found](const WIN32_FIND_DATA& record) {
    found = (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsDotName(record.cFileName);
    return !found;
  });
  return found;
}

BOOL CFolderDlg::SelectFolderItem(const CString& path) {
  CTreeCtrl* tree = Tree();
  if (tree == nullptr) return FALSE;
  // 1. The root, expanded, is the first candidate.
  HTREEITEM candidate = tree->GetRootItem();
  if (candidate == nullptr) return FALSE;
  tree->Expand(candidate, TVE_EXPAND);
  // 2. Components: each stretch after a backslash; text before the first
  // backslash is ignored.
  size_t at = path.find(u'\\');
  while (at != CString::npos) {
    const size_t next = path.find(u'\\', at + 1);
    const CString component = path.substr(at + 1, next == CString::npos ? CString::npos : next - at - 1);
    // 3. The first child with exactly this text; none keeps the candidate.
    for (HTREEITEM child = tree->GetChildItem(candidate); child != nullptr; child = tree->GetNextSiblingItem(child)) {
      if (tree->GetItemText(child) == component) {
        candidate = child;
        break;
      }
    }
    at = next;
  }
  // 4. The deepest folder found is selected.
  tree->SelectItem(candidate);
  return TRUE;
}

void CFolderDlg::OnOK() {
  CTreeCtrl* tree = Tree();
  // 1.–2. Without a list, a tree or a selection nothing changes.
  HTREEITEM selected = tree != nullptr ? tree->GetSelectedItem() : nullptr;
  if (g_pImageFileList != nullptr && selected != nullptr) {
    if (tree->GetParentItem(selected) == nullptr) {
      // 3. The root item "My Device" is the device root.
      g_pImageFileList->SelectRootFolder();
    } else {
      // 4. The path from the item texts; the root's text never enters it.
      CString path = tree->GetItemText(selected);
      for (HTREEITEM up = tree->GetParentItem(selected); up != nullptr; up = tree->GetParentItem(up)) {
        if (tree->GetParentItem(up) != nullptr) {
          path = tree->GetItemText(up) + u"\\" + path;
        } else {
          path = u"\\" + path;
          g_pImageFileList->SelectFolder(path);
        }
      }
    }
  }
  // 5. Close, whatever the list made of it.
  CDialog::OnOK();
}

void CFolderDlg::OnDestroy() {
  CDialog::OnDestroy();
  CTreeCtrl* tree = Tree();
  if (tree == nullptr) return;
  CImageList* images = CImageList::FromHandlePermanent(tree->GetImageList(TVSIL_NORMAL));
  if (images != nullptr) {
    tree->SetImageList(nullptr, TVSIL_NORMAL);
    images->DeleteImageList();
    delete images;
  }
}

// Select Folder dialog: building the folder tree in slices, selecting the
// current folder and applying the choice.
#include "folderdlg/folderdlg.h"

#include "filelist/imagefilelist.h"
#include "filelist/pictureload.h"
#include "platform/base/tick.h"
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

// A subfolder: the directory bit, and neither "." nor "..".
bool IsSubfolderEntry(const WIN32_FIND_DATA& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsDotName(record.cFileName);
}

// A picture by its name's extension, of the formats the file list shows;
// attributes are not looked at, as in the file list's scan.
bool IsPictureEntry(const WIN32_FIND_DATA& record) {
  CString extension;
  GetExtension(CString(record.cFileName, WStrLen(record.cFileName)), extension);
  return IsPictureExtensionOf(extension, GetAllFormats()) != FALSE;
}

}  // namespace

CFolderDlg::CFolderDlg(BOOL chooseOnly) : CDialog(IDD_SELECT_FOLDER, nullptr), m_bChooseOnly(chooseOnly) {}

BOOL CFolderDlg::GetChosenFolder(CString* folder) const {
  if (m_bChosen) *folder = m_strChosen;
  return m_bChosen;
}

CFolderDlg::~CFolderDlg() {
  StopFill();
}

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
  // 7. The current folder, selected once the fill has reached it.
  CString path = u"\\";
  if (g_pImageFileList != nullptr) g_pImageFileList->GetFolder(path);
  m_strCurrent = path;
  m_nCurrentDepth = 0;
  for (WCHAR c : path) m_nCurrentDepth += c == u'\\' ? 1 : 0;
  m_bCurrentSelected = FALSE;
  // 8. The tree fills in slices from the host's loop (OnIdleWork), the
  // dialog answering in between, with the wait cursor once it has taken
  // longer than 200 ms until it is complete.
  BeginBusyWatch();
  m_bFilling = TRUE;
  FillTree();
  // 9. The framework does not set the focus.
  return FALSE;
}

void CFolderDlg::FillTree() {
  m_entered.clear();
  m_pending.clear();
  // "My Device" goes in as any folder does; its own folders follow level
  // by level, so that a folder that can be reached along several paths
  // (links inside the device) is entered where it lies nearest the top,
  // which is usually the folder itself rather than a link to it.
  BeginFolderItem(u"My Device", CString(), nullptr, 0);
}

BOOL CFolderDlg::OnIdleWork(BOOL toEnd) {
  if (!m_bFilling) return FALSE;
  const DWORD start = toEnd ? 0 : GetTickCount();
  while (FillStep()) {
    if (!toEnd && GetTickCount() - start >= kFillSliceMs) return TRUE;
  }
  // The tree is complete.
  StopFill();
  SelectCurrentFolder();
  return FALSE;
}

BOOL CFolderDlg::FillStep() {
  // One step looks at one directory entry, or enters one folder: however
  // many entries a folder holds, it is read over as many slices as it takes.
  if (m_bAdding) {
    FolderItemStep();
  } else if (m_hFind != INVALID_HANDLE_VALUE) {
    TakeEntry();
  } else if (!m_pending.empty()) {
    EnterNextFolder();
  }
  return m_bAdding || m_hFind != INVALID_HANDLE_VALUE || !m_pending.empty();
}

void CFolderDlg::EnterNextFolder() {
  m_reading = m_pending.front();
  m_pending.pop_front();
  // Every folder above this depth has been listed: the current folder's
  // item, or the deepest one on its way, is there.
  if (m_reading.depth >= m_nCurrentDepth) SelectCurrentFolder();
  TickBusyWatch();
  // A folder already entered, or one that cannot be told apart from the
  // others (gone since it was listed), is listed but not entered.
  uint64_t volume = 0, index = 0;
  if (!GetDeviceFileId(m_reading.path.c_str(), &volume, &index)) return;
  if (!m_entered.insert({volume, index}).second) return;
  m_hFind = FindFirstFile((m_reading.path + u"\\*.*").c_str(), &m_record);
}

void CFolderDlg::TakeEntry() {
  // Each subfolder, in enumeration order, becomes an item before the next
  // entry is read; it is entered once its level's turn comes.
  if (!IsSubfolderEntry(m_record)) {
    NextEntry();
    return;
  }
  const CString name(m_record.cFileName, WStrLen(m_record.cFileName));
  BeginFolderItem(name, m_reading.path + u"\\" + name, m_reading.item, m_reading.depth + 1);
}

void CFolderDlg::NextEntry() {
  if (FindNextFile(m_hFind, &m_record)) return;
  FindClose(m_hFind);
  m_hFind = INVALID_HANDLE_VALUE;
}

void CFolderDlg::BeginFolderItem(const CString& name, const CString& path, HTREEITEM parent, int depth) {
  m_adding = {name, path, parent, depth, nullptr};
  m_bAdding = TRUE;
  m_search.Begin(path, IsSubfolderEntry);
}

void CFolderDlg::FolderItemStep() {
  const CEntrySearch::Result found = m_search.Step();
  if (found == CEntrySearch::kRunning) return;
  if (m_adding.item == nullptr) {
    // Its children marker known, the folder goes into the tree; a refused
    // item ends here.
    m_adding.item = InsertFolderItem(m_adding.name, m_adding.parent, found == CEntrySearch::kFound);
    if (m_adding.item != nullptr) {
      m_search.Begin(m_adding.path, IsPictureEntry);
      return;
    }
  } else {
    if (found == CEntrySearch::kFound) MarkPictureFolder(m_adding.item);
    // The root is open from the start, so that its folders show as they come.
    if (m_adding.parent == nullptr) Tree()->Expand(m_adding.item, TVE_EXPAND);
    m_pending.push_back({m_adding.path, m_adding.item, m_adding.depth});
  }
  // The folder being read goes on with its next entry.
  m_bAdding = FALSE;
  if (m_hFind != INVALID_HANDLE_VALUE) NextEntry();
}

void CFolderDlg::StopFill() {
  if (m_hFind != INVALID_HANDLE_VALUE) FindClose(m_hFind);
  m_hFind = INVALID_HANDLE_VALUE;
  m_search.Close();
  m_bAdding = FALSE;
  m_pending.clear();
  m_entered.clear();
  if (!m_bFilling) return;
  m_bFilling = FALSE;
  EndBusyWatch();
}

void CFolderDlg::SelectCurrentFolder() {
  if (m_bCurrentSelected) return;
  m_bCurrentSelected = TRUE;
  // A folder the user picked while the tree was filling stays picked.
  CTreeCtrl* tree = Tree();
  if (tree != nullptr && tree->GetSelectedItem() != nullptr) return;
  SelectFolderItem(m_strCurrent);
}

HTREEITEM CFolderDlg::InsertFolderItem(const CString& name, HTREEITEM parent, BOOL hasSubfolders) {
  CTreeCtrl* tree = Tree();
  if (tree == nullptr) return nullptr;
  // 1. Sorted among its siblings; closed and open yellow folder; the
  // children marker from the search of its folder for a subfolder.
  CString text = name;
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent != nullptr ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_SORT;
  insert.item.mask = TVIF_TEXT | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = text.data();
  insert.item.cchTextMax = (int)text.size();
  insert.item.iImage = kImageFolder;
  insert.item.iSelectedImage = kImageFolderOpen;
  insert.item.cChildren = hasSubfolders ? 1 : 0;
  // 2. Into the tree; null when the control refuses it.
  return tree->InsertItem(&insert);
}

void CFolderDlg::MarkPictureFolder(HTREEITEM item) {
  CTreeCtrl* tree = Tree();
  // 3. A folder whose search found a picture: closed and open green folder.
  tree->SetItemImage(item, kImagePictures, kImagePicturesOpen);
  // 4. Every folder above it turns green too; selected, it opens yellow
  // unless it holds pictures itself.
  for (HTREEITEM up = tree->GetParentItem(item); up != nullptr; up = tree->GetParentItem(up)) {
    int image = 0, selected = 0;
    tree->GetItemImage(up, image, selected);
    if (image == kImagePictures) continue;
    tree->SetItemImage(up, kImagePictures, selected == kImagePicturesOpen ? kImagePicturesOpen : kImageFolderOpen);
  }
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
  // While the tree is still filling, OK takes the selection as it stands:
  // the folder the user picked or, once the fill has reached it, the
  // current folder; with neither, nothing changes. The fill stops when the
  // dialog is destroyed.
  CTreeCtrl* tree = Tree();
  // 1.–2. Without a list, a tree or a selection nothing changes.
  HTREEITEM selected = tree != nullptr ? tree->GetSelectedItem() : nullptr;
  if (m_bChooseOnly && selected != nullptr) {
    // A choice for a copy or move: the path only, the list left alone.
    CString path;
    for (HTREEITEM item = selected; tree->GetParentItem(item) != nullptr; item = tree->GetParentItem(item)) {
      CString longer(u"\\");
      longer.append(tree->GetItemText(item)).append(path);
      path.swap(longer);
    }
    m_strChosen = path;
    m_bChosen = TRUE;
  } else if (g_pImageFileList != nullptr && selected != nullptr) {
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
  // A fill cut short by OK, Cancel or closing: its enumeration, the folders
  // still to list and the wait cursor are let go now.
  StopFill();
  CTreeCtrl* tree = Tree();
  if (tree == nullptr) return;
  CImageList* images = CImageList::FromHandlePermanent(tree->GetImageList(TVSIL_NORMAL));
  if (images != nullptr) {
    tree->SetImageList(nullptr, TVSIL_NORMAL);
    images->DeleteImageList();
    delete images;
  }
}

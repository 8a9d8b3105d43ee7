// Browser page: the cells of the grid (folder cells, then pictures), the
// current and first cells over both, and moving between folders.
#include "filelist/imagefilelist.h"
#include "pages/browserpage.h"

int CBrowserPage::PictureCount() const {
  return g_pImageFileList != nullptr ? g_pImageFileList->GetCount() : 0;
}

int CBrowserPage::FolderCount() const {
  return m_settings.folderCells ? m_folders.GetCount() : 0;
}

int CBrowserPage::FirstCell() const {
  if (!m_settings.folderCells) return g_pImageFileList != nullptr ? g_pImageFileList->m_nFirstShown : 0;
  return m_nFirstCell;
}

void CBrowserPage::SetFirstCell(int cell) {
  CImageFileList* list = g_pImageFileList;
  if (list == nullptr) return;
  if (!m_settings.folderCells) {
    list->SetFirstShown(cell);
    return;
  }
  if (cell >= CellCount()) cell = CellCount() - 1;
  m_nFirstCell = cell < 0 ? 0 : cell;
  // The list's first picture shown follows, for those who read it.
  const int picture = m_nFirstCell - FolderCount();
  if (PictureCount() > 0) list->SetFirstShown(picture < 0 ? 0 : picture);
}

int CBrowserPage::CurrentCell() const {
  const int folders = FolderCount();
  if (m_nCurrentFolder >= 0 && m_nCurrentFolder < folders) return m_nCurrentFolder;
  // No picture left to be current: the last folder is the nearest cell.
  if (PictureCount() == 0) return folders > 0 ? folders - 1 : 0;
  return folders + g_pImageFileList->m_nCurrent;
}

BOOL CBrowserPage::SetCurrentCell(int cell) {
  const int folders = FolderCount();
  if (cell >= 0 && cell < folders) {
    m_nCurrentFolder = cell;
    return TRUE;
  }
  if (g_pImageFileList == nullptr || !g_pImageFileList->SetCurrent(cell - folders)) return FALSE;
  m_nCurrentFolder = -1;
  return TRUE;
}

bool CBrowserPage::IsFolderCurrent() const {
  return CurrentCell() < FolderCount();
}

CString CBrowserPage::CurrentFolderPath() const {
  return IsFolderCurrent() ? m_folders.GetPath(CurrentCell()) : CString();
}

void CBrowserPage::SyncFolders() {
  CImageFileList* list = g_pImageFileList;
  if (!m_settings.folderCells || list == nullptr) return;
  if (m_folders.IsListed() && m_folders.Folder() == list->m_strFolder) return;
  m_folders.List(list->m_strFolder);
  // A new folder starts at its first cell, as the list starts at its first
  // picture.
  m_nFirstCell = 0;
  m_nCurrentFolder = m_folders.GetCount() > 0 ? 0 : -1;
}

void CBrowserPage::EnterFolder(int folder) {
  if (g_pImageFileList == nullptr || folder < 0 || folder >= FolderCount()) return;
  const CString path = m_folders.GetPath(folder);
  g_pImageFileList->SelectFolder(path);
  FollowFolder(path, CString());
}

void CBrowserPage::GoToParent() {
  CImageFileList* list = g_pImageFileList;
  // The device root ("") has no parent the viewer may show.
  if (list == nullptr || list->m_strFolder.empty()) return;
  const CString folder = list->m_strFolder;
  const size_t slash = folder.rfind(u'\\');
  const CString parent = slash == CString::npos ? CString() : folder.substr(0, slash);
  if (parent.empty()) {
    list->SelectRootFolder();
  } else {
    list->SelectFolder(parent);
  }
  FollowFolder(parent, folder.substr(slash == CString::npos ? 0 : slash + 1));
}

void CBrowserPage::FollowFolder(const CString& target, const CString& cameFrom) {
  CImageFileList* list = g_pImageFileList;
  // 1. The list told the page of its new folder (OnListChanged), unless
  //    the folder holds no entry at all; a change that failed (the folder
  //    is gone) leaves the list where it was, and its cells are read again.
  if (list->m_strFolder != target) m_folders.Clear();
  SyncFolders();
  // 2. Coming up from a folder, its cell is current.
  const int from = cameFrom.empty() ? -1 : m_folders.Find(cameFrom);
  if (from >= 0) m_nCurrentFolder = from;
  // 3. Scroll sizes, the current cell in view, everything painted afresh.
  Activate();
  InvalidatePage();
}

BOOL CBrowserPage::CanDeactivate(int /*nextPage*/) {
  m_nCurrentFolder = -1;
  return TRUE;
}

// The "Select Folder" dialog: every folder of the device as a tree under
// "My Device", folders that hold pictures (and those above them) green; OK
// makes the selected folder the picture list's current folder.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dialog.h"
#include "platform/treectrl.h"

class CFolderDlg : public CDialog {
 public:
  CFolderDlg();
  ~CFolderDlg() override;

 protected:
  void DoDataExchange() override {}
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnDestroy() override;

 private:
  CTreeCtrl* Tree() const;
  void FillTree();
  void AddSubfolders(const CString& path, HTREEITEM parent);
  HTREEITEM InsertFolderItem(const CString& name, const CString& path, HTREEITEM parent);
  BOOL FolderHasPictures(const CString& path);
  BOOL FolderHasSubfolders(const CString& path);
  BOOL SelectFolderItem(const CString& path);

  struct FolderId {
    uint64_t volume;
    uint64_t index;
  };
  // The folders of the descent in progress, so that a link back to one of
  // them is listed but not entered again.
  std::vector<FolderId> m_descent;
};

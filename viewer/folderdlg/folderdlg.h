// The "Select Folder" dialog: every folder of the device as a tree under
// "My Device", folders that hold pictures (and those above them) green; OK
// makes the selected folder the picture list's current folder.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <utility>

#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"

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
  struct PendingFolder {
    CString path;
    HTREEITEM item;
  };
  void FillTree();
  void AddSubfolders(const CString& path, HTREEITEM parent, std::deque<PendingFolder>* pending);
  HTREEITEM InsertFolderItem(const CString& name, const CString& path, HTREEITEM parent);
  BOOL FolderHasPictures(const CString& path);
  BOOL FolderHasSubfolders(const CString& path);
  BOOL SelectFolderItem(const CString& path);

  // The folders (volume, index) the fill has entered: a folder reached a
  // second time, by a link or a cycle, is listed but not entered again, so
  // one fill enters each folder of the device once at most.
  std::set<std::pair<uint64_t, uint64_t>> m_entered;
};

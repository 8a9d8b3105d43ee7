// The "Select Folder" dialog: every folder of the device as a tree under
// "My Device", folders that hold pictures (and those above them) green; OK
// makes the selected folder the picture list's current folder.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <utility>

#include "folderdlg/entrysearch.h"
#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"

class CFolderDlg : public CDialog {
 public:
  // `chooseOnly`: OK only says which folder was chosen (GetChosenFolder),
  // for a copy or move; the list's folder stays.
  explicit CFolderDlg(BOOL chooseOnly = FALSE);
  ~CFolderDlg() override;

  // After OK in a choosing dialog: TRUE and the chosen folder's device path
  // ("" for the root); FALSE when nothing was selected.
  BOOL GetChosenFolder(CString* folder) const;

  // A slice of the fill ends after the first step (one directory entry
  // looked at, or one folder entered) that finds this much of the device
  // tick gone since the slice began; the host answers its events between.
  static constexpr DWORD kFillSliceMs = 20;

 protected:
  void DoDataExchange() override {}
  BOOL OnInitDialog() override;
  BOOL OnIdleWork(BOOL toEnd) override;
  void OnOK() override;
  void OnDestroy() override;

 private:
  struct PendingFolder {
    CString path;
    HTREEITEM item;
    int depth;  // folders between it and the root; 0 for the root
  };
  // A folder on its way into the tree: first its children marker, then
  // its picture marker, each found by a search of its own folder.
  struct NewFolder {
    CString name;
    CString path;
    HTREEITEM parent;  // null for the root
    int depth;
    HTREEITEM item;  // null until inserted
  };
  CTreeCtrl* Tree() const;
  void FillTree();
  BOOL FillStep();
  void EnterNextFolder();
  void TakeEntry();
  void NextEntry();
  void BeginFolderItem(const CString& name, const CString& path, HTREEITEM parent, int depth);
  void FolderItemStep();
  void StopFill();
  void SelectCurrentFolder();
  HTREEITEM InsertFolderItem(const CString& name, HTREEITEM parent, BOOL hasSubfolders);
  void MarkPictureFolder(HTREEITEM item);
  BOOL SelectFolderItem(const CString& path);

  // The fill goes level by level: the folders whose subfolders are still to
  // be listed, nearest the top first; the one being listed, whose
  // enumeration stays open between slices with its next entry in hand; and
  // the subfolder on its way into the tree.
  BOOL m_bFilling = FALSE;
  std::deque<PendingFolder> m_pending;
  PendingFolder m_reading = {CString(), nullptr, 0};
  HANDLE m_hFind = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATA m_record = {};
  BOOL m_bAdding = FALSE;
  NewFolder m_adding = {CString(), CString(), nullptr, 0, nullptr};
  CEntrySearch m_search;
  // The folders (volume, index) the fill has entered: a folder reached a
  // second time, by a link or a cycle, is listed but not entered again, so
  // one fill enters each folder of the device once at most.
  std::set<std::pair<uint64_t, uint64_t>> m_entered;
  // The list's current folder and how many backslashes its path holds: once
  // the fill enters a folder that deep, every folder above has its children
  // and the item the current folder selects is final.
  CString m_strCurrent;
  int m_nCurrentDepth = 0;
  BOOL m_bCurrentSelected = FALSE;
  BOOL m_bChooseOnly = FALSE;
  BOOL m_bChosen = FALSE;
  CString m_strChosen;
};

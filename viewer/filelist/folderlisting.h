// The subfolders of the list's folder, for the desktop grid's folder cells:
// names in the device's name order, and for each whether it holds
// pictures, found by a bounded look the first time it is asked.
#pragma once

#include <vector>

#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"

class CFolderListing {
 public:
  enum Pictures { kUnknown, kHolds, kNone };
  // Directory entries one look reads at most, over the folder and the
  // folders below it: a folder cell costs a bounded read, however deep the
  // tree under it.
  static constexpr int kLookEntries = 400;

  // Lists the subfolders of the device folder `folder` ("" the root); the
  // looks of the folder listed before are dropped. A folder that cannot be
  // read lists nothing.
  void List(const CString& folder);
  void Clear();
  // The folder listed; only meaningful once List ran (IsListed).
  const CString& Folder() const { return m_strFolder; }
  BOOL IsListed() const { return m_bListed; }
  int GetCount() const { return (int)m_entries.size(); }
  // Name and device path of subfolder `index`; empty when out of range.
  CString GetName(int index) const;
  CString GetPath(int index) const;
  // The index of the subfolder named `name` (exact), or -1.
  int Find(const CString& name) const;
  // Whether subfolder `index` or a folder below it holds a picture (a name
  // with a picture extension, as the list and Select Folder see it): the
  // look runs breadth first through at most kLookEntries entries, entering
  // each folder once, and its answer is kept. kNone also when the look ran
  // out before finding one; kUnknown for an index out of range.
  Pictures HoldsPictures(int index);
  // Drops every kept answer, so that the next HoldsPictures looks again
  // (after pictures were copied or moved into a subfolder).
  void ForgetLooks();

 private:
  struct Entry {
    CString name;
    Pictures pictures;
  };
  CString m_strFolder;
  BOOL m_bListed = FALSE;
  std::vector<Entry> m_entries;
};

// The bounded look on its own, for any device folder.
CFolderListing::Pictures LookForPictures(const CString& folder, int maxEntries);

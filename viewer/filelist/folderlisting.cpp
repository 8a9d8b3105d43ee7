// Folder listing: the subfolder enumeration and the bounded picture look.
#include "filelist/folderlisting.h"

#include <cstdint>
#include <deque>
#include <set>
#include <utility>

#include "filelist/imagefilelist.h"
#include "filelist/pictureload.h"
#include "platform/device/devicefs.h"

namespace {

bool IsFolderRecord(const WIN32_FIND_DATA& record) {
  return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsPictureRecord(const WIN32_FIND_DATA& record) {
  CString extension;
  GetExtension(CString(record.cFileName, WStrLen(record.cFileName)), extension);
  return IsPictureExtensionOf(extension, GetAllFormats()) != FALSE;
}

}  // namespace

void CFolderListing::Clear() {
  m_strFolder.clear();
  m_bListed = FALSE;
  m_entries.clear();
}

void CFolderListing::List(const CString& folder) {
  Clear();
  m_strFolder = folder;
  m_bListed = TRUE;
  // The device reports neither "." nor "..", nor links that lead out of the
  // device root, and gives the entries in name order already.
  ForEachDeviceEntry((folder + u"\\*.*").c_str(), [this](const WIN32_FIND_DATA& record) {
    if (IsFolderRecord(record)) m_entries.push_back({CString(record.cFileName, WStrLen(record.cFileName)), kUnknown});
    return true;
  });
}

CString CFolderListing::GetName(int index) const {
  return index >= 0 && index < GetCount() ? m_entries[(size_t)index].name : CString();
}

CString CFolderListing::GetPath(int index) const {
  return index >= 0 && index < GetCount() ? m_strFolder + u"\\" + m_entries[(size_t)index].name : CString();
}

int CFolderListing::Find(const CString& name) const {
  for (int i = 0; i < GetCount(); ++i) {
    if (m_entries[(size_t)i].name == name) return i;
  }
  return -1;
}

void CFolderListing::ForgetLooks() {
  for (Entry& entry : m_entries) entry.pictures = kUnknown;
}

CFolderListing::Pictures CFolderListing::HoldsPictures(int index) {
  if (index < 0 || index >= GetCount()) return kUnknown;
  Entry& entry = m_entries[(size_t)index];
  if (entry.pictures == kUnknown) entry.pictures = LookForPictures(GetPath(index), kLookEntries);
  return entry.pictures;
}

CFolderListing::Pictures LookForPictures(const CString& folder, int maxEntries) {
  // Breadth first: a picture near the top is found before the look spends
  // its entries deep down one branch. A folder reached twice (by a link
  // inside the device) is entered once.
  std::deque<CString> waiting = {folder};
  std::set<std::pair<uint64_t, uint64_t>> entered;
  int left = maxEntries;
  bool found = false;
  while (!waiting.empty() && left > 0 && !found) {
    const CString path = waiting.front();
    waiting.pop_front();
    uint64_t volume = 0, inode = 0;
    if (!GetDeviceFileId(path.c_str(), &volume, &inode) || !entered.insert({volume, inode}).second) continue;
    ForEachDeviceEntry((path + u"\\*.*").c_str(), [&](const WIN32_FIND_DATA& record) {
      --left;
      if (IsFolderRecord(record)) {
        waiting.push_back(path + u"\\" + CString(record.cFileName, WStrLen(record.cFileName)));
      } else if (IsPictureRecord(record)) {
        found = true;
      }
      return !found && left > 0;
    });
  }
  return found ? CFolderListing::kHolds : CFolderListing::kNone;
}

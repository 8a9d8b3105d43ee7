// The list's edits after a file action: entries and thumbnail slots moved
// to keep the list's order and each thumbnail with its picture.
#include <cstring>

#include "filelist/imagefilelist.h"
#include "platform/device/devicefs.h"
#include "platform/device/nameorder.h"

namespace {

WIN32_FIND_DATA* Record(BYTE* block, int position) {
  return (WIN32_FIND_DATA*)(block + (size_t)position * sizeof(WIN32_FIND_DATA));
}

CString NameOf(const CString& path) {
  return path.substr(path.rfind(u'\\') + 1);
}

}  // namespace

void CImageFileList::MoveThumbSlot(int from, int to) {
  const BYTE* source = ThumbSlot(from);
  DWORD length = 0;
  if (source != nullptr) std::memcpy(&length, source, sizeof(length));
  BYTE* target = length != 0 ? MakeThumbSlot(to) : ThumbSlot(to);
  if (target == nullptr) return;
  if (length == 0) {
    std::memset(target, 0, sizeof(length));
  } else {
    std::memcpy(target, source, sizeof(length) + length);
  }
}

void CImageFileList::ForgetIndices() {
  DropReadAhead();
  ++m_nGeneration;
  if (m_pMaker != nullptr) m_pMaker->Restart(m_nGeneration);
}

BOOL CImageFileList::RemoveEntry(int index) {
  if (index < 0 || index >= m_nCount) return FALSE;
  // 1. The entries and the cached thumbnails after it move up one; the
  //    last slot is emptied.
  for (int i = index; i + 1 < m_nCount; ++i) {
    std::memcpy(Record(EntryBlock(i / ENTRIES_PER_BLOCK), i % ENTRIES_PER_BLOCK),
                Record(EntryBlock((i + 1) / ENTRIES_PER_BLOCK), (i + 1) % ENTRIES_PER_BLOCK), sizeof(WIN32_FIND_DATA));
    MoveThumbSlot(i + 1, i);
  }
  if (BYTE* last = ThumbSlot(m_nCount - 1)) std::memset(last, 0, sizeof(DWORD));
  --m_nCount;
  // 2. The current picture follows its entry; the picture held for the
  //    removed one goes.
  if (index == m_nCurrent) SetHeldPicture(nullptr);
  if (index < m_nCurrent) --m_nCurrent;
  if (m_nCurrent >= m_nCount) m_nCurrent = m_nCount > 0 ? m_nCount - 1 : 0;
  SetFirstShown(index < m_nFirstShown ? m_nFirstShown - 1 : m_nFirstShown);
  if (m_nFirstShown < 0) m_nFirstShown = 0;
  ForgetIndices();
  return TRUE;
}

int CImageFileList::FindNamePlace(const CString& name) const {
  int low = 0, high = m_nCount;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    CString path;
    GetPath(middle, path);
    if (CompareNames(NameOf(path), name) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

int CImageFileList::InsertEntry(const WIN32_FIND_DATA& record, CDib thumbnail) {
  const int place = FindOrderPlace(record, -1);
  // 1. Appended as a scan would, then moved to its place with the entries
  //    and cached thumbnails from there on moving down one.
  if (!AddEntry(&record)) return -1;
  WIN32_FIND_DATA added;
  GetEntry(m_nCount - 1, &added);
  for (int i = m_nCount - 1; i > place; --i) {
    std::memcpy(Record(EntryBlock(i / ENTRIES_PER_BLOCK), i % ENTRIES_PER_BLOCK),
                Record(EntryBlock((i - 1) / ENTRIES_PER_BLOCK), (i - 1) % ENTRIES_PER_BLOCK), sizeof(WIN32_FIND_DATA));
    MoveThumbSlot(i - 1, i);
  }
  std::memcpy(Record(EntryBlock(place / ENTRIES_PER_BLOCK), place % ENTRIES_PER_BLOCK), &added, sizeof(added));
  if (BYTE* slot = ThumbSlot(place)) std::memset(slot, 0, sizeof(DWORD));
  if (thumbnail != nullptr) StoreThumbnail(place, thumbnail, (DWORD)MemSize(thumbnail));
  // 2. The current picture keeps its entry.
  if (place <= m_nCurrent && m_nCount > 1) ++m_nCurrent;
  ForgetIndices();
  return place;
}

BOOL CImageFileList::RefreshEntry(int index) {
  CString path;
  if (!GetPath(index, path)) return FALSE;
  WIN32_FIND_DATA found;
  HANDLE find = FindFirstFile(path.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  FindClose(find);
  // The stored record keeps its full path in the name field.
  WIN32_FIND_DATA* stored = Record(EntryBlock(index / ENTRIES_PER_BLOCK), index % ENTRIES_PER_BLOCK);
  std::memcpy(stored, &found, offsetof(WIN32_FIND_DATA, cFileName));
  if (BYTE* slot = ThumbSlot(index)) std::memset(slot, 0, sizeof(DWORD));
  if (index == m_nCurrent) SetHeldPicture(nullptr);
  // Its time and size, and with them its place, may have changed.
  if (m_sortOrder != SortOrder()) MoveEntry(index, FindOrderPlace(*stored, index));
  ForgetIndices();
  return TRUE;
}

// The list's order: the entries of a scan put in the chosen order, a new
// order taken at once, and the place an entry takes in it. Entries and
// their cached thumbnails move together, slot by slot, so the current
// picture and every thumbnail stay with their pictures.
#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <system_error>
#include <thread>
#include <vector>

#include "filelist/imagefilelist.h"
#include "platform/device/devicestart.h"

namespace {

std::u16string_view NameIn(const WCHAR* path) {
  const std::u16string_view whole(path, WStrLen(path));
  const size_t slash = whole.rfind(u'\\');
  return slash == std::u16string_view::npos ? whole : whole.substr(slash + 1);
}

bool IsNameOrder(const SortOrder& order) {
  return order.key == SORT_BY_NAME && !order.reversed;
}

// One cached thumbnail out of its slot while the entries around it move:
// its length (0 for none) and bytes.
struct HeldSlot {
  std::vector<BYTE> bytes;
  DWORD length = 0;
};

// Fewest entries worth a thread of their own: below, starting it costs more
// than the reads it takes over.
constexpr int kEntriesPerThread = 256;

// Runs fill(begin, end) over [0, count) in up to `threads` equal runs, the
// first on this thread, the others on threads of their own (on this one too
// when a thread cannot be started); returns once every run is done.
template <typename Fill>
void FillInRuns(int count, int threads, const Fill& fill) {
  int runs = count / kEntriesPerThread;
  if (runs > threads) runs = threads;
  if (runs < 2) {
    fill(0, count);
    return;
  }
  const int each = (count + runs - 1) / runs;
  std::vector<std::thread> helpers;
  int next = each;
  try {
    helpers.reserve((size_t)runs - 1);
    for (; next < count; next += each) {
      helpers.emplace_back(fill, next, next + each < count ? next + each : count);
    }
  } catch (const std::exception&) {
    // No more threads: the runs not started are read here.
  }
  fill(0, each);
  for (; next < count; next += each) fill(next, next + each < count ? next + each : count);
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace

WIN32_FIND_DATA* CImageFileList::EntryRecord(int index) const {
  return (WIN32_FIND_DATA*)(EntryBlock(index / ENTRIES_PER_BLOCK) +
                            (size_t)(index % ENTRIES_PER_BLOCK) * sizeof(WIN32_FIND_DATA));
}

BOOL CImageFileList::SetSortOrder(const SortOrder& order) {
  if (order == m_sortOrder) return FALSE;
  const SortOrder before = m_sortOrder;
  m_sortOrder = order;
  if (!ApplySortOrder()) {
    m_sortOrder = before;
    return FALSE;
  }
  ForgetIndices();
  return TRUE;
}

BOOL CImageFileList::ApplySortOrder() {
  const int count = m_nCount;
  if (count < 2) return TRUE;
  std::vector<int64_t> values;
  std::vector<int> order;
  std::vector<char> placed;
  HeldSlot held;
  try {
    values.resize((size_t)count);
    order.resize((size_t)count);
    placed.resize((size_t)count, 0);
    held.bytes.resize(m_nSlotBytes);
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  // 1. Each entry's value, read once (the date taken reads the file's
  //    start, through the folder held open).
  //    Those reads run on the workers' count of threads, each filling its
  //    own run of `values`; the entries stay put until they are done.
  const CDeviceFolderReader folder(m_sortOrder.key == SORT_BY_DATE_TAKEN ? m_strFolder.c_str() : nullptr);
  const SortKey key = m_sortOrder.key;
  FillInRuns(count, key == SORT_BY_DATE_TAKEN ? m_nReadThreads : 1, [this, key, &folder, &values](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      const WIN32_FIND_DATA* record = EntryRecord(i);
      values[(size_t)i] = SortValueOf(key, *record, CString(record->cFileName, WStrLen(record->cFileName)),
                                      folder.IsOpen() ? &folder : nullptr);
    }
  });
  // 2. order[new index] = old index. Names break ties and no two are
  //    equal, so the order is total and the sort's result is the one.
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [this, &values](int a, int b) {
    return CompareInOrder(m_sortOrder, values[(size_t)a], NameIn(EntryRecord(a)->cFileName), values[(size_t)b],
                          NameIn(EntryRecord(b)->cFileName)) < 0;
  });
  // 3. The permutation, cycle by cycle: the first entry of a cycle and its
  //    thumbnail are held aside while the others move into place.
  int current = m_nCurrent;
  for (int start = 0; start < count; ++start) {
    if (placed[(size_t)start] || order[(size_t)start] == start) continue;
    const WIN32_FIND_DATA first = *EntryRecord(start);
    const BYTE* slot = ThumbSlot(start);
    held.length = 0;
    if (slot != nullptr) std::memcpy(&held.length, slot, sizeof(held.length));
    if (held.length != 0) std::memcpy(held.bytes.data(), slot, sizeof(DWORD) + held.length);
    int at = start;
    for (;;) {
      placed[(size_t)at] = 1;
      const int from = order[(size_t)at];
      if (from == m_nCurrent) current = at;
      if (from == start) break;
      std::memcpy(EntryRecord(at), EntryRecord(from), sizeof(WIN32_FIND_DATA));
      MoveThumbSlot(from, at);
      at = from;
    }
    std::memcpy(EntryRecord(at), &first, sizeof(first));
    // A block given back to the memory service meanwhile loses the
    // thumbnail; the grid asks for it again.
    BYTE* target = held.length != 0 ? MakeThumbSlot(at) : ThumbSlot(at);
    if (target != nullptr && held.length != 0) std::memcpy(target, held.bytes.data(), sizeof(DWORD) + held.length);
    if (target != nullptr && held.length == 0) std::memset(target, 0, sizeof(DWORD));
  }
  m_nCurrent = current;
  return TRUE;
}

int CImageFileList::FindOrderPlace(const WIN32_FIND_DATA& record, int skip) const {
  const std::u16string_view name = NameIn(record.cFileName);
  if (IsNameOrder(m_sortOrder) && skip < 0) return FindNamePlace(CString(name));
  const CString path = name.size() == WStrLen(record.cFileName) ? m_strFolder + u"\\" + CString(name)
                                                                : CString(record.cFileName, WStrLen(record.cFileName));
  const int64_t value = SortValueOf(m_sortOrder.key, record, path);
  // The list stands in its order: a binary search over the entries but
  // `skip`, reading the value of those it looks at.
  int low = 0, high = m_nCount - (skip >= 0 ? 1 : 0);
  while (low < high) {
    const int middle = low + (high - low) / 2;
    const int index = skip >= 0 && middle >= skip ? middle + 1 : middle;
    const WIN32_FIND_DATA* other = EntryRecord(index);
    const int64_t otherValue =
        SortValueOf(m_sortOrder.key, *other, CString(other->cFileName, WStrLen(other->cFileName)));
    if (CompareInOrder(m_sortOrder, otherValue, NameIn(other->cFileName), value, name) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

void CImageFileList::MoveEntry(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= m_nCount || to >= m_nCount) return;
  HeldSlot held;
  try {
    held.bytes.resize(m_nSlotBytes);
  } catch (const std::bad_alloc&) {
    held.bytes.clear();
  }
  const WIN32_FIND_DATA moving = *EntryRecord(from);
  const BYTE* slot = ThumbSlot(from);
  if (slot != nullptr && !held.bytes.empty()) std::memcpy(&held.length, slot, sizeof(held.length));
  if (held.length != 0) std::memcpy(held.bytes.data(), slot, sizeof(DWORD) + held.length);
  const int step = from < to ? 1 : -1;
  for (int i = from; i != to; i += step) {
    std::memcpy(EntryRecord(i), EntryRecord(i + step), sizeof(WIN32_FIND_DATA));
    MoveThumbSlot(i + step, i);
  }
  std::memcpy(EntryRecord(to), &moving, sizeof(moving));
  BYTE* target = held.length != 0 ? MakeThumbSlot(to) : ThumbSlot(to);
  if (target != nullptr && held.length != 0) std::memcpy(target, held.bytes.data(), sizeof(DWORD) + held.length);
  if (target != nullptr && held.length == 0) std::memset(target, 0, sizeof(DWORD));
  if (m_nCurrent == from) {
    m_nCurrent = to;
  } else if (from < m_nCurrent && m_nCurrent <= to) {
    --m_nCurrent;
  } else if (to <= m_nCurrent && m_nCurrent < from) {
    ++m_nCurrent;
  }
}

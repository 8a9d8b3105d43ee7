// The picture file list: folder scans, entry and thumbnail blocks, the held
// picture and the error state.
#include "filelist/imagefilelist.h"

#include <cstring>
#include <new>

#include "filelist/listobserver.h"
#include "filelist/pictureload.h"
#include "filelist/picturereport.h"
#include "filelist/thumbcache.h"
#include "filelist/thumbrecipe.h"
#include "platform/device/devicefs.h"
#include "platform/window/resource.h"

CImageFileList* g_pImageFileList = nullptr;

namespace {

constexpr size_t kRecordBytes = sizeof(WIN32_FIND_DATA);

// The recognised extensions: a NUL-separated list that begins with a NUL
// and ends with a double NUL.
const char PICTURE_EXTENSIONS[12] = {0, 'j', 'p', 'g', 0, 'j', 'p', 'e', 'g', 0, 0, 0};
// The desktop's: every extension of a format the picture interface decodes.
const char16_t* const DESKTOP_PICTURE_EXTENSIONS[] = {u"jpg", u"jpeg", u"jpe",  u"jfif", u"png", u"gif", u"webp",
                                                      u"tif", u"tiff", u"heic", u"heif", u"hif", u"avif"};

WIN32_FIND_DATA* RecordAt(BYTE* block, int position) {
  return (WIN32_FIND_DATA*)(block + (size_t)position * kRecordBytes);
}

// A thumbnail block's slot: its 4-byte length, then the thumbnail's block.
size_t SlotBytesFor(const GridSizes& sizes) {
  const size_t stride = ((size_t)sizes.thumb * 24 + 31) / 32 * 4;
  return sizeof(DWORD) + sizeof(BITMAPINFOHEADER) + stride * (size_t)sizes.thumb;
}

// Grows a table of block pointers to `size` entries (new ones null); false
// when the table itself cannot grow.
bool GrowTable(std::vector<BYTE*>* table, size_t size) {
  if (table->size() >= size) return true;
  try {
    table->resize(size, nullptr);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

CImageFileList::CImageFileList(const ListSettings& settings)
    : m_bShowTitles(1),
      m_nCurrent(0),
      m_hPicture(nullptr),
      m_nCount(0),
      m_nFirstShown(0),
      m_pObserver(nullptr),
      m_nError(LIST_ERROR_NONE),
      m_gridSizes(settings.grid),
      m_sortOrder(settings.sortOrder),
      m_bGrows(settings.grows),
      m_bAllFormats(settings.allFormats),
      m_nReadThreads(settings.threads > 1 ? settings.threads : 1) {
  SetAllFormats(settings.allFormats);
  SizeThumbSlots();
  std::memset(m_apEntryBlock, 0, sizeof(m_apEntryBlock));
  std::memset(m_apThumbBlock, 0, sizeof(m_apThumbBlock));
  if (g_pImageFileList == nullptr) {
    g_pImageFileList = this;
    MemSetReserve(this);
  }
  if (!settings.thumbnailCache.empty()) m_pThumbCache.reset(new (std::nothrow) CThumbCache(settings.thumbnailCache));
  if (settings.threads > 1) {
    m_pMaker = new (std::nothrow) CThumbnailMaker(settings.threads, m_gridSizes, this, m_pThumbCache.get());
  }
  if (settings.hasStartFolder && settings.startFolder.empty()) {
    // The root: SelectFolder takes "" for the folder already shown.
    Scan(m_strFolder + u"\\*.*");
  } else if (settings.hasStartFolder) {
    SelectFolder(settings.startFolder);
  } else {
    CString folder;
    GetDefaultFolder(folder);
    SelectFolder(folder);
  }
}

CImageFileList::~CImageFileList() {
  if (g_pImageFileList == this) g_pImageFileList = nullptr;
  if (MemGetReserve() == this) MemSetReserve(nullptr);
  // Waits only for the decodes in flight; nothing made after this is kept.
  delete m_pMaker;
  m_pMaker = nullptr;
  m_ahead.Reset();
  ReleaseRetiredPicture();
  ReleaseBlocks();
  // The list owns the held picture; a program that quits while a picture is
  // shown must not leave it behind.
  SetHeldPicture(nullptr);
}

BOOL CImageFileList::SelectFolder(const CString& folder) {
  if (!PathExists(folder)) return FALSE;
  // Exact comparison: the host's folders differ by letter case.
  if (folder == m_strFolder) return FALSE;
  const CString chosen = folder;  // the argument may be our own folder string
  Clear();
  m_strFolder = chosen;
  return Scan(m_strFolder + u"\\*.*");
}

BOOL CImageFileList::SelectRootFolder() {
  if (m_strFolder.empty()) return FALSE;
  Clear();
  m_strFolder.clear();
  return Scan(m_strFolder + u"\\*.*");
}

BOOL CImageFileList::GetDefaultFolder(CString& folder) {
  WCHAR buffer[256];
  LoadString(IDS_DEFAULT_FOLDER, buffer, 256);
  const CString candidate(buffer);
  if (PathExists(candidate) || CreateDirectory(candidate.c_str(), nullptr)) folder = candidate;
  // The answer has never said anything: callers look at the string, which
  // stays as it was when the folder neither exists nor can be made.
  return FALSE;
}

void CImageFileList::GetFolder(CString& folder) const {
  folder = m_strFolder;
}

BOOL CImageFileList::Scan(const CString& pattern) {
  int pictures = 0;
  const BOOL started = ForEachDeviceEntry(pattern.c_str(), [this, &pictures](const WIN32_FIND_DATA& record) {
    CString extension;
    GetExtension(CString(record.cFileName, WStrLen(record.cFileName)), extension);
    if (IsPictureExtensionOf(extension, m_bAllFormats)) {
      ++pictures;
      AddEntry(&record);
    }
    return true;
  });
  if (!started) return FALSE;
  // The enumeration gives name order; another order is taken before anybody
  // is told of the folder (without the memory for it, name order stays).
  // A new folder starts at its first picture in that order.
  if (m_sortOrder != SortOrder()) {
    const int first = m_nCurrent;
    ApplySortOrder();
    m_nCurrent = first;
  }
  // Nothing is left out in silence: the title says how many, and so does
  // one line on the standard error stream.
  m_nLeftOut = pictures - m_nCount;
  if (m_nLeftOut > 0) ReportPicturesLeftOut(m_strFolder, m_nLeftOut, pictures);
  NotifyChanged(0);
  return TRUE;
}

BYTE*& CImageFileList::EntryBlock(int block) {
  return block < LIST_MAX_BLOCKS ? m_apEntryBlock[block] : m_moreEntryBlocks[block - LIST_MAX_BLOCKS];
}

BYTE* CImageFileList::EntryBlock(int block) const {
  return block < LIST_MAX_BLOCKS ? m_apEntryBlock[block] : m_moreEntryBlocks[block - LIST_MAX_BLOCKS];
}

BYTE*& CImageFileList::ThumbBlock(int block) {
  return block < LIST_MAX_BLOCKS ? m_apThumbBlock[block] : m_moreThumbBlocks[block - LIST_MAX_BLOCKS];
}

BYTE* CImageFileList::ThumbBlock(int block) const {
  return block < LIST_MAX_BLOCKS ? m_apThumbBlock[block] : m_moreThumbBlocks[block - LIST_MAX_BLOCKS];
}

BOOL CImageFileList::AddEntry(const WIN32_FIND_DATA* record) {
  if (record == nullptr) return FALSE;
  const int block = m_nCount / ENTRIES_PER_BLOCK;
  const int position = m_nCount % ENTRIES_PER_BLOCK;
  if (block >= LIST_MAX_BLOCKS && !m_bGrows) return FALSE;
  size_t nameLength = 0;
  while (nameLength < MAX_PATH && record->cFileName[nameLength] != 0) ++nameLength;
  // The full path must fit the record's name field with its terminator;
  // a longer one is left out rather than cut.
  const CString path = m_strFolder + u"\\" + CString(record->cFileName, nameLength);
  if (path.size() + 1 > MAX_PATH) return FALSE;
  if (block >= LIST_MAX_BLOCKS && (size_t)(block - LIST_MAX_BLOCKS) >= m_moreEntryBlocks.size()) {
    if (!GrowTable(&m_moreEntryBlocks, block - LIST_MAX_BLOCKS + 1)) return FALSE;
  }
  BYTE*& entries = EntryBlock(block);
  if (entries == nullptr) {
    entries = (BYTE*)MemAllocRetry(LIST_BLOCK_BYTES);
    if (entries == nullptr) return FALSE;
  }
  WIN32_FIND_DATA* stored = RecordAt(entries, position);
  std::memcpy(stored, record, kRecordBytes);
  std::memcpy(stored->cFileName, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  ++m_nCount;
  return TRUE;
}

void CImageFileList::ReleaseBlocks() {
  for (int i = 0; i < LIST_MAX_BLOCKS; ++i) {
    MemFree(m_apEntryBlock[i]);
    m_apEntryBlock[i] = nullptr;
  }
  for (BYTE* block : m_moreEntryBlocks) MemFree(block);
  m_moreEntryBlocks.clear();
  ReleaseThumbBlocks();
}

void CImageFileList::ReleaseThumbBlocks() {
  for (int i = 0; i < LIST_MAX_BLOCKS; ++i) {
    MemFree(m_apThumbBlock[i]);
    m_apThumbBlock[i] = nullptr;
  }
  for (BYTE* block : m_moreThumbBlocks) MemFree(block);
  m_moreThumbBlocks.clear();
}

void CImageFileList::SizeThumbSlots() {
  m_nSlotBytes = SlotBytesFor(m_gridSizes);
  m_nSlotsPerBlock = m_nSlotBytes < LIST_BLOCK_BYTES ? (int)(LIST_BLOCK_BYTES / m_nSlotBytes) : 1;
  m_nThumbBlockBytes = m_nSlotBytes < LIST_BLOCK_BYTES ? LIST_BLOCK_BYTES : m_nSlotBytes;
}

BOOL CImageFileList::SetGridSizes(const GridSizes& sizes) {
  if (sizes.thumb == m_gridSizes.thumb && sizes.decodeBox == m_gridSizes.decodeBox) return FALSE;
  // 1. Nothing cached for the old grid can be read as the new one: every
  //    block goes, and the slots take the new size from here on.
  ReleaseThumbBlocks();
  m_gridSizes = sizes;
  SizeThumbSlots();
  // 2. What the workers make for the old grid comes back of an old
  //    generation and is dropped; what they are asked for from now on is
  //    made for the new one. The picture read ahead goes with the generation.
  DropReadAhead();
  ++m_nGeneration;
  if (m_pMaker != nullptr) {
    m_pMaker->SetSizes(m_gridSizes);
    m_pMaker->Restart(m_nGeneration);
  }
  return TRUE;
}

void CImageFileList::Clear() {
  m_nFirstShown = 0;
  m_nCurrent = 0;
  m_nCount = 0;
  m_nLeftOut = 0;
  ReleaseBlocks();
  DropReadAhead();
  ReleaseRetiredPicture();
  ++m_nGeneration;
  if (m_pMaker != nullptr) m_pMaker->Restart(m_nGeneration);
}

BOOL CImageFileList::GetEntry(int index, WIN32_FIND_DATA* record) const {
  if (index < 0 || index >= m_nCount || record == nullptr) return FALSE;
  std::memcpy(record, RecordAt(EntryBlock(index / ENTRIES_PER_BLOCK), index % ENTRIES_PER_BLOCK), kRecordBytes);
  return TRUE;
}

BOOL CImageFileList::GetPath(int index, CString& path) const {
  if (index < 0 || index >= m_nCount) return FALSE;
  const WIN32_FIND_DATA* stored = RecordAt(EntryBlock(index / ENTRIES_PER_BLOCK), index % ENTRIES_PER_BLOCK);
  path.assign(stored->cFileName, WStrLen(stored->cFileName));
  return TRUE;
}

BOOL CImageFileList::GetTitle(int index, CString& title) const {
  CString path;
  GetPath(index, path);
  GetFileTitleOf(path, title);
  return TRUE;
}

BOOL CImageFileList::SetCurrent(int index) {
  if (index < 0 || index >= m_nCount) return FALSE;
  m_nCurrent = index;
  return TRUE;
}

void CImageFileList::SetFirstShown(int index) {
  if (index < 0) index = 0;
  if (index >= m_nCount) index = m_nCount - 1;
  m_nFirstShown = index;
}

BYTE* CImageFileList::ThumbSlot(int index) const {
  if (index < 0) return nullptr;
  const int block = index / m_nSlotsPerBlock;
  if ((size_t)block >= LIST_MAX_BLOCKS + m_moreThumbBlocks.size()) return nullptr;
  BYTE* slots = ThumbBlock(block);
  return slots != nullptr ? slots + (size_t)(index % m_nSlotsPerBlock) * m_nSlotBytes : nullptr;
}

BYTE* CImageFileList::MakeThumbSlot(int index) {
  if (index < 0) return nullptr;
  const int block = index / m_nSlotsPerBlock;
  // The handheld's cache covers the first 500 pictures (100 blocks of five);
  // a growing list's covers every picture it holds.
  if (block >= LIST_MAX_BLOCKS) {
    if (!m_bGrows || index >= m_nCount || !GrowTable(&m_moreThumbBlocks, block - LIST_MAX_BLOCKS + 1)) return nullptr;
  }
  BYTE*& slots = ThumbBlock(block);
  if (slots == nullptr) slots = (BYTE*)MemAlloc(m_nThumbBlockBytes);
  return slots != nullptr ? slots + (size_t)(index % m_nSlotsPerBlock) * m_nSlotBytes : nullptr;
}

CDib CImageFileList::GetThumbnail(int index) const {
  const BYTE* slot = ThumbSlot(index);
  if (slot == nullptr) return nullptr;
  DWORD length;
  std::memcpy(&length, slot, sizeof(length));
  if (length == 0 || length > m_nSlotBytes - sizeof(length)) return nullptr;
  CDib copy = MemAlloc(length);
  if (copy == nullptr) return nullptr;
  std::memcpy(MemLock(copy), slot + sizeof(length), length);
  MemUnlock(copy);
  return copy;
}

BOOL CImageFileList::StoreThumbnail(int index, CDib thumbnail, DWORD length) {
  if (thumbnail == nullptr || index < 0) return FALSE;
  // Never write past the slot, nor read past the thumbnail's own block.
  if (length > m_nSlotBytes - sizeof(length) || length > MemSize(thumbnail)) return FALSE;
  BYTE* slot = MakeThumbSlot(index);
  if (slot == nullptr) return FALSE;
  std::memcpy(slot, &length, sizeof(length));
  std::memcpy(slot + sizeof(length), MemLock(thumbnail), length);
  MemUnlock(thumbnail);
  return TRUE;
}

BOOL CImageFileList::ReleaseThumbnailBlock() {
  for (size_t i = m_moreThumbBlocks.size(); i-- > 0;) {
    if (m_moreThumbBlocks[i] != nullptr) {
      MemFree(m_moreThumbBlocks[i]);
      m_moreThumbBlocks[i] = nullptr;
      return TRUE;
    }
  }
  for (int i = LIST_MAX_BLOCKS - 1; i >= 0; --i) {
    if (m_apThumbBlock[i] != nullptr) {
      MemFree(m_apThumbBlock[i]);
      m_apThumbBlock[i] = nullptr;
      return TRUE;
    }
  }
  return FALSE;
}

CDib CImageFileList::GetOrMakeThumbnail(int index) {
  CDib thumbnail = GetThumbnail(index);
  if (thumbnail != nullptr || index < 0 || index >= m_nCount) return thumbnail;
  if (m_pMaker == nullptr) return MakeThumbnail(index);
  CString path;
  GetPath(index, path);
  m_pMaker->Request(index, path);
  return nullptr;
}

void CImageFileList::BeginThumbnailPass() {
  if (m_pMaker != nullptr) m_pMaker->BeginPass();
}

void CImageFileList::OnThumbnailMade(int generation, int index, CDib made, ThumbnailOutcome outcome,
                                     const std::string& reason) {
  CDibOwner thumbnail(made);
  if (generation != m_nGeneration || index < 0 || index >= m_nCount) return;
  if (outcome == THUMB_NO_PICTURE) {
    CString path;
    GetPath(index, path);
    ReportPictureProblem(path, reason.c_str());
  }
  if (outcome == THUMB_NO_MEMORY) {
    // Made again here, where cached thumbnails can be given back for it.
    thumbnail.Reset(MakeThumbnail(index));
    ++m_nRemadeHere;
  } else if (thumbnail) {
    StoreThumbnail(index, thumbnail.Get(), (DWORD)MemSize(thumbnail.Get()));
  }
  if (thumbnail && m_pObserver != nullptr) m_pObserver->OnThumbnailReady(index, thumbnail.Get());
}

CDib CImageFileList::MakeThumbnail(int index) {
  CString path;
  if (!GetPath(index, path)) return nullptr;
  ThumbnailParts parts = MakeThumbnailParts(path.c_str(), m_gridSizes, m_pThumbCache.get());
  if (!parts.reduced) {
    ReportPictureProblem(path, parts.failure.c_str());
    return nullptr;
  }
  // Without a thumbnail the reduced picture itself is drawn, uncached.
  if (!parts.thumbnail) return parts.reduced.Release();
  // Stored while the reduced picture is still held, as the cache always was.
  StoreThumbnail(index, parts.thumbnail.Get(), (DWORD)MemSize(parts.thumbnail.Get()));
  return parts.thumbnail.Release();
}

CDib CImageFileList::LoadPictureToFit(int index, int width, int height) const {
  CString path;
  if (!GetPath(index, path)) return nullptr;
  CDib dib = LoadPictureTowards(path.c_str(), width, height);
  if (dib == nullptr) ReportPictureProblem(path, PictureLastError());
  return dib;
}

CDib CImageFileList::LoadCurrentPicture() {
  CString path;
  GetPath(m_nCurrent, path);
  if (!PathExists(path)) {
    m_nError = LIST_ERROR_NOT_FOUND;
    DropReadAhead();
    if (!path.empty()) ReportPictureProblem(path, "no such file");
    return nullptr;
  }
  CDib ahead = TakePictureAhead(m_nCurrent, path);
  if (ahead != nullptr) return ahead;
  CDib dib = LoadWholePicture(path.c_str());
  if (dib == nullptr) ReportPictureProblem(path, PictureLastError());
  return dib;
}

void CImageFileList::ReadAhead(int index) {
  if (m_pMaker == nullptr || index < 0 || index >= m_nCount) return;
  // A folder of one picture: the next is the one shown.
  if (index == m_nCurrent) return;
  if (index == m_nAheadIndex) return;  // asked for already, or here
  DropReadAhead();
  CString path;
  GetPath(index, path);
  m_nAheadIndex = index;
  m_pMaker->RequestPicture(index, path);
}

void CImageFileList::DropReadAhead() {
  if (m_pMaker != nullptr) m_pMaker->DropPicture();
  m_ahead.Reset();
  m_nAheadIndex = -1;
}

CDib CImageFileList::TakeReadyPicture() {
  if (!m_ahead || m_nAheadIndex != m_nCurrent) return nullptr;
  CString path;
  GetPath(m_nCurrent, path);
  return TakePictureAhead(m_nCurrent, path);
}

void CImageFileList::RetireHeldPicture() {
  ReleaseRetiredPicture();
  m_retired.Reset(m_hPicture);
  m_hPicture = nullptr;
}

void CImageFileList::ReleaseRetiredPicture() {
  // Freeing a picture of many megabytes hands its pages back to the system,
  // which takes a while: that happens after the paint, not before it.
  if (m_pMaker != nullptr) {
    m_pMaker->FreeLater(m_retired.Release());
  } else {
    m_retired.Reset();
  }
}

CDib CImageFileList::TakePictureAhead(int index, const CString& path) {
  if (m_nAheadIndex != index) {
    DropReadAhead();
    return nullptr;
  }
  // Asked for and not here yet: a worker on it is waited for, which is
  // never longer than decoding here; one not started is left undone.
  if (!m_ahead && m_pMaker != nullptr) m_pMaker->FinishPicture();
  CDibOwner picture(m_ahead.Release());
  const FileIdentity identity = m_aheadIdentity;
  m_nAheadIndex = -1;
  // Deleted or replaced since it was read: decoded afresh, as without it.
  FileIdentity now;
  if (picture && (!GetFileIdentity(path, &now) || !(now == identity))) return nullptr;
  return picture.Release();
}

void CImageFileList::OnPictureMade(int index, CDib made, const FileIdentity& identity) {
  CDibOwner picture(made);
  if (index != m_nAheadIndex || m_ahead) return;
  m_ahead = std::move(picture);
  m_aheadIdentity = identity;
}

BOOL CImageFileList::ReleaseReserveBlock() {
  if (m_retired) {
    m_retired.Reset();
    return TRUE;
  }
  if (m_pMaker != nullptr && m_pMaker->FreeNow()) return TRUE;
  // Thumbnails waiting for the shared cache's writer are made again on a
  // later start.
  if (m_pThumbCache && m_pThumbCache->DropQueuedWrites()) return TRUE;
  // The picture read ahead goes first. One being read (even one no longer
  // wanted) is stopped, and its worker waited for only while it lets go, so
  // that its memory comes back before any cached thumbnail is given up; one
  // read already is taken, to be freed below.
  if (m_pMaker != nullptr && m_pMaker->HasPictureWork()) {
    m_pMaker->StopPicture();
    m_pMaker->FinishPicture();
    if (!m_ahead) return TRUE;
  }
  if (m_ahead) {
    m_ahead.Reset();
    m_nAheadIndex = -1;
    return TRUE;
  }
  // Thumbnails being made: their decodes are stopped and their memory comes
  // back before anything cached is given up. Whatever a worker reads, this
  // waits only for it to let go; the cells are asked for again by the next paint.
  if (m_pMaker != nullptr && m_pMaker->StopWorkersToLetGo()) return TRUE;
  return ReleaseThumbnailBlock();
}

void CImageFileList::SetHeldPicture(CDib picture) {
  if (picture == m_hPicture) return;
  if (m_hPicture != nullptr) MemFree(m_hPicture);
  m_hPicture = picture;
}

void CImageFileList::NotifyChanged(int code) {
  if (m_pObserver != nullptr) m_pObserver->OnFileListEvent(code);
}

// ---- Picture-name routines ----------------------------------------------

BOOL IsPictureExtension(const CString& extension) {
  // The list is copied into a zero-filled working buffer and walked entry
  // by entry, each widened to 16-bit characters for the comparison.
  char buffer[255] = {};
  std::memcpy(buffer, PICTURE_EXTENSIONS, sizeof(PICTURE_EXTENSIONS));
  for (size_t i = 0; i + 1 < sizeof(buffer); ++i) {
    if (buffer[i] != 0) continue;
    if (buffer[i + 1] == 0) return FALSE;  // the double NUL ends the list
    CString entry;
    for (size_t k = i + 1; k < sizeof(buffer) && buffer[k] != 0; ++k)
      entry.push_back((char16_t)(unsigned char)buffer[k]);
    CString reduced = entry;
    GetExtension(entry, reduced);
    if (WStrEqualNoCase(reduced, extension)) return TRUE;
  }
  return FALSE;
}

BOOL IsPictureExtensionOf(const CString& extension, BOOL allFormats) {
  if (!allFormats) return IsPictureExtension(extension);
  for (const char16_t* entry : DESKTOP_PICTURE_EXTENSIONS) {
    if (WStrEqualNoCase(CString(entry), extension)) return TRUE;
  }
  return FALSE;
}

BOOL GetExtension(const CString& name, CString& extension) {
  const size_t dot = name.rfind(u'.');
  if (dot == CString::npos) return FALSE;
  extension = name.substr(dot + 1);
  return TRUE;
}

BOOL PathExists(const CString& path) {
  WIN32_FIND_DATA record;
  HANDLE find = FindFirstFile(path.c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  FindClose(find);
  return TRUE;
}

void GetFileTitleOf(const CString& path, CString& title) {
  const size_t slash = path.rfind(u'\\');
  title = slash == CString::npos ? path : path.substr(slash + 1);
  const size_t dot = title.rfind(u'.');
  if (dot != CString::npos) title.erase(dot);
}

// The picture file list: the current folder, its picture entries in
// enumeration order, the current picture, the first thumbnail shown, the
// thumbnail cache, the held decoded picture and the error state. There is
// one list; everybody reaches it through g_pImageFileList.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "filelist/gridsizes.h"
#include "filelist/sortorder.h"
#include "filelist/thumbmaker.h"
#include "imaging/dib.h"
#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"
#include "res/resource_ids.h"
#include "shell/memblock.h"

class CFileListObserver;
class CThumbCache;

#define LIST_MAX_BLOCKS 100
#define LIST_BLOCK_BYTES 65536
// As many 560-byte directory records as a block holds: 65,536 / 560.
#define ENTRIES_PER_BLOCK 117
// A thumbnail slot: a 4-byte length, then the thumbnail's block byte for
// byte; the largest 64 × 64 thumbnail takes 40 + 192 × 64 = 12,328 bytes.
// Five slots fill 61,660 bytes of a block.
#define THUMBS_PER_BLOCK 5
#define THUMB_SLOT_BYTES 12332
#define THUMB_SLOT_CAPACITY (THUMB_SLOT_BYTES - 4)

#define LIST_ERROR_NONE 0
#define LIST_ERROR_NOT_FOUND 1
#define LIST_ERROR_NO_MEMORY 2

// How a new list starts; the defaults are the handheld's.
struct ListSettings {
  // Worker threads of the thumbnail maker. With 1 thumbnails are made
  // inside the paint, as on the handheld.
  int threads = 1;
  // FALSE: the list starts in "\My Documents", made when missing. TRUE: in
  // `startFolder` (a device folder, "" the root), taken as it is.
  BOOL hasStartFolder = FALSE;
  CString startFolder;
  // The grid the list makes thumbnails for.
  GridSizes grid = kHandheldGrid;
  // The handheld's list holds at most LIST_MAX_BLOCKS entry blocks (11,700
  // pictures) and caches the thumbnails of the first 500. A list that grows
  // holds every picture of a folder and caches every thumbnail.
  BOOL grows = FALSE;
  // The handheld lists only names ending in "jpg" or "jpeg" and decodes them
  // as JPEG. With every format (the desktop's) the list takes every name
  // with a picture extension (IsPictureExtensionOf), and every picture is
  // decoded as what its first bytes say it is (SetAllFormats, process-wide:
  // there is one list).
  BOOL allFormats = FALSE;
  // The desktop's shared thumbnail cache folder ($XDG_CACHE_HOME/thumbnails),
  // read by the workers and written back; empty for none (the handheld
  // reads and writes no files).
  std::string thumbnailCache;
  // The order the entries stand in; the handheld's is always name order.
  SortOrder sortOrder;
};

// The list is also the memory service's reserve: its thumbnail blocks are
// given back, highest first, when an allocation cannot be met.
class CImageFileList : public CMemoryReserve, private CThumbnailSink {
 public:
  explicit CImageFileList(const ListSettings& settings = ListSettings());
  ~CImageFileList() override;
  CImageFileList(const CImageFileList&) = delete;
  CImageFileList& operator=(const CImageFileList&) = delete;

  // Folder operations.
  BOOL SelectFolder(const CString& folder);
  BOOL SelectRootFolder();
  // "\My Documents" into `folder` when it exists or can be made; else
  // `folder` stays as it was. Always FALSE: callers look at the string.
  BOOL GetDefaultFolder(CString& folder);
  void GetFolder(CString& folder) const;
  int GetCount() const { return m_nCount; }

  // Entry operations.
  BOOL AddEntry(const WIN32_FIND_DATA* record);
  void Clear();
  BOOL GetEntry(int index, WIN32_FIND_DATA* record) const;
  BOOL GetPath(int index, CString& path) const;
  BOOL GetTitle(int index, CString& title) const;
  BOOL SetCurrent(int index);
  void SetFirstShown(int index);

  // Edits after the desktop's file actions (listedits.cpp): the list
  // follows a change on the device without a rescan, and each cached
  // thumbnail stays with its picture. Each drops what the workers were
  // asked for and the picture read ahead; nobody is told (the caller is).
  // Removes entry `index`; those after it move up one. The current picture
  // moves with its entry; when it is the one removed, the one that followed
  // it becomes current (the new last one at the end).
  BOOL RemoveEntry(int index);
  // Puts a file of the current folder (`record` as the enumeration gives it)
  // at its place in the list's order, `thumbnail` (may be null) cached for
  // it; its index, or -1 when the list cannot hold it.
  int InsertEntry(const WIN32_FIND_DATA& record, CDib thumbnail);
  // The file of entry `index` was written again: its record is read anew,
  // its thumbnail is made again and a picture held for it goes. In an order
  // other than by name the entry then moves to where it now sorts, the
  // current picture with it.
  BOOL RefreshEntry(int index);
  // The index a file named `name` has, or would have, in name order.
  int FindNamePlace(const CString& name) const;

  // Order (listorder.cpp). Every scan puts the folder's entries in the
  // list's order. A new order moves the entries there at once: the current
  // picture, the picture held for it and every cached thumbnail stay with
  // their pictures; what the workers were asked for and the picture read
  // ahead are dropped; nobody is told (the caller is). FALSE when the list
  // stands in `order` already.
  const SortOrder& GetSortOrder() const { return m_sortOrder; }
  BOOL SetSortOrder(const SortOrder& order);

  // Thumbnail cache.
  CDib GetThumbnail(int index) const;
  BOOL StoreThumbnail(int index, CDib thumbnail, DWORD length);
  BOOL ReleaseThumbnailBlock();
  // What the grid draws for `index`, owned by the caller: a copy of the
  // cached thumbnail; otherwise a thumbnail made from the file now and
  // cached; the picture reduced towards 160 × 160 when no thumbnail could
  // be made of it; null when the file gives no picture. With the thumbnail
  // maker's workers, a missing thumbnail is asked for instead and null is
  // returned: it reaches the observer's OnThumbnailReady when made.
  CDib GetOrMakeThumbnail(int index);
  // A paint begins: requests of earlier paints not yet started are dropped.
  void BeginThumbnailPass();
  // Thumbnails are made by workers (more than one thread was asked for).
  BOOL MakesThumbnailsInBackground() const { return m_pMaker != nullptr; }
  // Thumbnails a worker gave back for want of memory, made again here.
  int ThumbnailsRemadeHere() const { return m_nRemadeHere; }
  // Pictures of the folder the list could not hold (past its ceiling, or
  // for want of memory); 0 when it holds them all.
  int GetLeftOutCount() const { return m_nLeftOut; }
  // The grid the thumbnails are made for. A new grid drops every cached
  // thumbnail (their slots take the new size) and everything the workers
  // were asked for; the entries, the current picture and the picture held
  // stay. FALSE when the grid is the one the list has.
  const GridSizes& GetGridSizes() const { return m_gridSizes; }
  BOOL SetGridSizes(const GridSizes& sizes);

  // Pictures.
  CDib LoadPictureToFit(int index, int width, int height) const;
  // The current picture, decoded at full size; a picture read ahead for it
  // is taken instead when its file is still the one it was read from.
  CDib LoadCurrentPicture();
  void SetHeldPicture(CDib picture);
  // Has the workers read picture `index` ahead (the one a step would show
  // next), in place of one asked for before. Nothing without workers.
  void ReadAhead(int index);
  void DropReadAhead();
  // The current picture when it was read ahead, has come and its file is
  // unchanged; null otherwise (nothing is decoded or waited for).
  CDib TakeReadyPicture();
  // A step that took a picture read ahead decodes nothing: the picture held
  // may go once the new one is on the screen. Retired, it is freed after
  // the paint that follows (ReleaseRetiredPicture hands it on then), and at
  // the latest by the next demand for memory.
  void RetireHeldPicture();
  void ReleaseRetiredPicture();
  // The picture read ahead, once it has come (tests and benchmarks look).
  BOOL HasPictureAhead(int index) const { return m_ahead && m_nAheadIndex == index; }

  // CMemoryReserve: thumbnail blocks, and error 2 when none is left.
  // The picture read ahead is given back before any thumbnail block; the
  // workers' decodes in flight are stopped, never waited for to the end.
  BOOL ReleaseReserveBlock() override;
  void OnOutOfMemory() override { SetError(LIST_ERROR_NO_MEMORY); }

  void SetError(int code) { m_nError = code; }
  int GetError() const { return m_nError; }
  void ClearError() { m_nError = LIST_ERROR_NONE; }
  void NotifyChanged(int code);

  int m_bShowTitles;
  CString m_strFolder;
  int m_nCurrent;
  BYTE* m_apEntryBlock[LIST_MAX_BLOCKS];
  CDib m_hPicture;
  BYTE* m_apThumbBlock[LIST_MAX_BLOCKS];
  int m_nCount;
  int m_nFirstShown;
  CFileListObserver* m_pObserver;
  int m_nError;

 private:
  BOOL Scan(const CString& pattern);
  void ReleaseBlocks();
  void ReleaseThumbBlocks();
  // Slot and block sizes of the thumbnail cache for m_gridSizes.
  void SizeThumbSlots();
  // Entry and thumbnail block `block`: one of the handheld's hundred, or of
  // those a growing list adds after them; null when not (yet) allocated.
  BYTE*& EntryBlock(int block);
  BYTE* EntryBlock(int block) const;
  BYTE*& ThumbBlock(int block);
  BYTE* ThumbBlock(int block) const;
  // The thumbnail cache's slot for `index`; null when the cache does not
  // cover it or its block is not there. MakeThumbSlot allocates the block.
  BYTE* ThumbSlot(int index) const;
  BYTE* MakeThumbSlot(int index);
  // Copies thumbnail slot `from` (empty or not) to slot `to`.
  void MoveThumbSlot(int from, int to);
  // The record of entry `index`, its name field the file's full path.
  WIN32_FIND_DATA* EntryRecord(int index) const;
  // Entry `from` and its cached thumbnail to index `to`, those between
  // moving one place towards `from`; the current picture keeps its entry.
  void MoveEntry(int from, int to);
  // The index the file of `record` (its name or full path) takes in the
  // list's order among the entries but `skip` (-1 for none).
  int FindOrderPlace(const WIN32_FIND_DATA& record, int skip) const;
  // Puts the entries in m_sortOrder; FALSE for want of memory (the list is
  // then as it was).
  BOOL ApplySortOrder();
  // After an edit: workers' results and the picture read ahead are of the
  // old indices.
  void ForgetIndices();
  // The synchronous make: decode, reduce, cache. What the grid draws: the
  // thumbnail, or the reduced picture when no thumbnail could be made of it.
  CDib MakeThumbnail(int index);
  // CThumbnailSink: a worker's result, on the user-interface thread.
  void OnThumbnailMade(int generation, int index, CDib thumbnail, ThumbnailOutcome outcome,
                       const std::string& reason) override;
  void OnPictureMade(int index, CDib picture, const FileIdentity& identity) override;
  // The picture read ahead for `index` if it is there (waiting for it when
  // a worker is on it) and its file unchanged; null otherwise.
  CDib TakePictureAhead(int index, const CString& path);

  GridSizes m_gridSizes;
  SortOrder m_sortOrder;
  BOOL m_bGrows;
  BOOL m_bAllFormats;
  // Threads a sort by date taken reads the files' starts on (the workers').
  int m_nReadThreads;
  std::vector<BYTE*> m_moreEntryBlocks;
  std::vector<BYTE*> m_moreThumbBlocks;
  // A slot holds a 4-byte length and the largest thumbnail of the grid's
  // size; as many slots as fit a 64 KB block share one (at least one a block).
  size_t m_nSlotBytes;
  int m_nSlotsPerBlock;
  size_t m_nThumbBlockBytes;
  int m_nLeftOut = 0;
  // Counts the folders shown, so that late results of an old one are dropped.
  int m_nGeneration = 0;
  // The shared thumbnail cache; it outlives the maker, whose workers use it.
  std::unique_ptr<CThumbCache> m_pThumbCache;
  CThumbnailMaker* m_pMaker = nullptr;
  int m_nRemadeHere = 0;
  // The picture read ahead: asked for (index >= 0), and once come, its block
  // and what its file was.
  int m_nAheadIndex = -1;
  CDibOwner m_ahead;
  FileIdentity m_aheadIdentity = {};
  CDibOwner m_retired;
};

extern CImageFileList* g_pImageFileList;

// Picture-name routines, shared with the Select Folder dialog.
BOOL IsPictureExtension(const CString& extension);
// The handheld's test above, or with `allFormats` the desktop's: JPEG
// ("jpg", "jpeg", "jpe", "jfif"), PNG, GIF, WebP, TIFF ("tif", "tiff"),
// HEIF ("heic", "heif", "hif") and AVIF, in any letter case.
BOOL IsPictureExtensionOf(const CString& extension, BOOL allFormats);
BOOL GetExtension(const CString& name, CString& extension);
BOOL PathExists(const CString& path);
void GetFileTitleOf(const CString& path, CString& title);

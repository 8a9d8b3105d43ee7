// The desktop's shared thumbnail cache as the grid uses it: a picture's
// entries are named by the MD5 of its file URI and count only while their
// URI, modification time and size are the file's; the grid's thumbnails go
// back through a writer thread of the cache's own, and pictures that give
// none are recorded under fail/ so that they are not tried on every start.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "imaging/dib.h"
#include "imaging/thumbpng.h"
#include "platform/base/wintypes.h"
#include "platform/device/cachefolder.h"
#include "platform/window/uitasks.h"

// What names and validates the entries of one picture file as it is now.
struct ThumbCacheKey {
  std::string uri;
  std::string name;   // the URI's MD5 in hexadecimal, then ".png"
  int64_t mtime = 0;  // seconds since 1970, as stat gives them
  uint64_t size = 0;
  const char* mimetype = nullptr;  // told by the name's extension; null when unknown
};

// What the cache holds for a picture.
struct CachedThumbnail {
  CDibOwner picture;    // a valid entry, decoded; empty when there is none
  BOOL failed = FALSE;  // else: this program's failure record for the file as it is
  std::string reason;   // the words of that failure
};

class CThumbCache : public CUiTaskSource {
 public:
  // Opens (making it when missing) the cache folder `folder`; a folder that
  // cannot be used leaves the cache closed, and then nothing is read or written.
  explicit CThumbCache(const std::string& folder);
  // Stops the writer: the write under way ends, those queued are dropped.
  ~CThumbCache() override;
  CThumbCache(const CThumbCache&) = delete;
  CThumbCache& operator=(const CThumbCache&) = delete;

  BOOL IsOpen() const { return m_folder.IsOpen(); }

  // The standard size written for cells of `side`: the smallest of 128
  // (normal), 256 (large), 512 (x-large), 1024 (xx-large) that holds it.
  static int StandardSide(int side);

  // Any thread. The key of a device file; FALSE when the file is gone, is no
  // readable regular file, lies inside the cache folder, or has no URI: such
  // a file is neither looked up nor written.
  BOOL KeyOf(const WCHAR* path, ThumbCacheKey* key) const;
  // The file still has the time and size of `key`.
  static BOOL Unchanged(const WCHAR* path, const ThumbCacheKey& key);

  // Any thread. The first valid entry of the standard sizes that hold a
  // cell of `side`, smallest first; else this program's failure record.
  CachedThumbnail Find(const ThumbCacheKey& key, int side) const;

  // Any thread, never waiting: `thumbnail` (taken over) goes to the writer
  // as the entry of standard size `standardSide`. Dropped when the writer is
  // far behind, or writing failed before in this run.
  void Store(const ThumbCacheKey& key, int standardSide, CDib thumbnail);
  // Records that the file, as it is, gives no picture, for `reason`.
  void StoreFailure(const ThumbCacheKey& key, const std::string& reason);

  // User-interface thread, short of memory: frees the thumbnails still
  // waiting to be written (a later start makes them again). FALSE when none
  // waited.
  BOOL DropQueuedWrites();

  // CUiTaskSource: nothing to take; busy while writes wait or run, so that a
  // host waiting for background work waits for them too.
  void RunUiTasks() override {}
  BOOL IsBusy() const override;

 private:
  struct WriteJob {
    std::string sub;
    std::string name;
    PngTextList text;
    CDibOwner thumbnail;  // empty for a failure record
  };
  void Queue(WriteJob job);
  void WriterLoop();
  PngTextList TextOf(const ThumbCacheKey& key) const;

  CCacheFolder m_folder;
  std::string m_failFolder;  // fail/vimbra-<version>
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<WriteJob> m_queue;  // under m_mutex
  size_t m_nQueuedBytes = 0;     // under m_mutex
  bool m_bWriting = false;       // under m_mutex
  bool m_bStopping = false;      // under m_mutex
  bool m_bWritesFailed = false;  // under m_mutex
  std::thread m_writer;          // started with the first write
};

// The shared thumbnail cache: keys, the look-up through the standard sizes,
// the text an entry must carry, and the writer thread.
#include "filelist/thumbcache.h"

#include <cstdio>

#include "platform/base/md5.h"
#include "platform/base/wstr.h"
#include "platform/device/devicefs.h"
#include "platform/device/fileuri.h"
#include "shell/memblock.h"

namespace {

// The program's version names its failure records (a later version may read
// what this one could not) and is its Software text.
constexpr char kVersion[] = "2.0";
constexpr char kReasonKey[] = "Vimbra::Reason";
constexpr int kSmallestStandard = 128;
constexpr int kLargestStandard = 1024;
// A failure record is one pixel and its text.
constexpr int kFailSide = 16;
constexpr size_t kFailBytes = 64 * 1024;
// Thumbnails wait for the writer up to this many bytes (a score of normal
// ones, five large), which the budget holds while they wait; more are
// dropped and made again on a later start.
constexpr size_t kMaxQueuedBytes = 1 << 20;
constexpr size_t kMaxQueuedJobs = 256;
constexpr uint64_t kEpochDifference = 11644473600ULL;  // 1601-01-01 to 1970-01-01, seconds

const char* FolderOf(int standardSide) {
  switch (standardSide) {
    case 128:
      return "normal";
    case 256:
      return "large";
    case 512:
      return "x-large";
    default:
      return "xx-large";
  }
}

// An uncompressed RGBA picture of that side and a generous allowance for its
// text and other chunks: anything larger is no thumbnail.
size_t ReadLimitOf(int standardSide) {
  return (size_t)standardSide * (size_t)standardSide * 4 + 64 * 1024;
}

int64_t SecondsOf(const FILETIME& time) {
  const uint64_t ticks = (uint64_t)time.dwHighDateTime << 32 | time.dwLowDateTime;
  return (int64_t)(ticks / 10000000ULL) - (int64_t)kEpochDifference;
}

BOOL FindRecord(const WCHAR* path, WIN32_FIND_DATA* record) {
  HANDLE find = FindFirstFile(path, record);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  FindClose(find);
  return (record->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? TRUE : FALSE;
}

uint64_t SizeOf(const WIN32_FIND_DATA& record) {
  return (uint64_t)record.nFileSizeHigh << 32 | record.nFileSizeLow;
}

const char* MimetypeOf(const WCHAR* path) {
  static const struct {
    const char* extension;
    const char* mimetype;
  } kTypes[] = {{"jpg", "image/jpeg"},  {"jpeg", "image/jpeg"}, {"png", "image/png"},   {"gif", "image/gif"},
                {"webp", "image/webp"}, {"tif", "image/tiff"},  {"tiff", "image/tiff"}, {"heic", "image/heif"},
                {"heif", "image/heif"}, {"avif", "image/avif"}};
  const size_t length = WStrLen(path);
  size_t dot = length;
  while (dot > 0 && path[dot - 1] != u'.' && path[dot - 1] != u'\\') --dot;
  if (dot == 0 || path[dot - 1] != u'.') return nullptr;
  std::string extension;
  for (size_t i = dot; i < length && extension.size() < 5; ++i) {
    const char16_t c = path[i];
    extension += (char)(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c < 0x80 ? c : '?');
  }
  for (const auto& type : kTypes) {
    if (extension == type.extension) return type.mimetype;
  }
  return nullptr;
}

const std::string* ValueOf(const PngTextList& text, const char* key) {
  for (const PngText& entry : text) {
    if (entry.key == key) return &entry.value;
  }
  return nullptr;
}

// An entry is the file's while every URI, MTime and Size it carries is the
// file's; once the whole file is read, URI and MTime must have been there.
bool Matches(const PngTextList& text, const ThumbCacheKey& key, bool complete) {
  bool uri = false, mtime = false;
  for (const PngText& entry : text) {
    if (entry.key == "Thumb::URI") {
      if (entry.value != key.uri) return false;
      uri = true;
    } else if (entry.key == "Thumb::MTime") {
      if (entry.value != std::to_string(key.mtime)) return false;
      mtime = true;
    } else if (entry.key == "Thumb::Size") {
      if (entry.value != std::to_string(key.size)) return false;
    }
  }
  return !complete || (uri && mtime);
}

}  // namespace

CThumbCache::CThumbCache(const std::string& folder) : m_failFolder(std::string("fail/vimbra-") + kVersion) {
  m_folder.Open(folder);
  RegisterUiTaskSource(this);
}

CThumbCache::~CThumbCache() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStopping = true;
    m_queue.clear();
  }
  m_wake.notify_all();
  if (m_writer.joinable()) m_writer.join();
  UnregisterUiTaskSource(this);
}

int CThumbCache::StandardSide(int side) {
  int standard = kSmallestStandard;
  while (standard < side && standard < kLargestStandard) standard *= 2;
  return standard;
}

BOOL CThumbCache::KeyOf(const WCHAR* path, ThumbCacheKey* key) const {
  WIN32_FIND_DATA record;
  if (!IsOpen() || path == nullptr || !FindRecord(path, &record)) return FALSE;
  // 1. Only a picture the device would open is looked up or written for.
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) return FALSE;
  std::fclose(stream);
  // 2. Never for the cache's own files.
  if (m_folder.Holds(path)) return FALSE;
  std::string uri;
  if (!DeviceFileUri(path, &uri)) return FALSE;
  key->name = Md5Hex(uri) + ".png";
  key->uri = std::move(uri);
  key->mtime = SecondsOf(record.ftLastWriteTime);
  key->size = SizeOf(record);
  key->mimetype = MimetypeOf(path);
  return TRUE;
}

BOOL CThumbCache::Unchanged(const WCHAR* path, const ThumbCacheKey& key) {
  WIN32_FIND_DATA record;
  if (!FindRecord(path, &record)) return FALSE;
  return SecondsOf(record.ftLastWriteTime) == key.mtime && SizeOf(record) == key.size ? TRUE : FALSE;
}

CachedThumbnail CThumbCache::Find(const ThumbCacheKey& key, int side) const {
  CachedThumbnail found;
  if (!IsOpen()) return found;
  const PngTextCheck check = [&key](const PngTextList& text, bool complete) { return Matches(text, key, complete); };
  std::string bytes;
  // 1. Thumbnails of any program, the smallest size that serves first.
  for (int standard = StandardSide(side); standard <= kLargestStandard; standard *= 2) {
    if (!m_folder.Read(FolderOf(standard), key.name, ReadLimitOf(standard), &bytes)) continue;
    found.picture.Reset(DecodeThumbnailPng(bytes.data(), bytes.size(), standard, check));
    if (found.picture) return found;
  }
  // 2. Else a failure this program recorded, with its words.
  if (!m_folder.Read(m_failFolder, key.name, kFailBytes, &bytes)) return found;
  PngTextList seen;
  const PngTextCheck keep = [&key, &seen](const PngTextList& text, bool complete) {
    seen = text;
    return Matches(text, key, complete);
  };
  const CDibOwner record(DecodeThumbnailPng(bytes.data(), bytes.size(), kFailSide, keep));
  if (!record) return found;
  const std::string* reason = ValueOf(seen, kReasonKey);
  found.failed = TRUE;
  found.reason = reason != nullptr && !reason->empty() ? *reason : "no picture";
  return found;
}

PngTextList CThumbCache::TextOf(const ThumbCacheKey& key) const {
  PngTextList text = {
      {"Thumb::URI", key.uri}, {"Thumb::MTime", std::to_string(key.mtime)}, {"Thumb::Size", std::to_string(key.size)}};
  if (key.mimetype != nullptr) text.push_back({"Thumb::Mimetype", key.mimetype});
  text.push_back({"Software", std::string("Vimbra ") + kVersion});
  return text;
}

void CThumbCache::Store(const ThumbCacheKey& key, int standardSide, CDib thumbnail) {
  CDibOwner owned(thumbnail);
  if (!IsOpen() || !owned) return;
  Queue(WriteJob{FolderOf(StandardSide(standardSide)), key.name, TextOf(key), std::move(owned)});
}

void CThumbCache::StoreFailure(const ThumbCacheKey& key, const std::string& reason) {
  if (!IsOpen()) return;
  PngTextList text = TextOf(key);
  text.push_back({kReasonKey, reason});
  Queue(WriteJob{m_failFolder, key.name, std::move(text), CDibOwner()});
}

void CThumbCache::Queue(WriteJob job) {
  const size_t bytes = job.thumbnail ? MemSize(job.thumbnail.Get()) : 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStopping || m_bWritesFailed || m_nQueuedBytes + bytes > kMaxQueuedBytes ||
        m_queue.size() >= kMaxQueuedJobs) {
      return;  // the job's thumbnail goes with it
    }
    if (!m_writer.joinable()) {
      try {
        m_writer = std::thread([this] { WriterLoop(); });
      } catch (...) {
        m_bWritesFailed = true;
        return;
      }
    }
    m_queue.push_back(std::move(job));
    m_nQueuedBytes += bytes;
  }
  m_wake.notify_one();
}

BOOL CThumbCache::DropQueuedWrites() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_queue.empty()) return FALSE;
  m_queue.clear();
  m_nQueuedBytes = 0;
  return TRUE;
}

BOOL CThumbCache::IsBusy() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return !m_queue.empty() || m_bWriting ? TRUE : FALSE;
}

void CThumbCache::WriterLoop() {
  // Its allocations never draw on the list's thumbnails, which belong to
  // the user-interface thread.
  MemMarkWorkerThread();
  for (;;) {
    WriteJob job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_bStopping || !m_queue.empty(); });
      if (m_bStopping) return;
      job = std::move(m_queue.front());
      m_queue.pop_front();
      m_nQueuedBytes -= job.thumbnail ? MemSize(job.thumbnail.Get()) : 0;
      m_bWriting = true;
    }
    // A thumbnail that cannot be encoded (memory ran short) is dropped; a
    // write that fails (a read-only folder, a full disk) ends writing for
    // the run, since the next would fail the same way.
    std::string png;
    int error = 0;
    const bool encoded = EncodeThumbnailPng(job.thumbnail.Get(), job.text, &png) != FALSE;
    job.thumbnail.Reset();
    const bool failed = encoded && !m_folder.Write(job.sub, job.name, png, &error);
    bool idle;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bWriting = false;
      if (failed) {
        m_bWritesFailed = true;
        m_queue.clear();
        m_nQueuedBytes = 0;
      }
      idle = m_queue.empty();
    }
    if (idle) SignalUiTasks();
  }
}

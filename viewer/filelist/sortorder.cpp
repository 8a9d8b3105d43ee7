// Sort values of list entries: the date taken from a bounded read of the
// file's start, the times and sizes the enumeration gave.
#include "filelist/sortorder.h"

#include <cstdio>
#include <memory>
#include <new>

#include "imaging/exifdate.h"
#include "platform/device/devicefs.h"
#include "platform/device/nameorder.h"

namespace {

// Enough for a camera's Exif date in all but a few files, read at once.
constexpr size_t kFirstReadBytes = 4096;
// Every byte an Exif segment can reach after the segments before it.
constexpr size_t kLongestReadBytes = 72 * 1024;

int64_t FileTimeOf(const FILETIME& time) {
  return (int64_t)(((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime);
}

// The first `size` bytes of `stream` into `buffer`; how many there were.
size_t ReadStart(FILE* stream, BYTE* buffer, size_t size) {
  if (std::fseek(stream, 0, SEEK_SET) != 0) return 0;
  return std::fread(buffer, 1, size, stream);
}

}  // namespace

BOOL ReadDateTaken(const CString& path, int64_t* taken) {
  FILE* stream = _wfopen(path.c_str(), u"rb");
  if (stream == nullptr) return FALSE;
  // Unbuffered: each read below is one read of the file.
  std::setvbuf(stream, nullptr, _IONBF, 0);
  BYTE first[kFirstReadBytes];
  const size_t got = ReadStart(stream, first, sizeof(first));
  ExifDateFind found = FindExifDateTaken(first, got, taken);
  if (found == EXIF_DATE_NEEDS_MORE && got == sizeof(first)) {
    std::unique_ptr<BYTE[]> longer(new (std::nothrow) BYTE[kLongestReadBytes]);
    if (longer) found = FindExifDateTaken(longer.get(), ReadStart(stream, longer.get(), kLongestReadBytes), taken);
  }
  std::fclose(stream);
  return found == EXIF_DATE_FOUND ? TRUE : FALSE;
}

int64_t SortValueOf(SortKey key, const WIN32_FIND_DATA& record, const CString& path) {
  switch (key) {
    case SORT_BY_DATE_TAKEN: {
      int64_t taken = 0;
      return ReadDateTaken(path, &taken) ? taken : FileTimeOf(record.ftLastWriteTime);
    }
    case SORT_BY_MODIFIED:
      return FileTimeOf(record.ftLastWriteTime);
    case SORT_BY_SIZE:
      return (int64_t)(((uint64_t)record.nFileSizeHigh << 32) | record.nFileSizeLow);
    case SORT_BY_NAME:
      break;
  }
  return 0;
}

int CompareInOrder(const SortOrder& order, int64_t valueA, std::u16string_view nameA, int64_t valueB,
                   std::u16string_view nameB) {
  int result = valueA < valueB ? -1 : valueA > valueB ? 1 : CompareNames(nameA, nameB);
  return order.reversed ? -result : result;
}

// Sort values of list entries: the date taken from a bounded read of the
// file's start, the times and sizes the enumeration gave.
#include "filelist/sortorder.h"

#include <cstdio>
#include <memory>
#include <new>

#include "imaging/exifdate.h"
#include "platform/device/devicefs.h"
#include "platform/device/devicestart.h"
#include "platform/device/nameorder.h"

namespace {

// Enough for a camera's Exif date in all but a few files, read at once.
constexpr size_t kFirstReadBytes = 4096;
// Every byte an Exif segment can reach after the segments before it.
constexpr size_t kLongestReadBytes = 72 * 1024;

int64_t FileTimeOf(const FILETIME& time) {
  return (int64_t)(((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime);
}

// The date in the file's first bytes, `read(buffer, size)` giving them
// (the count, or -1): 1 found, 0 none, -1 the file could not be read.
template <typename Read>
int DateFromStart(Read&& read, int64_t* taken) {
  BYTE first[kFirstReadBytes];
  const long got = read(first, sizeof(first));
  if (got < 0) return -1;
  ExifDateFind found = FindExifDateTaken(first, (size_t)got, taken);
  if (found == EXIF_DATE_NEEDS_MORE && (size_t)got == sizeof(first)) {
    std::unique_ptr<BYTE[]> longer(new (std::nothrow) BYTE[kLongestReadBytes]);
    const long more = longer ? read(longer.get(), kLongestReadBytes) : -1;
    if (more >= 0) found = FindExifDateTaken(longer.get(), (size_t)more, taken);
  }
  return found == EXIF_DATE_FOUND ? 1 : 0;
}

}  // namespace

BOOL ReadDateTaken(const CString& path, int64_t* taken) {
  FILE* stream = _wfopen(path.c_str(), u"rb");
  if (stream == nullptr) return FALSE;
  // Unbuffered: each read below is one read of the file.
  std::setvbuf(stream, nullptr, _IONBF, 0);
  const int found = DateFromStart(
      [stream](BYTE* buffer, size_t size) {
        return std::fseek(stream, 0, SEEK_SET) == 0 ? (long)std::fread(buffer, 1, size, stream) : -1L;
      },
      taken);
  std::fclose(stream);
  return found > 0 ? TRUE : FALSE;
}

int64_t SortValueOf(SortKey key, const WIN32_FIND_DATA& record, const CString& path,
                    const CDeviceFolderReader* folder) {
  switch (key) {
    case SORT_BY_DATE_TAKEN: {
      int64_t taken = 0;
      // Through the folder held open; a file it does not read (a link to a
      // picture, say) is opened as any picture is.
      const CString name = path.substr(path.rfind(u'\\') + 1);
      int found = -1;
      if (folder != nullptr) {
        found = DateFromStart(
            [folder, &name](BYTE* buffer, size_t size) { return folder->ReadStart(name.c_str(), buffer, size); },
            &taken);
      }
      if (found < 0) found = ReadDateTaken(path, &taken) ? 1 : 0;
      return found > 0 ? taken : FileTimeOf(record.ftLastWriteTime);
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

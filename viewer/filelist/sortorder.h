// The orders the picture list can stand in: by name (the enumeration's
// order), by date taken, by modification time or by file size, each also
// reversed, and what one entry sorts by under each.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"

class CDeviceFolderReader;

enum SortKey {
  SORT_BY_NAME,
  // Exif DateTimeOriginal, else the file's modification time.
  SORT_BY_DATE_TAKEN,
  SORT_BY_MODIFIED,
  SORT_BY_SIZE,
};

// Entries with equal keys stand in name order; a reversed order is the
// forward one read from its end, ties included.
struct SortOrder {
  SortKey key = SORT_BY_NAME;
  BOOL reversed = FALSE;
};

inline bool operator==(const SortOrder& a, const SortOrder& b) {
  return a.key == b.key && (a.reversed != FALSE) == (b.reversed != FALSE);
}
inline bool operator!=(const SortOrder& a, const SortOrder& b) {
  return !(a == b);
}

// What the file at device path `path`, enumerated as `record`, sorts by
// under `key`: FILETIME units for the times, bytes for the size, 0 for the
// name (which is compared on its own). The date taken reads the first
// bytes of the file and nothing more, through `folder` (the file's folder,
// held open) when given.
int64_t SortValueOf(SortKey key, const WIN32_FIND_DATA& record, const CString& path,
                    const CDeviceFolderReader* folder = nullptr);

// The picture's Exif DateTimeOriginal in FILETIME units, read from a few
// kilobytes at the start of the file (up to the 64 KB of an Exif segment
// when its date lies further in). FALSE when it has none or cannot be read.
BOOL ReadDateTaken(const CString& path, int64_t* taken);

// Below, at or above zero as the entry of `valueA` named `nameA` comes
// before, with or after that of `valueB` named `nameB` in `order`.
int CompareInOrder(const SortOrder& order, int64_t valueA, std::u16string_view nameA, int64_t valueB,
                   std::u16string_view nameB);

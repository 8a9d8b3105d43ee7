// The kept settings of vimbra's desktop profile: where the file lives, its
// text both ways, and reading and writing it through the platform.
#include "startup/settings.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/base/hostfile.h"
#include "startup/options.h"

namespace {

// A frame's corner may lie left of or above the first screen (a second
// screen there), never further than the largest area away.
constexpr long long kMaxPlace = kMaxAreaSide;

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// "-12" or "340": an optional minus, then ParseBoundedNumber's digits.
bool ParseSigned(const std::string& text, long long limit, int* value) {
  const bool negative = !text.empty() && text[0] == '-';
  long long magnitude = 0;
  if (!ParseBoundedNumber(text.c_str() + (negative ? 1 : 0), 0, limit, &magnitude)) return false;
  *value = (int)(negative ? -magnitude : magnitude);
  return true;
}

// The sort order words, in SortKey's order.
const char* const kSortWords[] = {"name", "date-taken", "modified", "size"};
constexpr const char* kReversedSuffix = "-reversed";

bool ParseSortOrder(std::string text, SortOrder* order) {
  const size_t suffix = std::strlen(kReversedSuffix);
  order->reversed = text.size() > suffix && text.compare(text.size() - suffix, suffix, kReversedSuffix) == 0;
  if (order->reversed) text.resize(text.size() - suffix);
  for (size_t key = 0; key < sizeof(kSortWords) / sizeof(kSortWords[0]); ++key) {
    if (text != kSortWords[key]) continue;
    order->key = (SortKey)key;
    return true;
  }
  *order = SortOrder();
  return false;
}

std::string SortOrderWord(const SortOrder& order) {
  return std::string(kSortWords[order.key]) + (order.reversed ? kReversedSuffix : "");
}

bool ParsePlace(const std::string& text, int* x, int* y) {
  const size_t comma = text.find(',');
  return comma != std::string::npos && ParseSigned(text.substr(0, comma), kMaxPlace, x) &&
         ParseSigned(text.substr(comma + 1), kMaxPlace, y);
}

// One "key=value" line into *kept; *seen collects the keys taken, so a key
// given twice is noticed. FALSE with the reason in *why.
bool TakeLine(const std::string& key, const std::string& value, KeptSettings* kept, std::string* seen,
              std::string* why) {
  const std::string mark = "<" + key + ">";
  bool known = true;
  bool ok = true;
  long long number = 0;
  if (key == "window-size") {
    ok = ParseAreaSize(value.c_str(), &kept->areaWidth, &kept->areaHeight);
  } else if (key == "window-place") {
    ok = kept->placed = ParsePlace(value, &kept->x, &kept->y);
  } else if (key == "thumbnail-size") {
    ok = ParseBoundedNumber(value.c_str(), kMinThumbnailSize, kMaxThumbnailSize, &number);
    kept->thumbnailSize = ok ? (int)number : 0;
  } else if (key == "sort-order") {
    ok = ParseSortOrder(value, &kept->sortOrder);
  } else {
    known = false;
  }
  if (!ok) {
    *why = key + " cannot be '" + value + "'";
    return false;
  }
  if (known && seen->find(mark) != std::string::npos) {
    *why = key + " is given twice";
    return false;
  }
  *seen += mark;
  return true;
}

}  // namespace

std::string SettingsFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return WithoutTrailingSlashes(config) + "/vimbra/settings";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) return std::string();
  return WithoutTrailingSlashes(home) + "/.config/vimbra/settings";
}

bool ParseSettings(const std::string& text, KeptSettings* kept, std::string* why) {
  KeptSettings read;
  std::string seen;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    std::string reason;
    if (equals == std::string::npos || equals == 0) {
      reason = "not key=value";
    } else if (TakeLine(line.substr(0, equals), line.substr(equals + 1), &read, &seen, &reason)) {
      continue;
    }
    *why = "line " + std::to_string(number) + ": " + reason;
    return false;
  }
  *kept = read;
  return true;
}

std::string FormatSettings(const KeptSettings& kept) {
  std::string text = "# vimbra keeps its window and thumbnail size here when it closes\n";
  if (kept.areaWidth > 0 && kept.areaHeight > 0) {
    text += "window-size=" + std::to_string(kept.areaWidth) + "x" + std::to_string(kept.areaHeight) + "\n";
  }
  if (kept.placed) text += "window-place=" + std::to_string(kept.x) + "," + std::to_string(kept.y) + "\n";
  if (kept.thumbnailSize > 0) text += "thumbnail-size=" + std::to_string(kept.thumbnailSize) + "\n";
  if (kept.sortOrder != SortOrder()) text += "sort-order=" + SortOrderWord(kept.sortOrder) + "\n";
  return text;
}

KeptSettings LoadSettings(const std::string& path, std::string* note) {
  KeptSettings kept;
  if (path.empty()) return kept;
  std::string text, why;
  int code = 0;
  switch (ReadHostFile(path, kMaxSettingsBytes, HOST_FILE_REGULAR, &text, &code)) {
    case HOST_FILE_READ:
      if (!ParseSettings(text, &kept, &why)) *note = "vimbra: " + path + ": " + why + "; ignored";
      break;
    case HOST_FILE_ABSENT:
      break;
    case HOST_FILE_NOT_ALLOWED:
      *note = "vimbra: " + path + ": not a regular file; ignored";
      break;
    case HOST_FILE_TOO_LARGE:
      *note = "vimbra: " + path + ": larger than " + std::to_string(kMaxSettingsBytes) + " bytes; ignored";
      break;
    case HOST_FILE_FAILED:
      *note = "vimbra: " + path + ": " + std::strerror(code) + "; ignored";
      break;
  }
  return kept;
}

bool SaveSettings(const std::string& path, const KeptSettings& kept, std::string* error) {
  int code = 0;
  if (!path.empty() && WriteHostFileWhole(path, FormatSettings(kept), &code)) return true;
  *error = path.empty() ? "vimbra: the settings cannot be kept: no home folder is set (neither HOME nor "
                          "XDG_CONFIG_HOME)"
                        : "vimbra: cannot keep the settings in " + path + ": " + std::strerror(code);
  return false;
}

// What the desktop profile of vimbra keeps from one run to the next: the
// window's size and place, the grid's thumbnail size and sort order, in a small
// key=value file of the user's configuration folder.
#pragma once

#include <cstddef>
#include <string>

#include "filelist/sortorder.h"

// The settings file is read only as a regular file of at most this size.
constexpr size_t kMaxSettingsBytes = 4096;

struct KeptSettings {
  // The viewer area below the toolbar, as --size gives it; 0 × 0 for none.
  int areaWidth = 0;
  int areaHeight = 0;
  // The frame's top-left corner on the screen, when one was kept.
  bool placed = false;
  int x = 0;
  int y = 0;
  // The grid's thumbnail side; 0 for none.
  int thumbnailSize = 0;
  // The grid's order; name order when none was kept.
  SortOrder sortOrder;
};

// $XDG_CONFIG_HOME/vimbra/settings, with ~/.config for an unset or relative
// XDG_CONFIG_HOME; empty without a home.
std::string SettingsFilePath();

// The text of a settings file: lines "key=value" ("window-size=WxH",
// "window-place=X,Y", "thumbnail-size=N", "sort-order=ORDER" with ORDER
// one of name, date-taken, modified and size, each also with "-reversed"
// after it), blank lines and "#" comments;
// keys this version does not know are passed over. FALSE, with the line's
// number and what is wrong with it in *why, for anything else: a line
// without "=", a value out of its range, a key given twice.
bool ParseSettings(const std::string& text, KeptSettings* kept, std::string* why);
// The text SaveSettings writes; ParseSettings reads it back as it was.
std::string FormatSettings(const KeptSettings& kept);

// The settings kept in `path`; none (all zero) when the file is absent,
// and also, with one line for stderr in *note ("vimbra: PATH: ...;
// ignored"), when it is not a small regular file or is malformed.
KeptSettings LoadSettings(const std::string& path, std::string* note);
// Writes `kept` to `path` whole (its folder made when missing). FALSE with
// one line for stderr in *error.
bool SaveSettings(const std::string& path, const KeptSettings& kept, std::string* error);

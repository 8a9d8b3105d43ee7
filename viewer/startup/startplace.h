// Where vimbra starts: the device root, the device folder the viewer opens
// first and a picture to show, worked out from --device, PATH and the
// user's own folders (the pictures folder of user-dirs.dirs).
#pragma once

#include <cstddef>
#include <string>

#include "platform/base/wstr.h"

// user-dirs.dirs is read only as a regular file of at most this size.
constexpr size_t kMaxUserDirsBytes = 64 << 10;

struct StartPlace {
  // The host folder that serves as the device root.
  std::string deviceRoot;
  // FALSE: the handheld's start, "\My Documents", made when missing.
  BOOL hasStartFolder = FALSE;
  // A device path ("" the root) and a picture of that folder, or empty.
  CString startFolder;
  CString startPicture;
  // A line for stderr about something the start left aside ("vimbra: ...;
  // ignored"), or empty.
  std::string note;
};

// Works out where `vimbra [--device DEVICE] [PATH]` starts (DEVICE may be
// empty; `path` is null without a PATH, and an empty PATH names nothing)
// and makes its device root current (DeviceSetRoot). A PATH that names a
// file must be a JPEG picture, or with `anyPicture` (the desktop's every
// format) a picture of any format the list shows. Returns 0, or the exit
// status with a one-line reason in *error ("vimbra: ..."): 2 for a PATH or
// DEVICE that cannot be used, 1 when the per-user device folder cannot be
// made. Only that folder is ever made, with nothing in it, and never the
// home folder above it.
int SetUpStartPlace(const std::string& device, const std::string* path, bool anyPicture, StartPlace* place,
                    std::string* error);

// The user's pictures folder: XDG_PICTURES_DIR of the user's dirs file
// ($XDG_CONFIG_HOME/user-dirs.dirs, else ~/.config/user-dirs.dirs), else
// ~/Pictures. Empty without a home, or when the file sets it to $HOME
// itself (the user turned it off). It may not exist. A dirs file that is
// not a small regular file is left aside as if absent, with a line saying
// so in *note.
std::string UserPicturesFolder(std::string* note);

// XDG_PICTURES_DIR in the text of a user-dirs.dirs file: "$HOME/yyy" (yyy
// shell-escaped) below `home`, or an absolute "/yyy". FALSE when the file
// does not set it in one of those forms; the last setting counts.
bool PicturesFolderFromUserDirs(const std::string& text, const std::string& home, std::string* folder);

// The per-user device folder: $XDG_DATA_HOME/vimbra/device, with
// ~/.local/share for an unset or relative XDG_DATA_HOME; empty without a
// home. *base gets the folder it may be made below, which must exist and is
// never made: the home folder, or XDG_DATA_HOME's parent when that lies
// outside the home.
std::string DefaultDeviceFolder(std::string* base = nullptr);

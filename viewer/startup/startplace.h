// Where vimbra starts: the device root, the device folder the viewer opens
// first and a picture to show, worked out from --device, PATH and the
// user's own folders (the pictures folder of user-dirs.dirs).
#pragma once

#include <string>

#include "platform/base/wstr.h"

struct StartPlace {
  // The host folder that serves as the device root.
  std::string deviceRoot;
  // FALSE: the handheld's start, "\My Documents", made when missing.
  BOOL hasStartFolder = FALSE;
  // A device path ("" the root) and a picture of that folder, or empty.
  CString startFolder;
  CString startPicture;
};

// Works out where `vimbra [--device DEVICE] [PATH]` starts (either may be
// empty) and makes its device root current (DeviceSetRoot). Returns 0, or
// the exit status with a one-line reason in *error ("vimbra: ..."): 2 for a
// PATH or DEVICE that cannot be used, 1 when the per-user device folder
// cannot be made. Only that folder is ever made, with nothing in it.
int SetUpStartPlace(const std::string& device, const std::string& path, StartPlace* place, std::string* error);

// The user's pictures folder: XDG_PICTURES_DIR of the user's dirs file
// ($XDG_CONFIG_HOME/user-dirs.dirs, else ~/.config/user-dirs.dirs), else
// ~/Pictures. Empty without a home, or when the file sets it to $HOME
// itself (the user turned it off). It may not exist.
std::string UserPicturesFolder();

// XDG_PICTURES_DIR in the text of a user-dirs.dirs file: "$HOME/yyy" (yyy
// shell-escaped) below `home`, or an absolute "/yyy". FALSE when the file
// does not set it in one of those forms; the last setting counts.
bool PicturesFolderFromUserDirs(const std::string& text, const std::string& home, std::string* folder);

// The per-user device folder: $XDG_DATA_HOME/vimbra/device, with
// ~/.local/share for an unset or relative XDG_DATA_HOME; empty without a home.
std::string DefaultDeviceFolder();

// The one way the viewer gets a picture from a file: decoded whole for the
// picture page, or reduced towards a box for the grid, and stood upright by
// its Exif orientation when the program was asked to (the desktop's default).
#pragma once

#include "imaging/dib.h"
#include "imaging/picturedecode.h"
#include "platform/base/wintypes.h"

// Turning by the Exif orientation, off by default (the handheld showed
// pictures as stored). Read by every decode that starts after it is set,
// on any thread; set it before the picture list is made, whose thumbnail
// cache keeps what was made before.
void SetAutoRotate(BOOL on);
BOOL GetAutoRotate();

// Every picture format (the desktop's): a file is decoded as what its first
// bytes say it is, whatever its name. Off by default: the handheld decodes
// every file as JPEG, as it always did. Read by every decode that starts
// after it is set, on any thread; the picture list sets it from its
// settings when it is made.
void SetAllFormats(BOOL on);
BOOL GetAllFormats();

// The picture of a device path, owned by the caller: whole, for the picture
// page; or reduced towards a width × height box, from the Exif thumbnail
// when there is one, for the grid. With auto-rotation on, all eight
// orientations are stood upright, the mirrored ones too, and the box is then
// the upright picture's. Null when the file gives no picture, and when the
// memory for the decode or the turned copy cannot be had: a picture is never
// shown turned the wrong way for want of memory.
CDib LoadWholePicture(const WCHAR* path);
CDib LoadPictureTowards(const WCHAR* path, int width, int height);

// Why the calling thread's last load gave null, as words for a log
// line (the decoder's reason, or "not enough memory" for the turn); "" when
// it gave a picture.
const char* PictureLastError();
// The kind of that failure: a damaged or unknown file, memory, a stopped
// decode, a file that cannot be opened; PICTURE_FAILURE_NONE after a picture.
PictureFailure PictureLastFailure();

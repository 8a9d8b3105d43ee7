// The one way the viewer gets a picture from a file: decoded whole for the
// picture page, or reduced towards a box for the grid, and turned upright by
// its Exif orientation when the program was asked to (--auto-rotate).
#pragma once

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

// Turning by the Exif orientation, off by default (the handheld showed
// pictures as stored). Read by every decode that starts after it is set,
// on any thread; set it before the picture list is made, whose thumbnail
// cache keeps what was made before.
void SetAutoRotate(BOOL on);
BOOL GetAutoRotate();

// Decodes the device path (width and height 0: whole; else reduced towards
// that box, from the Exif thumbnail when there is one) and, with
// auto-rotation on, turns orientations 3, 6 and 8 upright; the box is then
// the upright picture's. Null when the file gives no picture, and when the
// memory for the decode or the turned copy cannot be had: a picture is
// never shown turned the wrong way for want of memory.
CDib LoadPicture(const WCHAR* path, int width, int height);

// Why the calling thread's last LoadPicture gave null, as words for a log
// line (the decoder's reason, or "not enough memory" for the turn); "" when
// it gave a picture.
const char* PictureLastError();

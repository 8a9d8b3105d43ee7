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

// The picture of a device path, owned by the caller: whole, for the picture
// page; or reduced towards a width × height box, from the Exif thumbnail
// when there is one, for the grid. With auto-rotation on, orientations 3, 6
// and 8 are turned upright, and the box is then the upright picture's. Null
// when the file gives no picture, and when the memory for the decode or the
// turned copy cannot be had: a picture is never shown turned the wrong way
// for want of memory.
CDib LoadWholePicture(const WCHAR* path);
CDib LoadPictureTowards(const WCHAR* path, int width, int height);

// Why the calling thread's last load gave null, as words for a log
// line (the decoder's reason, or "not enough memory" for the turn); "" when
// it gave a picture.
const char* PictureLastError();

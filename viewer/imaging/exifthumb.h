// The Exif thumbnail lookup: a short, fixed walk through a camera file's
// first bytes that leaves the stream at the embedded JPEG picture; and the
// camera's Orientation tag, read by a checked walk of its own.
#pragma once

#include <cstdio>

#include "platform/base/wintypes.h"

// TRUE: the stream stands at the embedded picture (value of the IFD1 0x0201
// entry + 12). FALSE: no usable thumbnail; the position is then unspecified.
BOOL FindExifThumbnail(FILE* stream);

// The Orientation (IFD0 tag 0x0112, one SHORT) of a file whose Exif APP1
// segment comes before the picture's tables, possibly after other APPn or
// COM segments: 1 to 8, or 0 when there is none or it cannot be read. Every
// offset is checked against the segment, so nothing outside it is read; the
// stream's position is then unspecified.
int ReadExifOrientation(FILE* stream);

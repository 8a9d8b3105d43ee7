// The Exif thumbnail lookup: a short, fixed walk through a camera file's
// first bytes that leaves the stream at the embedded JPEG picture.
#pragma once

#include <cstdio>

#include "platform/wintypes.h"

// TRUE: the stream stands at the embedded picture (value of the IFD1 0x0201
// entry + 12). FALSE: no usable thumbnail; the position is then unspecified.
BOOL FindExifThumbnail(FILE* stream);

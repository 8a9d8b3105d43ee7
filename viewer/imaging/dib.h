// CDib: a handle to one contiguous zero-filled memory block holding a packed
// device-independent bitmap: the 40-byte BITMAPINFOHEADER, biClrUsed palette
// entries, then the pixel rows bottom-up, each filled to a multiple of 4
// bytes; 24 bits per pixel (blue, green, red) or 8 bits of grey with an
// identity grey palette. It holds no pointers and is copied byte for byte.
// Blocks come from the memory-block service and are released with MemFree.
#pragma once

#include "shell/memblock.h"

typedef HMEMBLOCK CDib;

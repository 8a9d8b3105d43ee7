// Operations on CDib blocks: size, 64 × 64-style thumbnails by integer block
// averaging, and drawing fitted and centred into a rectangle of a device
// context, whole or a window of it. Nothing is ever enlarged.
#pragma once

#include "imaging/dib.h"
#include "platform/base/wintypes.h"
#include "platform/draw/gdi.h"

// 0 and the header's width and height; -1 for a null handle.
int GetDibSize(CDib dib, int& width, int& height);
// A new 24-bit thumbnail fitted into the box, owned by the caller; null for
// a null source, a bit depth other than 24 or 8, or a failed allocation.
CDib MakeDibThumbnail(CDib source, unsigned boxWidth, unsigned boxHeight);
// Draws the whole picture fitted and centred in `rect`; 1 on success.
int DrawDibFit(CDib dib, const RECT* rect, HDC dc);
// Draws `window` (picture pixels in storage rows, row 0 the bottom row;
// clipped in place against the picture) fitted and centred in `rect`.
int DrawDibRect(HDC dc, const RECT* rect, CDib dib, RECT* window);

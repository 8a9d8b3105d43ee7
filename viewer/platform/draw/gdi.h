// Drawing: device contexts over a window's canvas, memory contexts holding a
// device-independent bitmap section, block transfer, pens and polylines, and
// text into a rectangle. Shapes and names follow the handheld's GDI.
#pragma once

#include "platform/base/wintypes.h"

class Canvas;
struct GdiDC;
struct GdiObject;
typedef GdiDC* HDC;
typedef GdiObject* HGDIOBJ;
typedef GdiObject* HBITMAP;
typedef GdiObject* HPEN;

// A device context that draws into `canvas`; the window's paint cycle hands
// one to the page. Release with DeleteDC.
HDC CreateCanvasDC(Canvas* canvas);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

// A bitmap section from a header and (for 8-bit sections) a palette of
// RGBQUAD colours (DIB_RGB_COLORS). 8 and 24 bits per pixel. *bits receives
// the address of its pixel rows (bottom-up for a positive height).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);

// Copies cx × cy pixels from (xSrc, ySrc) of the memory context `src` to
// (x, y) of `dst`, clipped to both. Only SRCCOPY is offered.
BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, DWORD rop);

HPEN CreatePen(int style, int width, COLORREF colour);
// Lines from point to point with the selected pen; each segment's last pixel
// is left for the next one, as the handheld draws them.
BOOL Polyline(HDC dc, const POINT* points, int count);

COLORREF SetTextColor(HDC dc, COLORREF colour);
// Draws text into a rectangle: lines split at "\n", each line centred with
// DT_CENTER, the block centred vertically with DT_VCENTER, everything clipped
// to the rectangle unless DT_NOCLIP. With DT_END_ELLIPSIS a line wider than
// the rectangle is cut after as many whole characters as fit beside "…",
// which ends it, and drawn as if it had been given so. Returns the height
// of the text.
int DrawText(HDC dc, const WCHAR* text, int count, RECT* rect, UINT format);

void FillSolidRect(HDC dc, const RECT* rect, COLORREF colour);
COLORREF GetPixel(HDC dc, int x, int y);

// Objects alive, so that tests can see that every drawing routine released
// what it created.
int GdiLiveObjectCount();

// Device contexts, bitmap sections, block transfer and pens over a Canvas.
#include "gdi.h"

#include <cstdlib>
#include <cstring>

#include "canvas.h"

enum class GdiKind { Pen, Bitmap };

struct GdiObject {
  GdiKind kind;
  bool stock = false;
  // Pen.
  COLORREF colour = 0;
  int width = 1;
  // Bitmap section.
  int bmWidth = 0;
  int bmHeight = 0;  // absolute
  bool bottomUp = true;
  int bitCount = 0;
  int stride = 0;
  unsigned char* bits = nullptr;
  uint32_t palette[256] = {};
  int selectedInto = 0;
};

struct GdiDC {
  Canvas* canvas = nullptr;     // window context
  GdiObject* bitmap = nullptr;  // memory context
  GdiObject* pen = nullptr;
  COLORREF textColour = RGB(0, 0, 0);
  bool memory = false;
};

namespace {

int g_live = 0;
GdiObject g_blackPen{GdiKind::Pen, true, RGB(0, 0, 0), 1};
GdiObject g_stockBitmap{GdiKind::Bitmap, true};

inline uint32_t Pack(COLORREF c) {
  return ((uint32_t)GetRValue(c) << 16) | ((uint32_t)GetGValue(c) << 8) | GetBValue(c);
}

void PutPixel(Canvas* canvas, int x, int y, uint32_t p) {
  if (x < 0 || y < 0 || x >= canvas->Width() || y >= canvas->Height()) return;
  canvas->Row(y)[x] = p;
}

}  // namespace

HDC CreateCanvasDC(Canvas* canvas) {
  if (canvas == nullptr) return nullptr;
  GdiDC* dc = new GdiDC();
  dc->canvas = canvas;
  dc->pen = &g_blackPen;
  ++g_live;
  return dc;
}

HDC CreateCompatibleDC(HDC /*dc*/) {
  GdiDC* mem = new GdiDC();
  mem->memory = true;
  mem->bitmap = &g_stockBitmap;
  mem->pen = &g_blackPen;
  ++g_live;
  return mem;
}

BOOL DeleteDC(HDC dc) {
  if (dc == nullptr) return FALSE;
  if (dc->bitmap != nullptr && !dc->bitmap->stock) --dc->bitmap->selectedInto;
  if (dc->pen != nullptr && !dc->pen->stock) --dc->pen->selectedInto;
  delete dc;
  --g_live;
  return TRUE;
}

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT usage, void** bits, HANDLE /*section*/,
                         DWORD /*offset*/) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biWidth <= 0 || h.biHeight == 0 || (h.biBitCount != 8 && h.biBitCount != 24)) return nullptr;
  const long long width = h.biWidth;
  const long long height = h.biHeight < 0 ? -(long long)h.biHeight : h.biHeight;
  const long long stride = ((width * h.biBitCount + 31) / 32) * 4;
  if (stride * height > (1LL << 30)) return nullptr;
  GdiObject* bm = new GdiObject{GdiKind::Bitmap};
  bm->bits = (unsigned char*)std::calloc((size_t)(stride * height), 1);
  if (bm->bits == nullptr) {
    delete bm;
    return nullptr;
  }
  bm->bmWidth = (int)width;
  bm->bmHeight = (int)height;
  bm->bottomUp = h.biHeight > 0;
  bm->bitCount = h.biBitCount;
  bm->stride = (int)stride;
  if (h.biBitCount == 8) {
    const DWORD used = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
    for (DWORD i = 0; i < used; ++i) {
      const RGBQUAD& q = info->bmiColors[i];
      bm->palette[i] = ((uint32_t)q.rgbRed << 16) | ((uint32_t)q.rgbGreen << 8) | q.rgbBlue;
    }
  }
  if (bits != nullptr) *bits = bm->bits;
  ++g_live;
  return bm;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (dc == nullptr || object == nullptr) return nullptr;
  GdiObject** slot = object->kind == GdiKind::Pen ? &dc->pen : &dc->bitmap;
  if (object->kind == GdiKind::Bitmap && !dc->memory) return nullptr;
  GdiObject* previous = *slot;
  if (previous != nullptr && !previous->stock) --previous->selectedInto;
  if (!object->stock) ++object->selectedInto;
  *slot = object;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == nullptr || object->stock) return FALSE;
  if (object->selectedInto > 0) return FALSE;  // still selected: the handheld refuses too
  std::free(object->bits);
  delete object;
  --g_live;
  return TRUE;
}

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, DWORD rop) {
  if (dst == nullptr || src == nullptr || rop != SRCCOPY || dst->canvas == nullptr) return FALSE;
  const GdiObject* bm = src->bitmap;
  if (bm == nullptr || bm->stock || bm->bits == nullptr) return FALSE;
  Canvas* canvas = dst->canvas;
  // Clip the source rectangle to the bitmap and the destination to the canvas.
  if (xSrc < 0) {
    x -= xSrc;
    cx += xSrc;
    xSrc = 0;
  }
  if (ySrc < 0) {
    y -= ySrc;
    cy += ySrc;
    ySrc = 0;
  }
  if (x < 0) {
    xSrc -= x;
    cx += x;
    x = 0;
  }
  if (y < 0) {
    ySrc -= y;
    cy += y;
    y = 0;
  }
  if (xSrc + cx > bm->bmWidth) cx = bm->bmWidth - xSrc;
  if (ySrc + cy > bm->bmHeight) cy = bm->bmHeight - ySrc;
  if (x + cx > canvas->Width()) cx = canvas->Width() - x;
  if (y + cy > canvas->Height()) cy = canvas->Height() - y;
  if (cx <= 0 || cy <= 0) return TRUE;
  for (int r = 0; r < cy; ++r) {
    const int srcRow = ySrc + r;
    const int storageRow = bm->bottomUp ? bm->bmHeight - 1 - srcRow : srcRow;
    const unsigned char* s = bm->bits + (size_t)storageRow * (size_t)bm->stride;
    uint32_t* d = canvas->Row(y + r) + x;
    if (bm->bitCount == 24) {
      s += (size_t)xSrc * 3;
      for (int i = 0; i < cx; ++i, s += 3) d[i] = ((uint32_t)s[2] << 16) | ((uint32_t)s[1] << 8) | s[0];
    } else {
      s += xSrc;
      for (int i = 0; i < cx; ++i) d[i] = bm->palette[s[i]];
    }
  }
  canvas->MarkDirty();
  return TRUE;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  if (style != PS_SOLID) return nullptr;
  GdiObject* pen = new GdiObject{GdiKind::Pen};
  pen->colour = colour;
  pen->width = width < 1 ? 1 : width;
  ++g_live;
  return pen;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  if (dc == nullptr || points == nullptr || count < 2 || dc->canvas == nullptr) return FALSE;
  const uint32_t p = Pack(dc->pen->colour);
  for (int i = 0; i + 1 < count; ++i) {
    // Bresenham from points[i] towards points[i + 1], without its last pixel.
    int x0 = points[i].x, y0 = points[i].y;
    const int x1 = points[i + 1].x, y1 = points[i + 1].y;
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
      PutPixel(dc->canvas, x0, y0, p);
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }
  dc->canvas->MarkDirty();
  return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  if (dc == nullptr) return 0xFFFFFFFF;
  const COLORREF previous = dc->textColour;
  dc->textColour = colour;
  return previous;
}

void FillSolidRect(HDC dc, const RECT* rect, COLORREF colour) {
  if (dc == nullptr || rect == nullptr || dc->canvas == nullptr) return;
  Canvas* canvas = dc->canvas;
  const int left = rect->left < 0 ? 0 : rect->left;
  const int top = rect->top < 0 ? 0 : rect->top;
  const int right = rect->right > canvas->Width() ? canvas->Width() : rect->right;
  const int bottom = rect->bottom > canvas->Height() ? canvas->Height() : rect->bottom;
  const uint32_t p = Pack(colour);
  for (int y = top; y < bottom; ++y) {
    uint32_t* row = canvas->Row(y);
    for (int x = left; x < right; ++x) row[x] = p;
  }
  canvas->MarkDirty();
}

COLORREF GetPixel(HDC dc, int x, int y) {
  if (dc == nullptr || dc->canvas == nullptr) return 0xFFFFFFFF;
  return dc->canvas->PixelAt(x, y);
}

int GdiLiveObjectCount() {
  return g_live;
}

// Text drawing lives in gdi_text.cpp; it needs the DC's canvas and colour.
Canvas* GdiCanvasOf(HDC dc) {
  return dc != nullptr ? dc->canvas : nullptr;
}
COLORREF GdiTextColourOf(HDC dc) {
  return dc != nullptr ? dc->textColour : 0;
}

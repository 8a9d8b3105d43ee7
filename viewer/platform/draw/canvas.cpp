// Canvas on a cairo image surface (RGB24).
#include "canvas.h"

#include <cairo.h>

namespace {
cairo_surface_t* Surface(void* s) {
  return (cairo_surface_t*)s;
}
}  // namespace

Canvas::Canvas() {
  Resize(0, 0);
}

Canvas::~Canvas() {
  if (m_surface != nullptr) cairo_surface_destroy(Surface(m_surface));
}

BOOL Canvas::Resize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (m_surface != nullptr && width == m_width && height == m_height) return TRUE;
  BOOL ok = TRUE;
  cairo_surface_t* fresh = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(fresh) != CAIRO_STATUS_SUCCESS) {
    ok = FALSE;
    cairo_surface_destroy(fresh);
    fresh = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 0, 0);
    width = height = 0;
  }
  cairo_t* cr = cairo_create(fresh);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  if (m_surface != nullptr) {
    cairo_set_source_surface(cr, Surface(m_surface), 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(Surface(m_surface));
  }
  cairo_destroy(cr);
  cairo_surface_flush(fresh);
  m_surface = fresh;
  m_width = width;
  m_height = height;
  m_stride = cairo_image_surface_get_stride(fresh);
  m_data = cairo_image_surface_get_data(fresh);
  return ok;
}

COLORREF Canvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0xFFFFFFFF;
  const uint32_t p = Row(y)[x];
  return RGB((BYTE)(p >> 16), (BYTE)(p >> 8), (BYTE)p);
}

void Canvas::Fill(COLORREF colour) {
  const uint32_t p = ((uint32_t)GetRValue(colour) << 16) | ((uint32_t)GetGValue(colour) << 8) | GetBValue(colour);
  for (int y = 0; y < m_height; ++y) {
    uint32_t* row = Row(y);
    for (int x = 0; x < m_width; ++x) row[x] = p;
  }
  MarkDirty();
}

BOOL Canvas::WritePng(const std::string& path) const {
  if (m_width == 0 || m_height == 0) return FALSE;
  return cairo_surface_write_to_png(Surface(m_surface), path.c_str()) == CAIRO_STATUS_SUCCESS ? TRUE : FALSE;
}

void Canvas::MarkDirty() {
  cairo_surface_mark_dirty(Surface(m_surface));
}

void Canvas::Flush() {
  cairo_surface_flush(Surface(m_surface));
}

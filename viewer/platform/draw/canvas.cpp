// Canvas on a cairo image surface (RGB24), and its screenshots as PNG files
// written with libpng at a fast setting.
#include "canvas.h"

#include <cairo.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>

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

namespace {

// Rows of the surface (blue, green, red, unused in memory) as 8-bit RGB.
// Screenshots are flat areas and text: the Up filter and run-length
// matching at zlib's fastest level keep them small at a fraction of the
// cost of a full search. The pixels are what count.
bool WriteRows(FILE* file, const BYTE* data, int width, int height, int stride) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);
  png_write_info(png, info);
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < height; ++y) png_write_row(png, (png_const_bytep)(data + (size_t)y * (size_t)stride));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

BOOL Canvas::WritePng(const std::string& path) const {
  if (m_width == 0 || m_height == 0) return FALSE;
  cairo_surface_flush(Surface(m_surface));
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return FALSE;
  const bool written = WriteRows(file, m_data, m_width, m_height, m_stride);
  return std::fclose(file) == 0 && written ? TRUE : FALSE;
}

void Canvas::MarkDirty() {
  cairo_surface_mark_dirty(Surface(m_surface));
}

void Canvas::Flush() {
  cairo_surface_flush(Surface(m_surface));
}

// The two icon surfaces: cairo (antialiased, written as PNG) and SVG text.
// Numbers in the SVG are printed with two decimals, enough for 1/256 pixel.
#include "iconpainter.h"

#include <cmath>
#include <cstdio>

namespace {

double Channel(IconColour colour, int shift) {
  return (double)((colour >> shift) & 0xFF) / 255.0;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f", v);
  std::string s = text;
  // Trailing zeros and a bare point say nothing.
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

// ` name="value"`. Built by appending: GCC 12 at -O3 warns falsely about
// a string literal joined to a temporary string with operator+.
std::string Attr(const char* name, const std::string& value) {
  std::string s = " ";
  s += name;
  s += "=\"";
  s += value;
  s += '"';
  return s;
}

std::string Attr(const char* name, double v) {
  return Attr(name, Number(v));
}

std::string Fill(IconColour colour) {
  char rgb[8];
  std::snprintf(rgb, sizeof(rgb), "#%06x", colour & 0xFFFFFF);
  std::string s = Attr("fill", rgb);
  const unsigned alpha = colour >> 24;
  if (alpha != 0xFF) s += Attr("fill-opacity", alpha / 255.0);
  return s;
}

std::string RectAttrs(double x0, double y0, double x1, double y1) {
  return Attr("x", x0) + Attr("y", y0) + Attr("width", x1 - x0) + Attr("height", y1 - y0);
}

}  // namespace

CairoIconPainter::CairoIconPainter(int size)
    : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size)), m_cr(cairo_create(m_surface)) {}

CairoIconPainter::~CairoIconPainter() {
  cairo_destroy(m_cr);
  cairo_surface_destroy(m_surface);
}

void CairoIconPainter::Fill(IconColour colour) {
  cairo_set_source_rgba(m_cr, Channel(colour, 16), Channel(colour, 8), Channel(colour, 0), Channel(colour, 24));
  cairo_fill(m_cr);
}

void CairoIconPainter::Rect(double x0, double y0, double x1, double y1, double radius, IconColour colour) {
  if (radius <= 0) {
    cairo_rectangle(m_cr, x0, y0, x1 - x0, y1 - y0);
  } else {
    const double r = radius;
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, x1 - r, y0 + r, r, -M_PI / 2, 0);
    cairo_arc(m_cr, x1 - r, y1 - r, r, 0, M_PI / 2);
    cairo_arc(m_cr, x0 + r, y1 - r, r, M_PI / 2, M_PI);
    cairo_arc(m_cr, x0 + r, y0 + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(m_cr);
  }
  Fill(colour);
}

void CairoIconPainter::Circle(double cx, double cy, double r, IconColour colour) {
  cairo_new_sub_path(m_cr);
  cairo_arc(m_cr, cx, cy, r, 0, 2 * M_PI);
  Fill(colour);
}

void CairoIconPainter::Polygon(const IconPoint* points, int count, IconColour colour) {
  for (int i = 0; i < count; ++i) cairo_line_to(m_cr, points[i].x, points[i].y);
  cairo_close_path(m_cr);
  Fill(colour);
}

void CairoIconPainter::ClipTo(double x0, double y0, double x1, double y1) {
  cairo_save(m_cr);
  cairo_rectangle(m_cr, x0, y0, x1 - x0, y1 - y0);
  cairo_clip(m_cr);
}

void CairoIconPainter::Unclip() {
  cairo_restore(m_cr);
}

bool CairoIconPainter::WritePng(const std::string& path) {
  cairo_surface_flush(m_surface);
  return cairo_status(m_cr) == CAIRO_STATUS_SUCCESS &&
         cairo_surface_write_to_png(m_surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void SvgIconPainter::Rect(double x0, double y0, double x1, double y1, double radius, IconColour colour) {
  m_body += "  <rect";
  m_body += RectAttrs(x0, y0, x1, y1);
  if (radius > 0) m_body += Attr("rx", radius);
  m_body += Fill(colour);
  m_body += "/>\n";
}

void SvgIconPainter::Circle(double cx, double cy, double r, IconColour colour) {
  m_body += "  <circle";
  m_body += Attr("cx", cx);
  m_body += Attr("cy", cy);
  m_body += Attr("r", r);
  m_body += Fill(colour);
  m_body += "/>\n";
}

void SvgIconPainter::Polygon(const IconPoint* points, int count, IconColour colour) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (i > 0) list += ' ';
    list += Number(points[i].x);
    list += ',';
    list += Number(points[i].y);
  }
  m_body += "  <polygon";
  m_body += Attr("points", list);
  m_body += Fill(colour);
  m_body += "/>\n";
}

void SvgIconPainter::ClipTo(double x0, double y0, double x1, double y1) {
  std::string id = "clip";
  id += std::to_string(++m_clips);
  m_defs += "    <clipPath";
  m_defs += Attr("id", id);
  m_defs += "><rect";
  m_defs += RectAttrs(x0, y0, x1, y1);
  m_defs += "/></clipPath>\n";
  m_body += "  <g clip-path=\"url(#";
  m_body += id;
  m_body += ")\">\n";
  m_clipped = true;
}

void SvgIconPainter::Unclip() {
  if (!m_clipped) return;
  m_body += "  </g>\n";
  m_clipped = false;
}

std::string SvgIconPainter::Document() const {
  const std::string size = std::to_string(m_size);
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  doc += "<!-- Written by vimbra-make-icons from the same shapes as the PNG icons. -->\n";
  doc += "<svg xmlns=\"http://www.w3.org/2000/svg\"";
  doc += Attr("width", size);
  doc += Attr("height", size);
  doc += Attr("viewBox", "0 0 " + size + " " + size);
  doc += ">\n";
  if (!m_defs.empty()) {
    doc += "  <defs>\n";
    doc += m_defs;
    doc += "  </defs>\n";
  }
  doc += m_body;
  doc += "</svg>\n";
  return doc;
}

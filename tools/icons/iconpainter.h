// The surfaces an icon is drawn on: a cairo image written as PNG and an SVG
// document, both fed the same filled shapes in pixel coordinates.
#pragma once

#include <cairo.h>

#include <string>

// 0xAARRGGBB.
using IconColour = unsigned int;

struct IconPoint {
  double x;
  double y;
};

// Filled shapes only: every outline of the icon is a darker shape under a
// lighter one, as in the viewer's pixel art.
class IconPainter {
 public:
  virtual ~IconPainter() = default;
  virtual void Rect(double x0, double y0, double x1, double y1, double radius, IconColour colour) = 0;
  virtual void Circle(double cx, double cy, double r, IconColour colour) = 0;
  virtual void Polygon(const IconPoint* points, int count, IconColour colour) = 0;
  // Shapes between ClipTo and Unclip are cut to the rectangle; no nesting.
  virtual void ClipTo(double x0, double y0, double x1, double y1) = 0;
  virtual void Unclip() = 0;
};

class CairoIconPainter : public IconPainter {
 public:
  explicit CairoIconPainter(int size);
  ~CairoIconPainter() override;
  CairoIconPainter(const CairoIconPainter&) = delete;
  CairoIconPainter& operator=(const CairoIconPainter&) = delete;

  void Rect(double x0, double y0, double x1, double y1, double radius, IconColour colour) override;
  void Circle(double cx, double cy, double r, IconColour colour) override;
  void Polygon(const IconPoint* points, int count, IconColour colour) override;
  void ClipTo(double x0, double y0, double x1, double y1) override;
  void Unclip() override;

  // False when cairo failed to draw or to write the file.
  bool WritePng(const std::string& path);

 private:
  void Fill(IconColour colour);

  cairo_surface_t* m_surface;
  cairo_t* m_cr;
};

class SvgIconPainter : public IconPainter {
 public:
  explicit SvgIconPainter(int size) : m_size(size) {}

  void Rect(double x0, double y0, double x1, double y1, double radius, IconColour colour) override;
  void Circle(double cx, double cy, double r, IconColour colour) override;
  void Polygon(const IconPoint* points, int count, IconColour colour) override;
  void ClipTo(double x0, double y0, double x1, double y1) override;
  void Unclip() override;

  // The whole document, shapes in the order they were drawn.
  std::string Document() const;

 private:
  int m_size;
  int m_clips = 0;
  bool m_clipped = false;
  std::string m_defs;
  std::string m_body;
};

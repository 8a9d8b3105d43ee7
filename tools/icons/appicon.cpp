// The desktop icon's drawing. Shapes are laid out on a 256-unit grid and
// rounded to whole pixels per size, so small icons stay crisp like pixel art.
#include "appicon.h"

#include <algorithm>
#include <cmath>

namespace {

// The viewer's pixel-art palette (viewer/res/resources.cpp).
constexpr IconColour kBlack = 0xFF000000;       // k
constexpr IconColour kWhite = 0xFFFFFFFF;       // w
constexpr IconColour kSilver = 0xFFC0C0C0;      // S
constexpr IconColour kFolderDark = 0xFF9C7418;  // Y
constexpr IconColour kFolder = 0xFFF0C840;      // y
constexpr IconColour kForest = 0xFF1E6E28;      // G
constexpr IconColour kMeadow = 0xFF48B048;      // g
constexpr IconColour kSky = 0xFF98C8F0;         // B

struct Box {
  double x0, y0, x1, y1;
  double Width() const { return x1 - x0; }
  double Height() const { return y1 - y0; }
  Box Inset(double d) const { return {x0 + d, y0 + d, x1 - d, y1 - d}; }
};

// Grid units to whole pixels for one icon size.
class Grid {
 public:
  explicit Grid(int size) : m_scale(size / 256.0) {}
  double At(double units) const { return std::round(units * m_scale); }
  // A band at least `least` pixels wide (0 lets it vanish).
  double Band(double units, double least) const { return std::max(least, At(units)); }
  Box Snap(double x0, double y0, double x1, double y1) const { return {At(x0), At(y0), At(x1), At(y1)}; }

 private:
  double m_scale;
};

// A point of the box given as fractions of its width and height.
IconPoint In(const Box& b, double fx, double fy) {
  return {b.x0 + fx * b.Width(), b.y0 + fy * b.Height()};
}

// The folder behind the photo: an outlined tab with paper peeking out of it
// and an outlined body, as in the viewer's closed-folder icon.
void DrawFolder(IconPainter& painter, const Grid& grid) {
  const double line = grid.Band(12, 1);
  const double radius = grid.At(12);
  const Box tab = grid.Snap(8, 24, 112, 80);
  painter.Rect(tab.x0, tab.y0, tab.x1, tab.y1, radius, kFolderDark);
  const Box paper = tab.Inset(line);
  painter.Rect(paper.x0, paper.y0, paper.x1, paper.y1, std::max(0.0, radius - line), kWhite);
  const Box body = grid.Snap(8, 56, 232, 208);
  painter.Rect(body.x0, body.y0, body.x1, body.y1, radius, kFolderDark);
  const Box inside = body.Inset(line);
  painter.Rect(inside.x0, inside.y0, inside.x1, inside.y1, std::max(0.0, radius - line), kFolder);
}

// The landscape in the photo's window: sky, sun, cloud, two mountains (the
// big one snow-capped) and the meadow, cut to the window.
void DrawLandscape(IconPainter& painter, const Box& w) {
  painter.ClipTo(w.x0, w.y0, w.x1, w.y1);
  painter.Rect(w.x0, w.y0, w.x1, w.y1, 0, kSky);
  const IconPoint sun = In(w, 0.80, 0.24);
  painter.Circle(sun.x, sun.y, 0.13 * w.Height(), kFolder);
  const IconPoint cloud = In(w, 0.22, 0.22);
  const double puff = 0.075 * w.Height();
  painter.Circle(cloud.x - puff, cloud.y + puff * 0.4, puff, kWhite);
  painter.Circle(cloud.x + puff * 0.6, cloud.y, puff * 1.3, kWhite);
  painter.Circle(cloud.x + puff * 2.0, cloud.y + puff * 0.5, puff * 0.9, kWhite);
  const IconPoint small[] = {In(w, 0.52, 0.78), In(w, 0.80, 0.42), In(w, 1.10, 0.78)};
  painter.Polygon(small, 3, kForest);
  const IconPoint big[] = {In(w, -0.05, 0.80), In(w, 0.38, 0.30), In(w, 0.78, 0.80)};
  painter.Polygon(big, 3, kForest);
  // The snow cap follows the big mountain's flanks down a quarter of the way.
  const IconPoint snow[] = {In(w, 0.38, 0.30), In(w, 0.47, 0.42), In(w, 0.42, 0.40),
                            In(w, 0.38, 0.44), In(w, 0.34, 0.40), In(w, 0.29, 0.42)};
  painter.Polygon(snow, 6, kWhite);
  const Box meadow = {w.x0, w.y0 + std::round(0.72 * w.Height()), w.x1, w.y1};
  painter.Rect(meadow.x0, meadow.y0, meadow.x1, meadow.y1, 0, kMeadow);
  painter.Unclip();
}

// The photo: black outline, silver mat, a thin black line round the window.
void DrawPhoto(IconPainter& painter, const Grid& grid, const Box& frame, bool small) {
  const double radius = grid.At(10);
  painter.Rect(frame.x0, frame.y0, frame.x1, frame.y1, radius, kBlack);
  const Box mat = frame.Inset(grid.Band(8, 1));
  painter.Rect(mat.x0, mat.y0, mat.x1, mat.y1, std::max(0.0, radius - grid.Band(8, 1)), kSilver);
  Box window = mat.Inset(grid.Band(12, 1));
  if (!small) {
    const double line = grid.Band(4, 1);
    painter.Rect(window.x0, window.y0, window.x1, window.y1, 0, kBlack);
    window = window.Inset(line);
  }
  DrawLandscape(painter, window);
}

}  // namespace

void DrawAppIcon(IconPainter& painter, int size) {
  const Grid grid(size);
  if (size < 32) {
    DrawPhoto(painter, grid, grid.Snap(8, 32, 248, 224), true);
    return;
  }
  DrawFolder(painter, grid);
  DrawPhoto(painter, grid, grid.Snap(56, 88, 248, 240), false);
}

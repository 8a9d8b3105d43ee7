// vimbra-make-icons: writes the viewer's desktop icons, a PNG for each size
// of the hicolor theme and one SVG, into an icon theme folder.
//
// Usage: vimbra-make-icons THEME-DIR ICON-NAME
//   writes THEME-DIR/NxN/apps/ICON-NAME.png and THEME-DIR/scalable/apps/ICON-NAME.svg
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "appicon.h"
#include "iconpainter.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
// The SVG is the 256-pixel drawing; its grid units are then whole pixels.
constexpr int kScalableSize = 256;

bool MakeFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) std::fprintf(stderr, "vimbra-make-icons: %s: %s\n", folder.c_str(), ec.message().c_str());
  return !ec;
}

bool WritePng(const fs::path& theme, const std::string& name, int size) {
  const std::string dims = std::to_string(size) + "x" + std::to_string(size);
  const fs::path folder = theme / dims / "apps";
  if (!MakeFolder(folder)) return false;
  CairoIconPainter painter(size);
  DrawAppIcon(painter, size);
  const fs::path file = folder / (name + ".png");
  if (!painter.WritePng(file.string())) {
    std::fprintf(stderr, "vimbra-make-icons: cannot write %s\n", file.c_str());
    return false;
  }
  return true;
}

bool WriteSvg(const fs::path& theme, const std::string& name) {
  const fs::path folder = theme / "scalable" / "apps";
  if (!MakeFolder(folder)) return false;
  SvgIconPainter painter(kScalableSize);
  DrawAppIcon(painter, kScalableSize);
  const fs::path file = folder / (name + ".svg");
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << painter.Document();
  out.close();
  if (!out) {
    std::fprintf(stderr, "vimbra-make-icons: cannot write %s\n", file.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: vimbra-make-icons THEME-DIR ICON-NAME\n");
    return 2;
  }
  const fs::path theme = argv[1];
  const std::string name = argv[2];
  bool ok = true;
  for (int size : kSizes) ok = WritePng(theme, name, size) && ok;
  ok = WriteSvg(theme, name) && ok;
  return ok ? 0 : 1;
}

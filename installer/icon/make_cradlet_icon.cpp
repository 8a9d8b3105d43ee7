// make_cradlet_icon: writes Cradlet's program icon (an .ico file) from the
// pixel art in cradlet_icon_art.inc. Run by the build before Cradlet.exe's
// resources are compiled, so the icon is always made from the art in the
// repository and the same art always gives the same bytes.
//
// Usage: make_cradlet_icon OUTPUT.ico
//
// Each image is 4 bits a pixel with a 16-colour palette and an AND mask for
// the transparent pixels: the art has fewer than 16 colours and hard edges,
// and this form shows the same on every 32-bit Windows.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cradlet_icon_art.inc"

namespace {

// The viewer's icon palette; index 0 (black) also stands under transparent
// pixels, whose mask bit lets the background through unchanged.
struct PaletteEntry {
  char cLetter;
  std::uint32_t nRgb;
};
const PaletteEntry kPalette[] = {
    {'k', 0x000000}, {'w', 0xFFFFFF}, {'S', 0xC0C0C0}, {'s', 0x808080}, {'Y', 0x9C7418},
    {'y', 0xF0C840}, {'o', 0xFFE48C}, {'G', 0x1E6E28}, {'g', 0x48B048}, {'l', 0xA8E8A0},
    {'b', 0x2850B4}, {'B', 0x98C8F0}, {'r', 0xC03030},
};
constexpr int kPaletteSize = 16;  // 4 bits a pixel
constexpr char kTransparent = '.';

struct Art {
  const char* const* rows;
  int nSize;  // width and height
};

void Put16(std::vector<std::uint8_t>& out, unsigned nValue) {
  out.push_back(static_cast<std::uint8_t>(nValue & 0xFF));
  out.push_back(static_cast<std::uint8_t>((nValue >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t nValue) {
  Put16(out, nValue & 0xFFFF);
  Put16(out, nValue >> 16);
}

// Palette index of an art letter; -1 for a letter the palette lacks.
int IndexOf(char cLetter) {
  if (cLetter == kTransparent) return 0;
  for (int i = 0; i < static_cast<int>(sizeof kPalette / sizeof kPalette[0]); ++i)
    if (kPalette[i].cLetter == cLetter) return i;
  return -1;
}

// One icon image: BITMAPINFOHEADER (height doubled for the two masks), the
// palette, the colour rows and the AND-mask rows, both bottom row first and
// each row padded to 4 bytes. Returns "" or what is wrong with the art.
std::string EncodeImage(const Art& art, std::vector<std::uint8_t>& out) {
  const int n = art.nSize;
  const int nColourRow = (n / 2 + 3) / 4 * 4, nMaskRow = (n / 8 + 3) / 4 * 4;
  Put32(out, 40);
  Put32(out, n);
  Put32(out, 2 * n);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits a pixel
  Put32(out, 0);  // no compression
  Put32(out, (nColourRow + nMaskRow) * n);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolution, colours used and important: defaults
  for (int i = 0; i < kPaletteSize; ++i) {
    std::uint32_t rgb = i < static_cast<int>(sizeof kPalette / sizeof kPalette[0]) ? kPalette[i].nRgb : 0;
    Put32(out, rgb);  // RGBQUAD: blue, green, red, 0
  }
  std::vector<std::uint8_t> colour(nColourRow * n, 0), mask(nMaskRow * n, 0);
  for (int y = 0; y < n; ++y) {
    if (std::strlen(art.rows[y]) != static_cast<std::size_t>(n))
      return "row " + std::to_string(y) + " of the " + std::to_string(n) + "-pixel art has the wrong length";
    const int nRow = n - 1 - y;
    for (int x = 0; x < n; ++x) {
      int index = IndexOf(art.rows[y][x]);
      if (index < 0) return std::string("letter '") + art.rows[y][x] + "' is not in the palette";
      colour[nRow * nColourRow + x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
      if (art.rows[y][x] == kTransparent) mask[nRow * nMaskRow + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  out.insert(out.end(), colour.begin(), colour.end());
  out.insert(out.end(), mask.begin(), mask.end());
  return "";
}

// The icon file: its header, one directory entry per image, the images.
std::string EncodeIcon(const std::vector<Art>& arts, std::vector<std::uint8_t>& out) {
  std::vector<std::vector<std::uint8_t>> images(arts.size());
  for (std::size_t i = 0; i < arts.size(); ++i) {
    std::string error = EncodeImage(arts[i], images[i]);
    if (!error.empty()) return error;
  }
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<unsigned>(arts.size()));
  std::uint32_t nOffset = 6 + 16 * static_cast<std::uint32_t>(arts.size());
  for (std::size_t i = 0; i < arts.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(arts[i].nSize));
    out.push_back(static_cast<std::uint8_t>(arts[i].nSize));
    out.push_back(kPaletteSize);
    out.push_back(0);  // reserved
    Put16(out, 1);     // planes
    Put16(out, 4);     // bits a pixel
    Put32(out, static_cast<std::uint32_t>(images[i].size()));
    Put32(out, nOffset);
    nOffset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const std::vector<std::uint8_t>& image : images) out.insert(out.end(), image.begin(), image.end());
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_cradlet_icon OUTPUT.ico\n");
    return 2;
  }
  std::vector<std::uint8_t> icon;
  std::string error = EncodeIcon({{kCradletIcon32, 32}, {kCradletIcon16, 16}}, icon);
  if (!error.empty()) {
    std::fprintf(stderr, "make_cradlet_icon: %s\n", error.c_str());
    return 1;
  }
  // Written under a temporary name and renamed, so that a failed run never
  // leaves a truncated icon that the build would take as up to date.
  std::string temp = std::string(argv[1]) + ".tmp";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "make_cradlet_icon: cannot write %s\n", temp.c_str());
    return 1;
  }
  bool bWritten = std::fwrite(icon.data(), 1, icon.size(), file) == icon.size();
  if (std::fclose(file) != 0 || !bWritten || std::rename(temp.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "make_cradlet_icon: writing %s failed\n", argv[1]);
    std::remove(temp.c_str());
    return 1;
  }
  return 0;
}

// make_cradlet_icon: writes Cradlet's program icon (an .ico file) from the
// pixel art in cradlet_icon_art.inc. Run by the build before Cradlet.exe's
// resources are compiled, so the icon is always made from the art in the
// repository and the same art always gives the same bytes.
//
// Usage: make_cradlet_icon OUTPUT.ico
//
// The icon holds 16, 24, 32, 48 and 256 pixel images in 32-bit colour with
// alpha, the 256-pixel one PNG-compressed as Windows Vista and later read
// it. The 16-pixel art gives the 16 and 24 pixel images, the 32-pixel art
// the others; a size that is no whole multiple of the art is drawn by
// averaging the area each pixel covers, so that edges are smoothed rather
// than doubled unevenly.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cradlet_icon_art.inc"

namespace {

// The viewer's icon palette, as 0xRRGGBB; '.' is a transparent pixel.
struct PaletteEntry {
  char cLetter;
  std::uint32_t nRgb;
};
const PaletteEntry kPalette[] = {
    {'k', 0x000000}, {'w', 0xFFFFFF}, {'S', 0xC0C0C0}, {'s', 0x808080}, {'Y', 0x9C7418},
    {'y', 0xF0C840}, {'o', 0xFFE48C}, {'G', 0x1E6E28}, {'g', 0x48B048}, {'l', 0xA8E8A0},
    {'b', 0x2850B4}, {'B', 0x98C8F0}, {'r', 0xC03030},
};
constexpr char kTransparent = '.';
// Images at this size or larger are stored as PNG.
constexpr int kPngSize = 256;

struct Art {
  const char* const* rows;
  int nSize;  // width and height
};

// Straight (not premultiplied) colour, top row first.
struct Rgba {
  std::uint8_t r, g, b, a;
};
typedef std::vector<Rgba> Image;

void Put16(std::vector<std::uint8_t>& out, unsigned nValue) {
  out.push_back(static_cast<std::uint8_t>(nValue & 0xFF));
  out.push_back(static_cast<std::uint8_t>((nValue >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t nValue) {
  Put16(out, nValue & 0xFFFF);
  Put16(out, nValue >> 16);
}

// The art's pixels. Returns "" or what is wrong with the art.
std::string Decode(const Art& art, Image& image) {
  const int n = art.nSize;
  image.assign(n * n, Rgba{0, 0, 0, 0});
  for (int y = 0; y < n; ++y) {
    if (std::strlen(art.rows[y]) != static_cast<std::size_t>(n))
      return "row " + std::to_string(y) + " of the " + std::to_string(n) + "-pixel art has the wrong length";
    for (int x = 0; x < n; ++x) {
      char cLetter = art.rows[y][x];
      if (cLetter == kTransparent) continue;
      const PaletteEntry* pEntry = nullptr;
      for (const PaletteEntry& entry : kPalette)
        if (entry.cLetter == cLetter) pEntry = &entry;
      if (!pEntry) return std::string("letter '") + cLetter + "' is not in the palette";
      image[y * n + x] = {static_cast<std::uint8_t>(pEntry->nRgb >> 16), static_cast<std::uint8_t>(pEntry->nRgb >> 8),
                          static_cast<std::uint8_t>(pEntry->nRgb), 255};
    }
  }
  return "";
}

// The source image of n x n pixels drawn at s x s: each new pixel is the
// average of the source area it covers, weighted by alpha so that a
// transparent neighbour does not darken an edge. In units of 1/(n*s) of the
// image's side, source pixel i spans [i*s, (i+1)*s) and new pixel t spans
// [t*n, (t+1)*n); a whole multiple is a plain enlargement.
Image Scale(const Image& source, int n, int s) {
  auto overlap = [n, s](int t, int i) {
    return std::max(0, std::min((t + 1) * n, (i + 1) * s) - std::max(t * n, i * s));
  };
  Image scaled(s * s);
  for (int ty = 0; ty < s; ++ty) {
    for (int tx = 0; tx < s; ++tx) {
      std::uint64_t nAlpha = 0, nRed = 0, nGreen = 0, nBlue = 0;
      for (int iy = ty * n / s; iy < n && iy * s < (ty + 1) * n; ++iy) {
        for (int ix = tx * n / s; ix < n && ix * s < (tx + 1) * n; ++ix) {
          const Rgba& p = source[iy * n + ix];
          std::uint64_t nWeight = static_cast<std::uint64_t>(overlap(ty, iy) * overlap(tx, ix)) * p.a;
          nAlpha += nWeight;
          nRed += nWeight * p.r;
          nGreen += nWeight * p.g;
          nBlue += nWeight * p.b;
        }
      }
      const std::uint64_t nArea = static_cast<std::uint64_t>(n) * n;
      Rgba& p = scaled[ty * s + tx];
      p.a = static_cast<std::uint8_t>((nAlpha + nArea / 2) / nArea);
      if (nAlpha == 0) continue;
      p.r = static_cast<std::uint8_t>((nRed + nAlpha / 2) / nAlpha);
      p.g = static_cast<std::uint8_t>((nGreen + nAlpha / 2) / nAlpha);
      p.b = static_cast<std::uint8_t>((nBlue + nAlpha / 2) / nAlpha);
    }
  }
  return scaled;
}

// A small image as an icon's DIB: BITMAPINFOHEADER (height doubled for the
// two masks), the BGRA rows and the AND-mask rows (set for fully
// transparent pixels, for programs that ignore alpha), both bottom row
// first and each row padded to 4 bytes.
void EncodeDib(const Image& image, int s, std::vector<std::uint8_t>& out) {
  const int nMaskRow = (s + 31) / 32 * 4;
  Put32(out, 40);
  Put32(out, s);
  Put32(out, 2 * s);
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits a pixel
  Put32(out, 0);   // no compression
  Put32(out, (4 * s + nMaskRow) * s);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolution, colours used and important: defaults
  std::vector<std::uint8_t> mask(nMaskRow * s, 0);
  for (int y = s - 1; y >= 0; --y) {
    for (int x = 0; x < s; ++x) {
      const Rgba& p = image[y * s + x];
      out.insert(out.end(), {p.b, p.g, p.r, p.a});
      if (p.a == 0) mask[(s - 1 - y) * nMaskRow + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  out.insert(out.end(), mask.begin(), mask.end());
}

void AppendPngBytes(png_structp png, png_bytep pData, png_size_t nLength) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), pData, pData + nLength);
}

// A large image as PNG (8-bit RGBA, best compression, no time stamp).
std::string EncodePng(const Image& image, int s, std::vector<std::uint8_t>& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return "libpng could not start";
  }
  std::vector<png_bytep> rows(s);
  for (int y = 0; y < s; ++y) rows[y] = reinterpret_cast<png_bytep>(const_cast<Rgba*>(&image[y * s]));
  // libpng reports errors by a long jump; nothing here needs unwinding.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return "libpng failed to encode the " + std::to_string(s) + "-pixel image";
  }
  png_set_write_fn(png, &out, AppendPngBytes, nullptr);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, s, s, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return "";
}

// The icon file: its header, one directory entry per image, the images.
// sizes pairs each image's size with the art it is drawn from.
std::string EncodeIcon(const std::vector<std::pair<int, Art>>& sizes, std::vector<std::uint8_t>& out) {
  std::vector<std::vector<std::uint8_t>> images(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const auto& [s, art] = sizes[i];
    Image source;
    std::string error = Decode(art, source);
    if (!error.empty()) return error;
    Image image = Scale(source, art.nSize, s);
    if (s >= kPngSize) {
      error = EncodePng(image, s, images[i]);
      if (!error.empty()) return error;
    } else {
      EncodeDib(image, s, images[i]);
    }
  }
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<unsigned>(sizes.size()));
  std::uint32_t nOffset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::uint8_t nSide = static_cast<std::uint8_t>(sizes[i].first & 0xFF);  // 0 stands for 256
    out.insert(out.end(), {nSide, nSide, 0, 0});                            // no palette; reserved
    Put16(out, 1);                                                          // planes
    Put16(out, 32);                                                         // bits a pixel
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
  const Art art16 = {kCradletIcon16, 16}, art32 = {kCradletIcon32, 32};
  std::string error = EncodeIcon({{256, art32}, {48, art32}, {32, art32}, {24, art16}, {16, art16}}, icon);
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

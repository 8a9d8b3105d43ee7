// Camera-style scenes drawn with plain arithmetic, a 5 × 7 label font and
// camera files with marked Exif thumbnails.
#include "support/scenes.h"

#include <cmath>
#include <cstring>

#include "support/camerafacts.h"
#include "support/exifwriter.h"

namespace {

struct Rgb {
  int r, g, b;
};

inline int Clamp(int v) {
  return v < 0 ? 0 : v > 255 ? 255 : v;
}

inline Rgb Mix(Rgb a, Rgb b, float t) {
  return Rgb{(int)((float)a.r + ((float)b.r - (float)a.r) * t), (int)((float)a.g + ((float)b.g - (float)a.g) * t),
             (int)((float)a.b + ((float)b.b - (float)a.b) * t)};
}

// Fixed-seed linear congruential generator for the grain.
struct Grain {
  uint32_t state;
  int Next() {
    state = state * 1664525u + 1013904223u;
    return (int)((state >> 24) & 15) - 8;
  }
};

Rgb Sunset(float u, float v, uint32_t seed) {
  const float horizon = 0.62f;
  const float sunX = 0.3f + (float)(seed % 5) * 0.1f, sunY = 0.5f;
  if (v < horizon) {
    Rgb sky = Mix(Rgb{20, 30, 110}, Rgb{250, 140, 60}, v / horizon);
    const float dx = (u - sunX) * 1.333f, dy = v - sunY;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d < 0.08f) return Rgb{255, 236, 120};
    if (d < 0.2f) sky = Mix(Rgb{255, 210, 110}, sky, (d - 0.08f) / 0.12f);
    return sky;
  }
  // Sea with a reflected column of light under the sun and ripples.
  const float depth = (v - horizon) / (1 - horizon);
  Rgb sea = Mix(Rgb{200, 110, 60}, Rgb{10, 20, 60}, depth);
  const bool ripple = ((int)(v * 180) % 3) == 0;
  if (std::fabs(u - sunX) < 0.06f + depth * 0.05f && ripple) sea = Mix(sea, Rgb{255, 220, 120}, 0.7f);
  return sea;
}

Rgb Stripes(float u, float v, uint32_t seed) {
  static const Rgb kColours[] = {{230, 60, 50}, {250, 200, 40}, {60, 170, 80}, {40, 110, 220}, {150, 60, 190}};
  const int band = (int)((u + v * 0.6f) * 9 + (float)seed) % 5;
  return Mix(kColours[band], Rgb{255, 255, 255}, v * 0.25f);
}

Rgb Shapes(float u, float v, uint32_t seed) {
  Rgb c = Mix(Rgb{235, 235, 225}, Rgb{190, 200, 215}, v);
  const float shift = (float)(seed % 7) * 0.02f;
  const float dx = (u - 0.3f - shift) * 1.333f, dy = v - 0.45f;
  if (dx * dx + dy * dy < 0.04f) c = Rgb{220, 50, 50};
  if (u > 0.55f && u < 0.85f && v > 0.2f && v < 0.5f) c = Rgb{40, 90, 200};
  // Triangle with its apex at the top.
  const float tv = (v - 0.55f) / 0.35f;
  if (tv > 0 && tv < 1 && std::fabs(u - 0.68f) < tv * 0.15f) c = Rgb{50, 170, 70};
  return c;
}

Rgb Mountains(float u, float v, uint32_t seed) {
  const float phase = (float)(seed % 11) * 0.3f;
  const float ridge1 = 0.45f + 0.12f * std::fabs(std::sin(u * 7 + phase)) - 0.1f * u;
  const float ridge2 = 0.62f + 0.06f * std::sin(u * 13 + phase * 2);
  if (v > ridge2) return Mix(Rgb{60, 110, 50}, Rgb{30, 60, 30}, (v - ridge2) / (1.0f - ridge2 + 1e-6f));
  if (v > ridge1) return v < ridge1 + 0.03f ? Rgb{240, 240, 250} : Rgb{100, 100, 120};
  return Mix(Rgb{110, 170, 235}, Rgb{200, 225, 245}, v / 0.6f);
}

Rgb Tiles(float u, float v, uint32_t seed) {
  const int tx = (int)(u * 12), ty = (int)(v * 9);
  const bool dark = ((tx + ty + (int)seed) & 1) != 0;
  const Rgb tint = Mix(Rgb{240, 200, 120}, Rgb{120, 170, 240}, u);
  return dark ? Mix(tint, Rgb{0, 0, 0}, 0.6f) : tint;
}

Rgb Rings(float u, float v, uint32_t seed) {
  const float dx = (u - 0.5f) * 1.333f, dy = v - 0.5f;
  const int ring = (int)(std::sqrt(dx * dx + dy * dy) * 14 + (float)seed);
  return ring % 2 ? Rgb{30, 40, 70} : Mix(Rgb{250, 180, 40}, Rgb{240, 80, 120}, u);
}

Rgb SceneColour(int kind, float u, float v, uint32_t seed) {
  switch (kind) {
    case kSceneSunset:
      return Sunset(u, v, seed);
    case kSceneStripes:
      return Stripes(u, v, seed);
    case kSceneShapes:
      return Shapes(u, v, seed);
    case kSceneMountains:
      return Mountains(u, v, seed);
    case kSceneTiles:
      return Tiles(u, v, seed);
    default:
      return Rings(u, v, seed);
  }
}

// Rows of the 5 × 7 font, the high bit of 5 the leftmost dot.
const uint8_t* Glyph(char c) {
  static const uint8_t kLetters[26][7] = {
      {14, 17, 17, 31, 17, 17, 17}, {30, 17, 17, 30, 17, 17, 30}, {14, 17, 16, 16, 16, 17, 14},
      {30, 17, 17, 17, 17, 17, 30}, {31, 16, 16, 30, 16, 16, 31}, {31, 16, 16, 30, 16, 16, 16},
      {14, 17, 16, 23, 17, 17, 15}, {17, 17, 17, 31, 17, 17, 17}, {14, 4, 4, 4, 4, 4, 14},
      {7, 2, 2, 2, 2, 18, 12},      {17, 18, 20, 24, 20, 18, 17}, {16, 16, 16, 16, 16, 16, 31},
      {17, 27, 21, 21, 17, 17, 17}, {17, 17, 25, 21, 19, 17, 17}, {14, 17, 17, 17, 17, 17, 14},
      {30, 17, 17, 30, 16, 16, 16}, {14, 17, 17, 17, 21, 18, 13}, {30, 17, 17, 30, 20, 18, 17},
      {15, 16, 16, 14, 1, 1, 30},   {31, 4, 4, 4, 4, 4, 4},       {17, 17, 17, 17, 17, 17, 14},
      {17, 17, 17, 17, 17, 10, 4},  {17, 17, 17, 21, 21, 21, 10}, {17, 17, 10, 4, 10, 17, 17},
      {17, 17, 10, 4, 4, 4, 4},     {31, 1, 2, 4, 8, 16, 31}};
  static const uint8_t kDigits[10][7] = {
      {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},    {14, 17, 1, 2, 4, 8, 31},   {31, 2, 4, 2, 1, 17, 14},
      {2, 6, 10, 18, 31, 2, 2},     {31, 16, 30, 1, 1, 17, 14}, {6, 8, 16, 30, 17, 17, 14}, {31, 1, 2, 4, 8, 8, 8},
      {14, 17, 17, 14, 17, 17, 14}, {14, 17, 17, 15, 1, 2, 12}};
  static const uint8_t kBlank[7] = {0, 0, 0, 0, 0, 0, 0};
  if (c >= 'A' && c <= 'Z') return kLetters[c - 'A'];
  if (c >= '0' && c <= '9') return kDigits[c - '0'];
  return kBlank;
}

void SetPixel(Picture* picture, int x, int y, uint8_t level) {
  if (x < 0 || y < 0 || x >= picture->width || y >= picture->height) return;
  std::memset(picture->At(x, y), level, (size_t)picture->components);
}

}  // namespace

Picture RenderScene(int kind, int width, int height, uint32_t seed) {
  Picture picture = MakePicture(width, height, 3);
  Grain grain{seed * 2654435761u + 1u};
  const float fw = (float)(width > 1 ? width - 1 : 1), fh = (float)(height > 1 ? height - 1 : 1);
  for (int y = 0; y < height; ++y) {
    const float v = (float)y / fh;
    uint8_t* p = picture.At(0, y);
    for (int x = 0; x < width; ++x, p += 3) {
      const Rgb c = SceneColour(kind, (float)x / fw, v, seed);
      const int noise = grain.Next();
      p[0] = (uint8_t)Clamp(c.r + noise);
      p[1] = (uint8_t)Clamp(c.g + noise);
      p[2] = (uint8_t)Clamp(c.b + noise);
    }
  }
  return picture;
}

Picture ToGrey(const Picture& picture) {
  Picture grey = MakePicture(picture.width, picture.height, 1);
  for (size_t i = 0, n = (size_t)picture.width * (size_t)picture.height; i < n; ++i) {
    const uint8_t* p = picture.samples.data() + i * 3;
    grey.samples[i] = (uint8_t)((77 * p[0] + 150 * p[1] + 29 * p[2]) >> 8);
  }
  return grey;
}

void StampLabel(Picture* picture, const std::string& text, int x, int y, int scale) {
  const int boxWidth = ((int)text.size() * 6 + 1) * scale;
  const int boxHeight = 9 * scale;
  for (int j = 0; j < boxHeight; ++j) {
    for (int i = 0; i < boxWidth; ++i) SetPixel(picture, x + i, y + j, 0);
  }
  for (size_t n = 0; n < text.size(); ++n) {
    const uint8_t* glyph = Glyph(text[n]);
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (!(glyph[row] & (16 >> col))) continue;
        const int px = x + ((int)n * 6 + 1 + col) * scale, py = y + (row + 1) * scale;
        for (int j = 0; j < scale; ++j) {
          for (int i = 0; i < scale; ++i) SetPixel(picture, px + i, py + j, 255);
        }
      }
    }
  }
}

Picture MarkedThumbnail(int kind, int width, int height, uint32_t seed) {
  Picture thumbnail = Inverted(RenderScene(kind, width, height, seed));
  const int scale = width >= 120 ? 2 : 1;
  StampLabel(&thumbnail, "THUMB", 2, 2, scale);
  return thumbnail;
}

std::string CameraShot(int kind, int width, int height, uint32_t seed, const CameraShotOptions& options) {
  Picture main = RenderScene(kind, width, height, seed);
  if (options.grey) main = ToGrey(main);
  JpegOptions mainOptions;
  mainOptions.quality = options.quality;
  mainOptions.progressive = options.progressive;
  mainOptions.jfif = false;
  const std::string mainJpeg = EncodeJpeg(main, mainOptions);

  ExifLayout layout;
  layout.bigEndian = options.bigEndian;
  std::string thumbnailJpeg;
  if (options.thumbnailWidth > 0 && options.thumbnailHeight > 0) {
    const bool portrait = height > width;
    const int tw = portrait ? options.thumbnailHeight : options.thumbnailWidth;
    const int th = portrait ? options.thumbnailWidth : options.thumbnailHeight;
    Picture thumbnail = MarkedThumbnail(kind, tw, th, seed);
    if (options.grey) thumbnail = ToGrey(thumbnail);
    JpegOptions thumbnailOptions;
    thumbnailOptions.quality = 85;
    thumbnailOptions.jfif = false;
    thumbnailJpeg = EncodeJpeg(thumbnail, thumbnailOptions);
  } else {
    layout.withIfd1 = false;
  }
  if (options.facts != nullptr) {
    return CameraFileWithFacts(mainJpeg,
                               CameraFactsTiff(*options.facts, options.bigEndian, ExifHazard::kNone, thumbnailJpeg));
  }
  return CameraFile(mainJpeg, thumbnailJpeg, layout);
}

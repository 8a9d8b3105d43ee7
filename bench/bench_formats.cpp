// Thumbnails of every format beside JPEG, against vipsthumbnail on the same
// files in the same run: a grid cell's work per file (the picture decoded
// towards 160 × 160, then reduced into 64 × 64) for camera-sized (4000 ×
// 3000) and screenshot-sized (2560 × 1440) pictures, with the heap's peak
// (the decoders' reservations included); then the crafted files of the test
// suite, timed as a grid cell and as the picture page under --memory 64.
// vipsthumbnail is run once over all copies of a file, so its start-up is
// shared among them as the viewer's is.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/dibdraw.h"
#include "imaging/jpegdecode.h"
#include "imaging/picturedecode.h"
#include "platform/base/heap.h"
#include "shell/memblock.h"
#include "support/craftedformats.h"
#include "support/formatpics.h"
#include "support/scenes.h"
#include "support/temp_device.h"
#include "support/testpics.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCopies = 4;
constexpr int kRounds = 3;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A screenshot: flat panels, rules and lines of text.
Picture Screenshot(int width, int height) {
  Picture picture = SolidColour(width, height, 246, 246, 244);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.At(x, y);
      if (x < width / 5) p[0] = 52, p[1] = 58, p[2] = 70;          // side bar
      if (y < 48) p[0] = 30, p[1] = 90, p[2] = 160;                // title bar
      if (y % 40 == 0 && x > width / 5) p[0] = p[1] = p[2] = 210;  // rules
    }
  }
  for (int line = 0; line * 40 + 60 < height - 30; ++line) {
    StampLabel(&picture, "THE QUICK BROWN FOX 0123456789 JUMPS", width / 5 + 20, line * 40 + 60, 2);
  }
  return picture;
}

struct Sample {
  const char* format;
  const char* kind;
  std::string bytes;
  const char* extension;
};

// One grid cell's work; the heap's peak above what was in use before.
bool Cell(const std::string& path, size_t* peak) {
  FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream == nullptr) return false;
  const size_t before = HeapBytesInUse();
  HeapResetPeak();
  CDib thumbnail = nullptr;
  {
    CPictureFile file;
    if (file.OpenStream(stream, TRUE)) {
      CDibOwner reduced(file.Decode(160, 160));
      if (reduced) thumbnail = MakeDibThumbnail(reduced.Get(), 64, 64);
    }
  }
  std::fclose(stream);
  *peak = HeapPeakBytes() - before;
  const bool ok = thumbnail != nullptr;
  MemFree(thumbnail);
  return ok;
}

void Compare(const std::vector<Sample>& samples, const fs::path& dir) {
  std::printf("\n%-6s %-26s %10s %12s %7s %10s %9s\n", "format", "picture", "file KB", "vimbra ms", "vips ms", "ratio",
              "heap MB");
  for (const Sample& s : samples) {
    if (s.bytes.empty()) {
      std::printf("%-6s %-26s  (no encoder)\n", s.format, s.kind);
      continue;
    }
    std::vector<std::string> paths;
    for (int i = 0; i < kCopies; ++i) {
      paths.push_back((dir / (std::string(s.format) + "-" + std::to_string(i) + s.extension)).string());
      WriteHostFile(paths.back(), s.bytes);
    }
    double best = 1e9;
    size_t peak = 0;
    for (int round = 0; round < kRounds; ++round) {
      const double start = Now();
      for (const std::string& path : paths) {
        if (!Cell(path, &peak)) std::printf("  %s: %s\n", path.c_str(), PictureDecodeLastError());
      }
      best = std::min(best, (Now() - start) / kCopies);
    }
    std::string command = "vipsthumbnail -s 64 -o " + (dir / "vips-%s.jpg").string();
    for (const std::string& path : paths) command += " " + path;
    command += " 2>/dev/null";
    double vips = 1e9;
    for (int round = 0; round < kRounds; ++round) {
      const double start = Now();
      if (std::system(command.c_str()) != 0) vips = 0;
      if (vips > 0) vips = std::min(vips, (Now() - start) / kCopies);
    }
    std::printf("%-6s %-26s %10.0f %12.1f %7.1f %10.2f %9.1f\n", s.format, s.kind, s.bytes.size() / 1024.0, best * 1e3,
                vips * 1e3, vips > 0 ? best / vips : 0.0, peak / 1048576.0);
  }
}

void Crafted() {
  std::printf("\n%-40s %14s %14s  %s\n", "crafted file (--memory 64)", "grid cell ms", "open ms", "outcome");
  for (const CraftedFile& f : CraftedFormatFiles()) {
    double ms[2] = {0, 0};
    std::string outcome;
    for (int pass = 0; pass < 2; ++pass) {
      HeapSetBudget(HeapBytesInUse() + (64u << 20));
      FILE* stream = StreamOf(f.bytes);
      const double start = Now();
      CDib dib = nullptr;
      {
        CPictureFile file;
        if (file.OpenStream(stream, TRUE)) dib = file.Decode(pass == 0 ? 160 : 0, pass == 0 ? 160 : 0);
      }
      ms[pass] = (Now() - start) * 1e3;
      outcome += std::string(pass == 0 ? "" : " / ") + (dib != nullptr ? "picture" : PictureDecodeLastError());
      MemFree(dib);
      std::fclose(stream);
      HeapSetBudget(kDefaultHeapBudget);
    }
    std::printf("%-40s %14.1f %14.1f  %s\n", f.name.c_str(), ms[0], ms[1], outcome.c_str());
  }
}

}  // namespace

int main() {
  HeapSetBudget(kDefaultHeapBudget);
  TempDevice device;
  const fs::path dir = device.Root();
  std::printf("making the pictures...\n");
  std::fflush(stdout);
  const Picture camera = RenderScene(kSceneSunset, 4000, 3000, 7);
  const Picture screen = Screenshot(2560, 1440);
  HeifOptions withThumbnail;
  withThumbnail.thumbnail = 320;
  HeifOptions avif;
  avif.avif = true;
  TiffOptions deflate;
  deflate.compression = 8;
  WebpOptions lossless;
  lossless.lossless = true;
  const std::vector<Sample> samples = {
      {"JPEG", "4000 x 3000 camera", EncodeJpeg(camera), ".jpg"},
      {"PNG", "4000 x 3000 camera", EncodePng(camera), ".png"},
      {"PNG", "2560 x 1440 screenshot", EncodePng(screen), ".png"},
      {"WebP", "4000 x 3000 camera, lossy", EncodeWebp(camera), ".webp"},
      {"WebP", "2560 x 1440 screen, lossless", EncodeWebp(screen, lossless), ".webp"},
      {"TIFF", "4000 x 3000 camera, LZW", EncodeTiff(camera), ".tif"},
      {"TIFF", "2560 x 1440 screen, Deflate", EncodeTiff(screen, deflate), ".tif"},
      {"GIF", "4000 x 3000 camera", EncodeGif(camera), ".gif"},
      {"GIF", "2560 x 1440 screenshot", EncodeGif(screen), ".gif"},
      {"HEIC", "4000 x 3000, thumbnail", EncodeHeif(camera, withThumbnail), ".heic"},
      {"HEIC", "4000 x 3000, none", EncodeHeif(camera), ".heic"},
      {"AVIF", "2560 x 1440 screenshot", EncodeHeif(screen, avif), ".avif"},
  };
  Compare(samples, dir);
  Crafted();
  return 0;
}

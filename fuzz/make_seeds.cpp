// vimbra-fuzz-seeds: writes small seed corpora for the fuzz targets with the
// test-picture library, so that no binary fixture is ever committed.
//
// Usage: vimbra-fuzz-seeds DIR   (writes DIR/exifthumb, DIR/jpegdecode and
//        DIR/gridcell)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/jpegdecode.h"
#include "support/craftedpics.h"
#include "support/exifwriter.h"
#include "support/scenes.h"
#include "support/testpics.h"

namespace fs = std::filesystem;

namespace {

bool Write(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), (std::streamsize)bytes.size());
  return (bool)out;
}

// Small camera files in both byte orders, with and without IFD1 or pointer.
std::vector<std::string> CameraSeeds() {
  const std::string main = EncodeJpeg(RenderScene(kSceneShapes, 48, 32, 1));
  const std::string thumb = EncodeJpeg(RenderScene(kSceneShapes, 16, 12, 1), JpegOptions{60, false, false});
  std::vector<std::string> seeds;
  for (bool big : {false, true}) {
    ExifLayout layout;
    layout.bigEndian = big;
    seeds.push_back(CameraFile(main, thumb, layout));
    layout.ifd0Offset = 14;
    seeds.push_back(CameraFile(main, thumb, layout));
    layout.withJpegPointer = false;
    seeds.push_back(CameraFile(main, thumb, layout));
    layout.withIfd1 = false;
    seeds.push_back(CameraFile(main, thumb, layout));
  }
  return seeds;
}

// Plain pictures of every kind the glue meets.
std::vector<std::string> PictureSeeds() {
  JpegOptions progressive;
  progressive.progressive = true;
  JpegOptions centimetres;
  centimetres.densityUnit = 2;
  centimetres.xDensity = 28;
  centimetres.yDensity = 40;
  std::vector<std::string> seeds = {
      EncodeJpeg(RenderScene(kSceneSunset, 32, 24, 2)),
      EncodeJpeg(SolidGrey(13, 7, 100), centimetres),
      EncodeJpeg(RampPicture(24, 16), progressive),
      EncodeJpeg(ToGrey(RenderScene(kSceneRings, 20, 20, 3)), progressive),
      EncodeJpeg(SolidColour(1, 1, 9, 99, 199)),
      EncodeJpeg(SolidCmyk(8, 8, 1, 2, 3, 4)),
  };
  const std::string whole = EncodeJpeg(RenderScene(kSceneStripes, 40, 30, 4));
  seeds.push_back(whole.substr(0, whole.size() * 2 / 3));
  return seeds;
}

// Small crafted files: many scans on either side of the limit, and a
// progressive frame that breaks off at once.
std::vector<std::string> CraftedSeeds() {
  return {ManyScanJpeg(48, 32, 12), ManyScanJpeg(40, 24, kJpegMaxScans + 1), TinyProgressiveGrey(320, 200)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vimbra-fuzz-seeds DIR\n");
    return 2;
  }
  const fs::path root(argv[1]);
  std::error_code ec;
  fs::create_directories(root / "exifthumb", ec);
  fs::create_directories(root / "jpegdecode", ec);
  fs::create_directories(root / "gridcell", ec);
  int count = 0;
  bool ok = true;
  for (const std::string& seed : CameraSeeds()) {
    const std::string name = "camera" + std::to_string(count++) + ".jpg";
    ok = Write(root / "exifthumb" / name, seed) && Write(root / "jpegdecode" / name, seed) &&
         Write(root / "gridcell" / name, seed) && ok;
  }
  for (const std::string& seed : PictureSeeds()) {
    const std::string name = "picture" + std::to_string(count++) + ".jpg";
    ok = Write(root / "jpegdecode" / name, seed) && Write(root / "gridcell" / name, seed) && ok;
  }
  for (const std::string& seed : CraftedSeeds()) {
    ok = Write(root / "gridcell" / ("crafted" + std::to_string(count++) + ".jpg"), seed) && ok;
  }
  if (!ok) {
    std::fprintf(stderr, "vimbra-fuzz-seeds: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}

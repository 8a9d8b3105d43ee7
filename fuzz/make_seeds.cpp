// vimbra-fuzz-seeds: writes small seed corpora for the fuzz targets with the
// test-picture library, so that no binary fixture is ever committed.
//
// Usage: vimbra-fuzz-seeds DIR   (writes DIR/exifthumb, DIR/jpegdecode,
//        DIR/gridcell, DIR/picturefacts, and DIR/png, gif, webp, tiff and heif)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "imaging/jpegdecode.h"
#include "support/camerafacts.h"
#include "support/craftedformats.h"
#include "support/craftedpics.h"
#include "support/exifwriter.h"
#include "support/formatpics.h"
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

uint8_t Ramp(int x, int) {
  return (uint8_t)(x * 16);
}

// Small pictures of every layout each glue meets, and the crafted files of
// the suite (their bombs made small where the name says so).
std::vector<std::pair<std::string, std::string>> FormatSeeds() {
  const Picture colour = RenderScene(kSceneShapes, 24, 16, 1);
  const Picture grey = ToGrey(colour);
  const Picture alpha = WithAlpha(colour, Ramp);
  std::vector<std::pair<std::string, std::string>> seeds;
  auto add = [&](const char* target, const std::string& bytes) {
    if (!bytes.empty()) seeds.emplace_back(target, bytes);
  };
  PngOptions png16;
  png16.bitDepth = 16;
  PngOptions interlaced;
  interlaced.interlaced = true;
  interlaced.orientation = 6;
  PngOptions palette;
  palette.palette = true;
  add("png", EncodePng(colour));
  add("png", EncodePng(alpha, png16));
  add("png", EncodePng(grey, interlaced));
  add("png", EncodePng(alpha, palette));
  add("png", PngPaletteOutOfRange());
  add("png", HugeHeaderPng(100000, 100000));
  GifOptions gif;
  gif.interlaced = true;
  gif.transparentIndex = 0;
  gif.extraFrames = 2;
  add("gif", EncodeGif(colour));
  add("gif", EncodeGif(alpha, gif));
  add("gif", GifPaletteOutOfRange());
  add("gif", GifWithRecords(40));
  WebpOptions lossless;
  lossless.lossless = true;
  lossless.orientation = 3;
  WebpOptions animation;
  animation.extraFrames = 2;
  add("webp", EncodeWebp(colour));
  add("webp", EncodeWebp(alpha, lossless));
  add("webp", EncodeWebp(colour, animation));
  add("webp", WebpWithFrames(30));
  TiffOptions tiled;
  tiled.tiled = true;
  tiled.bitDepth = 16;
  TiffOptions jpeg;
  jpeg.compression = 7;
  TiffOptions cmyk;
  cmyk.cmyk = true;
  TiffOptions planes;
  planes.separatePlanes = true;
  planes.orientation = 8;
  add("tiff", EncodeTiff(colour));
  add("tiff", EncodeTiff(alpha, tiled));
  add("tiff", EncodeTiff(colour, jpeg));
  add("tiff", EncodeTiff(SolidCmyk(8, 8, 1, 2, 3, 4), cmyk));
  add("tiff", EncodeTiff(grey, planes));
  add("tiff", TiffWithStripCount(4096));
  HeifOptions thumbnail;
  thumbnail.thumbnail = 8;
  HeifOptions avif;
  avif.avif = true;
  avif.orientation = 5;
  add("heif", EncodeHeif(colour, thumbnail));
  add("heif", EncodeHeif(alpha, avif));
  add("heif", HugeHeic(60000, 60000));
  return seeds;
}

// Pictures of every format that carries camera facts and a profile, the
// hostile Exif blocks as files and as bare blocks, and bare profiles.
std::vector<std::string> FactSeeds() {
  const Picture photo = RenderScene(kSceneSunset, 24, 16, 1);
  CameraFacts facts;
  const std::string icc = IccProfileNamed("Seed RGB");
  std::vector<std::string> seeds = {icc, IccProfileNamed("Seed v4", true)};
  for (ExifHazard hazard : {ExifHazard::kNone, ExifHazard::kExifLoopsToIfd0, ExifHazard::kGpsLoopsToItself,
                            ExifHazard::kIfd0Count0xFFFF, ExifHazard::kMakePastEnd, ExifHazard::kCountsFFFF}) {
    const std::string tiff = CameraFactsTiff(facts, hazard == ExifHazard::kGpsLoopsToItself, hazard);
    seeds.push_back(tiff);
    seeds.push_back(CameraFileWithFacts(EncodeJpeg(photo), tiff, icc));
  }
  const std::string tiff = CameraFactsTiff(facts, false);
  PngOptions png;
  png.exif = tiff;
  png.icc = icc;
  WebpOptions webp;
  webp.exif = tiff;
  webp.icc = icc;
  HeifOptions heif;
  heif.exif = tiff;
  heif.icc = icc;
  seeds.push_back(EncodePng(photo, png));
  seeds.push_back(EncodeWebp(photo, webp));
  const std::string heic = EncodeHeif(photo, heif);
  if (!heic.empty()) seeds.push_back(heic);
  return seeds;
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
  fs::create_directories(root / "picturefacts", ec);
  for (const char* target : {"png", "gif", "webp", "tiff", "heif"}) fs::create_directories(root / target, ec);
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
  for (const auto& seed : FormatSeeds()) {
    ok = Write(root / seed.first / ("seed" + std::to_string(count++)), seed.second) && ok;
  }
  for (const std::string& seed : FactSeeds()) {
    ok = Write(root / "picturefacts" / ("facts" + std::to_string(count++)), seed) && ok;
  }
  if (!ok) {
    std::fprintf(stderr, "vimbra-fuzz-seeds: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}

// vimbra-make-demo: writes the demo device into a host folder. Every picture
// is rendered and compressed here, from fixed seeds, so the output is the same on every run.
//
// Usage: vimbra-make-demo DEVICE-ROOT
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/camerafacts.h"
#include "support/exifwriter.h"
#include "support/formatpics.h"
#include "support/scenes.h"
#include "support/testpics.h"

namespace fs = std::filesystem;

namespace {

// Most pictures are 1280 × 960: large enough to be reduced by the decoder,
// small enough that the whole device is written in a second or two.
constexpr int kWidth = 1280;
constexpr int kHeight = 960;

class DemoWriter {
 public:
  explicit DemoWriter(fs::path root) : m_root(std::move(root)) {}

  bool ok() const { return m_ok; }
  int files() const { return m_files; }

  void Folder(const std::string& relative) {
    std::error_code ec;
    fs::create_directories(m_root / relative, ec);
    if (ec) Fail(relative, ec.message());
  }

  void File(const std::string& relative, const std::string& bytes) {
    const fs::path path = m_root / relative;
    Folder(path.parent_path().lexically_relative(m_root).string());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    if (!out) {
      Fail(relative, "cannot write");
      return;
    }
    ++m_files;
  }

  void Camera(const std::string& relative, int kind, uint32_t seed, const CameraShotOptions& options = {},
              int width = kWidth, int height = kHeight) {
    File(relative, CameraShot(kind, width, height, seed, options));
  }

 private:
  void Fail(const std::string& relative, const std::string& why) {
    std::fprintf(stderr, "vimbra-make-demo: %s: %s\n", relative.c_str(), why.c_str());
    m_ok = false;
  }

  fs::path m_root;
  bool m_ok = true;
  int m_files = 0;
};

// What the demo camera says of shot `seed`: settings that vary from shot to
// shot, and a position on every other one.
CameraFacts DemoCameraFacts(uint32_t seed) {
  static const uint32_t kExposures[] = {60, 125, 250, 500, 1000};
  static const uint32_t kApertures[] = {28, 40, 56, 80};
  CameraFacts facts;
  facts.exposure[1] = kExposures[seed % 5];
  facts.fNumber[0] = kApertures[seed % 4];
  facts.iso = (uint16_t)(100 << (seed % 4));
  facts.focalLength[0] = 45 + 10 * seed;
  facts.flash = seed % 3 == 0 ? 9 : 16;
  char date[32];
  std::snprintf(date, sizeof date, "2024:05:%02u 10:%02u:00", 1 + seed % 28, (seed * 7) % 60);
  facts.dateTaken = date;
  facts.gps = seed % 2 == 1;
  facts.latitude = 43.296482 + 0.001 * seed;
  facts.longitude = 5.369780 - 0.002 * seed;
  return facts;
}

// The start folder: enough camera pictures that the grid scrolls, in
// landscape and portrait, with the extensions in several letter cases.
void WriteMyDocuments(DemoWriter& demo) {
  static const char* kNames[] = {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG",        "IMG_0004.JPG", "IMG_0005.JPG",
                                 "IMG_0006.JPG", "IMG_0007.JPG", "IMG_0008.JPG",        "IMG_0009.JPG", "IMG_0010.JPG",
                                 "IMG_0011.JPG", "IMG_0012.JPG", "Harbour at dusk.jpg", "Tiles.jpeg"};
  uint32_t seed = 1;
  for (const char* name : kNames) {
    const int kind = (int)(seed % kSceneCount);
    const bool portrait = seed % 5 == 4;
    // The camera's pictures tell its facts; the two renamed ones do not.
    const CameraFacts facts = DemoCameraFacts(seed);
    CameraShotOptions camera;
    if (std::strncmp(name, "IMG_", 4) == 0) camera.facts = &facts;
    demo.Camera(std::string("My Documents/") + name, kind, seed, camera, portrait ? kHeight : kWidth,
                portrait ? kWidth : kHeight);
    ++seed;
  }
  demo.Camera("My Documents/Holiday/Beach 1.jpg", kSceneSunset, 101);
  demo.Camera("My Documents/Holiday/Beach 2.jpg", kSceneSunset, 102);
  demo.Camera("My Documents/Holiday/Hills.jpg", kSceneMountains, 103);
  demo.Camera("My Documents/Holiday/Day 2/Market.jpg", kSceneStripes, 104);
  demo.Camera("My Documents/Holiday/Day 2/Fountain.jpg", kSceneRings, 105);
  demo.File("My Documents/shopping list.txt", "bread\nmilk\nbatteries for the camera\n");
}

void WriteCameraFolders(DemoWriter& demo) {
  // A second camera that writes big-endian ("MM") Exif blocks.
  CameraShotOptions motorola;
  motorola.bigEndian = true;
  for (int i = 0; i < 5; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "DCIM/100VIMBR/DSC%05d.JPG", 3100 + i);
    demo.Camera(name, (i * 2 + 1) % kSceneCount, 200 + (uint32_t)i, motorola);
  }
  // Pictures only in the deepest folder: the folders above hold none.
  demo.Camera("Archive/2019/Summer/Garden.jpg", kSceneShapes, 301);
  demo.Camera("Archive/2019/Summer/Lake.jpg", kSceneMountains, 302);
}

void WriteSpecialPictures(DemoWriter& demo) {
  CameraShotOptions grey;
  grey.grey = true;
  demo.Camera("Grey/Grey sunset.jpg", kSceneSunset, 401, grey);
  demo.Camera("Grey/Grey rings.jpg", kSceneRings, 402, grey);
  demo.File("Grey/Plain grey (no Exif).jpg", EncodeJpeg(ToGrey(RenderScene(kSceneTiles, kWidth, kHeight, 403))));

  CameraShotOptions progressive;
  progressive.progressive = true;
  demo.Camera("Progressive/Progressive camera.jpg", kSceneStripes, 501, progressive);
  JpegOptions plainProgressive;
  plainProgressive.progressive = true;
  demo.File("Progressive/Progressive (no Exif).jpg",
            EncodeJpeg(RenderScene(kSceneShapes, kWidth, kHeight, 502), plainProgressive));
  progressive.grey = true;
  demo.Camera("Progressive/Progressive grey.jpg", kSceneMountains, 503, progressive);

  // 24 megapixels: the image page decodes all of it, the browser only the
  // embedded thumbnail.
  demo.Camera("Large/Panorama 24MP.jpg", kSceneMountains, 601, {}, 6000, 4000);
  CameraShotOptions noThumbnail;
  noThumbnail.thumbnailWidth = 0;
  demo.Camera("Large/Wide 12MP without thumbnail.jpg", kSceneSunset, 602, noThumbnail, 4000, 3000);

  demo.File("CMYK/Printer proof (CMYK).jpg", EncodeJpeg(SolidCmyk(640, 480, 20, 180, 200, 10)));
  demo.Camera("CMYK/Ordinary picture.jpg", kSceneTiles, 701);
}

void WriteDamagedFiles(DemoWriter& demo) {
  const std::string camera = CameraShot(kSceneSunset, kWidth, kHeight, 801);
  // Cut inside the scan data: the library completes it with a warning.
  demo.File("Damaged/Cut in half.jpg", camera.substr(0, camera.size() / 2));
  // Cut inside the headers: nothing can be decoded.
  demo.File("Damaged/Cut in the header.jpg", camera.substr(0, 300));
  demo.File("Damaged/Not a JPEG.jpg", "This is a text file with a picture's name.\n");
  demo.File("Damaged/Empty.jpg", std::string());
  // The Exif block points into garbage: the thumbnail cannot be decoded and
  // the browser does not fall back to the main picture.
  std::string garbage = CameraShot(kSceneShapes, kWidth, kHeight, 802);
  const size_t at = ThumbnailOffset(garbage);
  for (size_t i = 0; i < 32 && at + i < garbage.size(); ++i) garbage[at + i] = (char)(0x5A ^ (i * 29));
  demo.File("Damaged/Broken thumbnail.jpg", garbage);
  demo.Camera("Damaged/Fine.jpg", kSceneRings, 803);
}

// The picture turned by quarter turns, clockwise: how a camera held on its
// side stores what the viewer then stands up.
Picture Turned(const Picture& from, int quarterTurns) {
  Picture picture = from;
  for (int t = ((quarterTurns % 4) + 4) % 4; t > 0; --t) {
    Picture next = MakePicture(picture.height, picture.width, picture.components);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        for (int c = 0; c < picture.components; ++c) next.At(picture.height - 1 - y, x)[c] = picture.At(x, y)[c];
      }
    }
    picture = next;
  }
  return picture;
}

uint8_t RoundLogo(int x, int y) {
  const int dx = x - 200, dy = y - 150;
  const int r2 = dx * dx + dy * dy;
  return r2 < 100 * 100 ? 255 : r2 < 140 * 140 ? (uint8_t)(255 - (r2 - 10000) * 255 / 9600) : 0;
}

// The same scenes in every other format the desktop viewer reads, each
// written by its own library: photographs, a screenshot-like picture,
// transparency, animations, 16 bits, pictures stored turned, and a PNG with
// a JPEG's name.
void WriteFormats(DemoWriter& demo) {
  const int w = 800, h = 600;
  const Picture photo = RenderScene(kSceneSunset, w, h, 901);
  const Picture tiles = RenderScene(kSceneTiles, w, h, 902);
  const Picture logo = WithAlpha(RenderScene(kSceneRings, 400, 300, 903), RoundLogo);
  // A phone's facts and its display's profile, in the PNG and HEIC photos.
  CameraFacts phone;
  phone.model = "Vimbra Phone 3";
  phone.lens = "Vimbra Phone 3 back camera 4.2mm f/1.8";
  phone.fNumber[0] = 18;
  phone.focalLength[0] = 42;
  phone.exposure[1] = 120;
  phone.iso = 64;
  phone.latitude = 60.169857;
  phone.longitude = 24.938379;
  PngOptions png;
  png.exif = CameraFactsTiff(phone, false);
  png.icc = IccProfileNamed("Vimbra Display P3");
  demo.File("Formats/PNG photo.png", EncodePng(photo, png));
  png.exif.clear();
  png.icc.clear();
  demo.File("Formats/PNG with transparency.png", EncodePng(logo, png));
  png.orientation = 6;
  demo.File("Formats/PNG stored on its side.png", EncodePng(Turned(RenderScene(kSceneShapes, w, h, 904), -1), png));
  demo.File("Formats/PNG named as a JPEG.jpg", EncodePng(tiles));
  GifOptions gif;
  demo.File("Formats/GIF tiles.gif", EncodeGif(tiles, gif));
  gif.extraFrames = 3;
  demo.File("Formats/GIF animation.gif", EncodeGif(RenderScene(kSceneStripes, 320, 240, 905), gif));
  WebpOptions webp;
  demo.File("Formats/WebP photo.webp", EncodeWebp(RenderScene(kSceneMountains, w, h, 906), webp));
  webp.lossless = true;
  demo.File("Formats/WebP lossless with transparency.webp", EncodeWebp(logo, webp));
  webp.lossless = false;
  webp.extraFrames = 3;
  demo.File("Formats/WebP animation.webp", EncodeWebp(RenderScene(kSceneShapes, 320, 240, 907), webp));
  TiffOptions tiff;
  demo.File("Formats/TIFF scan.tif", EncodeTiff(RenderScene(kSceneStripes, w, h, 908), tiff));
  tiff.bitDepth = 16;
  tiff.compression = 8;
  demo.File("Formats/TIFF 16 bits.tiff", EncodeTiff(RenderScene(kSceneRings, w, h, 909), tiff));
  HeifOptions heif;
  heif.thumbnail = 320;
  heif.exif = CameraFactsTiff(phone, true);
  heif.icc = IccProfileNamed("Vimbra Display P3", true);
  const std::string heic = EncodeHeif(RenderScene(kSceneSunset, 1600, 1200, 910), heif);
  heif.exif.clear();
  heif.icc.clear();
  // HEIF and AVIF need the library's encoders; without them the rest stands.
  if (!heic.empty()) {
    demo.File("Formats/HEIC phone photo.heic", heic);
    heif.thumbnail = 0;
    heif.orientation = 8;
    demo.File("Formats/HEIC stored on its side.heic",
              EncodeHeif(Turned(RenderScene(kSceneMountains, w, h, 911), 1), heif));
  }
  HeifOptions avif;
  avif.avif = true;
  const std::string av1 = EncodeHeif(RenderScene(kSceneTiles, w, h, 912), avif);
  if (!av1.empty()) demo.File("Formats/AVIF picture.avif", av1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::printf(
        "usage: vimbra-make-demo DEVICE-ROOT\nWrites the demo device (pictures and folders) into DEVICE-ROOT.\n");
    return 0;
  }
  if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: vimbra-make-demo DEVICE-ROOT\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  DemoWriter demo{fs::path(argv[1])};
  demo.Folder("");
  WriteMyDocuments(demo);
  WriteCameraFolders(demo);
  WriteSpecialPictures(demo);
  WriteDamagedFiles(demo);
  WriteFormats(demo);
  demo.Folder("Empty");
  demo.File("Notes/readme.txt", "This folder holds no pictures.\n");
  if (!demo.ok()) return 1;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("vimbra-make-demo: %d files in %s (%.1f s)\n", demo.files(), argv[1], seconds);
  return 0;
}

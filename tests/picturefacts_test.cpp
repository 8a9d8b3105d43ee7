// Why: the information panel shows what a picture file says of itself. The
// Exif facts are read with libexif from blocks that may be hostile (loops,
// counts of 0xFFFF, offsets past the end, huge strings, zero denominators),
// which must give what can be read and nothing else, with every byte
// libexif takes counted against the budget and given back; and the panel's
// lines must be the same facts for every format that carries them.
#include "imaging/picturefacts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/heap.h"
#include "support/camerafacts.h"
#include "support/formatpics.h"
#include "support/scenes.h"
#include "support/testpics.h"

namespace {

PictureFacts FactsOfBlock(const std::string& tiff, BOOL* ok = nullptr) {
  const std::string block = std::string("Exif\0\0", 6) + tiff;
  PictureFacts facts;
  const BOOL read = ReadExifFacts((const BYTE*)block.data(), block.size(), &facts);
  if (ok != nullptr) *ok = read;
  return facts;
}

struct BlockCase {
  const char* name;
  bool big;
  ExifHazard hazard;
  size_t cutTo;  // 0: whole
  std::string model;
  // What must be read; what is not expected must be absent.
  std::string make, expectModel;
  bool exposure, position;
};

TEST(PictureFactsTest, ExifFactsFromCraftedAndHostileBlocks) {
  const std::string huge(60000, 'A');
  const BlockCase cases[] = {
      {"little-endian", false, ExifHazard::kNone, 0, "Vimbra DC-1", "Vimbra", "Vimbra DC-1", true, true},
      {"big-endian", true, ExifHazard::kNone, 0, "Vimbra DC-1", "Vimbra", "Vimbra DC-1", true, true},
      {"Exif directory loops to IFD0", false, ExifHazard::kExifLoopsToIfd0, 0, "M", "Vimbra", "M", false, true},
      {"GPS directory loops", true, ExifHazard::kGpsLoopsToItself, 0, "M", "Vimbra", "M", true, true},
      {"IFD0 claims 0xFFFF entries", false, ExifHazard::kIfd0Count0xFFFF, 0, "M", "Vimbra", "M", true, true},
      {"Make past the end", true, ExifHazard::kMakePastEnd, 0, "Vimbra DC-1", "", "Vimbra DC-1", true, true},
      // libexif gives up the rest of IFD0 (the GPS pointer) at a pointer past the end.
      {"Exif directory past the end", false, ExifHazard::kExifPastEnd, 0, "M", "Vimbra", "M", false, false},
      {"zero denominators", false, ExifHazard::kZeroDenominators, 0, "M", "Vimbra", "M", false, false},
      {"every count 0xFFFF", true, ExifHazard::kCountsFFFF, 0, "M", "", "", false, false},
      {"huge model string", false, ExifHazard::kNone, 0, huge, "Vimbra", huge.substr(0, kMaxFactChars), true, true},
      {"cut after IFD0's values", false, ExifHazard::kNone, 82, "M", "Vimbra", "M", false, false},
      {"cut inside the header", false, ExifHazard::kNone, 6, "M", "", "", false, false},
  };
  HeapSetBudget(64u << 20);
  for (const BlockCase& c : cases) {
    SCOPED_TRACE(c.name);
    CameraFacts camera;
    camera.model = c.model;
    std::string tiff = CameraFactsTiff(camera, c.big, c.hazard);
    if (c.cutTo != 0) tiff.resize(c.cutTo);
    const size_t blocks = HeapBlockCount(), reserved = HeapBytesReserved();
    BOOL ok = FALSE;
    const PictureFacts f = FactsOfBlock(tiff, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(f.make, c.make);
    EXPECT_EQ(f.model, c.expectModel);
    EXPECT_EQ(f.exposureSeconds > 0, c.exposure);
    EXPECT_EQ(f.hasPosition, c.position);
    if (c.exposure) {
      EXPECT_DOUBLE_EQ(f.exposureSeconds, 1.0 / 250);
      EXPECT_DOUBLE_EQ(f.fNumber, 2.8);
      EXPECT_DOUBLE_EQ(f.focalLengthMm, 5.4);
      EXPECT_EQ(f.iso, 200u);
      EXPECT_EQ(f.flash, 16);
      EXPECT_EQ(f.dateTaken, "2024:05:01 10:20:30");
      EXPECT_EQ(f.lens, "VB 4.5-13.5 mm");
    }
    if (c.position) {
      EXPECT_NEAR(f.latitude, 48.858370, 1e-6);
      EXPECT_NEAR(f.longitude, -2.294481, 1e-6);
    }
    // Everything libexif took is back.
    EXPECT_EQ(HeapBlockCount(), blocks);
    EXPECT_EQ(HeapBytesReserved(), reserved);
  }
  // libexif's memory is the budget's: with none left it cannot start.
  const std::string tiff = CameraFactsTiff(CameraFacts(), false);
  HeapSetBudget(HeapBytesInUse() + HeapBytesReserved() + 64);
  BOOL ok = TRUE;
  const PictureFacts starved = FactsOfBlock(tiff, &ok);
  HeapSetBudget(64u << 20);
  EXPECT_FALSE(ok);
  EXPECT_EQ(starved.make, "");
}

FILE* StreamOf(const std::string& bytes) {
  FILE* stream = std::tmpfile();
  if (stream != nullptr) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::rewind(stream);
  }
  return stream;
}

// The lines of a camera's facts after the format and pixel lines.
const std::vector<std::string> kCameraLines = {
    "Taken: 2024-05-01 10:20:30", "Camera: Vimbra DC-1",     "Lens: VB 4.5-13.5 mm",
    "Exposure: 1/250 s",          "Aperture: f/2.8",         "ISO: 200",
    "Focal length: 5.4 mm",       "Flash: did not fire",     "Orientation: 6 (turned 90\xC2\xB0 clockwise)",
    "GPS: 48.858370, -2.294481",  "Colour profile: Demo RGB"};

struct FileCase {
  const char* name;
  std::string bytes;
  const char* format;
  bool camera;
};

TEST(PictureFactsTest, PanelLinesOfEveryKindOfFile) {
  HeapSetBudget(64u << 20);
  CameraFacts facts;
  facts.orientation = 6;
  const std::string tiff = CameraFactsTiff(facts, true);
  const std::string icc = IccProfileNamed("Demo RGB");
  const Picture photo = RenderScene(kSceneSunset, 64, 48, 7);
  PngOptions png;
  png.exif = tiff;
  png.icc = icc;
  WebpOptions webp;
  webp.exif = CameraFactsTiff(facts, false);
  webp.icc = IccProfileNamed("Demo RGB", true);
  HeifOptions heif;
  heif.exif = tiff;
  heif.icc = icc;
  std::vector<FileCase> cases = {
      {"camera JPEG", CameraFileWithFacts(EncodeJpeg(photo), tiff, icc), "JPEG", true},
      {"grey JPEG without Exif", EncodeJpeg(ToGrey(photo)), "JPEG", false},
      {"PNG", EncodePng(photo, png), "PNG", true},
      {"WebP", EncodeWebp(photo, webp), "WebP", true},
      {"GIF", EncodeGif(photo), "GIF", false},
  };
  const std::string heic = EncodeHeif(photo, heif);
  if (!heic.empty()) cases.push_back({"HEIC", heic, "HEIF", true});
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    FILE* stream = StreamOf(c.bytes);
    ASSERT_NE(stream, nullptr);
    PictureFacts f;
    EXPECT_TRUE(ReadPictureFacts(stream, &f));
    std::fclose(stream);
    // Sizes of a kilobyte or more show in units first, with the exact count in brackets.
    std::string size = std::to_string(c.bytes.size());
    size.append(" bytes");
    if (c.bytes.size() >= 1024) size.insert(0, 1, '(').push_back(')');
    std::string format("Format: ");
    format.append(c.format);
    std::vector<std::string> expected = {size, format, "Pixels: 64 \xC3\x97 48"};
    if (c.camera) expected.insert(expected.end(), kCameraLines.begin(), kCameraLines.end());
    const std::vector<std::string> lines = PictureFactLines(f);
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines[0].rfind("File size: ", 0), 0u);
    EXPECT_NE(lines[0].find(expected[0]), std::string::npos) << lines[0];
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i], expected[i]);
  }
  // Not a picture: nothing but its size.
  FILE* text = StreamOf("plain text, not a picture");
  PictureFacts f;
  EXPECT_FALSE(ReadPictureFacts(text, &f));
  std::fclose(text);
  EXPECT_EQ(PictureFactLines(f), std::vector<std::string>{"File size: 25 bytes"});
}

}  // namespace

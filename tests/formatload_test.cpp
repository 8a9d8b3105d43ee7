// Why: the desktop viewer lists and shows every picture format, while the
// handheld's names and decodes stay exactly as they were: the list's names
// follow the setting, a JPEG comes out of the picture interface byte for
// byte as out of the JPEG path (reasons included), a file is decoded as
// what it is whatever its name, and the orientation any format reports is
// stood up as --auto-rotate stands up a JPEG's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filelist/imagefilelist.h"
#include "filelist/pictureload.h"
#include "platform/base/heap.h"
#include "shell/memblock.h"
#include "support/exifwriter.h"
#include "support/formatpics.h"
#include "support/scenes.h"
#include "support/temp_device.h"
#include "support/testpics.h"

namespace {

// The picture turned clockwise by quarter turns.
Picture Turned(const Picture& from, int quarterTurns) {
  Picture picture = from;
  for (int t = quarterTurns % 4; t > 0; --t) {
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

std::string Bytes(CDib dib) {
  return dib == nullptr ? std::string() : std::string((const char*)MemLock(dib), MemSize(dib));
}

class FormatLoadTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetAllFormats(FALSE);
    SetAutoRotate(FALSE);
  }
  // The picture of `file` stored as \p.<extension>, towards `box` (0: whole).
  std::string Load(const std::string& file, int box, const char* extension = "jpg") {
    const std::string name = std::string("\\p.") + extension;
    device.WriteFile(name, file);
    const CString path = WideFromUtf8(name);
    const CDibOwner dib(box == 0 ? LoadWholePicture(path.c_str()) : LoadPictureTowards(path.c_str(), box, box));
    return Bytes(dib.Get());
  }
  TempDevice device;
};

TEST_F(FormatLoadTest, JpegFilesComeOutAsFromTheJpegPath) {
  CameraShotOptions grey;
  grey.grey = true;
  JpegOptions progressive;
  progressive.progressive = true;
  ExifLayout turned;
  turned.ifd0 = {{0x0112, 3, 1, 6}};
  turned.withIfd1 = false;
  const struct {
    const char* what;
    std::string file;
  } kFiles[] = {
      {"camera file with an Exif thumbnail", CameraShot(kSceneShapes, 640, 480, 1)},
      {"grey", CameraShot(kSceneRings, 320, 200, 2, grey)},
      {"progressive", EncodeJpeg(RenderScene(kSceneStripes, 300, 200, 3), progressive)},
      {"orientation 6", CameraFile(EncodeJpeg(RenderScene(kSceneTiles, 320, 160, 4)), "", turned)},
      {"CMYK", EncodeJpeg(SolidCmyk(16, 16, 1, 2, 3, 4))},
      {"cut short", EncodeJpeg(RenderScene(kSceneSunset, 200, 100, 5)).substr(0, 900)},
      {"not a JPEG at all", "nothing"},
  };
  for (const auto& f : kFiles) {
    for (const BOOL rotate : {FALSE, TRUE}) {
      for (const int box : {0, 160, 100}) {
        SCOPED_TRACE(std::string(f.what) + ", box " + std::to_string(box) + (rotate ? ", upright" : ""));
        SetAutoRotate(rotate);
        SetAllFormats(FALSE);
        const std::string jpegPath = Load(f.file, box);
        const std::string jpegReason = PictureLastError();
        SetAllFormats(TRUE);
        const std::string anyPath = Load(f.file, box);
        EXPECT_EQ(anyPath, jpegPath);
        // Only a file that is no picture at all has a reason of its own.
        if (f.file != "nothing") {
          EXPECT_EQ(PictureLastError(), jpegReason);
        }
      }
    }
  }
}

TEST_F(FormatLoadTest, FilesAreDecodedAsWhatTheyAreWhateverTheirNames) {
  const Picture picture = RenderScene(kSceneShapes, 96, 64, 1);
  const std::string png = EncodePng(picture);
  const struct {
    const char* what;
    BOOL allFormats;
    std::string file;
    const char* extension;
    int width;  // 0: no picture
    const char* reason;
    PictureFailure failure;
  } kCases[] = {
      {"a PNG named .jpg", TRUE, png, "jpg", 96, "", PICTURE_FAILURE_NONE},
      {"a PNG named .gif", TRUE, png, "gif", 96, "", PICTURE_FAILURE_NONE},
      {"a WebP named .png", TRUE, EncodeWebp(picture), "png", 96, "", PICTURE_FAILURE_NONE},
      {"a PNG named .jpg, handheld", FALSE, png, "jpg", 0, "Not a JPEG file: starts with 0x89 0x50",
       PICTURE_FAILURE_DAMAGED},
      {"text named .png", TRUE, "hello", "png", 0, "not a picture: starts with 0x68 0x65", PICTURE_FAILURE_DAMAGED},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    SetAllFormats(c.allFormats);
    const std::string dib = Load(c.file, 0, c.extension);
    EXPECT_EQ(dib.empty() ? 0 : ((const BITMAPINFOHEADER*)dib.data())->biWidth, c.width);
    EXPECT_STREQ(PictureLastError(), c.reason);
    EXPECT_EQ(PictureLastFailure(), c.failure);
  }
  SetAllFormats(TRUE);
  EXPECT_EQ(LoadWholePicture(u"\\gone.png"), nullptr);
  EXPECT_EQ(PictureLastFailure(), PICTURE_FAILURE_OPEN);
  // A budget too small for the picture is the memory case, not damage.
  const size_t budget = HeapBudget();
  HeapSetBudget(HeapBytesInUse() + 4096);
  EXPECT_TRUE(Load(png, 0, "png").empty());
  EXPECT_EQ(PictureLastFailure(), PICTURE_FAILURE_MEMORY) << PictureLastError();
  HeapSetBudget(budget);
}

TEST_F(FormatLoadTest, EveryFormatsOrientationIsStoodUpAsAJpegsIs) {
  // A file tagged with an orientation, stood up, must be the upright
  // picture's file decoded as it is: whole, and towards a box whose 2 × 2
  // blocks fall alike on the stored and the upright picture.
  const Picture picture = RenderScene(kSceneTiles, 64, 40, 3);
  SetAllFormats(TRUE);
  for (int orientation : {3, 6, 8}) {
    const Picture upright = Turned(picture, orientation == 3 ? 2 : orientation == 6 ? 1 : 3);
    PngOptions png;
    png.orientation = orientation;
    TiffOptions tiff;
    tiff.orientation = orientation;
    WebpOptions webp;
    webp.lossless = true;
    const std::string plainWebp = EncodeWebp(upright, webp);
    webp.orientation = orientation;
    // WebP's own scaler rounds its two directions differently, so only its
    // whole picture is compared.
    const struct {
      const char* what;
      std::string tagged, plain;
      int largestBox;
    } kFiles[] = {{"PNG", EncodePng(picture, png), EncodePng(upright), 32},
                  {"TIFF", EncodeTiff(picture, tiff), EncodeTiff(upright), 32},
                  {"WebP", EncodeWebp(picture, webp), plainWebp, 0}};
    for (const auto& f : kFiles) {
      for (const int box : {0, 32}) {
        if (box > f.largestBox) continue;
        SCOPED_TRACE(std::string(f.what) + ", orientation " + std::to_string(orientation) + ", box " +
                     std::to_string(box));
        SetAutoRotate(FALSE);
        const std::string expected = Load(f.plain, box, "png");
        ASSERT_FALSE(expected.empty());
        SetAutoRotate(TRUE);
        EXPECT_TRUE(Load(f.tagged, box, "png") == expected);
      }
    }
  }
}

TEST_F(FormatLoadTest, TheListTakesTheNamesOfItsFormats) {
  device.MakeFolder("\\F");
  const char* const kNames[] = {"a.jpg",  "b.JPEG", "c.png",  "d.GIF", "e.webp", "f.tif",  "g.tiff",
                                "h.heic", "i.heif", "j.avif", "k.jpe", "l.txt",  "m.pngx", "n"};
  for (const char* name : kNames) WriteHostFile(device.HostPath("\\F") + "/" + name, "");
  const struct {
    BOOL allFormats;
    std::vector<std::u16string> names;
  } kCases[] = {
      {FALSE, {u"a.jpg", u"b.JPEG"}},
      {TRUE,
       {u"a.jpg", u"b.JPEG", u"c.png", u"d.GIF", u"e.webp", u"f.tif", u"g.tiff", u"h.heic", u"i.heif", u"j.avif",
        u"k.jpe"}},
  };
  for (const auto& c : kCases) {
    ListSettings settings;
    settings.allFormats = c.allFormats;
    CImageFileList list(settings);
    ASSERT_TRUE(list.SelectFolder(u"\\F"));
    ASSERT_EQ(list.GetCount(), (int)c.names.size());
    for (int i = 0; i < list.GetCount(); ++i) {
      CString path;
      ASSERT_TRUE(list.GetPath(i, path));
      EXPECT_EQ(path, u"\\F\\" + c.names[(size_t)i]);
    }
    EXPECT_EQ(GetAllFormats(), c.allFormats);
  }
  // The handheld's test never changes; the desktop's is a superset.
  for (const char16_t* e : {u"jpg", u"JPEG", u"png", u"heic", u"txt", u""}) {
    EXPECT_EQ(IsPictureExtensionOf(e, FALSE), IsPictureExtension(e));
    if (IsPictureExtension(e)) {
      EXPECT_TRUE(IsPictureExtensionOf(e, TRUE));
    }
  }
}

}  // namespace

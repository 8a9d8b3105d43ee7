// Why: a camera file whose embedded thumbnail gives no picture (an IFD1
// thumbnail of length 0, damaged bytes, a layout the decoder refuses, a
// pointer past the end) still has a main picture; the desktop program makes
// its grid cell from that picture, reduced towards the box as the decoder
// reduces it, while the handheld keeps its rule of not retrying and its cell
// stays empty. A thumbnail that decodes is used in both.
#include <gtest/gtest.h>

#include <string>

#include "filelist/pictureload.h"
#include "imaging/jpegdecode.h"
#include "shell/memblock.h"
#include "support/exifwriter.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

std::string BlockBytes(CDib dib) {
  const CDibOwner owner(dib);
  return dib == nullptr ? std::string() : std::string((const char*)MemLock(dib), MemSize(dib));
}

const std::string& MainPicture() {
  static const std::string main = EncodeJpeg(RampPicture(640, 480));
  return main;
}

// A camera file of the main picture with `thumbnail` as its IFD1 JPEG.
std::string CameraWith(const std::string& thumbnail) {
  return CameraFile(MainPicture(), thumbnail);
}

// The same JPEG claiming 12-bit samples, which the decoder refuses.
std::string TwelveBit(std::string jpeg) {
  EXPECT_TRUE(SetFramePrecision(&jpeg, 12));
  return jpeg;
}

class ThumbnailFallbackTest : public ::testing::Test {
 protected:
  void TearDown() override { SetJpegThumbnailFallback(FALSE); }
  std::string Cell(const std::string& file) {
    device.WriteFile("\\c.jpg", file);
    return BlockBytes(LoadPictureTowards(u"\\c.jpg", 160, 160));
  }
  TempDevice device;
};

TEST_F(ThumbnailFallbackTest, AThumbnailThatGivesNoPictureMakesWayForTheMainPicture) {
  const std::string goodThumbnail = EncodeJpeg(Inverted(RampPicture(160, 120)));
  // IFD1's JPEGInterchangeFormat entry (tag, LONG, count 1) now points
  // a megabyte past the end of the file.
  std::string pastTheEnd = CameraWith(goodThumbnail);
  const size_t entry = pastTheEnd.find(std::string("\x01\x02\x04\x00\x01\x00\x00\x00", 8));
  ASSERT_NE(entry, std::string::npos);
  pastTheEnd.replace(entry + 8, 4, std::string("\x00\x00\x10\x00", 4));
  // The desktop makes each cell from the main picture; the handheld none.
  const struct {
    const char* what;
    std::string file;
  } kCases[] = {
      {"IFD1 thumbnail of length 0", CameraWith("")},
      {"thumbnail that is no JPEG", CameraWith("not a picture at all")},
      {"thumbnail of 12-bit samples", CameraWith(TwelveBit(goodThumbnail))},
      {"CMYK thumbnail", CameraWith(EncodeJpeg(SolidCmyk(32, 24, 10, 20, 30, 40)))},
      {"pointer past the end of the file", pastTheEnd},
  };
  SetJpegThumbnailFallback(TRUE);
  const std::string fromMain = Cell(MainPicture());
  const std::string fromThumbnail = Cell(CameraWith(goodThumbnail));
  ASSERT_FALSE(fromMain.empty());
  ASSERT_FALSE(fromThumbnail.empty());
  ASSERT_FALSE(fromMain == fromThumbnail);
  for (BOOL desktop : {TRUE, FALSE}) {
    SetJpegThumbnailFallback(desktop);
    // A thumbnail that decodes is the cell in both.
    EXPECT_TRUE(Cell(CameraWith(goodThumbnail)) == fromThumbnail);
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(c.what) + (desktop ? ", desktop" : ", handheld"));
      const std::string cell = Cell(c.file);
      if (desktop) {
        EXPECT_TRUE(cell == fromMain);
        EXPECT_STREQ(PictureLastError(), "");
      } else {
        EXPECT_TRUE(cell.empty());
        EXPECT_STRNE(PictureLastError(), "");
      }
    }
  }
  // Both pictures damaged: no cell either way, and the main picture's reason.
  SetJpegThumbnailFallback(TRUE);
  EXPECT_TRUE(Cell(CameraFile(MainPicture().substr(0, 300), "")).empty());
  EXPECT_STRNE(PictureLastError(), "");
}

// The grid of the viewer itself: a camera file with an empty IFD1
// thumbnail beside one with a good one.
class ThumbnailFallbackViewerTest : public ViewerFixture {};

TEST_F(ThumbnailFallbackViewerTest, DesktopCellComesFromTheMainPictureHandheldCellStaysEmpty) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\empty.jpg", CameraWith(""));
  device.WriteFile("\\My Documents\\good.jpg", CameraWith(EncodeJpeg(RampPicture(160, 120))));
  for (ViewerProfile p : {PROFILE_DESKTOP, PROFILE_HANDHELD}) {
    SCOPED_TRACE(p == PROFILE_DESKTOP ? "desktop" : "handheld");
    profile = p;
    Start();
    ASSERT_EQ(List()->GetCount(), 2);
    for (int i = 0; i < 2; ++i) {
      CString path;
      List()->GetPath(i, path);
      const bool empty = path == u"\\My Documents\\empty.jpg";
      EXPECT_EQ(!BlockBytes(List()->GetOrMakeThumbnail(i)).empty(), !empty || p == PROFILE_DESKTOP);
    }
    Quit();
    app.reset();
    host.reset();
  }
}

}  // namespace

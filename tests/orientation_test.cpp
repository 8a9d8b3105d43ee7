// Why: the desktop program shows every picture upright by its Exif
// orientation, as the phone or camera meant it. The public set of
// orientation test pictures (a letter F, landscape and portrait, stored in
// each of the eight ways and tagged with its value) must show one and the
// same upright F in every file: the picture page's whole decode, the grid's
// decode towards its box from the main picture and from the embedded
// thumbnail (stored the same way), the viewer's grid cells and its picture
// page. The handheld shows them as stored.
//
// The pictures are flat blocks at quality 100 without chroma subsampling,
// which decode exactly at every reduction: a picture turned or mirrored
// after decoding equals the upright one decoded, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filelist/pictureload.h"
#include "imaging/dibdraw.h"
#include "pages/imagepage.h"
#include "platform/base/wstr.h"
#include "shell/memblock.h"
#include "support/exifwriter.h"
#include "support/orientpics.h"
#include "support/pixels.h"
#include "support/viewer_fixture.h"

namespace {

struct Shape {
  const char* name;  // as the public set names its files
  int width, height;
};
constexpr Shape kShapes[] = {{"Landscape", 480, 320}, {"Portrait", 320, 480}};

std::string Exact(const Picture& picture) {
  JpegOptions options;
  options.quality = 100;
  options.fullChroma = true;
  return EncodeJpeg(picture, options);
}

// The set's file of `shape` for `orientation`: the F stored that way and
// tagged with it, its thumbnail (half the size, other colours, so that a
// cell made from it differs from one made from the main picture) too.
std::string SetFile(const Shape& shape, int orientation, bool withThumbnail = true) {
  ExifLayout layout;
  layout.ifd0 = {{0x0112, 3, 1, (uint32_t)orientation}, {0x0128, 3, 1, 2}};
  layout.withIfd1 = withThumbnail;
  const Picture thumbnail = LetterF(shape.width / 2, shape.height / 2, 8, 1);
  return CameraFile(Exact(StoredAs(LetterF(shape.width, shape.height, 16), orientation)),
                    withThumbnail ? Exact(StoredAs(thumbnail, orientation)) : std::string(), layout);
}

// The bytes of a picture the caller owned (freed here).
std::string BlockBytes(CDib dib) {
  const CDibOwner owner(dib);
  return dib == nullptr ? std::string() : std::string((const char*)MemLock(dib), MemSize(dib));
}

int WidthOf(const std::string& block) {
  BITMAPINFOHEADER header = {};
  if (block.size() >= sizeof header) std::memcpy(&header, block.data(), sizeof header);
  return header.biWidth;
}

class OrientationLoadTest : public ::testing::Test {
 protected:
  void TearDown() override { SetAutoRotate(FALSE); }
  TempDevice device;
};

TEST_F(OrientationLoadTest, EveryFileOfTheSetLoadsAsTheUprightPicture) {
  const struct {
    const char* what;
    int box;  // 0: whole, as the picture page decodes
    bool withThumbnail;
  } kLoads[] = {{"picture page", 0, true}, {"grid box, main picture", 160, false}, {"grid box, thumbnail", 160, true}};
  SetAutoRotate(TRUE);
  for (const Shape& shape : kShapes) {
    std::string mainBox;
    for (const auto& load : kLoads) {
      auto loaded = [&](int orientation) {
        device.WriteFile("\\f.jpg", SetFile(shape, orientation, load.withThumbnail));
        return BlockBytes(load.box > 0 ? LoadPictureTowards(u"\\f.jpg", load.box, load.box)
                                       : LoadWholePicture(u"\\f.jpg"));
      };
      const std::string upright = loaded(1);
      ASSERT_FALSE(upright.empty());
      // The box takes a quarter of the main picture, half of the thumbnail.
      EXPECT_EQ(WidthOf(upright), load.box > 0 ? shape.width / 4 : shape.width);
      // The thumbnail's cell is not the main picture's.
      if (load.box > 0 && !load.withThumbnail) mainBox = upright;
      if (load.box > 0 && load.withThumbnail) {
        EXPECT_FALSE(upright == mainBox);
      }
      for (int orientation = 2; orientation <= 8; ++orientation) {
        SCOPED_TRACE(std::string(shape.name) + "_" + std::to_string(orientation) + ", " + load.what);
        EXPECT_TRUE(loaded(orientation) == upright);
      }
    }
  }
}

// The viewer over the whole set, as a user sees it: every file's grid cell
// (the thumbnail the grid draws) and its picture page, against those of the
// upright file of its shape.
class OrientationViewerTest : public ViewerFixture {
 protected:
  struct Seen {
    std::string cell;
    std::vector<uint32_t> page;
    int width = 0, height = 0;  // of the picture held
  };
  std::vector<Seen> SeenFiles() {
    std::vector<Seen> seen;
    for (const Shape& shape : kShapes) {
      for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::u16string path =
            u"\\My Documents\\" + WideFromUtf8(std::string(shape.name) + "_" + std::to_string(orientation) + ".jpg");
        Seen s;
        for (int i = 0; i < List()->GetCount(); ++i) {
          CString candidate;
          if (!List()->GetPath(i, candidate) || candidate != path) continue;
          s.cell = BlockBytes(List()->GetOrMakeThumbnail(i));
          Viewer().SwitchPage(PAGE_BROWSER);
          List()->SetCurrent(i);
          Viewer().SwitchPage(PAGE_IMAGE);
          Pump();
          s.page = Pixels(Screen());
          GetDibSize(List()->m_hPicture, s.width, s.height);
        }
        EXPECT_FALSE(s.cell.empty());
        seen.push_back(s);
      }
    }
    return seen;
  }
  void WriteSet() {
    device.MakeFolder("\\My Documents");
    for (const Shape& shape : kShapes) {
      for (int orientation = 1; orientation <= 8; ++orientation) {
        device.WriteFile("\\My Documents\\" + std::string(shape.name) + "_" + std::to_string(orientation) + ".jpg",
                         SetFile(shape, orientation));
      }
    }
  }
};

TEST_F(OrientationViewerTest, DesktopShowsAllSixteenUprightAndTheHandheldAsStored) {
  WriteSet();
  for (ViewerProfile p : {PROFILE_DESKTOP, PROFILE_HANDHELD}) {
    profile = p;
    Start();
    const std::vector<Seen> seen = SeenFiles();
    ASSERT_EQ(seen.size(), 16u);
    for (size_t i = 0; i < seen.size(); ++i) {
      const Shape& shape = kShapes[i / 8];
      const int orientation = (int)(i % 8) + 1;
      const Seen& upright = seen[i / 8 * 8];
      SCOPED_TRACE(std::string(p == PROFILE_DESKTOP ? "desktop, " : "handheld, ") + shape.name + "_" +
                   std::to_string(orientation));
      const bool sidesSwapped = orientation >= 5;
      if (p == PROFILE_DESKTOP) {
        // A phone's portrait stored on its side (Portrait_6) is held upright.
        EXPECT_EQ(seen[i].width, shape.width);
        EXPECT_EQ(seen[i].height, shape.height);
        EXPECT_TRUE(seen[i].cell == upright.cell);
        EXPECT_TRUE(seen[i].page == upright.page);
      } else {
        EXPECT_EQ(seen[i].width, sidesSwapped ? shape.height : shape.width);
        EXPECT_EQ(seen[i].cell == upright.cell, orientation == 1);
        EXPECT_EQ(seen[i].page == upright.page, orientation == 1);
      }
    }
    Quit();
    app.reset();
    host.reset();
  }
}

}  // namespace

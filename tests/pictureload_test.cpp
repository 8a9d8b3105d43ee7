// Why: with --auto-rotate every picture the viewer shows (the grid's fit
// decode, on the workers or in the paint, and the picture page's full
// decode) must be the upright picture a phone or camera meant, pixel for
// pixel, the mirrored orientations included; without it pictures stay as
// stored; and a turn that finds no memory must end as the out-of-memory
// case, never sideways.
//
// The pictures are flat 16 × 16 blocks at quality 100 without chroma
// subsampling: such blocks decode exactly at every reduction, so a picture
// turned after decoding equals the upright picture decoded, byte for byte.
#include "filelist/pictureload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/base/heap.h"
#include "platform/base/wstr.h"
#include "shell/memblock.h"
#include "support/exifwriter.h"
#include "support/orientpics.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

// Flat blocks whose colours tell every block apart (and its neighbours);
// another seed gives other colours.
Picture BlockPattern(int width, int height, int block, int components, int seed = 0) {
  Picture picture = MakePicture(width, height, components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int bx = x / block, by = y / block;
      uint8_t* p = picture.At(x, y);
      for (int c = 0; c < components; ++c) p[c] = (uint8_t)(20 + ((bx * 53 + by * 97 + c * 71 + seed * 37) % 200));
    }
  }
  return picture;
}

std::string Exact(const Picture& picture) {
  JpegOptions options;
  options.quality = 100;
  options.fullChroma = true;
  return EncodeJpeg(picture, options);
}

// A camera file of `upright` stored as orientation `storedAs` stores it,
// tagged with `orientation`; with an embedded thumbnail (stored the same
// way) or not.
std::string Stored(const Picture& upright, const Picture* thumbnail, int storedAs, int orientation) {
  ExifLayout layout;
  layout.ifd0 = {{0x0112, 3, 1, (uint32_t)orientation}, {0x0128, 3, 1, 2}};
  layout.withIfd1 = thumbnail != nullptr;
  const std::string thumb = thumbnail != nullptr ? Exact(StoredAs(*thumbnail, storedAs)) : std::string();
  return CameraFile(Exact(StoredAs(upright, storedAs)), thumb, layout);
}

std::string BlockBytes(CDib dib) {
  if (dib == nullptr) return std::string();
  return std::string((const char*)MemLock(dib), MemSize(dib));
}

class PictureLoadTest : public ::testing::Test {
 protected:
  void TearDown() override { SetAutoRotate(FALSE); }
  std::string Load(const std::string& file, int width, int height) {
    device.WriteFile("\\p.jpg", file);
    const CDibOwner dib(width == 0 ? LoadWholePicture(u"\\p.jpg") : LoadPictureTowards(u"\\p.jpg", width, height));
    return BlockBytes(dib.Get());
  }
  TempDevice device;
};

TEST_F(PictureLoadTest, EachOrientationDecodesToTheUprightPicture) {
  const struct {
    const char* what;
    int width, height;  // of the box; 0 × 0 decodes whole
    int components;
    bool withThumbnail;
  } kDecodes[] = {
      {"whole, colour", 0, 0, 3, false},    {"whole, grey", 0, 0, 1, false},
      {"grid box", 160, 160, 3, false},     {"grid box from the Exif thumbnail", 160, 160, 3, true},
      {"flat box, 1/4", 320, 48, 3, false}, {"grid box, grey", 160, 160, 1, false},
  };
  const size_t blocksBefore = HeapBlockCount();
  for (const auto& d : kDecodes) {
    const Picture upright = BlockPattern(320, 192, 16, d.components);
    const Picture thumb = BlockPattern(160, 96, 8, d.components);
    const Picture* thumbnail = d.withThumbnail ? &thumb : nullptr;
    SetAutoRotate(TRUE);
    const std::string reference = Load(Stored(upright, thumbnail, 0, 1), d.width, d.height);
    ASSERT_FALSE(reference.empty()) << d.what;
    for (int orientation = 1; orientation <= 8; ++orientation) {
      for (BOOL on : {TRUE, FALSE}) {
        SCOPED_TRACE(std::string(d.what) + ", orientation " + std::to_string(orientation) + (on ? ", on" : ", off"));
        // Stored turned or mirrored as a camera would.
        const std::string file = Stored(upright, thumbnail, orientation, orientation);
        SetAutoRotate(on);
        const std::string loaded = Load(file, d.width, d.height);
        if (on || orientation == 1) {
          EXPECT_TRUE(loaded == reference);
        } else {
          // Off: as stored, like the same file tagged 1.
          const std::string asStored = Load(Stored(upright, thumbnail, orientation, 1), d.width, d.height);
          ASSERT_FALSE(asStored.empty());
          EXPECT_TRUE(loaded == asStored);
          EXPECT_FALSE(loaded == reference);
        }
      }
    }
  }
  EXPECT_EQ(HeapBlockCount(), blocksBefore);
}

TEST_F(PictureLoadTest, TurnWithoutMemoryRefusesThePictureAndSaysWhy) {
  // The budget holds one decode of 320 × 192 but not a second copy of it.
  const Picture upright = BlockPattern(320, 192, 16, 3);
  const size_t picture = 40 + 320 * 3 * 192;
  const size_t budget = HeapBudget();
  SetAutoRotate(TRUE);
  const struct {
    int orientation;
    bool shown;
  } kCases[] = {{1, true}, {2, true}, {3, true}, {4, true}, {5, false}, {6, false}, {7, false}, {8, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.orientation);
    const std::string file = Stored(upright, nullptr, c.orientation, c.orientation);
    device.WriteFile("\\p.jpg", file);
    const size_t blocksBefore = HeapBlockCount();
    HeapSetBudget(HeapBytesInUse() + picture + picture / 2);
    CDibOwner dib(LoadWholePicture(u"\\p.jpg"));
    HeapSetBudget(budget);
    EXPECT_EQ(dib.Get() != nullptr, c.shown);
    EXPECT_STREQ(PictureLastError(), c.shown ? "" : "not enough memory");
    dib.Reset();
    EXPECT_EQ(HeapBlockCount(), blocksBefore);
  }
  // A file that cannot be opened keeps the decoder's reason.
  EXPECT_EQ(LoadWholePicture(u"\\none.jpg"), nullptr);
  EXPECT_STREQ(PictureLastError(), "cannot open the file");
}

// The viewer end to end on the headless host: grid cell, fit view, two zoom
// steps and a pan of a camera file in each orientation, against the same
// steps on the upright file.
class AutoRotateViewerTest : public ViewerFixture {
 protected:
  std::vector<uint32_t> Pixels() const {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < Screen().Height(); ++y)
      pixels.insert(pixels.end(), Screen().Row(y), Screen().Row(y) + Screen().Width());
    return pixels;
  }
  // The canvases of the steps, from a fresh viewer over a folder holding
  // `file` alone.
  std::vector<std::vector<uint32_t>> Steps(const std::string& file) {
    device.MakeFolder("\\My Documents");
    device.WriteFile("\\My Documents\\IMG_0001.jpg", file);
    std::vector<std::vector<uint32_t>> shots;
    Start();
    EXPECT_TRUE(host->WaitForBackgroundWork(60000));
    shots.push_back(Pixels());
    Tap(30, 30);
    shots.push_back(Pixels());
    Command(ID_ZOOM_IN);
    Command(ID_ZOOM_IN);
    shots.push_back(Pixels());
    Drag(150, 150, 100, 90);
    shots.push_back(Pixels());
    Quit();
    app.reset();
    host.reset();
    return shots;
  }
};

TEST_F(AutoRotateViewerTest, GridAndPicturePageShowTheUprightPicture) {
  const Picture upright = BlockPattern(480, 320, 16, 3);
  const Picture thumb = BlockPattern(160, 112, 8, 3);
  for (int workers : {1, 4}) {
    threads = workers;
    autoRotate = true;
    const auto reference = Steps(Stored(upright, &thumb, 0, 1));
    const auto bare = Steps(Stored(upright, nullptr, 0, 1));
    ASSERT_EQ(reference.size(), 4u);
    for (int orientation = 1; orientation <= 8; ++orientation) {
      for (bool withThumbnail : {true, false}) {
        SCOPED_TRACE("threads " + std::to_string(workers) + ", orientation " + std::to_string(orientation) +
                     (withThumbnail ? ", Exif thumbnail" : ", main picture"));
        const auto shots = Steps(Stored(upright, withThumbnail ? &thumb : nullptr, orientation, orientation));
        const auto& expected = withThumbnail ? reference : bare;
        for (size_t i = 0; i < shots.size(); ++i) EXPECT_TRUE(shots[i] == expected[i]) << "step " << i;
      }
    }
    // Off by default: a picture tagged 6 shows as stored, like the stored
    // pixels without a tag, and unlike the upright picture.
    autoRotate = false;
    const auto asStored = Steps(Stored(upright, &thumb, 6, 6));
    const auto untagged = Steps(Stored(upright, &thumb, 6, 1));
    for (size_t i = 0; i < asStored.size(); ++i) {
      EXPECT_TRUE(asStored[i] == untagged[i]) << "step " << i;
      EXPECT_FALSE(asStored[i] == reference[i]) << "step " << i;
    }
  }
}

TEST_F(AutoRotateViewerTest, SteppingWithPicturesReadAheadShowsThemUpright) {
  // Four pictures tagged 6, 3, 8 and 1, stepped through twice with the
  // arrow keys and reached with End and Home; with workers each step takes
  // the picture a worker read ahead. The same steps over the four pictures
  // stored upright give the reference.
  const int kOrientations[] = {6, 3, 8, 1};
  auto steps = [&](bool tagged) {
    device.MakeFolder("\\My Documents");
    for (int i = 0; i < 4; ++i) {
      const Picture upright = BlockPattern(480, 320, 16, 3, i);
      const int orientation = tagged ? kOrientations[i] : 1;
      device.WriteFile("\\My Documents\\p" + std::to_string(i) + ".jpg",
                       Stored(upright, nullptr, orientation, orientation));
    }
    std::vector<std::vector<uint32_t>> shots;
    Start();
    Tap(30, 30);
    int aheadTaken = 0;
    for (UINT key : {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_LEFT, VK_END, VK_HOME, VK_LEFT}) {
      EXPECT_TRUE(host->WaitForBackgroundWork(60000));
      const int next = (List()->m_nCurrent + (key == VK_LEFT ? 3 : 1)) % 4;
      if (key != VK_END && key != VK_HOME && List()->HasPictureAhead(next)) ++aheadTaken;
      Key(key);
      shots.push_back(Pixels());
    }
    Quit();
    app.reset();
    host.reset();
    return std::make_pair(shots, aheadTaken);
  };
  autoRotate = true;
  for (int workers : {1, 4}) {
    SCOPED_TRACE("threads " + std::to_string(workers));
    threads = workers;
    const auto reference = steps(false);
    const auto shown = steps(true);
    ASSERT_EQ(shown.first.size(), reference.first.size());
    for (size_t i = 0; i < shown.first.size(); ++i) EXPECT_TRUE(shown.first[i] == reference.first[i]) << "step " << i;
    if (workers > 1) {
      EXPECT_GT(shown.second, 2);
    } else {
      EXPECT_EQ(shown.second, 0);
    }
  }
}

TEST_F(AutoRotateViewerTest, PictureThatCannotBeTurnedShowsTheMemoryMessage) {
  // Enough for one 480 × 320 picture and the grid, not for its turned copy.
  const Picture upright = BlockPattern(480, 320, 16, 3);
  const size_t budget = HeapBudget();
  autoRotate = true;
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\a.jpg", Stored(upright, nullptr, 6, 6));
  device.WriteFile("\\My Documents\\b.jpg", Stored(upright, nullptr, 0, 1));
  Start();
  HeapSetBudget(HeapBytesInUse() + 40 + 480 * 320 * 3 + 100000);
  auto open = [&](const std::u16string& name) {
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString path;
      List()->GetPath(i, path);
      if (path == u"\\My Documents\\" + name) List()->SetCurrent(i);
    }
    Viewer().SwitchPage(PAGE_BROWSER);
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
  };
  open(u"a.jpg");
  EXPECT_EQ(List()->m_hPicture, nullptr);
  const auto message = Pixels();
  // The same budget shows the picture stored upright.
  open(u"b.jpg");
  EXPECT_NE(List()->m_hPicture, nullptr);
  EXPECT_FALSE(Pixels() == message);
  // The turned one again: the message again, and it is the out-of-memory
  // one, the same as for a file that is not a picture at all.
  open(u"a.jpg");
  EXPECT_EQ(List()->m_hPicture, nullptr);
  EXPECT_TRUE(Pixels() == message);
  device.WriteFile("\\My Documents\\b.jpg", "not a picture");
  open(u"b.jpg");
  EXPECT_TRUE(Pixels() == message);
  HeapSetBudget(budget);
}

}  // namespace

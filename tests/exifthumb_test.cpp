// Why: every thumbnail request walks the first bytes of a file that may be
// anything; the walk must find exactly the cameras' layout, in either byte
// order, and end with false (never a wild position) on everything else.
#include "imaging/exifthumb.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/exifwriter.h"
#include "support/testpics.h"

namespace {

// What the walk saw: its answer and where it left the stream.
struct WalkResult {
  BOOL found;
  long position;
};

WalkResult Walk(const std::string& bytes) {
  FILE* stream = StreamOf(bytes);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return {FALSE, -1};
  const BOOL found = FindExifThumbnail(stream);
  const long position = std::ftell(stream);
  std::fclose(stream);
  return {found, position};
}

// A hand-made camera header: SOI, APP1, "Exif\0\0", TIFF header with IFD0 at
// `ifd0Offset`, IFD0 with `ifd0Entries` entries linking to IFD1 (0 for none),
// IFD1 with the given entries. Offsets in the result are TIFF offsets.
struct HandMade {
  bool bigEndian = false;
  uint32_t ifd0Offset = 8;
  uint32_t ifd0Entries = 2;
  bool ifd1 = true;
  int64_t ifd1OffsetOverride = -1;  // otherwise right after IFD0
  std::vector<ExifEntry> ifd1Entries = {{kTagCompression, 3, 1, 6}, {kTagJpegInterchangeFormat, 4, 1, 5000}};
  size_t padTo = 0;  // file size to reach with zero bytes
  std::string gap;   // bytes between the TIFF header and IFD0
};

std::string Build(const HandMade& h) {
  TiffBytes tiff(h.bigEndian);
  tiff.Raw(h.bigEndian ? "MM" : "II");
  tiff.U16(42);
  tiff.U32(h.ifd0Offset);
  tiff.Raw(h.gap);
  tiff.PadTo(h.ifd0Offset);
  tiff.U16(h.ifd0Entries);
  for (uint32_t i = 0; i < h.ifd0Entries; ++i) {
    // Entries that would look like a thumbnail pointer if they were read.
    tiff.U16(kTagJpegInterchangeFormat);
    tiff.U16(4);
    tiff.U32(1);
    tiff.U32(77);
  }
  const uint32_t ifd1 = (uint32_t)tiff.Size() + 4;
  tiff.U32(!h.ifd1 ? 0 : h.ifd1OffsetOverride >= 0 ? (uint32_t)h.ifd1OffsetOverride : ifd1);
  if (h.ifd1) {
    tiff.U16((uint32_t)h.ifd1Entries.size());
    for (const ExifEntry& e : h.ifd1Entries) {
      tiff.U16(e.tag);
      tiff.U16(e.type);
      tiff.U32(e.count);
      tiff.U32(e.value);
    }
    tiff.U32(0);
  }
  std::string file = std::string(
                         "\xFF\xD8\xFF\xE1\x00\x00"
                         "Exif\0\0",
                         12) +
                     tiff.Bytes();
  if (file.size() < h.padTo) file.resize(h.padTo, '\0');
  return file;
}

TEST(ExifWalk, FindsTheThumbnailInEitherByteOrder) {
  HandMade little;
  little.padTo = 6000;
  const WalkResult a = Walk(Build(little));
  EXPECT_TRUE(a.found);
  EXPECT_EQ(a.position, 5012);

  HandMade big = little;
  big.bigEndian = true;
  const WalkResult b = Walk(Build(big));
  EXPECT_TRUE(b.found);
  EXPECT_EQ(b.position, 5012);
}

TEST(ExifWalk, SkipsToIfd0AtItsOffset) {
  // IFD0 at TIFF offset 10: two gap bytes that would read as a count of
  // 0xFFFF if the walk did not skip them.
  HandMade h;
  h.ifd0Offset = 10;
  h.gap = "\xFF\xFF";
  h.padTo = 6000;
  const WalkResult r = Walk(Build(h));
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.position, 5012);
}

TEST(ExifWalk, SkipsIfd0EntriesWithoutReadingThem) {
  // IFD0's entries carry 0x0201 = 77; only IFD1's entry counts.
  HandMade h;
  h.ifd0Entries = 5;
  h.padTo = 6000;
  EXPECT_EQ(Walk(Build(h)).position, 5012);
}

TEST(ExifWalk, TakesTheFirstPointerAndIgnoresCompression) {
  HandMade h;
  h.ifd1Entries = {{kTagCompression, 3, 1, 1},
                   {kTagJpegInterchangeFormatLength, 4, 1, 900},
                   {kTagJpegInterchangeFormat, 4, 1, 300},
                   {kTagJpegInterchangeFormat, 4, 1, 400}};
  h.padTo = 1000;
  const WalkResult r = Walk(Build(h));
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.position, 312);
}

TEST(ExifWalk, RefusesOtherLayouts) {
  const std::string camera = Build(HandMade{});
  // A JFIF file: APP0 directly after SOI, even with an Exif APP1 behind it.
  std::string jfif = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20) + camera.substr(2);
  EXPECT_FALSE(Walk(jfif).found);
  // Fill bytes before APP1.
  EXPECT_FALSE(Walk(std::string("\xFF\xD8\xFF\xFF\xE1", 5) + camera.substr(4)).found);
  // "Exif" must be followed by two zero bytes.
  std::string identifier = camera;
  identifier[11] = 'x';
  EXPECT_FALSE(Walk(identifier).found);
  identifier = camera;
  identifier[10] = 1;
  EXPECT_FALSE(Walk(identifier).found);
  identifier = camera;
  identifier[9] = 'F';
  EXPECT_FALSE(Walk(identifier).found);
  EXPECT_FALSE(Walk("not a picture at all").found);
  EXPECT_FALSE(Walk(std::string()).found);
}

TEST(ExifWalk, EndsWithoutIfd1OrPointer) {
  HandMade none;
  none.ifd1 = false;
  EXPECT_FALSE(Walk(Build(none)).found);

  HandMade empty;
  empty.ifd1Entries.clear();
  EXPECT_FALSE(Walk(Build(empty)).found);

  HandMade strips;
  strips.ifd1Entries = {{kTagCompression, 3, 1, 1}, {0x0111, 4, 1, 200}, {0x0117, 4, 1, 100}};
  EXPECT_FALSE(Walk(Build(strips)).found);
}

TEST(ExifWalk, NullStreamIsFalse) {
  EXPECT_FALSE(FindExifThumbnail(nullptr));
}

TEST(ExifWalk, StartsFromTheBeginningWhereverTheStreamStands) {
  HandMade h;
  h.padTo = 6000;
  FILE* stream = StreamOf(Build(h));
  ASSERT_NE(stream, nullptr);
  std::fseek(stream, 3000, SEEK_SET);
  EXPECT_TRUE(FindExifThumbnail(stream));
  EXPECT_EQ(std::ftell(stream), 5012);
  std::fclose(stream);
}

TEST(ExifWalkDamage, EveryTruncationBeforeThePointerEndsFalse) {
  HandMade h;
  const std::string file = Build(h);
  // The walk has the pointer once the last byte of its value was read.
  const size_t complete = file.size() - 4;
  for (size_t cut = 0; cut < complete; ++cut) {
    EXPECT_FALSE(Walk(file.substr(0, cut)).found) << "cut at " << cut;
  }
  // From there on the value was there: the stream is set past the end and
  // the decoder finds nothing to read.
  const WalkResult r = Walk(file.substr(0, complete));
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.position, 5012);
}

// Overwrites the little-endian IFD0 offset (file offset 16) of a built file,
// leaving the directories where they are.
std::string WithIfd0Offset(std::string file, uint32_t offset) {
  for (int i = 0; i < 4; ++i) file[16 + (size_t)i] = (char)((offset >> (8 * i)) & 0xFF);
  return file;
}

TEST(ExifWalkDamage, OffsetsPointingAnywhereEndFalse) {
  const std::string camera = Build(HandMade{});
  // IFD0 past the end of the file, up to the largest offset there is.
  for (uint32_t offset : {5000u, 0x7FFFFFFFu, 0xFFFFFFF7u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(Walk(WithIfd0Offset(camera, offset)).found) << offset;
  }
  // IFD1 past the end, or at the largest offsets.
  for (int64_t offset : {4000ll, 0xFFFFFFF0ll, 0xFFFFFFFFll}) {
    HandMade h;
    h.ifd1OffsetOverride = offset;
    EXPECT_FALSE(Walk(Build(h)).found) << offset;
  }
  // IFD0 inside the TIFF header: offset 0 reads the byte-order mark "II" =
  // 0x4949 as the entry count and skips 225 KB, past the end.
  EXPECT_FALSE(Walk(WithIfd0Offset(camera, 0)).found);
}

TEST(ExifWalkDamage, IfdPointingIntoItselfIsReadOnce) {
  // IFD1 "is" IFD0, whose entries carry 0x0201 = 77: the walk reads that
  // directory once and stops at the first pointer, no loop.
  HandMade h;
  h.ifd1OffsetOverride = 8;
  const WalkResult r = Walk(Build(h));
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.position, 77 + 12);
}

TEST(ExifWalkDamage, LargestCountsStayBounded) {
  // IFD0 announcing 65535 entries: the skip leaves the file, the link is
  // not there.
  HandMade skip;
  skip.ifd0Entries = 0;
  std::string file = Build(skip);
  file[20] = '\xFF';
  file[21] = '\xFF';
  EXPECT_FALSE(Walk(file).found);

  // IFD1 announcing 65535 entries with only two present.
  HandMade many;
  many.ifd1Entries = {{0x0100, 4, 1, 1}, {0x0101, 4, 1, 1}};
  file = Build(many);
  const size_t countAt = kTiffBase + 8 + 2 + 2 * 12 + 4;
  file[countAt] = '\xFF';
  file[countAt + 1] = '\xFF';
  EXPECT_FALSE(Walk(file).found);

  // All 65535 entries present and the pointer in the very last one.
  HandMade full;
  full.ifd1Entries.assign(65534, ExifEntry{0x0100, 4, 1, 1});
  full.ifd1Entries.push_back(ExifEntry{kTagJpegInterchangeFormat, 4, 1, 123});
  const WalkResult r = Walk(Build(full));
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.position, 135);
}

TEST(ExifWalkWriter, CameraFilesOfTheTestLibraryAreFound) {
  const std::string main = EncodeJpeg(SolidColour(64, 48, 200, 0, 0));
  const std::string thumb = EncodeJpeg(SolidColour(16, 12, 0, 200, 0));
  for (bool big : {false, true}) {
    for (uint32_t ifd0 : {8u, 20u}) {
      ExifLayout layout;
      layout.bigEndian = big;
      layout.ifd0Offset = ifd0;
      const std::string file = CameraFile(main, thumb, layout);
      const WalkResult r = Walk(file);
      EXPECT_TRUE(r.found) << big << " " << ifd0;
      EXPECT_EQ((size_t)r.position, ThumbnailOffset(file));
      EXPECT_EQ(file.substr((size_t)r.position, thumb.size()), thumb);
    }
  }
  ExifLayout noIfd1;
  noIfd1.withIfd1 = false;
  EXPECT_FALSE(Walk(CameraFile(main, thumb, noIfd1)).found);
  ExifLayout strips;
  strips.withJpegPointer = false;
  EXPECT_FALSE(Walk(CameraFile(main, thumb, strips)).found);
}

}  // namespace

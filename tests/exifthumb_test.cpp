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

// ---- Orientation -------------------------------------------------------

int Orientation(const std::string& bytes) {
  FILE* stream = StreamOf(bytes);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return -1;
  const int orientation = ReadExifOrientation(stream);
  std::fclose(stream);
  return orientation;
}

// A camera file whose IFD0 holds `entries`, without IFD1.
std::string WithIfd0(std::vector<ExifEntry> entries, bool big = false) {
  ExifLayout layout;
  layout.bigEndian = big;
  layout.ifd0 = std::move(entries);
  layout.withIfd1 = false;
  return CameraFile(EncodeJpeg(SolidColour(16, 8, 10, 20, 30)), std::string(), layout);
}

// A segment of any kind: marker, length, payload.
std::string Segment(uint8_t marker, const std::string& payload) {
  const size_t length = payload.size() + 2;
  return std::string("\xFF", 1) + (char)marker + (char)(length >> 8) + (char)(length & 0xFF) + payload;
}

// Bytes of one IFD entry in little-endian order.
std::string EntryBytes(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  TiffBytes bytes(false);
  bytes.U16(tag);
  bytes.U16(type);
  bytes.U32(count);
  bytes.U32(value);
  return bytes.Bytes();
}

TEST(ExifOrientation, ReadsTheTagWhereverTheFileKeepsIt) {
  const ExifEntry unit = {0x0128, 3, 1, 2};
  const std::string exif6 = WithIfd0({{0x0112, 3, 1, 6}});
  const std::string jfif = EncodeJpeg(SolidColour(16, 8, 10, 20, 30));
  const std::string app0 = jfif.substr(2, FindMarker(jfif, 0xDB) - 2);  // its JFIF segment
  const struct {
    const char* what;
    std::string file;
    int expected;
  } kCases[] = {
      {"1 little", WithIfd0({{0x0112, 3, 1, 1}}), 1},
      {"2 big", WithIfd0({unit, {0x0112, 3, 1, 2}}, true), 2},
      {"3 little, last", WithIfd0({unit, unit, {0x0112, 3, 1, 3}}), 3},
      {"4 big", WithIfd0({{0x0112, 3, 1, 4}, unit}, true), 4},
      {"5 little", WithIfd0({{0x0112, 3, 1, 5}}), 5},
      {"6 big", WithIfd0({{0x0112, 3, 1, 6}}, true), 6},
      {"7 little", WithIfd0({unit, {0x0112, 3, 1, 7}}), 7},
      {"8 big", WithIfd0({unit, {0x0112, 3, 1, 8}, unit}, true), 8},
      {"value 0", WithIfd0({{0x0112, 3, 1, 0}}), 0},
      {"value 9", WithIfd0({{0x0112, 3, 1, 9}}), 0},
      {"a LONG", WithIfd0({{0x0112, 4, 1, 6}}), 0},
      {"two values", WithIfd0({{0x0112, 3, 2, 6}}), 0},
      {"no tag", WithIfd0({unit}), 0},
      {"camera shot", CameraFile(jfif, jfif, ExifLayout{}), 1},
      {"after JFIF and a comment", std::string("\xFF\xD8", 2) + app0 + Segment(0xFE, "made here") + exif6.substr(2), 6},
      {"after an XMP APP1",
       std::string("\xFF\xD8", 2) + Segment(0xE1, "http://ns.adobe.com/xap/1.0/") + exif6.substr(2), 6},
      {"plain JFIF file", jfif, 0},
      {"Exif after the tables",
       jfif.substr(0, FindMarker(jfif, 0xDB)) + jfif.substr(FindMarker(jfif, 0xDB), 69) + exif6.substr(2), 0},
      {"not a JPEG", "just some text in a file", 0},
      {"empty", "", 0},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Orientation(c.file), c.expected) << c.what;
  }
  EXPECT_EQ(ReadExifOrientation(nullptr), 0);
}

TEST(ExifOrientation, NothingOutsideTheSegmentIsRead) {
  // An Orientation entry of 6 planted right behind the Exif segment, where
  // only a trusted offset or count could lead.
  const std::string planted = EntryBytes(0x0112, 3, 1, 6);
  const std::string base = WithIfd0({{0x0128, 3, 1, 2}, {0x0213, 3, 1, 1}});
  const size_t segmentEnd = 4 + (((uint8_t)base[4] << 8) | (uint8_t)base[5]);
  const std::string tail = base.substr(segmentEnd);
  const size_t tiffSize = segmentEnd - kTiffBase;
  auto patchU32 = [](std::string file, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + (size_t)i] = (char)((v >> (8 * i)) & 0xFF);
    return file;
  };
  // 1. IFD0's count claims the planted entry as its fourth (the third would
  //    be the next-directory link and eight zero bytes).
  std::string counted = base.substr(0, segmentEnd) + std::string(8, '\0') + planted + tail;
  counted[kTiffBase + 8] = 4;
  // 2. IFD0's offset points behind the segment at a planted directory.
  TiffBytes ifd(false);
  ifd.U16(1);
  const std::string pointed =
      patchU32(base.substr(0, segmentEnd), kTiffBase + 4, (uint32_t)tiffSize) + ifd.Bytes() + planted + tail;
  // 3. Offsets far away, and one that wraps a 32-bit sum.
  const std::string far = patchU32(base, kTiffBase + 4, 0x7FFFFFF0);
  const std::string wraps = patchU32(base, kTiffBase + 4, 0xFFFFFFFF);
  const std::string below = patchU32(base, kTiffBase + 4, 2);
  // 4. A segment length that ends the segment inside IFD0's only entry.
  std::string shortened = WithIfd0({{0x0112, 3, 1, 6}});
  shortened[4] = 0;
  shortened[5] = 2 + 6 + 8 + 2 + 6;
  for (const std::string& file : {counted, pointed, far, wraps, below, shortened}) {
    EXPECT_EQ(Orientation(file), 0);
  }
  // The same planted bytes are read when they lie inside the segment.
  std::string inside = base;
  inside.replace(kTiffBase + 8 + 2 + 12, 12, planted);
  EXPECT_EQ(Orientation(inside), 6);
}

TEST(ExifOrientation, EveryTruncationEndsWithoutAValueOrWithTheRightOne) {
  for (bool big : {false, true}) {
    const std::string file = WithIfd0({{0x0128, 3, 1, 2}, {0x0112, 3, 1, 8}}, big);
    // The value's two bytes end 12 + 8 + 2 + 12 + 10 bytes in.
    const size_t valueEnd = kTiffBase + 8 + 2 + 12 + 10;
    for (size_t size = 0; size < 60 && size <= file.size(); ++size) {
      EXPECT_EQ(Orientation(file.substr(0, size)), size < valueEnd ? 0 : 8) << big << " " << size;
    }
  }
}

}  // namespace

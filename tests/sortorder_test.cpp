// The list's sort orders over crafted pictures: Exif dates in JPEG (either
// byte order, after other segments, past the first read), PNG, WebP and
// TIFF, missing and unset dates falling back to the file's time, equal
// keys; and the current picture and cached thumbnails staying with their
// pictures through every change of order and the edits made in one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "filelist/imagefilelist.h"
#include "imaging/exifdate.h"
#include "res/resource_ids.h"
#include "shell/memblock.h"
#include "support/exifwriter.h"
#include "support/scoped_env.h"
#include "support/temp_device.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

constexpr time_t k2018 = 1514764800, k2019 = 1546300800, k2020 = 1577836800, k2021 = 1609459200, k2022 = 1640995200;

std::string Padded(std::string bytes, size_t size) {
  bytes.resize(size, '\0');
  return bytes;
}

std::string Chunk(const char* type, const std::string& data, bool bigEndianLength) {
  std::string chunk(4, '\0');
  for (int i = 0; i < 4; ++i) {
    chunk[(size_t)i] = (char)(data.size() >> (bigEndianLength ? 24 - 8 * i : 8 * i));
  }
  return bigEndianLength ? chunk + type + data + std::string(4, '\0') : type + chunk + data;
}

std::string JpegWithDate(const std::string& date, bool bigEndian, size_t commentBytes) {
  std::string file("\xFF\xD8", 2);
  file += std::string("\xFF\xE0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 18);
  if (commentBytes > 0) {
    file += std::string("\xFF\xFE", 2) + (char)((commentBytes + 2) >> 8) + (char)((commentBytes + 2) & 0xFF);
    file += std::string(commentBytes, 'c');
  }
  return file + DateTakenSegment(date, bigEndian) + "\xFF\xDB";
}

std::string PngWithDate(const std::string& date) {
  return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", std::string(13, '\1'), true) +
         Chunk("eXIf", DateTakenTiff(date, true), true) + Chunk("IEND", "", true);
}

std::string WebpWithDate(const std::string& date) {
  const std::string chunks = Chunk("VP8X", std::string(10, '\0'), false) +
                             Chunk("EXIF", "Exif" + std::string(2, '\0') + DateTakenTiff(date), false);
  return "RIFF" + std::string(4, '\0') + "WEBP" + chunks;
}

void SetModified(const std::string& hostPath, time_t when) {
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, hostPath.c_str(), times, 0), 0);
}

std::vector<std::string> Names(const CImageFileList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.GetCount(); ++i) {
    CString path;
    list.GetPath(i, path);
    names.push_back(Utf8FromWide(path.substr(path.rfind(u'\\') + 1)));
  }
  return names;
}

class SortOrderTest : public ::testing::Test {
 protected:
  // Exif dates are read as local time; the file times here are UTC.
  ScopedEnv timeZone{"TZ", "UTC"};
  TempDevice device;

  void SetUp() override {
    tzset();
    InstallViewerResources();
    device.MakeFolder("\\P");
  }
  void TearDown() override { tzset(); }

  void Put(const std::string& name, const std::string& bytes, time_t modified) {
    device.WriteFile("\\P\\" + name, bytes);
    SetModified(device.HostPath("\\P\\" + name), modified);
  }

  // a and c: the same date and size; b: no Exif; d: a date of zeros (both
  // from their file times); e: PNG; f: the date past a 5,000-byte comment.
  void PutPictures() {
    Put("a.jpg", Padded(JpegWithDate("2021:01:01 00:00:00", false, 0), 300), k2022);
    Put("b.jpg", Padded(std::string("\xFF\xD8\xFF\xDB", 4), 100), k2020);
    Put("c.jpg", Padded(JpegWithDate("2021:01:01 00:00:00", true, 0), 300), k2019);
    Put("d.jpg", Padded(JpegWithDate("0000:00:00 00:00:00", false, 0), 200), k2021 + 1);
    Put("e.png", Padded(PngWithDate("2019:01:01 00:00:00"), 400), k2022 + 10);
    Put("f.jpg", Padded(JpegWithDate("2020:06:01 00:00:00", false, 5000), 6000), k2018);
  }

  ListSettings Desktop(SortOrder order = SortOrder()) const {
    ListSettings settings;
    settings.hasStartFolder = TRUE;
    settings.startFolder = u"\\P";
    settings.grows = TRUE;
    settings.allFormats = TRUE;
    settings.sortOrder = order;
    return settings;
  }
};

struct OrderCase {
  SortKey key;
  std::vector<std::string> forward;
};

const OrderCase kOrders[] = {
    {SORT_BY_NAME, {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.png", "f.jpg"}},
    {SORT_BY_DATE_TAKEN, {"e.png", "b.jpg", "f.jpg", "a.jpg", "c.jpg", "d.jpg"}},
    {SORT_BY_MODIFIED, {"f.jpg", "c.jpg", "b.jpg", "d.jpg", "a.jpg", "e.png"}},
    {SORT_BY_SIZE, {"b.jpg", "d.jpg", "a.jpg", "c.jpg", "e.png", "f.jpg"}},
};

TEST_F(SortOrderTest, EachOrderAndItsReverseFromTheScanAndFromAChange) {
  PutPictures();
  for (const OrderCase& c : kOrders) {
    for (BOOL reversed : {FALSE, TRUE}) {
      SCOPED_TRACE(testing::Message() << "key " << c.key << (reversed ? " reversed" : ""));
      std::vector<std::string> expected = c.forward;
      if (reversed) std::reverse(expected.begin(), expected.end());
      {
        CImageFileList scanned(Desktop({c.key, reversed}));
        EXPECT_EQ(Names(scanned), expected);
        EXPECT_EQ(scanned.m_nCurrent, 0);  // a folder starts at its first picture
      }
      // Taken from another order, the list stands the same.
      CImageFileList changed(Desktop({SORT_BY_SIZE, !reversed}));
      EXPECT_EQ(changed.SetSortOrder({c.key, reversed}), TRUE);
      EXPECT_EQ(Names(changed), expected);
      EXPECT_EQ(changed.SetSortOrder({c.key, reversed}), FALSE);
    }
  }
}

TEST_F(SortOrderTest, ExifDatesOfEveryFormatAndWhereTheWalkStops) {
  const int64_t k2019FileTime = ((int64_t)k2019 + 11644473600LL) * 10000000LL;
  const std::string tiff = DateTakenTiff("2019:01:01 00:00:00", true);
  const std::string jpeg = JpegWithDate("2019:01:01 00:00:00", false, 0);
  const std::string late = JpegWithDate("2019:01:01 00:00:00", false, 5000);
  struct Case {
    const char* what;
    std::string bytes;
    size_t held;
    ExifDateFind found;
  } cases[] = {
      {"jpeg", jpeg, std::string::npos, EXIF_DATE_FOUND},
      {"jpeg cut inside the date", jpeg, jpeg.size() - 8, EXIF_DATE_NEEDS_MORE},
      {"date past the first bytes", late, 4096, EXIF_DATE_NEEDS_MORE},
      {"date past the first bytes, read whole", late, std::string::npos, EXIF_DATE_FOUND},
      {"tiff file", tiff, std::string::npos, EXIF_DATE_FOUND},
      {"png", PngWithDate("2019:01:01 00:00:00"), std::string::npos, EXIF_DATE_FOUND},
      {"webp", WebpWithDate("2019:01:01 00:00:00"), std::string::npos, EXIF_DATE_FOUND},
      {"unset clock", JpegWithDate("0000:00:00 00:00:00", false, 0), std::string::npos, EXIF_DATE_NONE},
      {"not a date", JpegWithDate("2019-01-01T00:00:00", false, 0), std::string::npos, EXIF_DATE_NONE},
      {"tables before any Exif", std::string("\xFF\xD8\xFF\xDB\0\x43", 6) + std::string(80, '\0'), std::string::npos,
       EXIF_DATE_NONE},
      {"gif", "GIF89a" + std::string(40, '\0'), std::string::npos, EXIF_DATE_NONE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int64_t taken = -1;
    const size_t held = std::min(c.held, c.bytes.size());
    EXPECT_EQ(FindExifDateTaken((const BYTE*)c.bytes.data(), held, &taken), c.found);
    if (c.found == EXIF_DATE_FOUND) {
      EXPECT_EQ(taken, k2019FileTime);
    }
  }
  // The calendar's corners, in UTC and in a zone two hours east of it.
  const struct {
    const char* text;
    const char* zone;
    int64_t seconds;
  } dates[] = {
      {"1999:12:31 23:59:59", "UTC", 946684799},           {"2020:02:29 12:34:56", "UTC", 1582979696},
      {"2100:03:01 00:00:00", "UTC", 4107542400},          {"2019:01:01 00:00:00", "XYZ-2", k2019 - 7200},
      {"2020:02:29 12:34:56", "XYZ-2", 1582979696 - 7200},
  };
  for (const auto& d : dates) {
    ScopedEnv zone("TZ", d.zone);
    tzset();
    int64_t fileTime = 0;
    EXPECT_TRUE(ParseExifDateTime(d.text, 19, &fileTime)) << d.text;
    EXPECT_EQ(fileTime, (d.seconds + 11644473600LL) * 10000000LL) << d.text << " " << d.zone;
  }
}

// A thumbnail whose bytes name its picture.
CDibOwner MarkedThumbnail(const std::string& name) {
  CDibOwner thumbnail(MemAlloc(64));
  std::memset(MemLock(thumbnail.Get()), 0, 64);
  std::memcpy(MemLock(thumbnail.Get()), name.data(), name.size());
  return thumbnail;
}

std::string MarkOf(const CImageFileList& list, int index) {
  CDibOwner thumbnail(list.GetThumbnail(index));
  return thumbnail ? std::string((const char*)MemLock(thumbnail.Get())) : std::string();
}

// A large folder's dates are read on the workers' threads, each filling its
// own run of entries; every count of threads gives the one order, from the
// scan and from a change.
TEST_F(SortOrderTest, ALargeFolderSortsTheSameOnOneThreadOrSeveral) {
  constexpr int kCount = 1000;  // runs of 256 entries and more, the last one short
  std::vector<std::pair<int, std::string>> byDate;
  for (int i = 0; i < kCount; ++i) {
    const int second = (i * 7) % kCount;  // dates that do not follow the names
    char name[32], date[32];
    std::snprintf(name, sizeof(name), "p%04d.jpg", i);
    std::snprintf(date, sizeof(date), "2021:01:01 %02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
    device.WriteFile(std::string("\\P\\") + name, JpegWithDate(date, false, 0));
    byDate.emplace_back(second, name);
  }
  std::sort(byDate.begin(), byDate.end());
  std::vector<std::string> expected;
  for (const auto& entry : byDate) expected.push_back(entry.second);
  for (int threads : {1, 2, 3, 8}) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    ListSettings settings = Desktop({SORT_BY_DATE_TAKEN, FALSE});
    settings.threads = threads;
    CImageFileList scanned(settings);
    EXPECT_EQ(Names(scanned), expected);
    settings.sortOrder = {SORT_BY_NAME, FALSE};
    CImageFileList changed(settings);
    ASSERT_TRUE(changed.SetSortOrder({SORT_BY_DATE_TAKEN, TRUE}));
    EXPECT_EQ(Names(changed), std::vector<std::string>(expected.rbegin(), expected.rend()));
  }
}

TEST_F(SortOrderTest, TheCurrentPictureAndEveryThumbnailStayWithTheirPictures) {
  PutPictures();
  CImageFileList list(Desktop());
  std::vector<std::string> names = Names(list);
  // Every picture but d has a thumbnail cached; c is current.
  for (int i = 0; i < list.GetCount(); ++i) {
    if (names[(size_t)i] == "d.jpg") continue;
    ASSERT_TRUE(list.StoreThumbnail(i, MarkedThumbnail(names[(size_t)i]).Get(), 64));
  }
  ASSERT_TRUE(list.SetCurrent(2));
  const CDib held = MemAlloc(16);
  list.SetHeldPicture(held);
  auto check = [&list](const char* current) {
    const std::vector<std::string> now = Names(list);
    for (int i = 0; i < list.GetCount(); ++i) {
      EXPECT_EQ(MarkOf(list, i), now[(size_t)i] == "d.jpg" ? "" : now[(size_t)i]) << now[(size_t)i];
    }
    EXPECT_EQ(now[(size_t)list.m_nCurrent], current);
  };
  for (const OrderCase& c : kOrders) {
    for (BOOL reversed : {TRUE, FALSE}) {
      SCOPED_TRACE(testing::Message() << "key " << c.key << (reversed ? " reversed" : ""));
      list.SetSortOrder({c.key, reversed});
      check("c.jpg");
      EXPECT_EQ(list.m_hPicture, held);
    }
  }
  // Edits in date order: a new picture goes where its date sorts, with its
  // thumbnail; a picture written again goes where its new time sorts.
  ASSERT_TRUE(list.SetSortOrder({SORT_BY_DATE_TAKEN, FALSE}));
  Put("g.jpg", JpegWithDate("2020:03:01 00:00:00", false, 0), k2022);
  WIN32_FIND_DATA record = {};
  const std::u16string g = u"g.jpg";
  std::memcpy(record.cFileName, g.c_str(), (g.size() + 1) * sizeof(WCHAR));
  EXPECT_EQ(list.InsertEntry(record, MarkedThumbnail("g.jpg").Get()), 2);  // e b g f a c d
  check("c.jpg");
  SetModified(device.HostPath("\\P\\d.jpg"), k2018);
  const std::vector<std::string> before = Names(list);
  const int dIndex = (int)(std::find(before.begin(), before.end(), "d.jpg") - before.begin());
  ASSERT_TRUE(list.SetCurrent(dIndex));
  ASSERT_TRUE(list.RefreshEntry(dIndex));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"d.jpg", "e.png", "b.jpg", "g.jpg", "f.jpg", "a.jpg", "c.jpg"}));
  check("d.jpg");
  ASSERT_TRUE(list.RemoveEntry(1));
  check("d.jpg");
}

}  // namespace

namespace {

// The Tools menu's orders as a user meets them, and which order each
// profile starts in and keeps.
class SortCommandsTest : public ViewerFixture {
 protected:
  void StartWith(ViewerProfile which, SortOrder launched) {
    device.MakeFolder("\\My Documents");
    // Sizes: b < c < a; dates: c < a < b.
    const struct {
      const char* name;
      int side;
      const char* date;
    } pictures[] = {{"a.jpg", 60, "2020:01:01 00:00:00"},
                    {"b.jpg", 8, "2022:01:01 00:00:00"},
                    {"c.jpg", 30, "2018:01:01 00:00:00"}};
    for (const auto& p : pictures) {
      const std::string jpeg = EncodeJpeg(RampPicture(p.side, p.side));
      device.WriteFile(std::string("\\My Documents\\") + p.name,
                       jpeg.substr(0, 2) + DateTakenSegment(p.date) + jpeg.substr(2));
    }
    profile = which;
    sortOrder = launched;
    Start(400, 300);
  }
  std::vector<UINT> Checked() const {
    std::vector<UINT> checked;
    for (UINT id : {ID_SORT_BY_NAME, ID_SORT_BY_DATE_TAKEN, ID_SORT_BY_MODIFIED, ID_SORT_BY_SIZE, ID_SORT_REVERSED}) {
      if (Bar().IsMenuItemChecked(id)) checked.push_back(id);
    }
    return checked;
  }
};

TEST_F(SortCommandsTest, TheDesktopStartsInItsKeptOrderAndTakesTheMenusKeepingTheCurrentPicture) {
  StartWith(PROFILE_DESKTOP, {SORT_BY_SIZE, FALSE});
  ASSERT_EQ(Bar().Menu()->itemCount, 17u);
  EXPECT_EQ(Names(*List()), (std::vector<std::string>{"b.jpg", "c.jpg", "a.jpg"}));
  EXPECT_EQ(Checked(), (std::vector<UINT>{ID_SORT_BY_SIZE}));
  ASSERT_TRUE(List()->SetCurrent(1));  // c.jpg
  const struct {
    UINT command;
    std::vector<std::string> names;
    SortOrder order;
    std::vector<UINT> checked;
  } steps[] = {
      {ID_SORT_BY_DATE_TAKEN, {"c.jpg", "a.jpg", "b.jpg"}, {SORT_BY_DATE_TAKEN, FALSE}, {ID_SORT_BY_DATE_TAKEN}},
      {ID_SORT_REVERSED,
       {"b.jpg", "a.jpg", "c.jpg"},
       {SORT_BY_DATE_TAKEN, TRUE},
       {ID_SORT_BY_DATE_TAKEN, ID_SORT_REVERSED}},
      {ID_SORT_BY_NAME, {"c.jpg", "b.jpg", "a.jpg"}, {SORT_BY_NAME, TRUE}, {ID_SORT_BY_NAME, ID_SORT_REVERSED}},
      {ID_SORT_REVERSED, {"a.jpg", "b.jpg", "c.jpg"}, {SORT_BY_NAME, FALSE}, {ID_SORT_BY_NAME}},
  };
  for (const auto& step : steps) {
    Command(step.command);
    EXPECT_EQ(Names(*List()), step.names) << step.command;
    EXPECT_EQ(Names(*List())[(size_t)List()->m_nCurrent], "c.jpg") << step.command;
    EXPECT_TRUE(app->CurrentSortOrder() == step.order) << step.command;
    EXPECT_EQ(Checked(), step.checked) << step.command;
  }
}

TEST_F(SortCommandsTest, TheHandheldStaysInNameOrderWithoutTheCommands) {
  StartWith(PROFILE_HANDHELD, {SORT_BY_SIZE, TRUE});
  EXPECT_EQ(Bar().Menu()->itemCount, 3u);
  EXPECT_EQ(Names(*List()), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
  Command(ID_SORT_BY_DATE_TAKEN);
  Command(ID_SORT_REVERSED);
  EXPECT_EQ(Names(*List()), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
  EXPECT_TRUE(app->CurrentSortOrder() == SortOrder());
  EXPECT_TRUE(Checked().empty());
}

}  // namespace

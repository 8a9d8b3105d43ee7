// Why: a picture that cannot be shown leaves only an empty cell or a
// message box on the screen; the report on standard error tells the user
// which file and why, once per file however often the grid is painted,
// and nothing at all for pictures that open.
#include "filelist/picturereport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "imaging/jpegdecode.h"
#include "support/craftedpics.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

// The lines written to standard error, sorted: threads and the list's
// order decide which comes first.
std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));  // an unfinished line
  std::sort(lines.begin(), lines.end());
  return lines;
}

class PictureReportTest : public ViewerFixture {
 protected:
  void PaintGrid() {
    Viewer().Invalidate();
    Viewer().UpdateWindow();
    Pump();
  }
};

// Four pictures in the grid, three of them bad, painted five times and then
// opened and decoded for the grid again: one line for each bad file,
// whatever the number of paints and opens, nothing for the good one.
TEST_F(PictureReportTest, OneLinePerBadFileNothingForGoodOnes) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\a cmyk.jpg", EncodeJpeg(SolidCmyk(32, 32, 1, 2, 3, 4)));
  device.WriteFile("\\My Documents\\b good.jpg", EncodeJpeg(SolidColour(32, 32, 9, 99, 199)));
  device.WriteFile("\\My Documents\\c scans.jpg", ManyScanJpeg(64, 48, kJpegMaxScans + 1));
  device.WriteFile("\\My Documents\\d text.jpg", "not a JPEG");

  ::testing::internal::CaptureStderr();
  Start();
  for (int paint = 0; paint < 5; ++paint) PaintGrid();
  ASSERT_EQ(List()->GetCount(), 4);
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < List()->GetCount(); ++i) {
      CString path;
      ASSERT_TRUE(List()->GetPath(i, path));
      const bool good = path.find(u"good") != CString::npos;
      ASSERT_TRUE(List()->SetCurrent(i));
      CDibOwner picture(List()->LoadCurrentPicture());
      EXPECT_EQ(picture.Get() != nullptr, good) << i;
      picture.Reset();
      const CDibOwner reduced(List()->LoadPictureToFit(i, 160, 160));
      EXPECT_EQ(reduced.Get() != nullptr, good) << i;
    }
  }
  const std::vector<std::string> expected = {
      "vimbra: \\My Documents\\a cmyk.jpg: unsupported colour layout (CMYK)",
      "vimbra: \\My Documents\\c scans.jpg: too many scans",
      "vimbra: \\My Documents\\d text.jpg: not a JPEG file: starts with 0x6e 0x6f"};
  EXPECT_EQ(SortedLines(::testing::internal::GetCapturedStderr()), expected);
}

// A file deleted after the scan: the open reports it missing, once.
TEST_F(PictureReportTest, MissingFileIsReportedOnceWhenOpened) {
  device.MakeFolder("\\My Documents");
  device.WriteFile("\\My Documents\\gone.jpg", EncodeJpeg(SolidGrey(16, 16, 7)));
  Start();
  device.Remove("\\My Documents\\gone.jpg");
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(List()->SetCurrent(0));
  EXPECT_EQ(List()->LoadCurrentPicture(), nullptr);
  EXPECT_EQ(List()->LoadCurrentPicture(), nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "vimbra: \\My Documents\\gone.jpg: no such file\n");
}

// Worker threads report at the same time: still one whole line per path.
// Reasons keep their capital where it starts an acronym.
TEST(PictureReport, ThreadsReportEachPathOnce) {
  ::testing::internal::CaptureStderr();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int round = 0; round < 50; ++round) {
        ReportPictureProblem(u"\\T\\one.jpg", "Premature end of JPEG file");
        ReportPictureProblem(u"\\T\\two.jpg", "JPEG datastream contains no image");
        ReportPictureProblem(u"\\T\\\u00e9t\u00e9.jpg", "");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const std::vector<std::string> expected = {"vimbra: \\T\\one.jpg: premature end of JPEG file",
                                             "vimbra: \\T\\two.jpg: JPEG datastream contains no image",
                                             "vimbra: \\T\\\u00e9t\u00e9.jpg: cannot be shown"};
  std::vector<std::string> sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(SortedLines(::testing::internal::GetCapturedStderr()), sorted);
}

}  // namespace

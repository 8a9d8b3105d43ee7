// Bringing a picture into view on the grid: the row arithmetic every caller
// shares, and the callers themselves (Back, a resize) far down a folder,
// where a position divided before it is multiplied snaps a row short.
#include "pages/gridlayout.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "support/viewer_fixture.h"

TEST(GridBringIntoView, EveryRowPositionSnapsBackToItsRow) {
  for (int height = 100; height <= 1200; ++height) {
    const GridLayout grid = ComputeGridLayout(240, height, true);
    if (grid.rows == 0) continue;
    for (int row = 0; row <= 2000; ++row) {
      const long long y = GridRowPosition(grid, row);
      const long long snapped = (y * grid.rows + height / 2) / height;
      ASSERT_EQ(snapped, row) << "height " << height << ", " << grid.rows << " rows";
    }
  }
}

TEST(GridBringIntoView, TopRowMovesOnlyAsFarAsTheCurrentRowNeeds) {
  const GridLayout grid = ComputeGridLayout(240, 268, true);  // 3 columns, 3 rows
  const struct {
    int firstShown, current, topRow;
  } kCases[] = {
      {9, 9, 3},                 // on the first row shown
      {9, 17, 3},                // on the last row shown
      {9, 18, 4},                // one row below: it becomes the last row
      {9, 40, 11},               // far below
      {9, 8, 2},                 // one row above: it becomes the first row
      {9, 0, 0},   {10, 10, 3},  // a first picture inside its row counts by its row
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(GridTopRowShowing(grid, c.firstShown, c.current), c.topRow) << c.firstShown << " " << c.current;
  }
}

class GridCallersTest : public ViewerFixture {};

TEST_F(GridCallersTest, BackAndResizeShowRowsFarDownExactly) {
  device.MakeFolder("\\My Documents");
  for (int i = 0; i < 450; ++i) device.WriteFile("\\My Documents\\p" + std::to_string(1000 + i) + ".jpg", "");
  Start(240, 270);                       // H = 270 splits into 3 rows of 90 exactly
  ASSERT_TRUE(List()->SetCurrent(411));  // row 137
  Viewer().SwitchPage(PAGE_IMAGE);
  Pump();
  Command(ID_BACK);
  ASSERT_EQ(List()->m_nFirstShown, 405);  // rows 135 … 137 shown
  // 268 does not split evenly: row 135 lies at 135 × 268 / 3 = 12,060, not
  // at 135 × 89 = 12,015, which snaps to row 134.
  host->Resize(240, 268);
  Pump();
  EXPECT_EQ(List()->m_nFirstShown, 405);
  ASSERT_TRUE(List()->SetCurrent(441));  // row 147
  Viewer().SwitchPage(PAGE_IMAGE);
  Pump();
  Command(ID_BACK);
  EXPECT_EQ(List()->m_nFirstShown, 435);  // rows 145 … 147 shown
}

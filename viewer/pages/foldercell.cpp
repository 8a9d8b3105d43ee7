// Folder cell drawing: the closed folder icon's shape in rectangles.
#include "pages/foldercell.h"

#include "platform/window/wnd.h"

namespace {

// The outlines of the dialog's yellow and green folders.
constexpr COLORREF kFolderLine = RGB(0x9C, 0x74, 0x18);
constexpr COLORREF kPictureFolderLine = RGB(0x1E, 0x6E, 0x28);
constexpr COLORREF kTabInside = RGB(255, 255, 255);

}  // namespace

void DrawFolderCell(HDC dc, int x, int y, int side, bool pictures) {
  const COLORREF line = pictures ? kPictureFolderLine : kFolderLine;
  const COLORREF fill = pictures ? kPictureFolderFill : kFolderFill;
  // The icon is drawn on a grid of 32 × 32: each band is given in those
  // units and lands on the pixel its edge scales to.
  auto band = [&](int left, int top, int right, int bottom, COLORREF colour) {
    const RECT rc = {x + left * side / 32, y + top * side / 32, x + right * side / 32, y + bottom * side / 32};
    FillSolidRect(dc, &rc, colour);
  };
  band(0, 0, 32, 32, kWindowColour);
  // The tab, white inside, above the body's left half.
  band(4, 4, 14, 6, line);
  band(2, 6, 16, 8, line);
  band(4, 6, 14, 8, kTabInside);
  // The body: its outline, then the fill, which reaches up under the tab.
  band(2, 8, 30, 28, line);
  band(4, 10, 28, 26, fill);
  band(4, 8, 16, 10, fill);
}

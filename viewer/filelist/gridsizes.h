// The grid's sizes: the thumbnail box, the box a picture is decoded towards
// before its thumbnail is reduced from it, and the gaps, frame and title box
// of a cell. The handheld's grid has thumbnails of 64 pixels; every other
// size is derived from the thumbnail's side, so that side alone sets them.
// The desktop's sides run from 64 to 256 along a short ladder.
#pragma once

struct GridSizes {
  int thumb;        // side of the thumbnail box (64)
  int decodeBox;    // side of the box pictures are decoded towards (160, 2.5 × thumb)
  int minGap;       // least gap beside a cell (6): a column takes thumb + minGap
  int titleTop;     // top of the title box below the cell's top (66: two pixels under the frame)
  int titleBottom;  // bottom of the title box below the cell's top (84)
  int titledCell;   // cell height counted with a title (80: thumb + 16)
  int titledPitch;  // painted row pitch with titles, before the vertical gap (82)
  int titleSpare;   // empty pixels at the title box's bottom that a cut row may lose (2)
};

constexpr int kHandheldThumb = 64;
constexpr int kLargestThumb = 256;

// The sizes for thumbnails of `thumb` pixels; the handheld's for 64.
constexpr GridSizes GridSizesFor(int thumb) {
  return GridSizes{thumb,
                   thumb * 5 / 2,
                   6 * thumb / kHandheldThumb,
                   thumb + 2 * thumb / kHandheldThumb,
                   thumb + 20 * thumb / kHandheldThumb,
                   thumb + 16 * thumb / kHandheldThumb,
                   thumb + 18 * thumb / kHandheldThumb,
                   2 * thumb / kHandheldThumb};
}

constexpr GridSizes kHandheldGrid = GridSizesFor(kHandheldThumb);
static_assert(kHandheldGrid.decodeBox == 160 && kHandheldGrid.minGap == 6 && kHandheldGrid.titleTop == 66 &&
                  kHandheldGrid.titleBottom == 84 && kHandheldGrid.titledCell == 80 &&
                  kHandheldGrid.titledPitch == 82 && kHandheldGrid.titleSpare == 2,
              "the handheld's grid");

// The sides a user steps through, smallest first.
constexpr int kThumbLadder[] = {64, 96, 128, 160, 192, 256};
constexpr int kThumbLadderSteps = (int)(sizeof(kThumbLadder) / sizeof(kThumbLadder[0]));

// A side the grid can take: 64 … 256, anything outside brought to the nearer end.
constexpr int ClampThumbSide(int side) {
  return side < kHandheldThumb ? kHandheldThumb : side > kLargestThumb ? kLargestThumb : side;
}

// The next side of the ladder above `side` (direction > 0) or below it
// (direction < 0); `side` itself at either end. A side between two steps
// (one the command line gave) moves to the step beside it.
constexpr int StepThumbSide(int side, int direction) {
  side = ClampThumbSide(side);
  if (direction > 0) {
    for (int i = 0; i < kThumbLadderSteps; ++i)
      if (kThumbLadder[i] > side) return kThumbLadder[i];
  } else if (direction < 0) {
    for (int i = kThumbLadderSteps - 1; i >= 0; --i)
      if (kThumbLadder[i] < side) return kThumbLadder[i];
  }
  return side;
}

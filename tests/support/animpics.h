// Animations frame by frame for the animation tests: GIF frames of flat
// colours on rectangles with their own disposal, delay and transparent
// part, written by giflib; WebP frames as ANMF chunks put together by
// libwebpmux, each frame a lossless picture with its own blending and
// disposal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A GIF frame: a rectangle of one colour (an index of kAnimGifColours),
// its left `holeColumns` columns transparent (index 3).
struct AnimGifFrame {
  int left, top, width, height;
  int colour;
  int disposal = 1;  // 0 none given, 1 keep, 2 background, 3 previous
  int delayCs = 10;  // hundredths of a second
  int holeColumns = 0;
};
// Red, green, blue, black (the transparent index where a frame has a hole).
extern const uint32_t kAnimGifColours[4];
// `repeats` < 0 writes no loop block; else the NETSCAPE2.0 count (0: for ever).
std::string EncodeAnimGif(int width, int height, const std::vector<AnimGifFrame>& frames, int repeats);

// A WebP frame: a rectangle (even left and top) of one colour with alpha.
struct AnimWebpFrame {
  int left, top, width, height;
  uint8_t r, g, b, a;
  bool blend = true;
  bool disposeToBackground = false;
  int durationMs = 100;
};
// `loops`: plays (0 for ever).
std::string EncodeAnimWebp(int width, int height, const std::vector<AnimWebpFrame>& frames, int loops);

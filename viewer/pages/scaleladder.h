// The image page's ladder of zoom scales: 1/1, 2/3, then 1/d for d = 2, 3,
// 4, 6, 8, 12, 16, … (powers of two and three times powers of two).
#pragma once

struct ZoomScale {
  int num;
  int den;
};

// The next smaller value of the ladder.
ZoomScale ZoomStepDown(ZoomScale scale);
// The next larger value; 1/1 stays 1/1.
ZoomScale ZoomStepUp(ZoomScale scale);

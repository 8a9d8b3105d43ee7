// Scale ladder steps. Consecutive values differ by 3/2 or 4/3, alternately.
#include "pages/scaleladder.h"

ZoomScale ZoomStepDown(ZoomScale scale) {
  if (scale.num == 1 && scale.den == 1) return {2, 3};
  if (scale.num == 2 && scale.den == 3) return {1, 2};
  if (scale.num == 1 && scale.den == 2) return {1, 3};
  const int d = scale.den;
  if (d % 3 == 0) return {1, 4 * d / 3};
  return {1, 3 * d / 2};
}

ZoomScale ZoomStepUp(ZoomScale scale) {
  if (scale.num >= scale.den) return {1, 1};
  if (scale.num == 2 && scale.den == 3) return {1, 1};
  if (scale.num == 1 && scale.den == 2) return {2, 3};
  const int d = scale.den;
  if (d % 3 == 0) return {1, 2 * d / 3};
  return {1, 3 * d / 4};
}

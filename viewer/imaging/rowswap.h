// Decoder rows to bitmap rows: red, green, blue samples become blue, green,
// red bytes. Runs once per decoded scanline, so it must cost next to nothing.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"

// Copies `width` pixels from `in` (R, G, B) to `out` (B, G, R). The buffers
// must not overlap; exactly 3 × width bytes of `out` are written.
void CopyRowRgbToBgr(const BYTE* in, BYTE* out, size_t width);

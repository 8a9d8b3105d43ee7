// RGB to BGR row copy: 16-byte shuffles where the processor has them (SSSE3,
// chosen at run time), otherwise four pixels at a time in 32-bit words.
#include "imaging/rowswap.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define VIMBRA_ROWSWAP_SSSE3 1
#endif

namespace {

void CopyTail(const BYTE* in, BYTE* out, size_t width) {
  for (size_t x = 0; x < width; ++x, in += 3, out += 3) {
    const BYTE red = in[0];
    out[1] = in[1];
    out[0] = in[2];
    out[2] = red;
  }
}

// Four pixels are three little-endian words:
//   in  R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3
//   out B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3
void CopyWords(const BYTE* in, BYTE* out, size_t width) {
  size_t x = 0;
  for (; x + 4 <= width; x += 4, in += 12, out += 12) {
    uint32_t a, b, c;
    std::memcpy(&a, in, 4);
    std::memcpy(&b, in + 4, 4);
    std::memcpy(&c, in + 8, 4);
    const uint32_t o0 = ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | ((b & 0xFF00) << 16);
    const uint32_t o1 = (b & 0xFF) | ((a >> 16) & 0xFF00) | ((c & 0xFF) << 16) | (b & 0xFF000000u);
    const uint32_t o2 = ((b >> 16) & 0xFF) | ((c >> 16) & 0xFF00) | (c & 0xFF0000) | ((c & 0xFF00) << 16);
    std::memcpy(out, &o0, 4);
    std::memcpy(out + 4, &o1, 4);
    std::memcpy(out + 8, &o2, 4);
  }
  CopyTail(in, out, width - x);
}

#ifdef VIMBRA_ROWSWAP_SSSE3
// Five pixels per 16-byte shuffle. Each store writes one byte beyond the
// five pixels (the next pixel's first byte, rewritten by the next step), so
// the loop keeps a whole pixel of slack: it runs while 6 pixels remain.
__attribute__((target("ssse3"))) void CopyShuffled(const BYTE* in, BYTE* out, size_t width) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  size_t x = 0;
  for (; x + 6 <= width; x += 5, in += 15, out += 15) {
    const __m128i pixels = _mm_loadu_si128((const __m128i*)in);
    _mm_storeu_si128((__m128i*)out, _mm_shuffle_epi8(pixels, order));
  }
  CopyWords(in, out, width - x);
}
#endif

}  // namespace

void CopyRowRgbToBgr(const BYTE* in, BYTE* out, size_t width) {
#ifdef VIMBRA_ROWSWAP_SSSE3
  static const bool hasShuffle = __builtin_cpu_supports("ssse3");
  if (hasShuffle) {
    CopyShuffled(in, out, width);
    return;
  }
#endif
  CopyWords(in, out, width);
}

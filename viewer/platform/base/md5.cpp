// MD5 over whole 64-byte blocks, the message padded with 0x80, zeros and its
// bit length (little-endian), as RFC 1321 lays it out.
#include "platform/base/md5.h"

#include <cstdint>
#include <cstring>

namespace {

// Shift amounts of the four rounds, four a round.
constexpr uint32_t kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// floor(2^32 × |sin(i + 1)|), i = 0 … 63.
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

uint32_t RotateLeft(uint32_t x, uint32_t n) {
  return (x << n) | (x >> (32 - n));
}

void Block(uint32_t state[4], const unsigned char* block) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = (uint32_t)block[4 * i] | (uint32_t)block[4 * i + 1] << 8 | (uint32_t)block[4 * i + 2] << 16 |
           (uint32_t)block[4 * i + 3] << 24;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const uint32_t next = d;
    d = c;
    c = b;
    b += RotateLeft(a + f + kSine[i] + m[g], kShift[i / 16][i % 4]);
    a = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

std::string Md5Hex(const std::string& bytes) {
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  const unsigned char* data = (const unsigned char*)bytes.data();
  const size_t whole = bytes.size() / 64 * 64;
  for (size_t at = 0; at < whole; at += 64) Block(state, data + at);
  // The tail, the 0x80 byte and the length fill one block, or two when
  // fewer than 9 bytes are left after the tail.
  unsigned char tail[128] = {};
  const size_t rest = bytes.size() - whole;
  std::memcpy(tail, data + whole, rest);
  tail[rest] = 0x80;
  const size_t tailBytes = rest + 9 <= 64 ? 64 : 128;
  const uint64_t bits = (uint64_t)bytes.size() * 8;
  for (int i = 0; i < 8; ++i) tail[tailBytes - 8 + i] = (unsigned char)(bits >> (8 * i));
  for (size_t at = 0; at < tailBytes; at += 64) Block(state, tail + at);

  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (uint32_t word : state) {
    for (int i = 0; i < 4; ++i) {
      const unsigned byte = (word >> (8 * i)) & 0xff;
      hex += kHex[byte >> 4];
      hex += kHex[byte & 15];
    }
  }
  return hex;
}

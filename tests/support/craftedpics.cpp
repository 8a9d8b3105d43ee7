// Crafted JPEG files: markers, Huffman tables and entropy-coded bits written
// directly, for what libjpeg's compressor refuses to produce (repeated scans);
// sparse tails after a sound picture.
#include "support/craftedpics.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace {

void Put16(std::string* out, unsigned v) {
  out->push_back((char)(v >> 8));
  out->push_back((char)(v & 0xFF));
}

void Marker(std::string* out, uint8_t code) {
  out->push_back('\xFF');
  out->push_back((char)code);
}

// Quantization table 0: 64 ones, 8-bit.
void WriteDqt(std::string* out) {
  Marker(out, 0xDB);
  Put16(out, 2 + 1 + 64);
  out->push_back('\0');
  out->append(64, '\x01');
}

// SOF2 for one grey component (id 1, 1 × 1 sampling, table 0).
void WriteProgressiveFrame(std::string* out, unsigned width, unsigned height) {
  Marker(out, 0xC2);
  Put16(out, 8 + 3);
  out->push_back('\x08');
  Put16(out, height);
  Put16(out, width);
  out->push_back('\x01');
  out->push_back('\x01');
  out->push_back('\x11');
  out->push_back('\0');
}

// A Huffman table (class 0 DC, 1 AC) whose `symbols` all get codes of
// `length` bits, in order: canonical codes 0, 1, 2 ... of that length.
void WriteDht(std::string* out, int tableClass, const std::vector<uint8_t>& symbols, int length) {
  Marker(out, 0xC4);
  Put16(out, (unsigned)(2 + 1 + 16 + symbols.size()));
  out->push_back((char)(tableClass << 4));
  for (int bits = 1; bits <= 16; ++bits) out->push_back(bits == length ? (char)symbols.size() : '\0');
  for (uint8_t symbol : symbols) out->push_back((char)symbol);
}

// SOS for the grey component with both tables 0.
void WriteScanHeader(std::string* out, int ss, int se) {
  Marker(out, 0xDA);
  Put16(out, 6 + 2);
  out->push_back('\x01');
  out->push_back('\x01');
  out->push_back('\0');
  out->push_back((char)ss);
  out->push_back((char)se);
  out->push_back('\0');
}

// Entropy-coded bits, most significant first, with a 0x00 stuffed after
// every 0xFF byte and the last byte filled with ones.
class BitWriter {
 public:
  explicit BitWriter(std::string* out) : m_out(out) {}
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      m_byte = (uint8_t)(m_byte << 1 | ((value >> i) & 1));
      if (++m_count == 8) Flush();
    }
  }
  void Finish() {
    while (m_count != 0) Put(1, 1);
  }

 private:
  void Flush() {
    m_out->push_back((char)m_byte);
    if (m_byte == 0xFF) m_out->push_back('\0');
    m_byte = 0;
    m_count = 0;
  }
  std::string* m_out;
  uint8_t m_byte = 0;
  int m_count = 0;
};

// End-of-band runs of `blocks` blocks. Symbol EOBr (r << 4) with code r of
// four bits announces 2^r blocks plus r extra bits; the longest run is
// 2^15 − 1. Each run takes the largest r its remainder allows.
void WriteEndOfBandRuns(BitWriter* bits, uint64_t blocks) {
  while (blocks > 0) {
    int r = 14;
    while (((uint64_t)1 << r) > blocks) --r;
    const uint64_t most = ((uint64_t)2 << r) - 1;
    const uint64_t run = blocks < most ? blocks : most;
    bits->Put((uint32_t)r, 4);
    bits->Put((uint32_t)(run - ((uint64_t)1 << r)), r);
    blocks -= run;
  }
}

}  // namespace

std::string ManyScanJpeg(unsigned width, unsigned height, int scans) {
  const uint64_t blocks = (uint64_t)((width + 7) / 8) * ((height + 7) / 8);
  std::string out;
  Marker(&out, 0xD8);
  WriteDqt(&out);
  WriteProgressiveFrame(&out, width, height);
  // DC: the one category 0 (no change) as the 1-bit code 0. AC: EOB0 ... EOB14.
  WriteDht(&out, 0, {0x00}, 1);
  std::vector<uint8_t> runs;
  for (int r = 0; r <= 14; ++r) runs.push_back((uint8_t)(r << 4));
  WriteDht(&out, 1, runs, 4);

  WriteScanHeader(&out, 0, 0);
  {
    BitWriter bits(&out);
    for (uint64_t i = 0; i < blocks; ++i) bits.Put(0, 1);
    bits.Finish();
  }
  for (int scan = 1; scan < scans; ++scan) {
    WriteScanHeader(&out, 1, 63);
    BitWriter bits(&out);
    WriteEndOfBandRuns(&bits, blocks);
    bits.Finish();
  }
  Marker(&out, 0xD9);
  return out;
}

std::string TinyProgressiveGrey(unsigned width, unsigned height) {
  constexpr size_t kFileBytes = 140;
  std::string out;
  Marker(&out, 0xD8);
  WriteDqt(&out);
  WriteProgressiveFrame(&out, width, height);
  WriteDht(&out, 0, {0x00}, 1);
  WriteScanHeader(&out, 0, 0);
  // Flat blocks (code 0) until two bytes before the end, then EOI in the
  // middle of the scan.
  out.append(kFileBytes - 2 - out.size(), '\0');
  Marker(&out, 0xD9);
  return out;
}

std::string WithoutEndMarker(const std::string& jpeg) {
  const size_t n = jpeg.size();
  if (n >= 2 && (uint8_t)jpeg[n - 2] == 0xFF && (uint8_t)jpeg[n - 1] == 0xD9) return jpeg.substr(0, n - 2);
  return jpeg;
}

bool WriteFileWithHole(const std::string& hostPath, const std::string& before, uint64_t holeBytes,
                       const std::string& after) {
  const int fd = open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const off_t afterAt = (off_t)(before.size() + holeBytes);
  bool written = write(fd, before.data(), before.size()) == (ssize_t)before.size();
  if (after.empty()) {
    written = written && ftruncate(fd, afterAt) == 0;
  } else {
    written = written && pwrite(fd, after.data(), after.size(), afterAt) == (ssize_t)after.size();
  }
  return close(fd) == 0 && written;
}

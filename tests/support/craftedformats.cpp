// Crafted PNG, GIF, WebP, TIFF and HEIF files, made by the formats' writers
// and by byte surgery on what they write.
#include "support/craftedformats.h"

#include <zlib.h>

#include <cstring>

#include "support/formatpics.h"
#include "support/testpics.h"

namespace {

void Put32(std::string* out, uint32_t v, bool little = false) {
  for (int i = 0; i < 4; ++i) out->push_back((char)(little ? v >> (8 * i) : v >> (24 - 8 * i)));
}

void Put16Le(std::string* out, unsigned v) {
  out->push_back((char)v);
  out->push_back((char)(v >> 8));
}

std::string PngChunk(const char* type, const std::string& data) {
  std::string chunk;
  Put32(&chunk, (uint32_t)data.size());
  const std::string body = std::string(type, 4) + data;
  chunk += body;
  Put32(&chunk, (uint32_t)crc32(0, (const Bytef*)body.data(), (uInt)body.size()));
  return chunk;
}

std::string PngHeader(unsigned width, unsigned height, int depth, int type) {
  std::string ihdr;
  Put32(&ihdr, width);
  Put32(&ihdr, height);
  ihdr += {(char)depth, (char)type, 0, 0, 0};
  return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr);
}

// `rows` rows of `rowBytes` zero bytes (filter byte included), deflated in pieces.
std::string DeflatedZeros(uint64_t rowBytes, uint64_t rows) {
  z_stream z = {};
  deflateInit(&z, 9);
  std::string out;
  std::vector<unsigned char> zeros(1 << 20, 0), buffer(1 << 16);
  uint64_t left = rowBytes * rows;
  int flush = Z_NO_FLUSH;
  do {
    const uInt take = (uInt)(left < zeros.size() ? left : zeros.size());
    left -= take;
    flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = zeros.data();
    z.avail_in = take;
    do {
      z.next_out = buffer.data();
      z.avail_out = (uInt)buffer.size();
      deflate(&z, flush);
      out.append((const char*)buffer.data(), buffer.size() - z.avail_out);
    } while (z.avail_out == 0);
  } while (flush != Z_FINISH);
  deflateEnd(&z);
  return out;
}

std::string GifHead(unsigned width, unsigned height, int colourBits) {
  std::string gif = "GIF89a";
  Put16Le(&gif, width);
  Put16Le(&gif, height);
  gif += {(char)(0x80 | (colourBits - 1)), 0, 0};
  for (int i = 0; i < (1 << colourBits); ++i) gif += {(char)(i * 90), (char)(i * 40), (char)(200 - i * 50)};
  return gif;
}

// A frame of w × h pixels, all of colour `index`, as LZW codes of 9 bits:
// clear, then one literal a pixel with a clear before the table grows.
std::string GifFrame(unsigned w, unsigned h, unsigned index) {
  std::string frame = ",";
  Put16Le(&frame, 0);
  Put16Le(&frame, 0);
  Put16Le(&frame, w);
  Put16Le(&frame, h);
  frame += {0, 8};  // no local table; minimum code size 8
  std::string codes;
  uint32_t bits = 0;
  int count = 0;
  auto emit = [&](unsigned code) {
    bits |= code << count;
    count += 9;
    while (count >= 8) {
      codes.push_back((char)(bits & 0xFF));
      bits >>= 8;
      count -= 8;
    }
  };
  for (unsigned i = 0; i < w * h; ++i) {
    if (i % 200 == 0) emit(256);
    emit(index);
  }
  emit(257);
  if (count > 0) codes.push_back((char)(bits & 0xFF));
  for (size_t at = 0; at < codes.size(); at += 255) {
    const size_t n = codes.size() - at < 255 ? codes.size() - at : 255;
    frame.push_back((char)n);
    frame += codes.substr(at, n);
  }
  frame.push_back(0);
  return frame;
}

std::string RiffChunk(const char* type, const std::string& data) {
  std::string chunk(type, 4);
  Put32(&chunk, (uint32_t)data.size(), true);
  chunk += data;
  if (data.size() % 2 != 0) chunk.push_back(0);
  return chunk;
}

std::string Riff(const std::string& chunks) {
  std::string riff = "RIFF";
  Put32(&riff, (uint32_t)(4 + chunks.size()), true);
  return riff + "WEBP" + chunks;
}

void Put24Le(std::string* out, unsigned v) {
  for (int i = 0; i < 3; ++i) out->push_back((char)(v >> (8 * i)));
}

// The VP8L chunk of a lossless 1 × 1 picture, from the library's encoder.
std::string OnePixelVp8l() {
  WebpOptions lossless;
  lossless.lossless = true;
  const std::string file = EncodeWebp(SolidColour(1, 1, 10, 20, 30), lossless);
  return file.size() > 12 ? file.substr(12) : std::string();
}

std::string Vp8x(unsigned flags, unsigned width, unsigned height) {
  std::string data;
  data.push_back((char)flags);
  data += std::string(3, '\0');
  Put24Le(&data, width - 1);
  Put24Le(&data, height - 1);
  return RiffChunk("VP8X", data);
}

// A little-endian TIFF: header, one IFD of the given SHORT/LONG entries.
std::string Tiff(const std::vector<std::vector<uint32_t>>& entries, const std::string& pixels) {
  std::string tiff = "II";
  Put16Le(&tiff, 42);
  Put32(&tiff, 8, true);
  Put16Le(&tiff, (unsigned)entries.size());
  for (const auto& e : entries) {  // tag, type, value
    Put16Le(&tiff, e[0]);
    Put16Le(&tiff, e[1]);
    Put32(&tiff, 1, true);
    if (e[1] == 3) {
      Put16Le(&tiff, e[2]);
      Put16Le(&tiff, 0);
    } else {
      Put32(&tiff, e[2], true);
    }
  }
  Put32(&tiff, 0, true);
  return tiff + pixels;
}

std::string TiffOf(unsigned width, unsigned height, unsigned stripBytes, const std::string& pixels) {
  const uint32_t dataAt = 8 + 2 + 9 * 12 + 4;
  return Tiff({{256, 4, width},
               {257, 4, height},
               {258, 3, 8},
               {259, 3, 1},
               {262, 3, 1},
               {273, 4, dataAt},
               {277, 3, 1},
               {278, 4, height},
               {279, 4, stripBytes}},
              pixels);
}

}  // namespace

std::string BlackPng(unsigned width, unsigned height) {
  return PngHeader(width, height, 8, 0) + PngChunk("IDAT", DeflatedZeros((uint64_t)width + 1, height)) +
         PngChunk("IEND", "");
}

std::string HugeHeaderPng(unsigned width, unsigned height) {
  return PngHeader(width, height, 8, 2) + PngChunk("IDAT", DeflatedZeros(16, 1));
}

std::string PngWithChunkFlood(size_t bytes) {
  std::string png = PngHeader(1, 1, 8, 0);
  const std::string filler = PngChunk("ftEx", std::string(65536, 'x'));
  for (size_t at = 0; at < bytes; at += filler.size()) png += filler;
  return png + PngChunk("IDAT", DeflatedZeros(2, 1)) + PngChunk("IEND", "");
}

std::string PngPaletteOutOfRange() {
  std::string rows;
  for (int y = 0; y < 8; ++y) rows += std::string(1, '\0') + std::string(8, (char)200);
  std::string compressed(compressBound((uLong)rows.size()), '\0');
  uLongf size = (uLongf)compressed.size();
  compress((Bytef*)compressed.data(), &size, (const Bytef*)rows.data(), (uLong)rows.size());
  compressed.resize(size);
  return PngHeader(8, 8, 8, 3) + PngChunk("PLTE", std::string("\xff\0\0\0\xff\0", 6)) + PngChunk("IDAT", compressed) +
         PngChunk("IEND", "");
}

std::string HugeScreenGif(unsigned width, unsigned height) {
  return GifHead(width, height, 1) + GifFrame(1, 1, 1) + ";";
}

std::string GifWithRecords(unsigned records) {
  std::string gif = GifHead(4, 4, 1);
  for (unsigned i = 0; i < records; ++i) gif += std::string("\x21\xfe\x01x\0", 5);
  return gif + GifFrame(4, 4, 1) + ";";
}

std::string GifPaletteOutOfRange() {
  return GifHead(8, 8, 1) + GifFrame(8, 8, 200) + ";";
}

namespace {

std::string AnimatedWebp(unsigned width, unsigned height, unsigned frames) {
  std::string anim;
  Put32(&anim, 0xFFFFFFFF, true);  // background
  Put16Le(&anim, 0);               // loops
  std::string frame;
  Put24Le(&frame, 0);
  Put24Le(&frame, 0);
  Put24Le(&frame, 0);  // width 1
  Put24Le(&frame, 0);  // height 1
  Put24Le(&frame, 10);
  frame.push_back(0);
  const std::string anmf = RiffChunk("ANMF", frame + OnePixelVp8l());
  std::string chunks = Vp8x(0x02, width, height) + RiffChunk("ANIM", anim);
  for (unsigned i = 0; i < frames; ++i) chunks += anmf;
  return Riff(chunks);
}

}  // namespace

std::string HugeCanvasWebp(unsigned width, unsigned height) {
  return AnimatedWebp(width, height, 1);
}

std::string WebpWithFrames(unsigned frames) {
  return AnimatedWebp(1, 1, frames);
}

std::string HugeTiff(unsigned width, unsigned height) {
  return TiffOf(width, height, 8, std::string(8, '\0'));
}

std::string TiffWithStripCount(unsigned claimed) {
  return TiffOf(16, 16, claimed, std::string(256, '\x40'));
}

std::string HugeHeic(unsigned width, unsigned height) {
  std::string heic = EncodeHeif(SolidColour(64, 64, 200, 100, 50));
  const size_t at = heic.find("ispe");
  if (at == std::string::npos || at + 16 > heic.size()) return std::string();
  std::string size;
  Put32(&size, width);
  Put32(&size, height);
  heic.replace(at + 8, 8, size);  // after the box type: version and flags, then the sides
  return heic;
}

std::vector<CraftedFile> CraftedFormatFiles() {
  const Picture picture = SolidColour(64, 48, 90, 160, 30);
  auto cut = [](const std::string& bytes) { return bytes.substr(0, bytes.size() * 2 / 3); };
  std::vector<CraftedFile> files = {
      {"PNG 100000 x 100000 header", HugeHeaderPng(100000, 100000)},
      {"PNG 30000 x 3000 of black rows", BlackPng(30000, 3000)},
      {"PNG with 20 MB of chunks", PngWithChunkFlood(20u << 20)},
      {"PNG palette out of range", PngPaletteOutOfRange()},
      {"PNG truncated", cut(EncodePng(picture))},
      {"GIF 65535 x 65535 screen", HugeScreenGif(65535, 65535)},
      {"GIF 20000 records before the frame", GifWithRecords(20000)},
      {"GIF palette out of range", GifPaletteOutOfRange()},
      {"GIF truncated", cut(EncodeGif(picture))},
      {"WebP 16384 x 16384 canvas", HugeCanvasWebp(16384, 16384)},
      {"WebP 20000 frames", WebpWithFrames(20000)},
      {"WebP truncated", cut(EncodeWebp(picture))},
      {"TIFF 1000000 x 1000000", HugeTiff(1000000, 1000000)},
      {"TIFF strip claiming 4 GB", TiffWithStripCount(0xFFFFFFF0u)},
      {"TIFF truncated", cut(EncodeTiff(picture))},
      {"HEIC 60000 x 60000 ispe", HugeHeic(60000, 60000)},
      {"HEIC truncated", cut(EncodeHeif(picture))},
  };
  return files;
}

// PNG chunk surgery and ImageMagick runs for the cache tests.
#include "support/pngcraft.h"

#include <cstdlib>

namespace {

const char kSignature[] = "\x89PNG\r\n\x1a\n";

uint32_t Crc(const std::string& bytes) {
  uint32_t crc = 0xffffffffu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
  }
  return crc ^ 0xffffffffu;
}

std::string BigEndian(uint32_t value) {
  return std::string{(char)(value >> 24), (char)(value >> 16), (char)(value >> 8), (char)value};
}

uint32_t ReadBigEndian(const std::string& bytes, size_t at) {
  return (uint32_t)(unsigned char)bytes[at] << 24 | (uint32_t)(unsigned char)bytes[at + 1] << 16 |
         (uint32_t)(unsigned char)bytes[at + 2] << 8 | (uint32_t)(unsigned char)bytes[at + 3];
}

}  // namespace

std::vector<PngChunk> PngChunks(const std::string& png) {
  std::vector<PngChunk> chunks;
  if (png.compare(0, 8, kSignature, 8) != 0) return chunks;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = ReadBigEndian(png, at);
    if (length > png.size() - at - 12) break;
    chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length)});
    at += 12 + length;
  }
  return chunks;
}

std::string PngFromChunks(const std::vector<PngChunk>& chunks) {
  std::string png(kSignature, 8);
  for (const PngChunk& chunk : chunks) {
    png += BigEndian((uint32_t)chunk.data.size()) + chunk.type + chunk.data;
    png += BigEndian(Crc(chunk.type + chunk.data));
  }
  return png;
}

std::string WithChunk(const std::string& png, const PngChunk& chunk, const std::string& before) {
  std::vector<PngChunk> chunks = PngChunks(png);
  for (auto it = chunks.begin(); it != chunks.end(); ++it) {
    if (it->type == before) {
      chunks.insert(it, chunk);
      break;
    }
  }
  return PngFromChunks(chunks);
}

std::string WithSize(const std::string& png, uint32_t width, uint32_t height) {
  std::vector<PngChunk> chunks = PngChunks(png);
  if (!chunks.empty() && chunks[0].type == "IHDR" && chunks[0].data.size() >= 8) {
    chunks[0].data.replace(0, 8, BigEndian(width) + BigEndian(height));
  }
  return PngFromChunks(chunks);
}

std::string TextData(const std::string& key, const std::string& value) {
  return key + std::string(1, '\0') + value;
}

bool HaveConvert() {
  return std::system("convert -version >/dev/null 2>&1") == 0;
}

bool RunConvert(const std::string& arguments) {
  return std::system(("convert " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

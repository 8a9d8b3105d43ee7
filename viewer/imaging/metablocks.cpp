// The walks to a picture file's Exif block and ICC profile: JPEG segments up
// to the frame header, PNG chunks up to IEND, WebP chunks up to the RIFF's
// end, each record's length checked against what is read, at most
// kMaxMetaRecords of them; HEIF goes through libheif (heifmeta.cpp).
#include "imaging/metablocks.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "imaging/decodeinput.h"

namespace {

uint32_t Be16(const BYTE* p) {
  return (uint32_t)(p[0] << 8) | p[1];
}
uint32_t Be32(const BYTE* p) {
  return (Be16(p) << 16) | Be16(p + 2);
}
uint32_t Le32(const BYTE* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

bool ReadAt(CDecodeInput* in, uint64_t at, BYTE* out, size_t count) {
  return in->Seek(at) && in->Read(out, count) == count;
}

// One chunk of a JPEG's ICC profile (APP2 "ICC_PROFILE\0", sequence number,
// chunk count, then the bytes).
struct IccChunk {
  int sequence;
  uint64_t at;
  uint64_t bytes;
};
constexpr char kIccMark[] = "ICC_PROFILE";
constexpr size_t kIccHeader = 14;

// The chunks in sequence order, read into one block; null when they do not
// make a profile of a sensible size.
HMEMBLOCK JoinIccChunks(CDecodeInput* in, IccChunk* chunks, int count) {
  std::sort(chunks, chunks + count, [](const IccChunk& a, const IccChunk& b) { return a.sequence < b.sequence; });
  uint64_t total = 0;
  for (int i = 0; i < count; ++i) total += chunks[i].bytes;
  if (count == 0 || total == 0 || total > kMaxIccProfileBytes) return nullptr;
  HMEMBLOCK block = MemAllocRetry((size_t)total);
  if (block == nullptr) return nullptr;
  BYTE* out = (BYTE*)block;
  for (int i = 0; i < count; ++i) {
    if (!ReadAt(in, chunks[i].at, out, (size_t)chunks[i].bytes)) {
      MemFree(block);
      return nullptr;
    }
    out += chunks[i].bytes;
  }
  return block;
}

bool IsFrameHeader(BYTE marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void ReadJpegBlocks(CDecodeInput* in, CPictureBlocks* blocks) {
  constexpr int kMaxIccChunks = 255;
  IccChunk chunks[kMaxIccChunks];
  int iccChunks = 0;
  uint64_t at = 2;
  for (int i = 0; i < kMaxMetaRecords; ++i) {
    BYTE m[4];
    if (!ReadAt(in, at, m, 2) || m[0] != 0xFF) break;
    if (m[1] == 0xFF) {  // a fill byte before the marker
      at += 1;
      continue;
    }
    // Scan data or the end: the blocks come before either.
    if (m[1] == 0xDA || m[1] == 0xD9) break;
    if ((m[1] >= 0xD0 && m[1] <= 0xD8) || m[1] == 0x01) {
      at += 2;
      continue;
    }
    if (in->Read(m + 2, 2) != 2 || Be16(m + 2) < 2) break;
    const uint64_t payload = at + 4, bytes = Be16(m + 2) - 2;
    BYTE head[kIccHeader];
    if (IsFrameHeader(m[1])) {
      if (bytes >= 5 && in->Read(head, 5) == 5) {
        blocks->height = Be16(head + 1);
        blocks->width = Be16(head + 3);
      }
      break;
    }
    if (m[1] == 0xE1 && blocks->exif == nullptr && bytes >= 6 && in->Read(head, 6) == 6 &&
        std::memcmp(head, "Exif\0\0", 6) == 0 && in->Seek(payload)) {
      blocks->exif = ReadMetaBlock(in, "", 0, bytes);
    }
    if (m[1] == 0xE2 && bytes > kIccHeader && iccChunks < kMaxIccChunks && in->Read(head, kIccHeader) == kIccHeader &&
        std::memcmp(head, kIccMark, sizeof kIccMark) == 0) {
      chunks[iccChunks++] = IccChunk{head[12], payload + kIccHeader, bytes - kIccHeader};
    }
    at = payload + bytes;
  }
  blocks->icc = JoinIccChunks(in, chunks, iccChunks);
}

voidpf ZlibAlloc(voidpf, uInt items, uInt size) {
  return DecoderAlloc((size_t)items * size);
}
void ZlibFree(voidpf, voidpf block) {
  DecoderFree(block);
}

// PNG's iCCP chunk: a name of 1 to 79 bytes, a zero, method 0, then the
// profile deflated; inflated into a block of at most kMaxIccProfileBytes.
HMEMBLOCK InflateIcc(const BYTE* chunk, size_t bytes) {
  const BYTE* end = (const BYTE*)std::memchr(chunk, 0, std::min<size_t>(bytes, 80));
  if (end == nullptr || (size_t)(end - chunk) + 2 > bytes || end[1] != 0) return nullptr;
  HMEMBLOCK out = MemAllocRetry(kMaxIccProfileBytes);
  if (out == nullptr) return nullptr;
  z_stream z = {};
  z.zalloc = ZlibAlloc;
  z.zfree = ZlibFree;
  z.next_in = (Bytef*)(end + 2);
  z.avail_in = (uInt)(bytes - (size_t)(end + 2 - chunk));
  z.next_out = (Bytef*)out;
  z.avail_out = (uInt)kMaxIccProfileBytes;
  HMEMBLOCK profile = nullptr;
  if (inflateInit(&z) == Z_OK) {
    if (inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out > 0) {
      profile = MemAllocRetry(z.total_out);
      if (profile != nullptr) std::memcpy(profile, out, z.total_out);
    }
    inflateEnd(&z);
  }
  MemFree(out);
  return profile;
}

void ReadPngBlocks(CDecodeInput* in, CPictureBlocks* blocks) {
  uint64_t at = 8;
  for (int i = 0; i < kMaxMetaRecords; ++i) {
    BYTE head[16];
    if (!ReadAt(in, at, head, 8)) break;
    const uint64_t bytes = Be32(head);
    if (bytes > 0x7FFFFFFF) break;
    if (std::memcmp(head + 4, "IEND", 4) == 0) break;
    if (std::memcmp(head + 4, "IHDR", 4) == 0 && bytes >= 8 && in->Read(head + 8, 8) == 8) {
      blocks->width = Be32(head + 8);
      blocks->height = Be32(head + 12);
    }
    if (std::memcmp(head + 4, "eXIf", 4) == 0 && blocks->exif == nullptr && bytes <= kMaxExifBlockBytes &&
        in->Seek(at + 8)) {
      blocks->exif = ReadMetaBlock(in, "Exif\0\0", 6, bytes);
    }
    if (std::memcmp(head + 4, "iCCP", 4) == 0 && blocks->icc == nullptr && bytes <= kMaxIccProfileBytes &&
        in->Seek(at + 8)) {
      HMEMBLOCK chunk = ReadMetaBlock(in, "", 0, bytes);
      if (chunk != nullptr) blocks->icc = InflateIcc((const BYTE*)chunk, (size_t)bytes);
      MemFree(chunk);
    }
    at += 12 + bytes;
  }
}

void ReadWebpBlocks(CDecodeInput* in, CPictureBlocks* blocks) {
  BYTE riff[4];
  if (!ReadAt(in, 4, riff, 4)) return;
  const uint64_t end = std::min<uint64_t>(8 + (uint64_t)Le32(riff), blocks->fileBytes);
  uint64_t at = 12;
  for (int i = 0; i < kMaxMetaRecords && at + 8 <= end; ++i) {
    BYTE head[18];
    if (!ReadAt(in, at, head, 8)) break;
    const uint64_t bytes = Le32(head + 4);
    BYTE* p = head + 8;
    if (std::memcmp(head, "VP8X", 4) == 0 && bytes >= 10 && in->Read(p, 10) == 10) {
      blocks->width = 1 + (Le32(p + 4) & 0xFFFFFF);
      blocks->height = 1 + (Le32(p + 6) >> 8);
    }
    if (std::memcmp(head, "VP8 ", 4) == 0 && blocks->width == 0 && bytes >= 10 && in->Read(p, 10) == 10) {
      blocks->width = (p[6] | (p[7] << 8)) & 0x3FFF;
      blocks->height = (p[8] | (p[9] << 8)) & 0x3FFF;
    }
    if (std::memcmp(head, "VP8L", 4) == 0 && blocks->width == 0 && bytes >= 5 && in->Read(p, 5) == 5 && p[0] == 0x2F) {
      const uint32_t bits = Le32(p + 1);
      blocks->width = 1 + (bits & 0x3FFF);
      blocks->height = 1 + ((bits >> 14) & 0x3FFF);
    }
    if (std::memcmp(head, "EXIF", 4) == 0 && blocks->exif == nullptr && bytes <= kMaxExifBlockBytes &&
        in->Seek(at + 8)) {
      blocks->exif = ReadMetaBlock(in, "Exif\0\0", 6, bytes);
    }
    if (std::memcmp(head, "ICCP", 4) == 0 && blocks->icc == nullptr && bytes <= kMaxIccProfileBytes &&
        in->Seek(at + 8)) {
      blocks->icc = ReadMetaBlock(in, "", 0, bytes);
    }
    at += 8 + bytes + (bytes & 1);
  }
}

}  // namespace

HMEMBLOCK ReadMetaBlock(CDecodeInput* input, const char* prefix, size_t prefixBytes, uint64_t count) {
  if (count == 0 || count > kMaxExifBlockBytes + kMaxIccProfileBytes) return nullptr;
  HMEMBLOCK block = MemAllocRetry(prefixBytes + (size_t)count);
  if (block == nullptr) return nullptr;
  std::memcpy(block, prefix, prefixBytes);
  if (input->Read((BYTE*)block + prefixBytes, (size_t)count) != count) {
    MemFree(block);
    return nullptr;
  }
  return block;
}

void CPictureBlocks::Clear() {
  MemFree(exif);
  MemFree(icc);
  exif = icc = nullptr;
  format = PICTURE_UNKNOWN;
  fileBytes = width = height = 0;
}

BOOL CPictureBlocks::Read(FILE* stream) {
  Clear();
  if (stream == nullptr) return FALSE;
  CDecodeInput input(stream);
  BYTE head[kPictureSniffBytes];
  if (!input.Seek(0)) return FALSE;
  format = PictureFormatOf(head, input.Read(head, sizeof head));
  fileBytes = input.Size();
  if (format == PICTURE_UNKNOWN) return FALSE;
  switch (format) {
    case PICTURE_JPEG:
      ReadJpegBlocks(&input, this);
      break;
    case PICTURE_PNG:
      ReadPngBlocks(&input, this);
      break;
    case PICTURE_WEBP:
      ReadWebpBlocks(&input, this);
      break;
    case PICTURE_HEIF:
    case PICTURE_AVIF:
      if (input.Seek(0)) ReadHeifBlocks(&input, this);
      break;
    default:
      break;
  }
  return TRUE;
}

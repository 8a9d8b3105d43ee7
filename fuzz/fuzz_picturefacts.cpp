// libFuzzer target for the information panel's glue: the walks to a file's
// Exif block and ICC profile (JPEG, PNG, WebP, HEIF), libexif's load of the
// block with the viewer's allocator, the facts and their lines, under a
// 64 MB budget. An input that is no picture is handed to libexif as an Exif
// block, and to the ICC reader as a profile. Nothing of ours stays behind.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzzstream.h"
#include "imaging/picturefacts.h"
#include "platform/base/heap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool configured = [] {
    HeapSetBudget(64u << 20);
    return true;
  }();
  (void)configured;
  const size_t blocks = HeapBlockCount();
  PictureFacts facts;
  if (PictureFormatOf(data, size) == PICTURE_UNKNOWN) {
    std::vector<BYTE> block(6 + size);
    std::memcpy(block.data(), "Exif\0\0", 6);
    if (size != 0) std::memcpy(block.data() + 6, data, size);
    ReadExifFacts(block.data(), block.size(), &facts);
    facts.colourProfile = IccProfileName(data, size);
  } else {
    FILE* stream = FuzzStream(data, size);
    if (stream == nullptr) return 0;
    ReadPictureFacts(stream, &facts);
  }
  // Every line is text of its own: no control bytes from the file.
  for (const std::string& line : PictureFactLines(facts)) {
    for (char c : line) {
      if (c != 0 && (unsigned char)c < 0x20) std::abort();
    }
  }
  if (facts.make.size() > kMaxFactChars || facts.model.size() > kMaxFactChars) std::abort();
  if (HeapBlockCount() != blocks || HeapBytesReserved() != 0) std::abort();
  return 0;
}

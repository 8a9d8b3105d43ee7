// One temporary file per fuzz process, truncated and rewritten per input.
#include "fuzzstream.h"

#include <unistd.h>

FILE* FuzzStream(const uint8_t* data, size_t size) {
  static FILE* stream = std::tmpfile();
  if (stream == nullptr) return nullptr;
  std::rewind(stream);
  if (ftruncate(fileno(stream), 0) != 0) return nullptr;
  if (size > 0 && std::fwrite(data, 1, size, stream) != size) return nullptr;
  if (std::fflush(stream) != 0) return nullptr;
  std::rewind(stream);
  return stream;
}

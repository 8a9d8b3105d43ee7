// libFuzzer target for the WebP glue of the picture interface.
#include "fuzzpicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzPictureInput(data, size, PICTURE_WEBP);
}

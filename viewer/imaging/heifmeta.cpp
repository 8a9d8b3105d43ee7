// HEIF and AVIF blocks on libheif: the primary picture's stored size, its
// first Exif item (a 4-byte offset to the TIFF header, then the block) and
// its ICC profile, read through the bounded input with the library's
// records reserved from the budget as the decoder reserves them.
#include <libheif/heif.h>

#include <cmath>
#include <cstring>

#include "imaging/decodeinput.h"
#include "imaging/metablocks.h"

namespace {

// What the library holds for a file's boxes and records.
constexpr uint64_t kHeifRecordBytes = (uint64_t)8 << 20;

int64_t OnPosition(void* input) {
  return (int64_t)((CDecodeInput*)input)->Tell();
}
int OnRead(void* data, size_t size, void* input) {
  return ((CDecodeInput*)input)->Read(data, size) == size ? 0 : 1;
}
int OnSeek(int64_t position, void* input) {
  return position >= 0 && ((CDecodeInput*)input)->Seek((uint64_t)position) ? 0 : 1;
}
heif_reader_grow_status OnGrow(int64_t size, void* input) {
  return size >= 0 && (uint64_t)size <= ((CDecodeInput*)input)->Size() ? heif_reader_grow_status_size_reached
                                                                       : heif_reader_grow_status_size_beyond_eof;
}

HMEMBLOCK ExifOf(const heif_image_handle* handle) {
  heif_item_id id;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return nullptr;
  const size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size <= 4 || size > kMaxExifBlockBytes + 4) return nullptr;
  HMEMBLOCK item = MemAllocRetry(size);
  if (item == nullptr) return nullptr;
  HMEMBLOCK exif = nullptr;
  const BYTE* p = (const BYTE*)item;
  if (heif_image_handle_get_metadata(handle, id, item).code == heif_error_Ok) {
    const uint64_t offset = ((uint64_t)p[0] << 24) | ((uint64_t)p[1] << 16) | ((uint64_t)p[2] << 8) | p[3];
    uint64_t at = 4 + offset;
    if (at + 6 <= size && std::memcmp(p + at, "Exif\0\0", 6) == 0) at += 6;
    if (at < size) exif = MemAllocRetry(6 + (size_t)(size - at));
    if (exif != nullptr) {
      std::memcpy(exif, "Exif\0\0", 6);
      std::memcpy((BYTE*)exif + 6, p + at, (size_t)(size - at));
    }
  }
  MemFree(item);
  return exif;
}

HMEMBLOCK IccOf(const heif_image_handle* handle) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return nullptr;
  const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
  if (size == 0 || size > kMaxIccProfileBytes) return nullptr;
  HMEMBLOCK icc = MemAllocRetry(size);
  if (icc != nullptr && heif_image_handle_get_raw_color_profile(handle, icc).code != heif_error_Ok) {
    MemFree(icc);
    icc = nullptr;
  }
  return icc;
}

}  // namespace

void ReadHeifBlocks(CDecodeInput* input, CPictureBlocks* blocks) {
  CDecodeReservation records;
  if (!records.Take(kHeifRecordBytes)) return;
  heif_context* context = heif_context_alloc();
  if (context == nullptr) return;
  heif_context_set_maximum_image_size_limit(context, (int)std::sqrt((double)kMaxPicturePixels));
  heif_reader reader = {};
  reader.reader_api_version = 1;
  reader.get_position = OnPosition;
  reader.read = OnRead;
  reader.seek = OnSeek;
  reader.wait_for_file_size = OnGrow;
  heif_image_handle* primary = nullptr;
  if (heif_context_read_from_reader(context, &reader, input, nullptr).code == heif_error_Ok &&
      heif_context_get_primary_image_handle(context, &primary).code == heif_error_Ok) {
    const int width = heif_image_handle_get_ispe_width(primary), height = heif_image_handle_get_ispe_height(primary);
    blocks->width = width > 0 ? (uint64_t)width : 0;
    blocks->height = height > 0 ? (uint64_t)height : 0;
    blocks->exif = ExifOf(primary);
    blocks->icc = IccOf(primary);
    heif_image_handle_release(primary);
  }
  heif_context_free(context);
}

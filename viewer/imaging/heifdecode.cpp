// HEIF and AVIF glue on libheif (HEVC and AV1 decoders): the primary
// picture, or the embedded thumbnail that is large enough for the cell (the
// counterpart of an Exif thumbnail), decoded to 8-bit RGB, alpha composited
// over white, then reduced towards the box. libheif applies the file's own
// transformations (rotation, mirror, crop) when the caller wants pictures
// upright, and none otherwise; its memory is reserved as a bound first and
// its picture size held to the viewer's limit.
#include <libheif/heif.h>

#include <cmath>
#include <cstring>
#include <new>

#include "imaging/picturedecoder.h"
#include "imaging/pixelrows.h"
#include "imaging/rowreduce.h"
#include "imaging/rowswap.h"
#include "shell/memblock.h"

namespace {

// The decoder's records and tables, besides what grows with the picture.
constexpr uint64_t kHeifFixedBytes = (uint64_t)8 << 20;
// For each pixel: the decoded planes and the decoder's reference picture
// (up to 4:4:4, so 3 samples each), the alpha plane, and the RGBA output.
constexpr uint64_t kHeifSamplesPerPixel = 7;
constexpr uint64_t kHeifOutputBytesPerPixel = 4;
// The most thumbnails looked at.
constexpr int kMaxThumbnails = 8;

class CHeifDecoder : public CPictureDecoder {
 public:
  CHeifDecoder(CDecodeInput* input, PictureFormat format, BOOL upright)
      : m_pInput(input), m_pFormat(PictureFormatName(format)), m_bUpright(upright) {}
  ~CHeifDecoder() override;
  BOOL ReadHeader(PictureInfo* info) override;
  CDib Decode(int width, int height) override;

 private:
  static int64_t OnPosition(void* self) { return (int64_t)((CHeifDecoder*)self)->m_pInput->Tell(); }
  static int OnRead(void* data, size_t size, void* self);
  static int OnSeek(int64_t position, void* self);
  static heif_reader_grow_status OnGrow(int64_t size, void* self);

  BOOL Refuse(const char* reason);
  BOOL LibraryError(const heif_error& error);
  const heif_image_handle* ThumbnailFor(int width, int height);

  CDecodeInput* m_pInput;
  const char* m_pFormat;
  BOOL m_bUpright;
  heif_reader m_reader = {};
  heif_context* m_context = nullptr;
  heif_image_handle* m_primary = nullptr;
  heif_image_handle* m_thumbnail = nullptr;
  CDecodeReservation m_library;
};

CHeifDecoder::~CHeifDecoder() {
  if (m_thumbnail != nullptr) heif_image_handle_release(m_thumbnail);
  if (m_primary != nullptr) heif_image_handle_release(m_primary);
  if (m_context != nullptr) heif_context_free(m_context);
}

int CHeifDecoder::OnRead(void* data, size_t size, void* self) {
  return ((CHeifDecoder*)self)->m_pInput->Read(data, size) == size ? 0 : 1;
}

int CHeifDecoder::OnSeek(int64_t position, void* self) {
  return position >= 0 && ((CHeifDecoder*)self)->m_pInput->Seek((uint64_t)position) ? 0 : 1;
}

heif_reader_grow_status CHeifDecoder::OnGrow(int64_t size, void* self) {
  return size >= 0 && (uint64_t)size <= ((CHeifDecoder*)self)->m_pInput->Size()
             ? heif_reader_grow_status_size_reached
             : heif_reader_grow_status_size_beyond_eof;
}

BOOL CHeifDecoder::Refuse(const char* reason) {
  SetPictureInputError(*m_pInput, reason);
  return FALSE;
}

BOOL CHeifDecoder::LibraryError(const heif_error& error) {
  if (m_pInput->Failure() != nullptr) return Refuse(nullptr);
  if (error.subcode == heif_suberror_Security_limit_exceeded) return Refuse(kPictureTooLarge);
  if (error.code == heif_error_Memory_allocation_error) return Refuse(kPictureNoMemory);
  SetPictureLibraryError(m_pFormat, error.message);
  return FALSE;
}

BOOL CHeifDecoder::ReadHeader(PictureInfo* info) {
  // 1. The file's boxes, through the bounded input; the library refuses
  //    pictures past the pixel limit itself.
  if (!m_library.Take(kHeifFixedBytes)) return Refuse(kPictureNoMemory);
  m_context = heif_context_alloc();
  if (m_context == nullptr) return Refuse(kPictureNoMemory);
  heif_context_set_maximum_image_size_limit(m_context, (int)std::sqrt((double)kMaxPicturePixels));
  m_reader.reader_api_version = 1;
  m_reader.get_position = OnPosition;
  m_reader.read = OnRead;
  m_reader.seek = OnSeek;
  m_reader.wait_for_file_size = OnGrow;
  heif_error error = heif_context_read_from_reader(m_context, &m_reader, this, nullptr);
  if (error.code != heif_error_Ok) return LibraryError(error);
  error = heif_context_get_primary_image_handle(m_context, &m_primary);
  if (error.code != heif_error_Ok) return LibraryError(error);
  // 2. Its size: upright, or as stored.
  const uint64_t width =
      (uint64_t)(m_bUpright ? heif_image_handle_get_width(m_primary) : heif_image_handle_get_ispe_width(m_primary));
  const uint64_t height =
      (uint64_t)(m_bUpright ? heif_image_handle_get_height(m_primary) : heif_image_handle_get_ispe_height(m_primary));
  if (!AcceptPictureSize(m_pInput, width, height)) return FALSE;
  info->width = width;
  info->height = height;
  info->frames = (uint64_t)heif_context_get_number_of_top_level_images(m_context);
  return TRUE;
}

// The smallest embedded thumbnail that still fills a cell of the grid (whose
// decode box is 2.5 times its thumbnail box) as the main picture would; null
// when there is none.
const heif_image_handle* CHeifDecoder::ThumbnailFor(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  heif_item_id ids[kMaxThumbnails];
  const int count = heif_image_handle_get_list_of_thumbnail_IDs(m_primary, ids, kMaxThumbnails);
  const uint64_t w = (uint64_t)heif_image_handle_get_width(m_primary);
  const uint64_t h = (uint64_t)heif_image_handle_get_height(m_primary);
  const uint64_t cellWidth = (uint64_t)width * 2 / 5, cellHeight = (uint64_t)height * 2 / 5;
  // The main picture fitted into the cell.
  const bool wider = cellHeight * w > cellWidth * h;
  const uint64_t needWidth =
      wider ? (w < cellWidth ? w : cellWidth) : (h == 0 ? 0 : w * (h < cellHeight ? h : cellHeight) / h);
  const uint64_t needHeight = wider ? (w == 0 ? 0 : h * needWidth / w) : (h < cellHeight ? h : cellHeight);
  uint64_t best = UINT64_MAX;
  for (int i = 0; i < count && i < kMaxThumbnails; ++i) {
    heif_image_handle* thumbnail = nullptr;
    if (heif_image_handle_get_thumbnail(m_primary, ids[i], &thumbnail).code != heif_error_Ok) continue;
    const uint64_t tw = (uint64_t)heif_image_handle_get_width(thumbnail);
    const uint64_t th = (uint64_t)heif_image_handle_get_height(thumbnail);
    if (tw >= needWidth && th >= needHeight && tw * th < best) {
      best = tw * th;
      if (m_thumbnail != nullptr) heif_image_handle_release(m_thumbnail);
      m_thumbnail = thumbnail;
    } else {
      heif_image_handle_release(thumbnail);
    }
  }
  return m_thumbnail;
}

CDib CHeifDecoder::Decode(int width, int height) {
  if (m_primary == nullptr) return nullptr;
  // 1. What to decode, and its memory reserved as a bound.
  const heif_image_handle* handle = ThumbnailFor(width, height);
  if (handle == nullptr) handle = m_primary;
  const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  const uint64_t pixels =
      (uint64_t)heif_image_handle_get_ispe_width(handle) * (uint64_t)heif_image_handle_get_ispe_height(handle);
  const int bits = heif_image_handle_get_luma_bits_per_pixel(handle);
  const uint64_t sampleBytes = bits > 8 ? 2 : 1;
  if (pixels > kMaxPicturePixels) {
    Refuse(kPictureTooLarge);
    return nullptr;
  }
  // The coded picture is read whole too: at most the file, and never more
  // than its raw samples.
  const uint64_t fileBytes = m_pInput->Size();
  const uint64_t coded = fileBytes < 3 * pixels * sampleBytes ? fileBytes : 3 * pixels * sampleBytes;
  if (!m_library.Take(pixels * (kHeifSamplesPerPixel * sampleBytes + kHeifOutputBytesPerPixel) + coded)) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  // 2. Decode to interleaved 8-bit RGB (RGBA with alpha).
  heif_decoding_options* options = heif_decoding_options_alloc();
  if (options == nullptr) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  options->ignore_transformations = m_bUpright ? 0 : 1;
  options->convert_hdr_to_8bit = 1;
  heif_image* image = nullptr;
  const heif_error error = heif_decode_image(
      handle, &image, heif_colorspace_RGB, alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
  heif_decoding_options_free(options);
  if (error.code != heif_error_Ok) {
    LibraryError(error);
    return nullptr;
  }
  // 3. Its rows, top first, to blue, green, red and reduced.
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  const uint64_t w = (uint64_t)heif_image_get_width(image, heif_channel_interleaved);
  const uint64_t h = (uint64_t)heif_image_get_height(image, heif_channel_interleaved);
  CRowReducer reducer;
  CDib dib = nullptr;
  if (plane == nullptr || w * h > kMaxPicturePixels) {
    SetPictureLibraryError(m_pFormat, "no pixels");
  } else if (!reducer.Start(w, h, ReduceShiftForBox(w, h, width, height), 3)) {
    Refuse(kPictureNoMemory);
  } else {
    for (uint64_t y = 0; y < h; ++y) {
      const uint8_t* row = plane + y * (uint64_t)stride;
      if (alpha) {
        CompositeRgbaOverWhite(row, reducer.NextRow(), w);
      } else {
        CopyRowRgbToBgr(row, reducer.NextRow(), w);
      }
      reducer.CommitRow();
    }
    dib = reducer.Finish();
  }
  heif_image_release(image);
  return dib;
}

}  // namespace

CPictureDecoder* NewHeifDecoder(CDecodeInput* input, PictureFormat format, BOOL upright) {
  CPictureDecoder* decoder = new (std::nothrow) CHeifDecoder(input, format, upright);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}

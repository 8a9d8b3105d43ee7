// PNG glue on libpng 1.6: the library's memory through the budget's hooks,
// reads through the bounded input, rows expanded to 8-bit grey or colour
// (palettes, low depths, 16 bits scaled), alpha composited over white, and
// reduced as they stream in; interlaced pictures are read whole first.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

#include "imaging/exiforientation.h"
#include "imaging/picturedecoder.h"
#include "imaging/pixelrows.h"
#include "imaging/rowreduce.h"
#include "shell/memblock.h"

namespace {

constexpr const char kFormat[] = "PNG";

class CPngDecoder : public CPictureDecoder {
 public:
  explicit CPngDecoder(CDecodeInput* input) : m_pInput(input) {}
  ~CPngDecoder() override;
  BOOL ReadHeader(PictureInfo* info) override;
  CDib Decode(int width, int height) override;

 private:
  static void OnError(png_structp png, png_const_charp message);
  static void OnWarning(png_structp, png_const_charp) {}
  static void OnRead(png_structp png, png_bytep data, size_t length);
  static png_voidp OnAlloc(png_structp png, png_alloc_size_t bytes);
  static void OnFree(png_structp, png_voidp block) { DecoderFree(block); }

  // The parts that call into the library; setjmp sits in their callers, and
  // nothing with a destructor lives in these frames.
  bool RunHeader(PictureInfo* info);
  void RunDecode(int width, int height);
  void SetTransforms();
  void ConvertRow(const BYTE* row, BYTE* out) const;
  void LibraryError() const;

  CDecodeInput* m_pInput;
  png_structp m_png = nullptr;
  png_infop m_info = nullptr;
  char m_message[160] = "";
  bool m_bNoMemory = false;
  CRowReducer m_reducer;
  HMEMBLOCK m_hRow = nullptr;       // one decoded row when it must be converted
  HMEMBLOCK m_hImage = nullptr;     // an interlaced picture, whole
  HMEMBLOCK m_hPointers = nullptr;  // its row pointers
  png_uint_32 m_nWidth = 0, m_nHeight = 0;
  int m_nChannels = 0;
  int m_nPasses = 1;  // after the transforms: 1 grey, 2 grey + alpha, 3 colour, 4 colour + alpha
  CDib m_result = nullptr;
};

CPngDecoder::~CPngDecoder() {
  if (m_png != nullptr) png_destroy_read_struct(&m_png, m_info != nullptr ? &m_info : nullptr, nullptr);
  MemFree(m_hRow);
  MemFree(m_hImage);
  MemFree(m_hPointers);
}

// A refusal of the budget is remembered: the library's own words for it
// ("insufficient memory") then give way to the viewer's.
png_voidp CPngDecoder::OnAlloc(png_structp png, png_alloc_size_t bytes) {
  void* block = DecoderAlloc(bytes);
  if (block == nullptr) ((CPngDecoder*)png_get_mem_ptr(png))->m_bNoMemory = true;
  return block;
}

void CPngDecoder::OnError(png_structp png, png_const_charp message) {
  CPngDecoder* self = (CPngDecoder*)png_get_error_ptr(png);
  std::snprintf(self->m_message, sizeof self->m_message, "%s", message != nullptr ? message : "");
  png_longjmp(png, 1);
}

// Short reads end the decode: a PNG cut short has no picture to finish.
void CPngDecoder::OnRead(png_structp png, png_bytep data, size_t length) {
  CDecodeInput* input = ((CPngDecoder*)png_get_error_ptr(png))->m_pInput;
  if (input->Read(data, length) != length) png_error(png, "the file ends early");
}

// The input's reason first (a stopped or bounded read), then memory, then
// the library's words.
void CPngDecoder::LibraryError() const {
  if (m_pInput->Failure() != nullptr) {
    SetPictureInputError(*m_pInput, nullptr);
  } else if (m_bNoMemory) {
    SetPictureDecodeError(kPictureNoMemory);
  } else {
    SetPictureLibraryError(kFormat, m_message);
  }
}

BOOL CPngDecoder::ReadHeader(PictureInfo* info) {
  m_png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning, this, OnAlloc, OnFree);
  if (m_png != nullptr) m_info = png_create_info_struct(m_png);
  if (m_png == nullptr || m_info == nullptr) {
    SetPictureInputError(*m_pInput, kPictureNoMemory);
    return FALSE;
  }
  if (setjmp(png_jmpbuf(m_png)) != 0) {
    LibraryError();
    return FALSE;
  }
  return RunHeader(info) ? TRUE : FALSE;
}

// FALSE when the size is refused (the reason recorded).
bool CPngDecoder::RunHeader(PictureInfo* info) {
  png_set_read_fn(m_png, nullptr, OnRead);
  png_read_info(m_png, m_info);
  m_nWidth = png_get_image_width(m_png, m_info);
  m_nHeight = png_get_image_height(m_png, m_info);
  if (!AcceptPictureSize(m_pInput, m_nWidth, m_nHeight)) return false;
  info->width = m_nWidth;
  info->height = m_nHeight;
  // An eXIf chunk before the pixels; one after them is not waited for.
  png_uint_32 exifBytes = 0;
  png_bytep exif = nullptr;
  if (png_get_eXIf_1(m_png, m_info, &exifBytes, &exif) != 0)
    info->orientation = ExifOrientationOfBlock(exif, exifBytes);
  return true;
}

// Every layout to 8-bit grey or blue-green-red, alpha kept for compositing.
void CPngDecoder::SetTransforms() {
  png_set_expand(m_png);  // palettes to colour, low grey depths to 8, tRNS to alpha
  png_set_scale_16(m_png);
  const int type = png_get_color_type(m_png, m_info);
  const bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(m_png, m_info, PNG_INFO_tRNS) != 0;
  if ((type & PNG_COLOR_MASK_COLOR) != 0 && !alpha) png_set_bgr(m_png);
  m_nPasses = png_set_interlace_handling(m_png);
  png_read_update_info(m_png, m_info);
  m_nChannels = png_get_channels(m_png, m_info);
}

void CPngDecoder::ConvertRow(const BYTE* row, BYTE* out) const {
  if (m_nChannels == 4) {
    CompositeRgbaOverWhite(row, out, m_nWidth);
  } else if (m_nChannels == 2) {
    for (png_uint_32 x = 0; x < m_nWidth; ++x) out[x] = OverWhite(row[2 * x], row[2 * x + 1]);
  } else {
    std::memcpy(out, row, (size_t)m_nWidth * (size_t)m_nChannels);
  }
}

CDib CPngDecoder::Decode(int width, int height) {
  if (m_png == nullptr) return nullptr;
  if (setjmp(png_jmpbuf(m_png)) != 0) {
    LibraryError();
    return nullptr;
  }
  RunDecode(width, height);
  if (m_result == nullptr) SetPictureInputError(*m_pInput, kPictureNoMemory);
  return m_result;
}

void CPngDecoder::RunDecode(int width, int height) {
  // 1. Transforms, and the reduction the box asks for.
  SetTransforms();
  const unsigned shift = ReduceShiftForBox(m_nWidth, m_nHeight, width, height);
  const unsigned outChannels = m_nChannels <= 2 ? 1 : 3;
  const size_t rowBytes = png_get_rowbytes(m_png, m_info);
  if (!m_reducer.Start(m_nWidth, m_nHeight, shift, outChannels)) return;
  const bool convert = m_nChannels == 2 || m_nChannels == 4;
  if (convert && (m_hRow = MemAllocRetry(rowBytes)) == nullptr) return;
  // 2. An interlaced picture comes in passes over the whole picture: it is
  //    read whole, then handed on row by row like any other.
  const int passes = m_nPasses;
  if (passes > 1) {
    m_hImage = MemAllocRetry((size_t)rowBytes * m_nHeight);
    m_hPointers = MemAllocRetry(sizeof(png_bytep) * (size_t)m_nHeight);
    if (m_hImage == nullptr || m_hPointers == nullptr) return;
    png_bytepp rows = (png_bytepp)MemLock(m_hPointers);
    for (png_uint_32 y = 0; y < m_nHeight; ++y) rows[y] = (BYTE*)MemLock(m_hImage) + (size_t)y * rowBytes;
    png_read_image(m_png, rows);
  }
  // 3. Rows top first, each converted where it must be and reduced.
  for (png_uint_32 y = 0; y < m_nHeight; ++y) {
    if (m_pInput->Stopped()) return;
    BYTE* target = m_reducer.NextRow();
    BYTE* row = convert ? (BYTE*)MemLock(m_hRow) : target;
    if (passes > 1) {
      row = (BYTE*)MemLock(m_hImage) + (size_t)y * rowBytes;
      if (!convert) std::memcpy(target, row, rowBytes);
    } else {
      png_read_row(m_png, row, nullptr);
    }
    if (convert) ConvertRow(row, target);
    m_reducer.CommitRow();
  }
  // 4. Done: nothing after the pixels is read.
  MemFree(m_hImage);
  m_hImage = nullptr;
  m_result = m_reducer.Finish();
}

}  // namespace

CPictureDecoder* NewPngDecoder(CDecodeInput* input) {
  CPictureDecoder* decoder = new (std::nothrow) CPngDecoder(input);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}

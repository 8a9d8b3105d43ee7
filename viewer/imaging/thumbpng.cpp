// PNG glue of the shared thumbnail cache on libpng 1.6: the writer (RGBA rows
// from a CDib, tEXt chunks first) and the bounded reader (any PNG layout to
// blue-green-red-alpha rows, then over white into a CDib; every text chunk
// before and after the pixels shown to the caller's check).
#include "imaging/thumbpng.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

#include "imaging/diblayout.h"
#include "shell/memblock.h"

namespace {

// More ancillary chunks than a thumbnail has, and a cap on any one chunk's
// memory (a compressed text chunk inflates into it): a crafted file is
// refused long before it costs time or memory.
constexpr png_uint_32 kMaxChunks = 64;
constexpr png_alloc_size_t kMaxChunkBytes = 256 * 1024;

// The library's memory, counted against the heap's budget.
png_voidp OnAlloc(png_structp, png_alloc_size_t bytes) {
  return MemAlloc(bytes);
}
void OnFree(png_structp, png_voidp block) {
  MemFree(block);
}
void OnError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

BYTE OverWhite(unsigned value, unsigned alpha) {
  return (BYTE)((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// ---- Reading --------------------------------------------------------------

class CPngReader {
 public:
  CPngReader(const void* bytes, size_t count, int maxSide, const PngTextCheck& check)
      : m_data((const BYTE*)bytes), m_count(count), m_maxSide(maxSide), m_check(check) {}
  ~CPngReader() {
    if (m_png != nullptr) png_destroy_read_struct(&m_png, m_info != nullptr ? &m_info : nullptr, nullptr);
    MemFree(m_image);
    MemFree(m_result);
  }
  CPngReader(const CPngReader&) = delete;
  CPngReader& operator=(const CPngReader&) = delete;

  // setjmp sits here; what the jump skips holds no destructor (the text list
  // and the blocks are members).
  CDib Read() {
    m_png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning, this, OnAlloc, OnFree);
    if (m_png != nullptr) m_info = png_create_info_struct(m_png);
    if (m_png == nullptr || m_info == nullptr) return nullptr;
    if (setjmp(png_jmpbuf(m_png)) != 0) return nullptr;
    if (!Run()) return nullptr;
    CDib result = m_result;
    m_result = nullptr;
    return result;
  }

 private:
  // Reads past the end stop the decode: a file cut short has no picture.
  static void OnRead(png_structp png, png_bytep out, size_t length) {
    CPngReader* self = (CPngReader*)png_get_io_ptr(png);
    if (length > self->m_count - self->m_at) png_error(png, "cut short");
    std::memcpy(out, self->m_data + self->m_at, length);
    self->m_at += length;
  }

  bool CheckText(bool complete) {
    m_text.clear();
    png_textp text = nullptr;
    const int count = png_get_text(m_png, m_info, &text, nullptr);
    for (int i = 0; i < count; ++i) {
      m_text.push_back(PngText{text[i].key != nullptr ? text[i].key : "", text[i].text != nullptr ? text[i].text : ""});
    }
    return m_check(m_text, complete);
  }

  bool Run() {
    // 1. Limits before anything is read: sides, chunks, chunk memory.
    png_set_read_fn(m_png, this, OnRead);
    png_set_user_limits(m_png, (png_uint_32)m_maxSide, (png_uint_32)m_maxSide);
    png_set_chunk_cache_max(m_png, kMaxChunks);
    png_set_chunk_malloc_max(m_png, kMaxChunkBytes);
    // What the library would only warn of (extra image data, a chunk over
    // the limits) refuses the file: a doubtful thumbnail is made again.
    png_set_benign_errors(m_png, 0);
    // 2. The header and the chunks before the pixels; their text may
    //    already refuse the file.
    png_read_info(m_png, m_info);
    m_width = png_get_image_width(m_png, m_info);
    m_height = png_get_image_height(m_png, m_info);
    if (m_width == 0 || m_height == 0 || m_width > (png_uint_32)m_maxSide || m_height > (png_uint_32)m_maxSide)
      return false;
    if (!CheckText(false)) return false;
    // 3. Every layout to 8-bit blue, green, red, alpha.
    png_set_expand(m_png);
    png_set_scale_16(m_png);
    png_set_gray_to_rgb(m_png);
    png_set_add_alpha(m_png, 0xff, PNG_FILLER_AFTER);
    png_set_bgr(m_png);
    png_set_interlace_handling(m_png);
    png_read_update_info(m_png, m_info);
    const size_t rowBytes = (size_t)m_width * 4;
    if (png_get_rowbytes(m_png, m_info) != rowBytes) return false;
    // 4. The pixels whole (interlaced files come in passes), then the
    //    chunks after them, whose text is checked with the rest.
    //    The row pointers lead the block, where they are aligned.
    const size_t pointerBytes = sizeof(png_bytep) * m_height;
    m_image = MemAllocRetry(pointerBytes + rowBytes * m_height);
    if (m_image == nullptr) return false;
    png_bytepp rows = (png_bytepp)MemLock(m_image);
    BYTE* pixels = (BYTE*)MemLock(m_image) + pointerBytes;
    for (png_uint_32 y = 0; y < m_height; ++y) rows[y] = pixels + y * rowBytes;
    png_read_image(m_png, rows);
    png_read_end(m_png, m_info);
    if (!CheckText(true)) return false;
    // 5. Over white into a bottom-up 24-bit block.
    m_result = MemAllocRetry(DibBlockBytes(m_width, m_height, 24, 0));
    if (m_result == nullptr) return false;
    WriteDibHeader(m_result, m_width, m_height, 24);
    const uint64_t stride = DibStride(m_width, 24);
    BYTE* out = (BYTE*)MemLock(m_result) + kDibHeaderBytes;
    for (png_uint_32 y = 0; y < m_height; ++y) {
      const BYTE* in = rows[y];
      BYTE* row = out + (m_height - 1 - y) * stride;
      for (png_uint_32 x = 0; x < m_width; ++x, in += 4, row += 3) {
        for (int c = 0; c < 3; ++c) row[c] = OverWhite(in[c], in[3]);
      }
    }
    return true;
  }

  const BYTE* m_data;
  size_t m_count;
  size_t m_at = 0;
  int m_maxSide;
  const PngTextCheck& m_check;
  png_structp m_png = nullptr;
  png_infop m_info = nullptr;
  png_uint_32 m_width = 0, m_height = 0;
  PngTextList m_text;
  HMEMBLOCK m_image = nullptr;
  CDib m_result = nullptr;
};

// ---- Writing --------------------------------------------------------------

class CPngWriter {
 public:
  CPngWriter(const DibLayout* layout, const PngTextList& text, std::string* out) : m_layout(layout), m_out(out) {
    for (const PngText& entry : text) {
      png_text chunk = {};
      chunk.compression = PNG_TEXT_COMPRESSION_NONE;
      chunk.key = (png_charp)entry.key.c_str();
      chunk.text = (png_charp)entry.value.c_str();
      chunk.text_length = entry.value.size();
      m_chunks.push_back(chunk);
    }
  }
  ~CPngWriter() {
    if (m_png != nullptr) png_destroy_write_struct(&m_png, m_info != nullptr ? &m_info : nullptr);
    MemFree(m_row);
  }
  CPngWriter(const CPngWriter&) = delete;
  CPngWriter& operator=(const CPngWriter&) = delete;

  bool Write() {
    // The library's own memory comes from the host's allocator: one writer
    // thread holds a fixed quarter of a megabyte while it compresses, and
    // blocks that size from the budget would be fresh mappings each time,
    // which cost more than the compression.
    m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
    if (m_png != nullptr) m_info = png_create_info_struct(m_png);
    if (m_png == nullptr || m_info == nullptr) return false;
    if (setjmp(png_jmpbuf(m_png)) != 0) return false;
    return Run();
  }

 private:
  static void OnWrite(png_structp png, png_bytep data, size_t length) {
    CPngWriter* self = (CPngWriter*)png_get_io_ptr(png);
    bool failed = false;
    try {
      self->m_out->append((const char*)data, length);
    } catch (...) {
      failed = true;
    }
    if (failed) png_error(png, "out of memory");
  }
  static void OnFlush(png_structp) {}

  // Row `y` (top first) of the picture as red, green, blue, alpha.
  void ConvertRow(png_uint_32 y, BYTE* out) const {
    if (m_layout == nullptr) {
      std::memset(out, 0, 4);
      return;
    }
    const BYTE* in = m_layout->rows + (uint64_t)(m_layout->height - 1 - y) * m_layout->stride;
    const bool grey = m_layout->bitCount == 8;
    for (int64_t x = 0; x < m_layout->width; ++x, out += 4) {
      out[0] = grey ? in[x] : in[3 * x + 2];
      out[1] = grey ? in[x] : in[3 * x + 1];
      out[2] = grey ? in[x] : in[3 * x];
      out[3] = 0xff;
    }
  }

  bool Run() {
    const png_uint_32 width = m_layout != nullptr ? (png_uint_32)m_layout->width : 1;
    const png_uint_32 height = m_layout != nullptr ? (png_uint_32)m_layout->height : 1;
    png_set_write_fn(m_png, this, OnWrite, OnFlush);
    // zlib's fastest level with run-length matching, and one filter that
    // suits photographs: a thumbnail costs a small part of its decode.
    png_set_compression_level(m_png, 1);
    png_set_compression_strategy(m_png, Z_RLE);
    png_set_filter(m_png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(m_png, m_info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (!m_chunks.empty()) png_set_text(m_png, m_info, m_chunks.data(), (int)m_chunks.size());
    png_write_info(m_png, m_info);
    m_row = MemAllocRetry((size_t)width * 4);
    if (m_row == nullptr) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
      ConvertRow(y, (BYTE*)MemLock(m_row));
      png_write_row(m_png, (png_bytep)MemLock(m_row));
    }
    png_write_end(m_png, nullptr);
    return true;
  }

  const DibLayout* m_layout;
  std::string* m_out;
  std::vector<png_text> m_chunks;
  png_structp m_png = nullptr;
  png_infop m_info = nullptr;
  HMEMBLOCK m_row = nullptr;
};

}  // namespace

BOOL EncodeThumbnailPng(CDib dib, const PngTextList& text, std::string* png) {
  DibLayout layout;
  if (dib != nullptr && (!ReadDibLayout(dib, &layout) || layout.width <= 0 || layout.height <= 0)) return FALSE;
  std::string bytes;
  CPngWriter writer(dib != nullptr ? &layout : nullptr, text, &bytes);
  if (!writer.Write()) return FALSE;
  *png = std::move(bytes);
  return TRUE;
}

CDib DecodeThumbnailPng(const void* bytes, size_t count, int maxSide, const PngTextCheck& check) {
  if (bytes == nullptr || maxSide <= 0) return nullptr;
  CPngReader reader(bytes, count, maxSide, check);
  return reader.Read();
}

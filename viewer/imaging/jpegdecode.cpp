// JPEG decoding into CDib blocks on libjpeg's 6b interface: the choice of
// the reduced scale, the colour layout check, the block and the jump back.
#include "imaging/jpegdecode.h"

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstring>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "imaging/diblayout.h"
#include "imaging/exifthumb.h"
#include "imaging/rowswap.h"
#include "platform/devicefs.h"
#include "platform/heap.h"
#include "shell/memblock.h"

namespace {

// The library's error manager with the jump buffer directly behind it: the
// silent error exit gets only the error manager's address and finds the
// buffer from it. The block being filled lives here too, so the recovery
// path can release it.
struct JpegErrorRecord {
  jpeg_error_mgr manager;
  jmp_buf jump;
  CDib volatile dib;
};

// Everything one call owns. It lives in DecodeJpegStream's frame, while
// setjmp sits in RunDecode below it: the recovery path then reads nothing
// but this record through an unchanged pointer, never a local variable that
// changed after setjmp, and no object with a destructor lives across the jump.
struct DecodeCall {
  jpeg_decompress_struct decompress;
  JpegErrorRecord error;
};

void SilentErrorExit(j_common_ptr cinfo) {
  JpegErrorRecord* record = (JpegErrorRecord*)cinfo->err;
  longjmp(record->jump, 1);
}

// Warnings (a file that ends early, stray data) are counted by the library's
// own emit_message and decoding goes on; nothing is ever printed.
void SilentOutputMessage(j_common_ptr /*cinfo*/) {}

// The library allocates beside the device heap (the coefficient buffer of a
// progressive picture, for example). Whatever the heap still could give is
// its limit too, so a small file announcing a huge picture fails inside the
// library rather than exhausting the host. 0 would mean "no limit".
long LibraryMemoryLimit() {
  const size_t available = HeapBytesAvailable();
  if (available == 0) return 1;
  return available > (size_t)LONG_MAX ? LONG_MAX : (long)available;
}

// Number of doublings of `target` until it is no longer less than `side`.
unsigned DoublingsToReach(int64_t target, int64_t side) {
  unsigned n = 0;
  for (int64_t t = target; t < side; t *= 2) ++n;
  return n;
}

// JFIF density to pixels per metre: dots per inch × 3937 / 100, dots per
// centimetre × 100; any other unit leaves both fields 0.
void WriteDensity(const jpeg_decompress_struct& cinfo, BITMAPINFOHEADER* header) {
  if (cinfo.density_unit == 1) {
    header->biXPelsPerMeter = (LONG)cinfo.X_density * 3937 / 100;
    header->biYPelsPerMeter = (LONG)cinfo.Y_density * 3937 / 100;
  } else if (cinfo.density_unit == 2) {
    header->biXPelsPerMeter = (LONG)cinfo.X_density * 100;
    header->biYPelsPerMeter = (LONG)cinfo.Y_density * 100;
  }
}

void DestroyAndRelease(DecodeCall* call) {
  jpeg_destroy_decompress(&call->decompress);
  CDib dib = call->error.dib;
  call->error.dib = nullptr;
  if (dib != nullptr) MemFree(dib);
}

CDib RunDecode(DecodeCall* call, FILE* stream, int width, int height, BOOL allowThumbnail) {
  jpeg_decompress_struct* cinfo = &call->decompress;

  // 2. (continued) Arm the jump buffer. The silent error exit comes back
  //    here with 1: destroy the record, release the block if there is one.
  if (setjmp(call->error.jump) != 0) {
    DestroyAndRelease(call);
    return nullptr;
  }

  // 3. Thumbnail choice. With a box, the walk always runs; the stream stays
  //    at the embedded picture only when one was found and it is allowed.
  //    Without a box the stream is used from where it stands.
  if (width > 0 && height > 0) {
    const BOOL found = FindExifThumbnail(stream);
    if (!found || !allowThumbnail) {
      if (std::fseek(stream, 0, SEEK_SET) != 0) return nullptr;
    }
  }

  // 4. Create the decompression record (the creation macro passes the
  //    library's version and record size), attach the stream, read the header.
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = LibraryMemoryLimit();
  jpeg_stdio_src(cinfo, stream);
  jpeg_read_header(cinfo, TRUE);

  // 5. Reduction towards the box: the smallest n with Tw·2^n >= W and
  //    Th·2^n >= H. The library applies at most 1/8.
  if (width > 0 && height > 0) {
    const unsigned nw = DoublingsToReach(width, cinfo->image_width);
    const unsigned nh = DoublingsToReach(height, cinfo->image_height);
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1u << (nw > nh ? nw : nh);
  }

  // 6. Start decompression: output size and colour layout are known now.
  jpeg_start_decompress(cinfo);

  // 7. Colour layout: grey or RGB, otherwise 1 or 3 output components.
  //    Four-component CMYK and YCCK pictures are rejected.
  const bool known = cinfo->out_color_space == JCS_GRAYSCALE || cinfo->out_color_space == JCS_RGB ||
                     cinfo->output_components == 1 || cinfo->output_components == 3;
  const int components = cinfo->output_components;
  if (!known || (components != 1 && components != 3)) {
    jpeg_destroy_decompress(cinfo);
    return nullptr;
  }

  // 8. One row of samples from the library's image pool. The row starts one
  //    byte into its allocation on purpose: the library's SIMD colour
  //    conversion writes an aligned output row with non-temporal stores,
  //    which bypass the cache, and reading the row straight back would then
  //    go to main memory for every scanline (it made small decodes half again
  //    as slow). A misaligned row gets ordinary stores and stays in cache.
  const JDIMENSION outWidth = cinfo->output_width;
  const JDIMENSION outHeight = cinfo->output_height;
  JSAMPARRAY pool = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, outWidth * components + 1, 1);
  JSAMPROW rowStart = pool[0] + 1;
  JSAMPARRAY row = &rowStart;

  // 9. The block: 40 + 4P + S × height bytes, in 64 bits. The header's image
  //    size is a 32-bit field, so larger pixel data cannot be described; the
  //    heap's budget refuses what it cannot hold before anything is written.
  const unsigned bitCount = 8 * (unsigned)components;
  const uint64_t colours = components == 3 ? 0 : kGreyPaletteEntries;
  const uint64_t stride = DibStride(outWidth, bitCount);
  const uint64_t imageBytes = stride * outHeight;
  if (imageBytes > UINT32_MAX) {
    jpeg_destroy_decompress(cinfo);
    return nullptr;
  }
  call->error.dib = MemAllocRetry(DibBlockBytes(outWidth, outHeight, bitCount, colours));
  if (call->error.dib == nullptr) {
    jpeg_destroy_decompress(cinfo);
    return nullptr;
  }

  // 10. Header, densities and (for grey) the identity palette.
  CDib dib = call->error.dib;
  BYTE* block = (BYTE*)MemLock(dib);
  WriteDibHeader(dib, outWidth, outHeight, bitCount);
  BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)block;
  header->biSizeImage = (DWORD)imageBytes;
  header->biClrUsed = (DWORD)colours;
  WriteDensity(*cinfo, header);
  RGBQUAD* palette = (RGBQUAD*)(block + kDibHeaderBytes);
  for (uint64_t i = 0; i < colours; ++i) palette[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};

  // 11. Scanlines arrive top first; scanline k (counted from 1) goes to
  //     storage row height - k, so the bottom row ends up first in the block.
  BYTE* rows = block + kDibHeaderBytes + 4 * colours;
  while (cinfo->output_scanline < outHeight) {
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) {
      // A standard stdio source never suspends; if it ever did, stop
      // rather than spin.
      DestroyAndRelease(call);
      return nullptr;
    }
    BYTE* out = rows + (uint64_t)(outHeight - cinfo->output_scanline) * stride;
    if (components == 3) {
      CopyRowRgbToBgr(row[0], out, outWidth);
    } else {
      std::memcpy(out, row[0], outWidth);
    }
  }

  // 12. Finish, destroy the record, hand the block to the caller.
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  call->error.dib = nullptr;
  MemUnlock(dib);
  return dib;
}

}  // namespace

CDib DecodeJpegStream(FILE* stream, int width, int height, BOOL allowThumbnail) {
  // 1. No stream, no picture.
  if (stream == nullptr) return nullptr;

  // 2. The error record: the library's standard error manager with the
  //    silent exit (and silent messages) installed; no block yet. A zeroed
  //    decompression record lets the recovery path destroy it even when the
  //    jump comes before it was created.
  DecodeCall call;
  std::memset(&call, 0, sizeof call);
  call.decompress.err = jpeg_std_error(&call.error.manager);
  call.error.manager.error_exit = SilentErrorExit;
  call.error.manager.output_message = SilentOutputMessage;
  call.error.dib = nullptr;
  return RunDecode(&call, stream, width, height, allowThumbnail);
}

CDib DecodeJpeg(FILE* stream) {
  return DecodeJpegStream(stream, 0, 0, TRUE);
}

CDib DecodeJpegToFit(FILE* stream, int width, int height) {
  return DecodeJpegStream(stream, width, height, TRUE);
}

CDib LoadJpeg(const WCHAR* path) {
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) return nullptr;
  CDib dib = DecodeJpeg(stream);
  std::fclose(stream);
  return dib;
}

CDib LoadJpegToFit(const WCHAR* path, int width, int height) {
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) return nullptr;
  CDib dib = DecodeJpegToFit(stream, width, height);
  std::fclose(stream);
  return dib;
}

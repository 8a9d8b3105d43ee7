// JPEG decoding into CDib blocks on libjpeg's 6b interface: the choice of
// the reduced scale, the colour layout check, the block, the library's
// memory charged to the heap, the scan limit, the stop flag and the jump back.
#include "imaging/jpegdecode.h"

#include <climits>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
// jerror.h after jpeglib.h: the message codes of memory failures.
#include <jerror.h>

#include "imaging/diblayout.h"
#include "imaging/exifthumb.h"
#include "imaging/jpegsource.h"
#include "imaging/rowswap.h"
#include "platform/device/devicefs.h"
#include "shell/memblock.h"

namespace {

constexpr const char kCannotOpen[] = "cannot open the file";
constexpr const char kCannotRead[] = "cannot read the file";
constexpr const char kNoMemory[] = "not enough memory";
constexpr const char kTooManyScans[] = "too many scans";
constexpr const char kTooLarge[] = "picture too large";
constexpr const char kStoppedEarly[] = "the decoder stopped early";

// The reason of the calling thread's last failure; empty after a success.
thread_local char t_lastError[JMSG_LENGTH_MAX];
thread_local uint64_t t_lastBytesRead = 0;
// The flag the calling thread's decodes stop on; none on the user-interface thread.
thread_local const std::atomic<bool>* t_stopFlag = nullptr;

void SetLastError(const char* reason) {
  std::strncpy(t_lastError, reason, sizeof t_lastError - 1);
  t_lastError[sizeof t_lastError - 1] = '\0';
}

// The library's error manager with the jump buffer directly behind it: the
// silent error exit and the progress monitor get only the library record
// and find the buffer through its error manager. The block being filled and
// the bytes reserved for the library live here too, so the recovery path
// can release both.
struct JpegErrorRecord {
  jpeg_error_mgr manager;
  jmp_buf jump;
  CDib volatile dib;
  size_t volatile reserved;
};

// Everything one call owns. It lives in DecodeJpegStream's frame, while
// setjmp sits in RunDecode below it: the recovery path then reads nothing
// but this record through an unchanged pointer, never a local variable that
// changed after setjmp, and no object with a destructor lives across the jump.
struct DecodeCall {
  jpeg_decompress_struct decompress;
  JpegErrorRecord error;
  jpeg_progress_mgr progress;
  // The decode is of the embedded Exif thumbnail, not of the main picture.
  bool fromThumbnail;
};

// Whether a thumbnail that gives no picture makes way for the main picture.
std::atomic<bool> g_bThumbnailFallback{false};

// The library's memory failures read as the viewer's own; any other error
// keeps the library's words.
void SilentErrorExit(j_common_ptr cinfo) {
  JpegErrorRecord* record = (JpegErrorRecord*)cinfo->err;
  const int code = record->manager.msg_code;
  if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) {
    SetLastError(kNoMemory);
  } else {
    (*record->manager.format_message)(cinfo, t_lastError);
  }
  longjmp(record->jump, 1);
}

// Warnings (a file that ends early, stray data) are counted by the library's
// own emit_message and decoding goes on; nothing is ever printed.
void SilentOutputMessage(j_common_ptr /*cinfo*/) {}

// The way back from the data source and the progress monitor: the reason
// is recorded and the decode's recovery path takes over.
[[noreturn]] void JumpBack(j_decompress_ptr cinfo, const char* reason) {
  JpegErrorRecord* record = (JpegErrorRecord*)cinfo->err;
  SetLastError(reason);
  longjmp(record->jump, 1);
}

// The library calls this before it takes in each row of blocks of a
// multi-scan file, and for every row it hands out. It counts the scans it
// has met in input_scan_number: the first scan past the limit ends the
// decode before any of its data is read. A decode told to stop ends here
// too, where it works without reading (the rows of a progressive picture).
void ProgressMonitor(j_common_ptr cinfo) {
  if (DecodeStopRequested()) JumpBack((j_decompress_ptr)cinfo, kJpegStopped);
  if (((j_decompress_ptr)cinfo)->input_scan_number > kJpegMaxScans) JumpBack((j_decompress_ptr)cinfo, kTooManyScans);
}

uint64_t RoundUp(uint64_t value, uint64_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

// What the library holds that does not grow with the picture: the record's
// pools, the source buffer, Huffman and quantization tables, colour tables.
// At most about 20 KB was measured over the layouts, scales and codings the
// glue accepts; half as much again covers tables a file repeats per component.
constexpr uint64_t kLibraryFixedBytes = 32 * 1024;

// The library's own memory for one decode at the scale already set (after
// jpeg_calc_output_dimensions), as an upper bound:
// - a multi-scan file keeps every coefficient of the picture: a block of 64
//   coefficients (128 bytes) for each block of each component, rounded up to
//   whole sampling groups, and a pointer per block row;
// - per component, the decoded sample rows of one row group with context:
//   v × S × (M + 2) / M rows of width-in-blocks × S samples (S the
//   component's scaled block size, M the smallest), plus pointer arrays;
// - per component, an upsampling buffer of max-v rows of the output width;
// - the glue's own row of output samples, from the library's image pool.
// Each row gets 64 bytes for the library's alignment. The library's check
// at jpeg_start_decompress keeps the first item within what is left of
// max_memory_to_use; the rest must simply not exceed this bound.
uint64_t LibraryBytes(j_decompress_ptr cinfo) {
  uint64_t total = kLibraryFixedBytes;
  const bool wholeImage = jpeg_has_multiple_scans(cinfo);
  const uint64_t m = (uint64_t)cinfo->min_DCT_scaled_size;
  for (int c = 0; c < cinfo->num_components; ++c) {
    const jpeg_component_info& component = cinfo->comp_info[c];
    if (wholeImage) {
      const uint64_t rows = RoundUp(component.height_in_blocks, (uint64_t)component.v_samp_factor);
      const uint64_t width = RoundUp(component.width_in_blocks, (uint64_t)component.h_samp_factor);
      total += width * rows * sizeof(JBLOCK) + rows * sizeof(JBLOCKROW) + 64;
    }
    const uint64_t s = (uint64_t)component.DCT_scaled_size;
    const uint64_t rows = ((uint64_t)component.v_samp_factor * s * (m + 2) + m - 1) / m;
    total += ((uint64_t)component.width_in_blocks * s + 64) * rows + 4 * rows * sizeof(JSAMPROW);
    const uint64_t upsampleRows = (uint64_t)cinfo->max_v_samp_factor;
    total += ((uint64_t)cinfo->output_width + 64) * upsampleRows + upsampleRows * sizeof(JSAMPROW);
  }
  total += (uint64_t)cinfo->output_width * (uint64_t)cinfo->output_components + 1 + 64;
  return total;
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

// The end of every decode that gives no picture: the record is destroyed
// (its memory returned to the host), only then is the reservation that
// stood for that memory given back, and the block, if any, released.
CDib DestroyAndRelease(DecodeCall* call) {
  t_lastBytesRead = JpegSourceBytesRead(&call->decompress);
  jpeg_destroy_decompress(&call->decompress);
  MemUnreserve(call->error.reserved);
  call->error.reserved = 0;
  CDib dib = call->error.dib;
  call->error.dib = nullptr;
  if (dib != nullptr) MemFree(dib);
  return nullptr;
}

CDib Refuse(DecodeCall* call, const char* reason) {
  SetLastError(reason);
  return DestroyAndRelease(call);
}

// "unsupported colour layout (CMYK)", "(YCCK)", or the number of components.
CDib RefuseLayout(DecodeCall* call) {
  const jpeg_decompress_struct& cinfo = call->decompress;
  char reason[64];
  if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
    std::snprintf(reason, sizeof reason, "unsupported colour layout (%s)",
                  cinfo.jpeg_color_space == JCS_CMYK ? "CMYK" : "YCCK");
  } else {
    std::snprintf(reason, sizeof reason, "unsupported colour layout (%d components)", cinfo.output_components);
  }
  return Refuse(call, reason);
}

// The error record of a new decode: the library's standard error manager
// with the silent exit (and silent messages) installed; no block, nothing
// reserved yet. A zeroed decompression record lets the recovery path
// destroy it even when the jump comes before it was created.
void ArmCall(DecodeCall* call) {
  std::memset(call, 0, sizeof *call);
  call->decompress.err = jpeg_std_error(&call->error.manager);
  call->error.manager.error_exit = SilentErrorExit;
  call->error.manager.output_message = SilentOutputMessage;
  call->error.dib = nullptr;
  call->error.reserved = 0;
}

CDib RunDecode(DecodeCall* call, FILE* stream, int width, int height, BOOL allowThumbnail) {
  jpeg_decompress_struct* cinfo = &call->decompress;

  // 2. (continued) Arm the jump buffer. The silent error exit and the scan
  //    limit come back here with 1, the reason already recorded.
  if (setjmp(call->error.jump) != 0) return DestroyAndRelease(call);

  // 3. Thumbnail choice. With a box, the walk always runs; the stream stays
  //    at the embedded picture only when one was found and it is allowed.
  //    Without a box the stream is used from where it stands.
  if (width > 0 && height > 0) {
    const BOOL found = FindExifThumbnail(stream);
    if (!found || !allowThumbnail) {
      if (std::fseek(stream, 0, SEEK_SET) != 0) return Refuse(call, kCannotRead);
    }
    call->fromThumbnail = found && allowThumbnail;
  }

  // 4. Create the decompression record (the creation macro passes the
  //    library's version and record size), attach the stream through our
  //    own source (bounded, stoppable) and the scan limit, read the header.
  jpeg_create_decompress(cinfo);
  JpegAttachSource(cinfo, stream, JumpBack);
  call->progress.progress_monitor = ProgressMonitor;
  cinfo->progress = &call->progress;
  jpeg_read_header(cinfo, TRUE);

  // 5. Reduction towards the box: the smallest n with Tw·2^n >= W and
  //    Th·2^n >= H. The library applies at most 1/8. The output size and
  //    colour layout follow from it before anything large is allocated.
  if (width > 0 && height > 0) {
    const unsigned nw = DoublingsToReach(width, cinfo->image_width);
    const unsigned nh = DoublingsToReach(height, cinfo->image_height);
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1u << (nw > nh ? nw : nh);
  }
  jpeg_calc_output_dimensions(cinfo);

  // 6. Colour layout: grey or RGB, otherwise 1 or 3 output components.
  //    Four-component CMYK and YCCK pictures are rejected.
  const bool known = cinfo->out_color_space == JCS_GRAYSCALE || cinfo->out_color_space == JCS_RGB ||
                     cinfo->output_components == 1 || cinfo->output_components == 3;
  const int components = cinfo->output_components;
  if (!known || (components != 1 && components != 3)) return RefuseLayout(call);

  // 7. The block: 40 + 4P + S × height bytes, in 64 bits. The header's image
  //    size is a 32-bit field, so larger pixel data cannot be described; the
  //    heap's budget refuses what it cannot hold before anything is written.
  const JDIMENSION outWidth = cinfo->output_width;
  const JDIMENSION outHeight = cinfo->output_height;
  const unsigned bitCount = 8 * (unsigned)components;
  const uint64_t colours = components == 3 ? 0 : kGreyPaletteEntries;
  const uint64_t stride = DibStride(outWidth, bitCount);
  const uint64_t imageBytes = stride * outHeight;
  if (imageBytes > UINT32_MAX) return Refuse(call, kTooLarge);
  call->error.dib = MemAllocRetry(DibBlockBytes(outWidth, outHeight, bitCount, colours));
  if (call->error.dib == nullptr) return Refuse(call, kNoMemory);

  // 8. The library's own memory, next to the block: reserved from the heap
  //    and its limit, so that pictures and decoder together stay within the
  //    budget. A bound past the address space cannot be reserved either.
  const uint64_t libraryBytes = LibraryBytes(cinfo);
  if (libraryBytes > (uint64_t)LONG_MAX || !MemReserveRetry((size_t)libraryBytes)) {
    return Refuse(call, kNoMemory);
  }
  call->error.reserved = (size_t)libraryBytes;
  cinfo->mem->max_memory_to_use = (long)libraryBytes;

  // 9. Start decompression. A multi-scan file is read here up to its end
  //    marker or until its picture is complete, under the scan limit.
  jpeg_start_decompress(cinfo);

  // 10. One row of samples from the library's image pool. The row starts one
  //     byte into its allocation on purpose: the library's SIMD colour
  //     conversion writes an aligned output row with non-temporal stores,
  //     which bypass the cache, and reading the row straight back would then
  //     go to main memory for every scanline (it made small decodes half again
  //     as slow). A misaligned row gets ordinary stores and stays in cache.
  JSAMPARRAY pool = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, outWidth * components + 1, 1);
  JSAMPROW rowStart = pool[0] + 1;
  JSAMPARRAY row = &rowStart;

  // 11. Header, densities and (for grey) the identity palette.
  CDib dib = call->error.dib;
  BYTE* block = (BYTE*)MemLock(dib);
  WriteDibHeader(dib, outWidth, outHeight, bitCount);
  BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)block;
  header->biSizeImage = (DWORD)imageBytes;
  header->biClrUsed = (DWORD)colours;
  WriteDensity(*cinfo, header);
  RGBQUAD* palette = (RGBQUAD*)(block + kDibHeaderBytes);
  for (uint64_t i = 0; i < colours; ++i) palette[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};

  // 12. Scanlines arrive top first; scanline k (counted from 1) goes to
  //     storage row height - k, so the bottom row ends up first in the block.
  BYTE* rows = block + kDibHeaderBytes + 4 * colours;
  while (cinfo->output_scanline < outHeight) {
    // The source never suspends; if it ever did, stop rather than spin.
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) return Refuse(call, kStoppedEarly);
    BYTE* out = rows + (uint64_t)(outHeight - cinfo->output_scanline) * stride;
    if (components == 3) {
      CopyRowRgbToBgr(row[0], out, outWidth);
    } else {
      std::memcpy(out, row[0], outWidth);
    }
  }

  // 13. The picture is complete: destroy the record (which abandons the
  //     decompression) without reading on for the end marker, which may lie
  //     any number of bytes further on, or nowhere. Give back the
  //     reservation and hand the block to the caller.
  t_lastBytesRead = JpegSourceBytesRead(cinfo);
  jpeg_destroy_decompress(cinfo);
  MemUnreserve(call->error.reserved);
  call->error.reserved = 0;
  call->error.dib = nullptr;
  MemUnlock(dib);
  return dib;
}

}  // namespace

void SetJpegThumbnailFallback(BOOL on) {
  g_bThumbnailFallback.store(on != FALSE);
}

CDib DecodeJpegStream(FILE* stream, int width, int height, BOOL allowThumbnail) {
  // 1. No stream, no picture.
  t_lastError[0] = '\0';
  t_lastBytesRead = 0;
  if (stream == nullptr) {
    SetLastError(kCannotOpen);
    return nullptr;
  }

  // 2. The error record (see ArmCall), then the decode.
  DecodeCall call;
  ArmCall(&call);
  CDib dib = RunDecode(&call, stream, width, height, allowThumbnail);
  if (dib != nullptr || !call.fromThumbnail || !g_bThumbnailFallback.load()) return dib;
  // An embedded thumbnail that gave no picture, where that is allowed: the
  // main picture reduced towards the same box, unless memory ran out (the
  // main picture needs more).
  if (std::strcmp(t_lastError, kNoMemory) == 0) return nullptr;
  t_lastError[0] = '\0';
  ArmCall(&call);
  return RunDecode(&call, stream, width, height, FALSE);
}

CDib DecodeJpeg(FILE* stream) {
  return DecodeJpegStream(stream, 0, 0, TRUE);
}

CDib DecodeJpegToFit(FILE* stream, int width, int height) {
  return DecodeJpegStream(stream, width, height, TRUE);
}

CDib LoadJpeg(const WCHAR* path) {
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) {
    SetLastError(kCannotOpen);
    return nullptr;
  }
  CDib dib = DecodeJpeg(stream);
  std::fclose(stream);
  return dib;
}

CDib LoadJpegToFit(const WCHAR* path, int width, int height) {
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) {
    SetLastError(kCannotOpen);
    return nullptr;
  }
  CDib dib = DecodeJpegToFit(stream, width, height);
  std::fclose(stream);
  return dib;
}

const char* JpegLastError() {
  return t_lastError;
}

uint64_t JpegLastBytesRead() {
  return t_lastBytesRead;
}

CDecodeStopScope::CDecodeStopScope(const std::atomic<bool>* flag) : m_previous(t_stopFlag) {
  t_stopFlag = flag;
}

CDecodeStopScope::~CDecodeStopScope() {
  t_stopFlag = m_previous;
}

BOOL DecodeStopRequested() {
  return t_stopFlag != nullptr && t_stopFlag->load() ? TRUE : FALSE;
}

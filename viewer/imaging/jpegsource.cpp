// The decoder's data source over a stream: the library's standard source
// (same reads, the same fake end marker at the end of the file) that counts
// what it reads, refuses to read more than the frame can need, stops at once
// when its thread is told to, and reads nothing past a complete progressive
// picture.
#include "imaging/jpegsource.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
// jerror.h after jpeglib.h: the library's messages for an empty or short file.
#include <jerror.h>

#include "imaging/jpegdecode.h"

namespace {

// As many bytes a read as the library's standard source asks for.
constexpr size_t kBufferBytes = 4096;

struct Source {
  jpeg_source_mgr manager;  // first: the library sees only this
  FILE* stream;
  JOCTET* buffer;
  bool startOfFile;
  uint64_t bytesRead;
  JpegSourceStop stop;
};

// The most bytes a decode may read: the allowance for what precedes the
// frame, and once the frame header has given the size, so much per pixel.
uint64_t ReadBound(j_decompress_ptr cinfo) {
  const uint64_t pixels = (uint64_t)cinfo->image_width * (uint64_t)cinfo->image_height;
  return kJpegReadAllowance + kJpegReadBytesPerPixel * pixels;
}

// A progressive picture is complete once every coefficient of every
// component has come at full precision (the library keeps, per coefficient,
// the lowest bit received so far: 0 is the last) and the scan that brought
// the last of them has been read to its end. Nothing after that can change a
// pixel: an end marker is all a sound file has left, however far on it lies.
bool ProgressivePictureComplete(j_decompress_ptr cinfo) {
  if (!cinfo->progressive_mode || cinfo->coef_bits == nullptr) return false;
  if (cinfo->input_iMCU_row < cinfo->total_iMCU_rows) return false;
  for (int c = 0; c < cinfo->num_components; ++c) {
    for (int k = 0; k < DCTSIZE2; ++k) {
      if (cinfo->coef_bits[c][k] != 0) return false;
    }
  }
  return true;
}

void InitSource(j_decompress_ptr cinfo) {
  ((Source*)cinfo->src)->startOfFile = true;
}

// Called whenever the buffer is empty. The checks come first, so that a
// stopped decode reads nothing more and a bounded one never more than one
// buffer past its bound.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
  Source* source = (Source*)cinfo->src;
  if (DecodeStopRequested()) source->stop(cinfo, kJpegStopped);
  size_t count = 0;
  const bool complete = ProgressivePictureComplete(cinfo);
  if (!complete) {
    if (source->bytesRead >= ReadBound(cinfo)) source->stop(cinfo, kJpegTooMuchData);
    count = std::fread(source->buffer, 1, kBufferBytes, source->stream);
    source->bytesRead += count;
  }
  if (count == 0) {
    if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // The end of the file, or of the picture: an end marker stands in for
    // whatever would follow. Only a file that ends early is warned of.
    if (!complete) WARNMS(cinfo, JWRN_JPEG_EOF);
    source->buffer[0] = (JOCTET)0xFF;
    source->buffer[1] = (JOCTET)JPEG_EOI;
    count = 2;
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = count;
  source->startOfFile = false;
  return TRUE;
}

// Skipped bytes are read and counted like any others, as the standard
// source does.
void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* manager = cinfo->src;
  while (count > (long)manager->bytes_in_buffer) {
    count -= (long)manager->bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  manager->next_input_byte += (size_t)count;
  manager->bytes_in_buffer -= (size_t)count;
}

void TermSource(j_decompress_ptr /*cinfo*/) {}

}  // namespace

void JpegAttachSource(jpeg_decompress_struct* cinfo, FILE* stream, JpegSourceStop stop) {
  Source* source = (Source*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, sizeof(Source));
  source->buffer = (JOCTET*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, kBufferBytes);
  source->stream = stream;
  source->startOfFile = true;
  source->bytesRead = 0;
  source->stop = stop;
  source->manager.init_source = InitSource;
  source->manager.fill_input_buffer = FillInputBuffer;
  source->manager.skip_input_data = SkipInputData;
  source->manager.resync_to_restart = jpeg_resync_to_restart;
  source->manager.term_source = TermSource;
  source->manager.bytes_in_buffer = 0;
  source->manager.next_input_byte = nullptr;
  cinfo->src = &source->manager;
}

uint64_t JpegSourceBytesRead(const jpeg_decompress_struct* cinfo) {
  if (cinfo->src == nullptr) return 0;
  return ((const Source*)cinfo->src)->bytesRead;
}

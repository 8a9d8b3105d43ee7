// The decoding glue's side of the picture interface: one decoder per format
// behind CPictureFile, made by the factory of its glue file. Only the glue's
// sources include their library's header.
#pragma once

#include "imaging/decodeinput.h"
#include "imaging/picturedecode.h"

class CPictureDecoder {
 public:
  virtual ~CPictureDecoder() = default;
  // Reads the header: size, orientation, frames. FALSE: refused, the reason
  // recorded with SetPictureDecodeError.
  virtual BOOL ReadHeader(PictureInfo* info) = 0;
  // The picture towards the box (0 × 0: whole), as CPictureFile::Decode.
  virtual CDib Decode(int width, int height) = 0;
};

// Records the reason of a failure (copied); the JPEG path keeps its own.
void SetPictureDecodeError(const char* reason);
// "<format>: <message>", from a library's own words.
void SetPictureLibraryError(const char* format, const char* message);
// The input's reason when it ended the decode, else `otherwise`.
void SetPictureInputError(const CDecodeInput& input, const char* otherwise);

// Refuses a header whose pixel count passes kMaxPicturePixels; otherwise
// bounds the input's reads by it.
BOOL AcceptPictureSize(CDecodeInput* input, uint64_t width, uint64_t height);

// The reasons the glue shares.
constexpr const char kPictureNoMemory[] = "not enough memory";
constexpr const char kPictureTooLarge[] = "picture too large";
constexpr const char kPictureTooManyFrames[] = "too many frames";
constexpr const char kPictureCmyk[] = "unsupported colour layout (CMYK)";

// The factories: a decoder over `input` (which outlives it), or null when
// memory for it cannot be had (the reason recorded).
CPictureDecoder* NewJpegDecoder(FILE* stream, BOOL upright);
CPictureDecoder* NewPngDecoder(CDecodeInput* input);
CPictureDecoder* NewGifDecoder(CDecodeInput* input);
CPictureDecoder* NewWebpDecoder(CDecodeInput* input);
CPictureDecoder* NewTiffDecoder(CDecodeInput* input);
CPictureDecoder* NewHeifDecoder(CDecodeInput* input, PictureFormat format, BOOL upright);

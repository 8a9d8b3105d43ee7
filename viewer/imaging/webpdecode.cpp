// WebP glue on libwebp and its demux API: the file read whole into a block
// of the budget (the decoder needs it in memory), its chunks told by the
// demuxer, the picture decoded by the library's own scaling towards the box
// into memory of ours, alpha composited over white; an animation's first
// frame on its canvas, reduced as its rows are composed.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <new>
#include <utility>

#include "imaging/diblayout.h"
#include "imaging/picturedecoder.h"
#include "imaging/pixelrows.h"
#include "imaging/rowreduce.h"
#include "imaging/webpwhole.h"
#include "shell/memblock.h"

namespace {

// What the library holds besides the output: its decoder records, a few
// rows of macroblocks and the scaler's rows, for each 1 pixel of width;
// a lossless picture keeps all its pixels (4 bytes each) and its transforms'
// sub-images; a lossy one with alpha, the alpha plane.
constexpr uint64_t kWebpFixedBytes = (uint64_t)2 << 20;
constexpr uint64_t kWebpBytesPerColumn = 256;

class CWebpDecoder : public CPictureDecoder {
 public:
  explicit CWebpDecoder(CDecodeInput* input) : m_pInput(input) {}
  ~CWebpDecoder() override;
  BOOL ReadHeader(PictureInfo* info) override;
  CDib Decode(int width, int height) override;

 private:
  BOOL Refuse(const char* reason);
  BOOL ReserveLibrary(const WebPBitstreamFeatures& features, uint64_t outWidth);
  CDib DecodeStill(int width, int height);
  CDib DecodeFirstFrame(int width, int height);

  CDecodeInput* m_pInput;
  CWebpWhole m_file;
  CDecodeReservation m_library;
  uint64_t m_nWidth = 0, m_nHeight = 0;
  bool m_bAnimated = false;
};

CWebpDecoder::~CWebpDecoder() = default;

BOOL CWebpDecoder::Refuse(const char* reason) {
  SetPictureInputError(*m_pInput, reason);
  return FALSE;
}

BOOL CWebpDecoder::ReadHeader(PictureInfo* info) {
  if (!m_file.Open(m_pInput)) return FALSE;
  m_nWidth = m_file.Width();
  m_nHeight = m_file.Height();
  m_bAnimated = (WebPDemuxGetI(m_file.Demuxer(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
  info->width = m_nWidth;
  info->height = m_nHeight;
  info->frames = WebPDemuxGetI(m_file.Demuxer(), WEBP_FF_FRAME_COUNT);
  if (info->frames > kMaxPictureFrames) return Refuse(kPictureTooManyFrames);
  const int orientation = m_file.Orientation();
  if (orientation != 0) info->orientation = orientation;
  return TRUE;
}

BOOL CWebpDecoder::ReserveLibrary(const WebPBitstreamFeatures& features, uint64_t outWidth) {
  const uint64_t w = (uint64_t)features.width, h = (uint64_t)features.height;
  uint64_t bytes = kWebpFixedBytes + kWebpBytesPerColumn * (w + outWidth);
  if (features.format != 1) bytes += 5 * w * h;  // lossless (or not yet known)
  if (features.has_alpha) bytes += w * h;
  return m_library.Take(bytes);
}

CDib CWebpDecoder::Decode(int width, int height) {
  if (m_file.Demuxer() == nullptr) return nullptr;
  return m_bAnimated ? DecodeFirstFrame(width, height) : DecodeStill(width, height);
}

// A still picture: the library scales it by the reduction the box asks for
// and writes it into the CDib (flipped after) or, with alpha, into a block
// of premultiplied pixels composited row by row.
CDib CWebpDecoder::DecodeStill(int width, int height) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) {
    Refuse("WebP: library mismatch");
    return nullptr;
  }
  const BYTE* data = m_file.Bytes();
  VP8StatusCode status = WebPGetFeatures(data, (size_t)m_file.ByteCount(), &config.input);
  if (status != VP8_STATUS_OK) {
    Refuse(WebpStatusText(status));
    return nullptr;
  }
  const unsigned shift = ReduceShiftForBox(m_nWidth, m_nHeight, width, height);
  const uint64_t outWidth = (m_nWidth + (1ull << shift) - 1) >> shift;
  const uint64_t outHeight = (m_nHeight + (1ull << shift) - 1) >> shift;
  if (shift > 0) {
    config.options.use_scaling = 1;
    config.options.scaled_width = (int)outWidth;
    config.options.scaled_height = (int)outHeight;
  }
  CDibOwner dib(NewPictureDib(outWidth, outHeight, 3));
  if (!dib || !ReserveLibrary(config.input, outWidth)) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  const uint64_t stride = DibStride(outWidth, 24);
  BYTE* rows = (BYTE*)MemLock(dib.Get()) + kDibHeaderBytes;
  CDibOwner premultiplied;
  config.output.is_external_memory = 1;
  if (config.input.has_alpha) {
    premultiplied.Reset(MemAllocRetry((size_t)(outWidth * 4 * outHeight)));
    if (!premultiplied) {
      Refuse(kPictureNoMemory);
      return nullptr;
    }
    config.output.colorspace = MODE_bgrA;
    config.output.u.RGBA.rgba = (uint8_t*)MemLock(premultiplied.Get());
    config.output.u.RGBA.stride = (int)(outWidth * 4);
    config.output.u.RGBA.size = (size_t)(outWidth * 4 * outHeight);
  } else {
    config.output.colorspace = MODE_BGR;
    config.output.u.RGBA.rgba = rows;
    config.output.u.RGBA.stride = (int)stride;
    config.output.u.RGBA.size = (size_t)(stride * outHeight);
  }
  status = WebPDecode(data, (size_t)m_file.ByteCount(), &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) {
    Refuse(WebpStatusText(status));
    return nullptr;
  }
  // The library writes top row first; the CDib keeps the bottom row first.
  if (config.input.has_alpha) {
    const BYTE* in = (const BYTE*)MemLock(premultiplied.Get());
    for (uint64_t y = 0; y < outHeight; ++y) {
      CompositePremultipliedBgraOverWhite(in + y * outWidth * 4, rows + (outHeight - 1 - y) * stride, outWidth);
    }
  } else {
    for (uint64_t top = 0, bottom = outHeight - 1; top < bottom; ++top, --bottom) {
      BYTE* a = rows + top * stride;
      BYTE* b = rows + bottom * stride;
      for (uint64_t i = 0; i < stride; ++i) std::swap(a[i], b[i]);
    }
  }
  return dib.Release();
}

// An animation's first frame, decoded at its own size and composed on the
// canvas (white around and beneath it), reduced as the rows are composed.
// Later frames would be composed on that canvas the same way.
CDib CWebpDecoder::DecodeFirstFrame(int width, int height) {
  WebPIterator frame;
  if (!WebPDemuxGetFrame(m_file.Demuxer(), 1, &frame)) {
    Refuse("WebP: no picture in the file");
    return nullptr;
  }
  const WebPData fragment = frame.fragment;
  const int64_t left = frame.x_offset, top = frame.y_offset;
  WebPDemuxReleaseIterator(&frame);
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) {
    Refuse("WebP: library mismatch");
    return nullptr;
  }
  VP8StatusCode status = WebPGetFeatures(fragment.bytes, fragment.size, &config.input);
  if (status != VP8_STATUS_OK) {
    Refuse(WebpStatusText(status));
    return nullptr;
  }
  const uint64_t fw = (uint64_t)config.input.width, fh = (uint64_t)config.input.height;
  if (fw * fh > kMaxPicturePixels) {
    Refuse(kPictureTooLarge);
    return nullptr;
  }
  CDibOwner pixels(MemAllocRetry((size_t)(fw * fh * 4)));
  if (!pixels || !ReserveLibrary(config.input, fw)) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  config.output.is_external_memory = 1;
  config.output.colorspace = MODE_bgrA;
  config.output.u.RGBA.rgba = (uint8_t*)MemLock(pixels.Get());
  config.output.u.RGBA.stride = (int)(fw * 4);
  config.output.u.RGBA.size = (size_t)(fw * fh * 4);
  status = WebPDecode(fragment.bytes, fragment.size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) {
    Refuse(WebpStatusText(status));
    return nullptr;
  }
  CRowReducer reducer;
  if (!reducer.Start(m_nWidth, m_nHeight, ReduceShiftForBox(m_nWidth, m_nHeight, width, height), 3)) {
    {
      Refuse(kPictureNoMemory);
      return nullptr;
    }
  }
  const BYTE* in = (const BYTE*)MemLock(pixels.Get());
  for (uint64_t y = 0; y < m_nHeight; ++y) {
    BYTE* out = reducer.NextRow();
    std::memset(out, 255, (size_t)m_nWidth * 3);
    const int64_t row = (int64_t)y - top;
    if (row >= 0 && (uint64_t)row < fh && left < (int64_t)m_nWidth) {
      const uint64_t count = fw < m_nWidth - (uint64_t)left ? fw : m_nWidth - (uint64_t)left;
      CompositePremultipliedBgraOverWhite(in + (uint64_t)row * fw * 4, out + 3 * left, count);
    }
    reducer.CommitRow();
  }
  return reducer.Finish();
}

}  // namespace

CPictureDecoder* NewWebpDecoder(CDecodeInput* input) {
  CPictureDecoder* decoder = new (std::nothrow) CWebpDecoder(input);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}

// WebP animation glue on libwebp's demux API: the file read whole into a
// block of the budget, as the still glue reads it, its frames told by the
// demuxer and decoded one at a time into a block of premultiplied pixels,
// then blended on the canvas or put over white as each frame says, and the
// frame disposed of to white when it asks for the background.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <new>

#include "imaging/framedecoder.h"
#include "imaging/picturedecoder.h"
#include "imaging/pixelrows.h"
#include "imaging/webpwhole.h"
#include "shell/memblock.h"

namespace {

// What the library holds while it decodes a frame, as the still glue
// reckons it: fixed records and rows per column; a lossless frame keeps all
// its pixels and transforms, a lossy one with alpha its alpha plane.
constexpr uint64_t kWebpFixedBytes = (uint64_t)2 << 20;
constexpr uint64_t kWebpBytesPerColumn = 256;

// A premultiplied sample over what the canvas holds: s + d·(255 − a) / 255.
inline BYTE BlendPremultiplied(unsigned s, unsigned d, unsigned a) {
  const unsigned v = s + (d * (255u - a) + 127u) / 255u;
  return (BYTE)(v > 255u ? 255u : v);
}

class CWebpFrames : public CFrameDecoder {
 public:
  explicit CWebpFrames(CDecodeInput* input) : m_pInput(input) {}
  ~CWebpFrames() override;
  BOOL Start(FrameHeader* header) override;
  int Next(const FrameCanvas* canvas, BOOL skip, uint64_t* delayMs) override;

 private:
  int Fail(const char* reason);
  BOOL Refuse(const char* reason) {
    Fail(reason);
    return FALSE;
  }
  int DecodeFrame(const WebPData& fragment, uint64_t width, uint64_t height);
  void Compose(const FrameCanvas& canvas, const WebPIterator& frame) const;

  CDecodeInput* m_pInput;
  CWebpWhole m_file;
  WebPDemuxer* m_demux = nullptr;  // the file's, once it is open
  uint64_t m_nWidth = 0, m_nHeight = 0;
  int m_nFrames = 0;
  int m_nNext = 1;  // the frame Next reads, from 1
  bool m_bClear = false;
  // The previous frame's rectangle, to be made white before the next.
  bool m_bDisposeToWhite = false;
  uint64_t m_disposeLeft = 0, m_disposeTop = 0, m_disposeWidth = 0, m_disposeHeight = 0;
  HMEMBLOCK m_hPixels = nullptr;  // the frame, premultiplied, top row first
  uint64_t m_nPixelBytes = 0;
};

CWebpFrames::~CWebpFrames() {
  MemFree(m_hPixels);
}

int CWebpFrames::Fail(const char* reason) {
  SetPictureInputError(*m_pInput, reason);
  return FRAME_FAILED;
}

BOOL CWebpFrames::Start(FrameHeader* header) {
  if (!m_file.Open(m_pInput)) return FALSE;
  m_nWidth = m_file.Width();
  m_nHeight = m_file.Height();
  const uint64_t frames = WebPDemuxGetI(m_file.Demuxer(), WEBP_FF_FRAME_COUNT);
  if (frames > kMaxPictureFrames) return Refuse(kPictureTooManyFrames);
  if (frames == 0) return Refuse("WebP: no picture in the file");
  m_demux = m_file.Demuxer();
  m_nFrames = (int)frames;
  header->width = m_nWidth;
  header->height = m_nHeight;
  header->frames = frames;
  header->orientation = m_file.Orientation();
  // The loop count is the number of plays; 0 for ever.
  header->plays = WebPDemuxGetI(m_demux, WEBP_FF_LOOP_COUNT);
  return TRUE;
}

// The frame's pixels, premultiplied blue, green, red, alpha, with the
// library's memory reserved for the length of the decode.
int CWebpFrames::DecodeFrame(const WebPData& fragment, uint64_t width, uint64_t height) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return Fail("WebP: library mismatch");
  if (WebPGetFeatures(fragment.bytes, fragment.size, &config.input) != VP8_STATUS_OK ||
      (uint64_t)config.input.width != width || (uint64_t)config.input.height != height) {
    return Fail("WebP: damaged frame");
  }
  const uint64_t bytes = width * height * 4;
  if (bytes > m_nPixelBytes) {
    MemFree(m_hPixels);
    m_nPixelBytes = 0;
    m_hPixels = MemAllocRetry((size_t)bytes);
    if (m_hPixels == nullptr) return Fail(kPictureNoMemory);
    m_nPixelBytes = bytes;
  }
  CDecodeReservation library;
  uint64_t libraryBytes = kWebpFixedBytes + kWebpBytesPerColumn * 2 * width;
  if (config.input.format != 1) libraryBytes += 5 * width * height;
  if (config.input.has_alpha) libraryBytes += width * height;
  if (!library.Take(libraryBytes)) return Fail(kPictureNoMemory);
  config.output.is_external_memory = 1;
  config.output.colorspace = MODE_bgrA;
  config.output.u.RGBA.rgba = (uint8_t*)MemLock(m_hPixels);
  config.output.u.RGBA.stride = (int)(width * 4);
  config.output.u.RGBA.size = (size_t)bytes;
  const VP8StatusCode status = WebPDecode(fragment.bytes, fragment.size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status == VP8_STATUS_OUT_OF_MEMORY) return Fail(kPictureNoMemory);
  if (status == VP8_STATUS_NOT_ENOUGH_DATA) return Fail("WebP: the file ends early");
  if (status != VP8_STATUS_OK) return Fail("WebP: damaged frame");
  return FRAME_COMPOSED;
}

void CWebpFrames::Compose(const FrameCanvas& canvas, const WebPIterator& frame) const {
  const uint64_t left = (uint64_t)frame.x_offset, top = (uint64_t)frame.y_offset;
  const uint64_t fw = (uint64_t)frame.width, fh = (uint64_t)frame.height;
  if (left >= m_nWidth || top >= m_nHeight) return;
  const uint64_t w = fw < m_nWidth - left ? fw : m_nWidth - left;
  const uint64_t h = fh < m_nHeight - top ? fh : m_nHeight - top;
  const BYTE* pixels = (const BYTE*)MemLock(m_hPixels);
  for (uint64_t y = 0; y < h; ++y) {
    const BYTE* in = pixels + y * fw * 4;
    BYTE* out = canvas.Row(top + y) + 3 * left;
    if (frame.blend_method == WEBP_MUX_NO_BLEND) {
      CompositePremultipliedBgraOverWhite(in, out, (size_t)w);
      continue;
    }
    for (uint64_t x = 0; x < w; ++x, in += 4, out += 3) {
      out[0] = BlendPremultiplied(in[0], out[0], in[3]);
      out[1] = BlendPremultiplied(in[1], out[1], in[3]);
      out[2] = BlendPremultiplied(in[2], out[2], in[3]);
    }
  }
}

int CWebpFrames::Next(const FrameCanvas* canvas, BOOL skip, uint64_t* delayMs) {
  if (m_demux == nullptr) return Fail("WebP: not open");
  // 1. After the last frame, back to the first on a white canvas.
  if (m_nNext > m_nFrames) {
    m_nNext = 1;
    m_bClear = true;
    m_bDisposeToWhite = false;
    return FRAME_END;
  }
  if (canvas != nullptr && !m_bClear && m_bDisposeToWhite) {
    WhitenFrameRect(*canvas, m_disposeLeft, m_disposeTop, m_disposeWidth, m_disposeHeight);
  }
  m_bDisposeToWhite = false;
  // 2. The frame, its place and its delay.
  WebPIterator frame;
  if (!WebPDemuxGetFrame(m_demux, m_nNext, &frame)) return Fail("WebP: damaged frame");
  ++m_nNext;
  *delayMs = (uint64_t)(frame.duration > 0 ? frame.duration : 0);
  const uint64_t fw = (uint64_t)frame.width, fh = (uint64_t)frame.height;
  int result = FRAME_COMPOSED;
  if (fw * fh > kMaxPicturePixels) {
    result = Fail(kPictureTooLarge);
  } else if (!skip && canvas != nullptr) {
    // 3. Decoded, and on the canvas.
    result = DecodeFrame(frame.fragment, fw, fh);
    if (result == FRAME_COMPOSED) {
      if (m_bClear) WhitenFrameRect(*canvas, 0, 0, m_nWidth, m_nHeight);
      m_bClear = false;
      Compose(*canvas, frame);
    }
  } else {
    m_bClear = false;
  }
  if (result == FRAME_COMPOSED && frame.dispose_method == WEBP_MUX_DISPOSE_BACKGROUND) {
    const uint64_t left = (uint64_t)frame.x_offset, top = (uint64_t)frame.y_offset;
    m_bDisposeToWhite = left < m_nWidth && top < m_nHeight;
    m_disposeLeft = left;
    m_disposeTop = top;
    m_disposeWidth = m_bDisposeToWhite ? (fw < m_nWidth - left ? fw : m_nWidth - left) : 0;
    m_disposeHeight = m_bDisposeToWhite ? (fh < m_nHeight - top ? fh : m_nHeight - top) : 0;
  }
  WebPDemuxReleaseIterator(&frame);
  return result;
}

}  // namespace

CFrameDecoder* NewWebpFrames(CDecodeInput* input) {
  CFrameDecoder* decoder = new (std::nothrow) CWebpFrames(input);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}

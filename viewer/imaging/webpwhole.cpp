// Opening a WebP file: its size from the first bytes, the file whole within
// the bound that size sets, the demuxer's records reserved before it is made.
#include "imaging/webpwhole.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "imaging/exiforientation.h"
#include "imaging/picturedecoder.h"

namespace {

constexpr size_t kHeadBytes = 64;
// The demuxer keeps a record for each chunk of the file.
constexpr uint64_t kDemuxBytesPerChunk = 128;

uint32_t Le32(const BYTE* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Top-level chunks after the RIFF header, counted without following any.
uint64_t CountChunks(const BYTE* data, uint64_t size) {
  uint64_t count = 0;
  for (uint64_t at = 12; at + 8 <= size; ++count) at += 8 + (((uint64_t)Le32(data + at + 4) + 1) & ~1ull);
  return count;
}

BOOL Refuse(CDecodeInput* input, const char* reason) {
  SetPictureInputError(*input, reason);
  return FALSE;
}

}  // namespace

const char* WebpStatusText(int status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return kPictureNoMemory;
    case VP8_STATUS_INVALID_PARAM:
      return "WebP: invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR:
      return "WebP: bitstream error";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "WebP: unsupported feature";
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "WebP: the file ends early";
    default:
      return "WebP: damaged file";
  }
}

CWebpWhole::~CWebpWhole() {
  WebPDemuxDelete(m_demux);
  MemFree(m_hData);
}

const BYTE* CWebpWhole::Bytes() const {
  return (const BYTE*)MemLock(m_hData);
}

BOOL CWebpWhole::Open(CDecodeInput* input) {
  BYTE head[kHeadBytes];
  const size_t got = input->Read(head, sizeof head);
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(head, got, &features);
  if (status != VP8_STATUS_OK) return Refuse(input, WebpStatusText(status));
  if (!AcceptPictureSize(input, (uint64_t)features.width, (uint64_t)features.height)) return FALSE;
  m_nWidth = (uint64_t)features.width;
  m_nHeight = (uint64_t)features.height;
  // A size below what was already read means the file changed under us.
  const uint64_t size = input->Size();
  if (size < got || size > kDecodeReadAllowance + kDecodeReadBytesPerPixel * m_nWidth * m_nHeight) {
    return Refuse(input, kDecodeTooMuchData);
  }
  m_hData = MemAllocRetry((size_t)(size > 0 ? size : 1));
  if (m_hData == nullptr) return Refuse(input, kPictureNoMemory);
  BYTE* data = (BYTE*)MemLock(m_hData);
  std::memcpy(data, head, got);
  m_nBytes = got + input->Read(data + got, (size_t)(size - got));
  const uint64_t chunks = CountChunks(data, m_nBytes);
  if (chunks > kMaxPictureFrames + 16) return Refuse(input, kPictureTooManyFrames);
  if (!m_demuxRecords.Take(chunks * kDemuxBytesPerChunk + 4096)) return Refuse(input, kPictureNoMemory);
  WebPData whole = {data, (size_t)m_nBytes};
  m_demux = WebPDemux(&whole);
  if (m_demux == nullptr) return Refuse(input, "WebP: damaged file");
  return TRUE;
}

int CWebpWhole::Orientation() const {
  WebPChunkIterator exif;
  if (m_demux == nullptr || !WebPDemuxGetChunk(m_demux, "EXIF", 1, &exif)) return 0;
  const int orientation = ExifOrientationOfBlock(exif.chunk.bytes, exif.chunk.size);
  WebPDemuxReleaseChunkIterator(&exif);
  return orientation;
}

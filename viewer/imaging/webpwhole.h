// A WebP file read whole into a block of the budget, as libwebp's demuxer
// needs it, and the demuxer over it: how the still glue and the animation
// glue both open a WebP file.
#pragma once

#include <cstdint>

#include "imaging/decodeinput.h"
#include "shell/memblock.h"

struct WebPDemuxer;

class CWebpWhole {
 public:
  CWebpWhole() = default;
  ~CWebpWhole();
  CWebpWhole(const CWebpWhole&) = delete;
  CWebpWhole& operator=(const CWebpWhole&) = delete;

  // Takes the size from the file's first bytes, reads the whole file within
  // the bound that size sets and opens the demuxer, its records reserved
  // from the budget first. FALSE, with the input's error saying why, when
  // the file is refused.
  BOOL Open(CDecodeInput* input);

  const BYTE* Bytes() const;
  uint64_t ByteCount() const { return m_nBytes; }
  WebPDemuxer* Demuxer() const { return m_demux; }
  uint64_t Width() const { return m_nWidth; }
  uint64_t Height() const { return m_nHeight; }
  // The Exif orientation of the file's EXIF chunk, 1 to 8; 0 for none.
  int Orientation() const;

 private:
  HMEMBLOCK m_hData = nullptr;
  uint64_t m_nBytes = 0;
  CDecodeReservation m_demuxRecords;
  WebPDemuxer* m_demux = nullptr;
  uint64_t m_nWidth = 0, m_nHeight = 0;
};

// libwebp's status as the words of a refusal.
const char* WebpStatusText(int status);

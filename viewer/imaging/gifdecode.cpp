// GIF glue on giflib 5: the first frame of the file composited on its
// canvas (white where the frame leaves it, and where the frame is
// transparent), colour tables of any size (indices past a table's end are
// black), rows reduced as they stream in; interlaced frames are read whole.
#include <gif_lib.h>

#include <cstring>
#include <new>

#include "imaging/picturedecoder.h"
#include "imaging/rowreduce.h"
#include "shell/memblock.h"

namespace {

constexpr const char kFormat[] = "GIF";
// giflib allocates by itself, and little: its file records, the LZW tables
// (about 24 KB), colour tables and one record a frame. That much is reserved
// for it while a file is open.
constexpr uint64_t kGifLibraryBytes = 64 * 1024;

class CGifDecoder : public CPictureDecoder {
 public:
  explicit CGifDecoder(CDecodeInput* input) : m_pInput(input) {}
  ~CGifDecoder() override;
  BOOL ReadHeader(PictureInfo* info) override;
  CDib Decode(int width, int height) override;

 private:
  static int OnRead(GifFileType* gif, GifByteType* data, int length);
  BOOL Refuse(const char* reason);
  BOOL LibraryError();
  // Steps of Decode.
  BOOL FindFirstFrame(int* transparent);
  void MakeColourTable(const ColorMapObject* map, int transparent);
  BOOL ReadFrameRow(uint64_t row, BYTE** line);

  CDecodeInput* m_pInput;
  CDecodeReservation m_library;
  GifFileType* m_gif = nullptr;
  uint64_t m_nWidth = 0, m_nHeight = 0;
  // The first frame's place on the canvas and its size.
  int64_t m_nLeft = 0, m_nTop = 0;
  uint64_t m_nFrameWidth = 0, m_nFrameHeight = 0;
  bool m_bInterlaced = false;
  BYTE m_table[256 * 3];         // blue, green, red for every index
  HMEMBLOCK m_hFrame = nullptr;  // one row, or the whole interlaced frame
  uint64_t m_nRowsRead = 0;
};

CGifDecoder::~CGifDecoder() {
  if (m_gif != nullptr) {
    int error = 0;
    DGifCloseFile(m_gif, &error);
  }
  MemFree(m_hFrame);
}

int CGifDecoder::OnRead(GifFileType* gif, GifByteType* data, int length) {
  if (length <= 0) return 0;
  return (int)((CDecodeInput*)gif->UserData)->Read(data, (size_t)length);
}

BOOL CGifDecoder::Refuse(const char* reason) {
  SetPictureInputError(*m_pInput, reason);
  return FALSE;
}

BOOL CGifDecoder::LibraryError() {
  if (m_pInput->Failure() != nullptr) return Refuse(nullptr);
  const int error = m_gif != nullptr ? m_gif->Error : D_GIF_ERR_READ_FAILED;
  if (error == D_GIF_ERR_NOT_ENOUGH_MEM) return Refuse(kPictureNoMemory);
  SetPictureLibraryError(kFormat, GifErrorString(error));
  return FALSE;
}

BOOL CGifDecoder::ReadHeader(PictureInfo* info) {
  if (!m_library.Take(kGifLibraryBytes)) return Refuse(kPictureNoMemory);
  int error = 0;
  m_gif = DGifOpen(m_pInput, OnRead, &error);
  if (m_gif == nullptr) {
    if (m_pInput->Failure() != nullptr) return Refuse(nullptr);
    SetPictureLibraryError(kFormat, GifErrorString(error));
    return FALSE;
  }
  m_nWidth = (uint64_t)(m_gif->SWidth > 0 ? m_gif->SWidth : 0);
  m_nHeight = (uint64_t)(m_gif->SHeight > 0 ? m_gif->SHeight : 0);
  if (!AcceptPictureSize(m_pInput, m_nWidth, m_nHeight)) return FALSE;
  info->width = m_nWidth;
  info->height = m_nHeight;
  info->frames = 0;  // counted only by reading them all
  return TRUE;
}

// Passes the extensions before the first image, keeping the graphic
// control block's transparent index, and reads the image's descriptor.
BOOL CGifDecoder::FindFirstFrame(int* transparent) {
  *transparent = -1;
  for (uint64_t records = 0; records < kMaxPictureFrames; ++records) {
    GifRecordType type;
    if (DGifGetRecordType(m_gif, &type) == GIF_ERROR) return LibraryError();
    if (type == TERMINATE_RECORD_TYPE) return Refuse("GIF: no picture in the file");
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(m_gif) == GIF_ERROR) return LibraryError();
      return TRUE;
    }
    if (type != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(m_gif, &code, &block) == GIF_ERROR) return LibraryError();
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4)
      *transparent = (block[1] & 1) ? block[4] : -1;
    while (block != nullptr) {
      if (DGifGetExtensionNext(m_gif, &block) == GIF_ERROR) return LibraryError();
    }
  }
  return Refuse(kPictureTooManyFrames);
}

void CGifDecoder::MakeColourTable(const ColorMapObject* map, int transparent) {
  std::memset(m_table, 0, sizeof m_table);
  const int count = map != nullptr && map->Colors != nullptr ? map->ColorCount : 0;
  for (int i = 0; i < count && i < 256; ++i) {
    m_table[3 * i] = map->Colors[i].Blue;
    m_table[3 * i + 1] = map->Colors[i].Green;
    m_table[3 * i + 2] = map->Colors[i].Red;
  }
  if (transparent >= 0 && transparent < 256) std::memset(m_table + 3 * transparent, 255, 3);
}

// The frame's row `row` (from its top); rows come in order except in an
// interlaced frame, which was read whole.
BOOL CGifDecoder::ReadFrameRow(uint64_t row, BYTE** line) {
  BYTE* frame = (BYTE*)MemLock(m_hFrame);
  if (m_bInterlaced) {
    *line = frame + row * m_nFrameWidth;
    return TRUE;
  }
  for (; m_nRowsRead <= row; ++m_nRowsRead) {
    if (m_pInput->Stopped() || DGifGetLine(m_gif, frame, (int)m_nFrameWidth) == GIF_ERROR) return LibraryError();
  }
  *line = frame;
  return TRUE;
}

CDib CGifDecoder::Decode(int width, int height) {
  if (m_gif == nullptr) return nullptr;
  // 1. The first frame and its colours: its own table, else the file's.
  int transparent = -1;
  if (!FindFirstFrame(&transparent)) return nullptr;
  const GifImageDesc& desc = m_gif->Image;
  m_nLeft = desc.Left;
  m_nTop = desc.Top;
  m_nFrameWidth = (uint64_t)(desc.Width > 0 ? desc.Width : 0);
  m_nFrameHeight = (uint64_t)(desc.Height > 0 ? desc.Height : 0);
  m_bInterlaced = desc.Interlace;
  if (m_nFrameWidth * m_nFrameHeight > kMaxPicturePixels) {
    Refuse(kPictureTooLarge);
    return nullptr;
  }
  MakeColourTable(desc.ColorMap != nullptr ? desc.ColorMap : m_gif->SColorMap, transparent);
  // 2. Room for a row, or the whole interlaced frame, whose rows come in
  //    four passes.
  const uint64_t frameBytes = m_bInterlaced ? m_nFrameWidth * m_nFrameHeight : m_nFrameWidth;
  m_hFrame = MemAllocRetry((size_t)(frameBytes > 0 ? frameBytes : 1));
  if (m_hFrame == nullptr) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  if (m_bInterlaced) {
    static const uint64_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    BYTE* frame = (BYTE*)MemLock(m_hFrame);
    for (int pass = 0; pass < 4; ++pass) {
      for (uint64_t y = kStart[pass]; y < m_nFrameHeight; y += kStep[pass]) {
        if (m_pInput->Stopped() || DGifGetLine(m_gif, frame + y * m_nFrameWidth, (int)m_nFrameWidth) == GIF_ERROR) {
          {
            LibraryError();
            return nullptr;
          }
        }
      }
    }
  }
  // 3. The canvas row by row, reduced as it goes.
  CRowReducer reducer;
  if (!reducer.Start(m_nWidth, m_nHeight, ReduceShiftForBox(m_nWidth, m_nHeight, width, height), 3)) {
    {
      Refuse(kPictureNoMemory);
      return nullptr;
    }
  }
  for (uint64_t y = 0; y < m_nHeight; ++y) {
    BYTE* out = reducer.NextRow();
    std::memset(out, 255, (size_t)m_nWidth * 3);
    const int64_t row = (int64_t)y - m_nTop;
    if (row >= 0 && (uint64_t)row < m_nFrameHeight) {
      BYTE* line = nullptr;
      if (!ReadFrameRow((uint64_t)row, &line)) return nullptr;
      for (uint64_t x = 0; x < m_nFrameWidth; ++x) {
        const int64_t at = m_nLeft + (int64_t)x;
        if (at >= (int64_t)m_nWidth) break;
        std::memcpy(out + 3 * at, m_table + 3 * line[x], 3);
      }
    }
    reducer.CommitRow();
  }
  return reducer.Finish();
}

}  // namespace

CPictureDecoder* NewGifDecoder(CDecodeInput* input) {
  CPictureDecoder* decoder = new (std::nothrow) CGifDecoder(input);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}

// GIF animation glue on giflib 5: frames read one after another from the
// open file, each composed on the canvas by its graphic control block
// (transparent index, disposal, delay), the loop count taken from the
// NETSCAPE2.0 (or ANIMEXTS1.0) application block. Held while it plays: the
// current frame's indices, and for a frame that restores what was beneath
// it, that part of the canvas.
#include <gif_lib.h>

#include <cstring>
#include <new>

#include "imaging/diblayout.h"
#include "imaging/framedecoder.h"
#include "imaging/picturedecoder.h"
#include "shell/memblock.h"

namespace {

constexpr const char kFormat[] = "GIF";
// giflib's file records and LZW tables while a file is open (as the still
// glue reserves), and the record it keeps for each frame read in a pass: a
// SavedImage and a copy of a local colour table.
constexpr uint64_t kGifLibraryBytes = 64 * 1024;
constexpr uint64_t kGifBytesPerFrame = 1024;

// A frame's rectangle clipped to the canvas, and what becomes of it.
struct GifFrameRect {
  uint64_t left = 0, top = 0, width = 0, height = 0;
  int disposal = DISPOSAL_UNSPECIFIED;
};

class CGifFrames : public CFrameDecoder {
 public:
  explicit CGifFrames(CDecodeInput* input) : m_pInput(input) {}
  ~CGifFrames() override;
  BOOL Start(FrameHeader* header) override;
  int Next(const FrameCanvas* canvas, BOOL skip, uint64_t* delayMs) override;

 private:
  static int OnRead(GifFileType* gif, GifByteType* data, int length);
  BOOL Open();
  void CloseGif();
  int Fail(const char* reason);
  BOOL Refuse(const char* reason) {
    Fail(reason);
    return FALSE;
  }
  int LibraryError();
  // Steps of Next.
  int FindFrame();
  BOOL ReadExtension(int code, GifByteType* block);
  void Dispose(const FrameCanvas& canvas);
  int SkipPixels();
  int ReadPixels();
  BOOL SaveBeneath(const FrameCanvas& canvas, const GifFrameRect& rect);
  void Compose(const FrameCanvas& canvas, const GifFrameRect& rect, int transparent);

  CDecodeInput* m_pInput;
  CDecodeReservation m_library;
  CDecodeReservation m_records;  // kGifBytesPerFrame for each frame of the pass
  GifFileType* m_gif = nullptr;
  uint64_t m_nWidth = 0, m_nHeight = 0;
  uint64_t m_nPlays = 1;
  GraphicsControlBlock m_control = {};
  bool m_bPending = false;  // a frame's descriptor read, its pixels not yet
  bool m_bClear = false;    // a new pass: the canvas starts white
  GifFrameRect m_previous;
  HMEMBLOCK m_hPixels = nullptr;  // the frame's indices, top row first
  uint64_t m_nPixelBytes = 0;
  HMEMBLOCK m_hBeneath = nullptr;  // the canvas beneath a "restore previous" frame
};

CGifFrames::~CGifFrames() {
  CloseGif();
  MemFree(m_hPixels);
  MemFree(m_hBeneath);
}

int CGifFrames::OnRead(GifFileType* gif, GifByteType* data, int length) {
  if (length <= 0) return 0;
  return (int)((CDecodeInput*)gif->UserData)->Read(data, (size_t)length);
}

int CGifFrames::Fail(const char* reason) {
  SetPictureInputError(*m_pInput, reason);
  return FRAME_FAILED;
}

int CGifFrames::LibraryError() {
  if (m_pInput->Failure() != nullptr) return Fail(nullptr);
  const int error = m_gif != nullptr ? m_gif->Error : D_GIF_ERR_READ_FAILED;
  if (error == D_GIF_ERR_NOT_ENOUGH_MEM) return Fail(kPictureNoMemory);
  SetPictureLibraryError(kFormat, GifErrorString(error));
  return FRAME_FAILED;
}

void CGifFrames::CloseGif() {
  if (m_gif != nullptr) {
    int error = 0;
    DGifCloseFile(m_gif, &error);
  }
  m_gif = nullptr;
  m_records.Release();
}

BOOL CGifFrames::Open() {
  int error = 0;
  m_gif = DGifOpen(m_pInput, OnRead, &error);
  if (m_gif != nullptr) return TRUE;
  if (m_pInput->Failure() != nullptr) return Refuse(nullptr);
  SetPictureLibraryError(kFormat, GifErrorString(error));
  return FALSE;
}

BOOL CGifFrames::Start(FrameHeader* header) {
  if (!m_library.Take(kGifLibraryBytes)) return Refuse(kPictureNoMemory);
  if (!Open()) return FALSE;
  m_nWidth = (uint64_t)(m_gif->SWidth > 0 ? m_gif->SWidth : 0);
  m_nHeight = (uint64_t)(m_gif->SHeight > 0 ? m_gif->SHeight : 0);
  if (!AcceptPictureSize(m_pInput, m_nWidth, m_nHeight)) return FALSE;
  // The loop count comes before the first frame; read up to it.
  if (FindFrame() != FRAME_COMPOSED) {
    if (PictureDecodeLastError()[0] == '\0') SetPictureDecodeError("GIF: no picture in the file");
    return FALSE;
  }
  m_bPending = true;
  header->width = m_nWidth;
  header->height = m_nHeight;
  header->plays = m_nPlays;
  return TRUE;
}

// Takes what an extension says and reads it to its end: the graphic control
// block, and the loop count of an application block, whose sub-block 1
// repeats the animation so many times after the first play (browsers play
// it count + 1 times), 0 for ever.
BOOL CGifFrames::ReadExtension(int code, GifByteType* block) {
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) DGifExtensionToGCB(4, block + 1, &m_control);
  bool loops = code == APPLICATION_EXT_FUNC_CODE && block != nullptr && block[0] == 11 &&
               (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
  while (block != nullptr) {
    if (DGifGetExtensionNext(m_gif, &block) == GIF_ERROR) return FALSE;
    if (loops && block != nullptr && block[0] >= 3 && block[1] == 1) {
      const uint64_t repeats = (uint64_t)block[2] | ((uint64_t)block[3] << 8);
      m_nPlays = repeats == 0 ? 0 : repeats + 1;
      loops = false;
    }
  }
  return TRUE;
}

// Walks to the next image descriptor, taking the graphic control block
// before it. FRAME_COMPOSED when one was read, FRAME_END at the trailer.
int CGifFrames::FindFrame() {
  m_control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  for (uint64_t records = 0; records < kMaxPictureFrames; ++records) {
    GifRecordType type;
    if (DGifGetRecordType(m_gif, &type) == GIF_ERROR) return LibraryError();
    if (type == TERMINATE_RECORD_TYPE) return FRAME_END;
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (!m_records.Take(kGifBytesPerFrame)) return Fail(kPictureNoMemory);
      if (DGifGetImageDesc(m_gif) == GIF_ERROR) return LibraryError();
      return FRAME_COMPOSED;
    }
    if (type != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(m_gif, &code, &block) == GIF_ERROR) return LibraryError();
    if (!ReadExtension(code, block)) return LibraryError();
  }
  return Fail(kPictureTooManyFrames);
}

void CGifFrames::Dispose(const FrameCanvas& canvas) {
  const GifFrameRect& r = m_previous;
  if (r.disposal == DISPOSE_BACKGROUND) WhitenFrameRect(canvas, r.left, r.top, r.width, r.height);
  if (r.disposal == DISPOSE_PREVIOUS && m_hBeneath != nullptr) {
    const BYTE* saved = (const BYTE*)MemLock(m_hBeneath);
    for (uint64_t y = 0; y < r.height; ++y) {
      std::memcpy(canvas.Row(r.top + y) + 3 * r.left, saved + y * r.width * 3, (size_t)r.width * 3);
    }
  }
  m_previous = GifFrameRect();
}

int CGifFrames::SkipPixels() {
  int codeSize = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(m_gif, &codeSize, &block) == GIF_ERROR) return LibraryError();
  while (block != nullptr) {
    if (DGifGetCodeNext(m_gif, &block) == GIF_ERROR) return LibraryError();
  }
  return FRAME_COMPOSED;
}

// The frame's indices, top row first (an interlaced frame's four passes
// put in their rows).
int CGifFrames::ReadPixels() {
  const uint64_t w = (uint64_t)m_gif->Image.Width, h = (uint64_t)m_gif->Image.Height;
  const uint64_t bytes = w * h > 0 ? w * h : 1;
  if (bytes > m_nPixelBytes) {
    MemFree(m_hPixels);
    m_nPixelBytes = 0;
    m_hPixels = MemAllocRetry((size_t)bytes);
    if (m_hPixels == nullptr) return Fail(kPictureNoMemory);
    m_nPixelBytes = bytes;
  }
  BYTE* pixels = (BYTE*)MemLock(m_hPixels);
  static const uint64_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  const int passes = m_gif->Image.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const uint64_t start = passes == 4 ? kStart[pass] : 0, step = passes == 4 ? kStep[pass] : 1;
    for (uint64_t y = start; y < h; y += step) {
      if (m_pInput->Stopped() || DGifGetLine(m_gif, pixels + y * w, (int)w) == GIF_ERROR) return LibraryError();
    }
  }
  return FRAME_COMPOSED;
}

BOOL CGifFrames::SaveBeneath(const FrameCanvas& canvas, const GifFrameRect& rect) {
  MemFree(m_hBeneath);
  m_hBeneath = MemAllocRetry((size_t)(rect.width * rect.height * 3 > 0 ? rect.width * rect.height * 3 : 1));
  if (m_hBeneath == nullptr) return FALSE;
  BYTE* saved = (BYTE*)MemLock(m_hBeneath);
  for (uint64_t y = 0; y < rect.height; ++y) {
    std::memcpy(saved + y * rect.width * 3, canvas.Row(rect.top + y) + 3 * rect.left, (size_t)rect.width * 3);
  }
  return TRUE;
}

void CGifFrames::Compose(const FrameCanvas& canvas, const GifFrameRect& rect, int transparent) {
  const ColorMapObject* map = m_gif->Image.ColorMap != nullptr ? m_gif->Image.ColorMap : m_gif->SColorMap;
  const int count = map != nullptr && map->Colors != nullptr ? map->ColorCount : 0;
  const uint64_t frameWidth = (uint64_t)m_gif->Image.Width;
  const BYTE* pixels = (const BYTE*)MemLock(m_hPixels);
  for (uint64_t y = 0; y < rect.height; ++y) {
    const BYTE* in = pixels + y * frameWidth;
    BYTE* out = canvas.Row(rect.top + y) + 3 * rect.left;
    for (uint64_t x = 0; x < rect.width; ++x, out += 3) {
      const int index = in[x];
      if (index == transparent) continue;
      // Indices past the table's end are black.
      const GifColorType colour = index < count ? map->Colors[index] : GifColorType{0, 0, 0};
      out[0] = colour.Blue;
      out[1] = colour.Green;
      out[2] = colour.Red;
    }
  }
}

int CGifFrames::Next(const FrameCanvas* canvas, BOOL skip, uint64_t* delayMs) {
  if (m_gif == nullptr) return Fail("GIF: not open");
  // 1. The previous frame disposed of, and the next frame's descriptor.
  if (!m_bPending) {
    if (canvas != nullptr && !m_bClear) Dispose(*canvas);
    const int found = FindFrame();
    if (found == FRAME_FAILED) return FRAME_FAILED;
    if (found == FRAME_END) {
      // Back to the start: a new pass over the file.
      CloseGif();
      if (!m_pInput->Rewind()) return Fail("GIF: cannot read the file again");
      if (!Open() || FindFrame() != FRAME_COMPOSED) return FRAME_FAILED;
      m_bPending = true;
      m_bClear = true;
      m_previous = GifFrameRect();
      return FRAME_END;
    }
  }
  m_bPending = false;
  *delayMs = (uint64_t)(m_control.DelayTime > 0 ? m_control.DelayTime : 0) * 10;
  // 2. Its rectangle on the canvas (a frame may reach past it).
  const GifImageDesc& desc = m_gif->Image;
  const uint64_t fw = (uint64_t)(desc.Width > 0 ? desc.Width : 0), fh = (uint64_t)(desc.Height > 0 ? desc.Height : 0);
  if (fw * fh > kMaxPicturePixels) return Fail(kPictureTooLarge);
  GifFrameRect rect;
  rect.left = (uint64_t)(desc.Left > 0 ? desc.Left : 0);
  rect.top = (uint64_t)(desc.Top > 0 ? desc.Top : 0);
  rect.width = rect.left < m_nWidth ? (fw < m_nWidth - rect.left ? fw : m_nWidth - rect.left) : 0;
  rect.height = rect.top < m_nHeight ? (fh < m_nHeight - rect.top ? fh : m_nHeight - rect.top) : 0;
  rect.disposal = m_control.DisposalMode;
  // A frame without pixels still has its (empty) data to pass over.
  if (skip || canvas == nullptr || fw * fh == 0) {
    if (SkipPixels() != FRAME_COMPOSED) return FRAME_FAILED;
    if (!skip && canvas != nullptr && m_bClear) WhitenFrameRect(*canvas, 0, 0, m_nWidth, m_nHeight);
    m_bClear = false;
    m_previous = rect;
    // A first frame passed over lies on white: what was beneath it is white.
    if (rect.disposal == DISPOSE_PREVIOUS) m_previous.disposal = DISPOSE_BACKGROUND;
    return FRAME_COMPOSED;
  }
  // 3. Its pixels, what lies beneath it when it is to be restored, and the
  //    frame on the canvas.
  if (ReadPixels() != FRAME_COMPOSED) return FRAME_FAILED;
  if (m_bClear) WhitenFrameRect(*canvas, 0, 0, m_nWidth, m_nHeight);
  m_bClear = false;
  if (rect.disposal == DISPOSE_PREVIOUS && !SaveBeneath(*canvas, rect)) return Fail(kPictureNoMemory);
  Compose(*canvas, rect, m_control.TransparentColor);
  m_previous = rect;
  return FRAME_COMPOSED;
}

}  // namespace

CFrameDecoder* NewGifFrames(CDecodeInput* input) {
  CFrameDecoder* decoder = new (std::nothrow) CGifFrames(input);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}

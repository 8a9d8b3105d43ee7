// Playing an animation: the file opened and told by its first bytes, its
// frames composed one per Advance, plays counted, delays clamped, frames
// per play bounded as the still decoders bound them; and the canvas helpers
// the frame decoders share.
#include "imaging/pictureanimation.h"

#include <cstring>
#include <new>

#include "imaging/decodeinput.h"
#include "imaging/diblayout.h"
#include "imaging/framedecoder.h"
#include "imaging/picturedecode.h"
#include "imaging/picturedecoder.h"
#include "platform/device/devicefs.h"

BOOL ViewFrameCanvas(CDib dib, uint64_t width, uint64_t height, FrameCanvas* canvas) {
  DibLayout layout;
  if (!ReadDibLayout(dib, &layout) || layout.bitCount != 24) return FALSE;
  if ((uint64_t)layout.width != width || (uint64_t)layout.height != height) return FALSE;
  canvas->rows = layout.rows;
  canvas->stride = layout.stride;
  canvas->width = width;
  canvas->height = height;
  return TRUE;
}

void WhitenFrameRect(const FrameCanvas& canvas, uint64_t left, uint64_t top, uint64_t width, uint64_t height) {
  for (uint64_t y = top; y < top + height; ++y) std::memset(canvas.Row(y) + 3 * left, 255, (size_t)width * 3);
}

UINT AnimationFrameDelay(uint64_t fileDelayMs) {
  if (fileDelayMs < kAnimationMinDelayMs) return kAnimationShortDelayMs;
  // A day is longer than anyone watches a frame; it keeps the timer's 32 bits.
  return fileDelayMs > 86400000 ? 86400000 : (UINT)fileDelayMs;
}

CPictureAnimation::~CPictureAnimation() {
  Close();
}

void CPictureAnimation::Close() {
  delete m_pFrames;
  m_pFrames = nullptr;
  delete m_pInput;
  m_pInput = nullptr;
  if (m_bOwnsStream && m_stream != nullptr) std::fclose(m_stream);
  m_stream = nullptr;
  m_bOwnsStream = FALSE;
  m_canvas = nullptr;
}

int CPictureAnimation::Start(const WCHAR* path, CDib canvas, BOOL upright) {
  Close();
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) return ANIMATION_DONE;
  const int step = StartStream(stream, canvas, upright);
  if (m_stream == nullptr) {
    std::fclose(stream);
  } else {
    m_bOwnsStream = TRUE;
  }
  return step;
}

int CPictureAnimation::StartStream(FILE* stream, CDib canvas, BOOL upright) {
  Close();
  SetPictureDecodeError("");
  // 1. A GIF or WebP file, by its first bytes.
  m_stream = stream;
  if (m_stream == nullptr) return ANIMATION_DONE;
  BYTE head[kPictureSniffBytes];
  const size_t count = std::fread(head, 1, sizeof head, m_stream);
  const PictureFormat format = PictureFormatOf(head, count);
  if ((format != PICTURE_GIF && format != PICTURE_WEBP) || std::fseek(m_stream, 0, SEEK_SET) != 0) {
    Close();
    return ANIMATION_DONE;
  }
  // 2. Its frame decoder and header; a still or turned picture is left as
  //    the caller shows it.
  m_pInput = new (std::nothrow) CDecodeInput(m_stream);
  if (m_pInput != nullptr) {
    m_pFrames = format == PICTURE_GIF ? NewGifFrames(m_pInput) : NewWebpFrames(m_pInput);
  } else {
    SetPictureDecodeError(kPictureNoMemory);
  }
  FrameHeader header;
  if (m_pFrames == nullptr || !m_pFrames->Start(&header)) {
    Close();
    return ANIMATION_FAILED;
  }
  FrameCanvas view;
  if (header.frames == 1 || (upright && header.orientation > 1) ||
      !ViewFrameCanvas(canvas, header.width, header.height, &view)) {
    Close();
    return ANIMATION_DONE;
  }
  m_canvas = canvas;
  m_nWidth = header.width;
  m_nHeight = header.height;
  m_nPlays = header.plays;
  // 3. The first frame, on the canvas already, is passed over for its
  //    delay and disposal.
  uint64_t delay = 0;
  if (m_pFrames->Next(&view, TRUE, &delay) != FRAME_COMPOSED) {
    Close();
    return ANIMATION_FAILED;
  }
  m_nFrame = 0;
  m_nPlay = 1;
  m_nDelay = AnimationFrameDelay(delay);
  return ANIMATION_NEXT;
}

int CPictureAnimation::Advance() {
  FrameCanvas view;
  if (m_pFrames == nullptr || !ViewFrameCanvas(m_canvas, m_nWidth, m_nHeight, &view)) return ANIMATION_DONE;
  uint64_t delay = 0;
  uint64_t frame = m_nFrame + 1;
  int step = m_pFrames->Next(&view, FALSE, &delay);
  if (step == FRAME_END) {
    // The play is over: a GIF of one frame was a still picture; the file's
    // plays all played leave the last frame shown.
    if (m_nFrame == 0 || (m_nPlays != 0 && m_nPlay >= m_nPlays)) return ANIMATION_DONE;
    ++m_nPlay;
    frame = 0;
    step = m_pFrames->Next(&view, FALSE, &delay);
  }
  if (step != FRAME_COMPOSED) return ANIMATION_FAILED;
  // As many frames a play as a still decoder passes over.
  if (frame >= kMaxPictureFrames) {
    SetPictureDecodeError(kPictureTooManyFrames);
    return ANIMATION_FAILED;
  }
  m_nFrame = frame;
  m_nDelay = AnimationFrameDelay(delay);
  return ANIMATION_NEXT;
}

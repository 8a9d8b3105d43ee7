// The decoding glue's side of animations: a GIF or WebP file read frame
// after frame, each composed on a canvas of the picture's size the way the
// file says (GIF disposal, WebP disposal and blending), over white as the
// picture interface composes a first frame. Only the glue's sources include
// their library's header.
#pragma once

#include <cstdint>

#include "imaging/decodeinput.h"
#include "imaging/dib.h"
#include "imaging/picturedecode.h"

// What the file says about the whole animation.
struct FrameHeader {
  uint64_t width = 0;
  uint64_t height = 0;
  // Frames, where the header tells them (0: counted only by reading them).
  uint64_t frames = 0;
  // The Exif orientation the file gives, 1 to 8; 0 for none.
  int orientation = 0;
  // Times the file asks to be played; 0 for ever.
  uint64_t plays = 1;
};

// What Next did.
enum FrameStep {
  FRAME_FAILED = -1,  // the reason recorded (PictureDecodeLastError)
  FRAME_COMPOSED = 0,
  FRAME_END = 1,  // no frame left in this pass; the canvas is untouched
};

// A canvas CDib (24 bits, bottom row first) seen by rows from the top.
struct FrameCanvas {
  BYTE* rows = nullptr;
  uint64_t stride = 0;
  uint64_t width = 0;
  uint64_t height = 0;
  BYTE* Row(uint64_t y) const { return rows + (height - 1 - y) * stride; }
};
// FALSE when `dib` is not a 24-bit picture of width × height.
BOOL ViewFrameCanvas(CDib dib, uint64_t width, uint64_t height, FrameCanvas* canvas);
// A rectangle of the canvas (clipped to it by the caller) made white.
void WhitenFrameRect(const FrameCanvas& canvas, uint64_t left, uint64_t top, uint64_t width, uint64_t height);

class CFrameDecoder {
 public:
  virtual ~CFrameDecoder() = default;
  // Reads the header and what precedes the first frame. FALSE: refused,
  // the reason recorded.
  virtual BOOL Start(FrameHeader* header) = 0;
  // 1. The previous frame is disposed of as the file says; 2. the next
  // frame is read and composed on `canvas` (null, or `skip`: read past
  // without touching the canvas, for a first frame the canvas holds
  // already); 3. its delay in milliseconds as the file gives it. After
  // FRAME_END the decoder is back at the file's start: the next call clears
  // the canvas to white and composes the first frame.
  virtual int Next(const FrameCanvas* canvas, BOOL skip, uint64_t* delayMs) = 0;
};

// The factories, over `input` (which outlives the decoder); null when
// memory for it cannot be had (the reason recorded).
CFrameDecoder* NewGifFrames(CDecodeInput* input);
CFrameDecoder* NewWebpFrames(CDecodeInput* input);

// An animated GIF or WebP playing on a canvas: the open file, its frame
// decoder, the frame shown, its delay and the play it belongs to. Nothing
// is decoded ahead: each Advance composes the next frame on the canvas, so
// that the frame being read and the canvas are all the pixels it holds.
#pragma once

#include <cstdint>
#include <cstdio>

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

class CDecodeInput;
class CFrameDecoder;

// The shortest delay a frame is shown for. Shorter delays, 0 and 10 ms
// above all, come from files made for browsers, which show such frames for
// 100 ms; so does the viewer.
constexpr UINT kAnimationMinDelayMs = 20;
constexpr UINT kAnimationShortDelayMs = 100;
// The delay a frame is shown for, from the one its file gives.
UINT AnimationFrameDelay(uint64_t fileDelayMs);

// What Start and Advance did.
enum AnimationStep {
  ANIMATION_FAILED = -1,  // the reason recorded (PictureDecodeLastError)
  ANIMATION_NEXT = 0,     // a frame is on the canvas, to be shown for Delay()
  ANIMATION_DONE = 1,     // nothing (more) to play: the canvas stays as it is
};

class CPictureAnimation {
 public:
  CPictureAnimation() = default;
  ~CPictureAnimation();
  CPictureAnimation(const CPictureAnimation&) = delete;
  CPictureAnimation& operator=(const CPictureAnimation&) = delete;

  // Starts playing file `path` on `canvas`, which holds the file's first
  // frame as the picture interface decodes it whole and stays the caller's:
  // it must live, and nobody else change it, while this plays. `upright`:
  // the caller stands pictures up by their orientation, so a turned one is
  // not played. ANIMATION_NEXT with the first frame's delay; ANIMATION_DONE
  // for a file that is no animation (another format, a WebP of one frame, a
  // canvas of another size); ANIMATION_FAILED when the file cannot be played.
  int Start(const WCHAR* path, CDib canvas, BOOL upright);
  // The same over a stream that stays the caller's (read from its start).
  int StartStream(FILE* stream, CDib canvas, BOOL upright);
  // The next frame on the canvas (the first again, on a white canvas, after
  // the last while the file asks for more plays). ANIMATION_DONE after the
  // last frame of the last play, and at once for a GIF of one frame.
  int Advance();

  UINT Delay() const { return m_nDelay; }
  // The frame shown, from 0 in each play; the play, from 1.
  uint64_t Frame() const { return m_nFrame; }
  uint64_t Play() const { return m_nPlay; }
  // Plays the file asks for; 0 for ever.
  uint64_t Plays() const { return m_nPlays; }

 private:
  void Close();

  FILE* m_stream = nullptr;
  BOOL m_bOwnsStream = FALSE;
  CDecodeInput* m_pInput = nullptr;
  CFrameDecoder* m_pFrames = nullptr;
  CDib m_canvas = nullptr;
  uint64_t m_nWidth = 0, m_nHeight = 0;
  uint64_t m_nFrame = 0;
  uint64_t m_nPlay = 1;
  uint64_t m_nPlays = 1;
  UINT m_nDelay = kAnimationShortDelayMs;
};

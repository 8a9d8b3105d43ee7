// The desktop's slideshow: its pace, whether it runs and whether it is
// paused, kept on one timer of the viewer window. It says when a step is
// due and which keys are its own; the viewer window makes each step through
// the picture page's own step, so the picture read ahead shows at once.
#pragma once

#include "platform/base/wintypes.h"

class CWnd;

// The pace when the command line gives none (--slideshow SECONDS).
constexpr UINT kDefaultSlideshowPaceMs = 4000;
// The timer's id on the viewer window; other timers of that window pass by.
constexpr UINT kSlideshowTimerId = 0x5353;

class CSlideshow {
 public:
  // `timerWindow` must outlive the slideshow; a pace of 0 is the default.
  CSlideshow(CWnd* timerWindow, UINT paceMs);
  ~CSlideshow();
  CSlideshow(const CSlideshow&) = delete;
  CSlideshow& operator=(const CSlideshow&) = delete;

  // Runs (again) from now, not paused: the first step comes a pace later.
  void Start();
  void Stop();
  BOOL IsRunning() const { return m_bRunning; }
  BOOL IsPaused() const { return m_bPaused; }
  UINT PaceMs() const { return m_nPaceMs; }

  // WM_TIMER of the viewer window: TRUE when timer `id` is the slideshow's
  // and the next picture is due.
  BOOL IsStepDue(UINT id) const;
  // A key released on the picture page while the show may run. TRUE when
  // the key was the slideshow's alone (Space pauses and resumes, Escape
  // ends the show); a key that steps (the arrows, Home, End) is left to the
  // page, and a running show waits a whole pace again from now.
  BOOL TakeKeyUp(UINT virtualKey);

 private:
  void Wait();

  CWnd* m_pWnd;
  UINT m_nPaceMs;
  BOOL m_bRunning = FALSE;
  BOOL m_bPaused = FALSE;
};

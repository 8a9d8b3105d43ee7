// Slideshow: the running and paused states over the viewer window's timer.
#include "app/slideshow.h"

#include "platform/window/wnd.h"

CSlideshow::CSlideshow(CWnd* timerWindow, UINT paceMs)
    : m_pWnd(timerWindow), m_nPaceMs(paceMs == 0 ? kDefaultSlideshowPaceMs : paceMs) {}

CSlideshow::~CSlideshow() {
  Stop();
}

void CSlideshow::Wait() {
  // Setting the timer again counts its period from now.
  if (m_pWnd != nullptr) m_pWnd->SetTimer(kSlideshowTimerId, m_nPaceMs);
}

void CSlideshow::Start() {
  m_bRunning = TRUE;
  m_bPaused = FALSE;
  Wait();
}

void CSlideshow::Stop() {
  if (m_pWnd != nullptr) m_pWnd->KillTimer(kSlideshowTimerId);
  m_bRunning = FALSE;
  m_bPaused = FALSE;
}

BOOL CSlideshow::IsStepDue(UINT id) const {
  return id == kSlideshowTimerId && m_bRunning && !m_bPaused;
}

BOOL CSlideshow::TakeKeyUp(UINT virtualKey) {
  if (!m_bRunning) return FALSE;
  switch (virtualKey) {
    case VK_SPACE:
      // Paused, no timer runs; resumed, a whole pace passes first.
      m_bPaused = !m_bPaused;
      if (m_bPaused && m_pWnd != nullptr) m_pWnd->KillTimer(kSlideshowTimerId);
      if (!m_bPaused) Wait();
      return TRUE;
    case VK_ESCAPE:
      Stop();
      return TRUE;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
      if (!m_bPaused) Wait();
      return FALSE;
    default:
      return FALSE;
  }
}

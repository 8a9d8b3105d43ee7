// The image page: the current picture alone over the whole window, fitted
// first, then zoomed along the scale ladder (toolbar, + and -, Ctrl + wheel;
// on the desktop about the pointer, and f, 0 and 1 for fit and 1:1) and
// panned with the stylus; the arrow keys step through the folder with
// wrap-around, Home and End go to its ends.
#pragma once

#include <memory>

#include "imaging/dib.h"
#include "imaging/pictureanimation.h"
#include "pages/scaleladder.h"
#include "shell/page.h"

// What the desktop program adds to the page; the defaults are the handheld's.
struct ImagePageSettings {
  // f or 0 fits the picture, 1 shows it at 1:1.
  BOOL fitAndActualSizeKeys = FALSE;
  // A zoom by Ctrl + wheel keeps the picture point under the pointer where
  // it is; the handheld's zooms keep the one at the middle of the window.
  BOOL zoomAtPointer = FALSE;
  // Animated GIF and WebP pictures play: each frame for its delay (at least
  // kAnimationMinDelayMs), as many times as the file asks.
  BOOL playAnimations = FALSE;
};

// The picture shown and the scale it is drawn at: scaleNum / scaleDen device
// pixels per picture pixel; in fit mode the fitted scale (at most 1).
struct PictureView {
  int width;
  int height;
  long long scaleNum;
  long long scaleDen;
};

class CImagePage : public CPage {
 public:
  explicit CImagePage(IPageHost* owner);
  ~CImagePage() override;

  void Paint(HDC dc) override;
  void OnLButtonDown(UINT flags, const POINT& point) override;
  void OnMouseMove(UINT flags, const POINT& point) override;
  void OnLButtonUp(UINT flags, const POINT& point) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;
  void OnKeyUp(UINT virtualKey, UINT repeat, UINT flags) override;
  void OnChar(UINT character, UINT repeat, UINT flags) override;
  void OnDeadChar(UINT character, UINT repeat, UINT flags) override;
  void Activate() override;
  BOOL CanDeactivate(int nextPage) override;
  int OnZoomIn() override;
  int OnZoomOut() override;
  void OnBack() override;
  // Ctrl + wheel zooms a notch at a time; the wheel alone does what it
  // always did here (nothing: the page has no scroll bar).
  void OnMouseWheel(UINT flags, int delta) override;
  void OnMouseWheelAt(UINT flags, int delta, const POINT& point) override;
  // The animation's next frame is due.
  void OnTimer(UINT id) override;
  // A folder change or a file action: what plays goes with the old list.
  void OnListChanged() override;

  void ResetZoom();
  // One step to the next picture, as the Right key makes it (the desktop's
  // slideshow steps through here).
  void StepNext() { StepPicture(true); }
  void SetSettings(const ImagePageSettings& settings) { m_settings = settings; }
  // The picture held and its scale now; FALSE while none is held.
  BOOL GetView(PictureView* view);
  // The animation playing on the held picture; null when none plays.
  const CPictureAnimation* Animation() const { return m_pAnimation.get(); }

  // The id of the animation's window timer.
  static constexpr UINT kAnimationTimer = 0x414E;

  int m_nZoomNum;
  int m_nZoomDen;
  int m_bFitMode;
  int m_nZoomedWidth;
  int m_nZoomedHeight;
  int m_nOffsetX;
  int m_nOffsetY;
  int m_bDragging;

 private:
  void PaintMessage(HDC dc, const RECT& rc);
  void PaintZoomed(HDC dc, const RECT& rc, CDib picture);
  // The picture point at the middle of the window at the current scale.
  void CentreToKeep(int W, int H, int w, int h, int& cx, int& cy) const;
  void ApplyScale(ZoomScale scale, int W, int H, int w, int h, int cx, int cy);
  // The scale, zoomed sizes and offsets (brought into range) for it.
  void SetScale(ZoomScale scale, int W, int H, int w, int h, long long offsetX, long long offsetY);
  // The zoom commands; an anchor (a window point) keeps the picture point
  // under it still, no anchor the one at the middle, as the handheld did.
  int ZoomIn(const POINT* anchor);
  int ZoomOut(const POINT* anchor);
  // Keeps the picture point under `anchor` there at `scale`.
  void ApplyScaleAt(ZoomScale scale, int W, int H, int w, int h, const POINT& anchor);
  // The picture point drawn at window point `at` now.
  void PicturePointAt(int W, int H, int w, int h, const POINT& at, long long& px, long long& py) const;
  void ShowActualSize();
  void ShowFitted();
  void StepPicture(bool forward);
  // Home and End: picture `index` replaces the held one, as a step does.
  void ShowPictureAt(int index);
  // The picture a step would show (with wrap-around); -1 when there is none.
  int StepTarget(bool forward) const;
  // With a picture shown, has the next one in the direction of the last
  // step read ahead (asking again for the same one costs nothing).
  void ReadAhead(CDib shown);

  // Animations (animation.cpp of the page): played on the held picture
  // once it is on the screen, ended when it has played, stopped when the
  // page leaves the picture.
  void StartAnimation(CDib shown);
  void EndAnimation();
  void StopAnimation();
  void FailAnimation();

  std::unique_ptr<CPictureAnimation> m_pAnimation;
  // The held picture an animation was started on (playing or played), and
  // its index; a picture whose animation failed shows the message instead.
  CDib m_animCanvas = nullptr;
  int m_nAnimIndex = -1;
  int m_nFailedIndex = -1;
  bool m_bStepForward = true;
  ImagePageSettings m_settings;
};

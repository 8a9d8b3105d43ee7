// The image page: the current picture alone over the whole window, fitted
// first, then zoomed along the scale ladder (toolbar, + and -, Ctrl + wheel)
// and panned with the stylus; the arrow keys step through the folder with
// wrap-around, Home and End go to its ends.
#pragma once

#include "imaging/dib.h"
#include "pages/scaleladder.h"
#include "shell/page.h"

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

  void ResetZoom();

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
  void StepPicture(bool forward);
  // Home and End: picture `index` replaces the held one, as a step does.
  void ShowPictureAt(int index);
  // The picture a step would show (with wrap-around); -1 when there is none.
  int StepTarget(bool forward) const;
  // With a picture shown, has the next one in the direction of the last
  // step read ahead (asking again for the same one costs nothing).
  void ReadAhead(CDib shown);

  bool m_bStepForward = true;
};

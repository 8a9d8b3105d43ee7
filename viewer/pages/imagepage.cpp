// Image page: fit and zoomed painting (animations in imageanimation.cpp), the zoom commands, panning and
// stepping through the pictures.
#include "pages/imagepage.h"

#include "filelist/imagefilelist.h"
#include "imaging/dibdraw.h"
#include "imaging/dibreduce.h"
#include "platform/window/app.h"
#include "platform/window/resource.h"
#include "res/resource_ids.h"

namespace {

void BeginWait() {
  if (CWinApp* app = AfxGetApp()) app->BeginWaitCursor();
}

void EndWait() {
  if (CWinApp* app = AfxGetApp()) app->EndWaitCursor();
}

// Brings an offset into 0 … maximum: a negative one becomes 0 first, then
// one above the maximum becomes the maximum.
int ClampOffset(long long offset, long long maximum) {
  if (offset < 0) offset = 0;
  if (maximum < 0) maximum = 0;
  if (offset > maximum) offset = maximum;
  return (int)offset;
}

long long Clamp(long long value, long long limit) {
  if (value < 0) return 0;
  return value > limit ? limit : value;
}

// The keypad's digits, as the hosts send them.
constexpr UINT kVkNumpad0 = 0x60;
constexpr UINT kVkNumpad1 = 0x61;

// Along one axis, the picture pixel drawn at window pixel `at`: the picture
// (`side` pixels) is drawn `drawn` pixels long at num / den in a window
// `window` pixels long. Longer than the window it starts at picture pixel
// `offset`; shorter, it is centred, the odd spare pixel before it or after
// it as the drawing puts it. Brought into 0 … side.
long long AxisPoint(long long at, long long window, long long drawn, long long offset, long long num, long long den,
                    long long side, bool oddSpareBefore) {
  if (num <= 0 || den <= 0) return 0;
  if (drawn > window) return Clamp(offset + (at * den) / num, side);
  const long long spare = window - drawn;
  const long long before = oddSpareBefore ? spare - (spare >> 1) : spare >> 1;
  return Clamp(((at - before) * den) / num, side);
}

}  // namespace

CImagePage::CImagePage(IPageHost* owner) : CPage(owner) {
  ResetZoom();
  m_bDragging = 0;
}

CImagePage::~CImagePage() = default;

void CImagePage::ResetZoom() {
  m_bFitMode = 1;
  m_nZoomNum = 1;
  m_nZoomDen = 1;
  m_nZoomedWidth = 0;
  m_nZoomedHeight = 0;
  m_nOffsetX = 0;
  m_nOffsetY = 0;
}

void CImagePage::Paint(HDC dc) {
  if (m_bFitMode != 1 && m_bFitMode != 0) return;
  // 1. Client rectangle and list.
  RECT rc;
  if (!GetClientRect(&rc) || g_pImageFileList == nullptr) return;
  // 2. Decode the current picture on the first paint that needs it.
  CDib picture = g_pImageFileList->m_hPicture;
  if (picture == nullptr && g_pImageFileList->m_nCurrent != m_nFailedIndex) {
    BeginWait();
    picture = g_pImageFileList->LoadCurrentPicture();
    if (picture != nullptr) g_pImageFileList->SetHeldPicture(picture);
    EndWait();
  }
  // 3. No picture: the message instead.
  if (picture == nullptr) {
    PaintMessage(dc, rc);
    return;
  }
  if (m_bFitMode == 1) {
    DrawDibFit(picture, &rc, dc);
  } else {
    PaintZoomed(dc, rc, picture);
  }
  // Once the picture is on the screen, not before, the one it replaced goes
  // and the next is read, so that neither delays the paint of a step.
  g_pImageFileList->ReleaseRetiredPicture();
  ReadAhead(picture);
  StartAnimation(picture);
}

void CImagePage::PaintMessage(HDC dc, const RECT& rc) {
  const UINT id = g_pImageFileList->GetError() == LIST_ERROR_NOT_FOUND ? IDS_FILE_NOT_FOUND : IDS_NO_MEMORY;
  WCHAR text[256];
  LoadString(id, text, 256);
  RECT box = rc;
  box.top = (rc.top + rc.bottom) / 2 - 10;
  DrawText(dc, text, -1, &box, DT_CENTER);
  g_pImageFileList->ClearError();
}

void CImagePage::PaintZoomed(HDC dc, const RECT& rc, CDib picture) {
  const long long W = rc.right - rc.left;
  const long long H = rc.bottom - rc.top;
  int w = 0, h = 0;
  GetDibSize(picture, w, h);
  // 1. Size of the whole picture at the current scale.
  if (m_nZoomedWidth <= 0) m_nZoomedWidth = (int)W;
  if (m_nZoomedHeight <= 0) m_nZoomedHeight = (int)H;
  if (m_nZoomedWidth == 0 || m_nZoomedHeight == 0) return;
  // 2. The visible part, in picture pixels.
  const long long vw = (W * w) / m_nZoomedWidth;
  const long long vh = (H * h) / m_nZoomedHeight;
  // 3. The source window in storage rows (row 0 is the bottom row).
  long long left = m_nOffsetX;
  long long right = (long long)m_nOffsetX + vw;
  long long top = (long long)h - m_nOffsetY - vh;
  long long bottom = (long long)h - m_nOffsetY;
  if (vw >= w) {
    left = 0;
    right = w;
  }
  if (vh >= h) {
    top = 0;
    bottom = h;
  }
  RECT window = {(LONG)Clamp(left, w), (LONG)Clamp(top, h), (LONG)Clamp(right, w), (LONG)Clamp(bottom, h)};
  // 4. Fitted and centred; where the picture is smaller than the window the
  // erased background stays.
  DrawDibRect(dc, &rc, picture, &window);
}

void CImagePage::CentreToKeep(int W, int H, int w, int h, int& cx, int& cy) const {
  const long long n = m_nZoomNum;
  const long long d = m_nZoomDen;
  cx = W < m_nZoomedWidth ? (int)(m_nOffsetX + ((long long)W * d) / (2 * n)) : w / 2;
  cy = H < m_nZoomedHeight ? (int)(m_nOffsetY + ((long long)H * d) / (2 * n)) : h / 2;
}

void CImagePage::SetScale(ZoomScale scale, int W, int H, int w, int h, long long offsetX, long long offsetY) {
  const long long n = scale.num;
  const long long d = scale.den;
  m_nZoomNum = scale.num;
  m_nZoomDen = scale.den;
  m_nZoomedWidth = (int)((n * w) / d);
  m_nZoomedHeight = (int)((n * h) / d);
  m_bFitMode = 0;
  const long long maxX = w - ((long long)W * d) / n;
  const long long maxY = h - ((long long)H * d) / n;
  m_nOffsetX = ClampOffset(offsetX, maxX);
  m_nOffsetY = ClampOffset(offsetY, maxY);
}

void CImagePage::ApplyScale(ZoomScale scale, int W, int H, int w, int h, int cx, int cy) {
  const long long n = scale.num;
  const long long d = scale.den;
  SetScale(scale, W, H, w, h, cx - ((long long)W * d) / (2 * n), cy - ((long long)H * d) / (2 * n));
}

void CImagePage::PicturePointAt(int W, int H, int w, int h, const POINT& at, long long& px, long long& py) const {
  // Odd spare columns go to the right of a centred picture, odd spare rows
  // above it, as the drawing places them.
  if (m_bFitMode == 1) {
    const FitSize fit = FitIntoBox((uint64_t)w, (uint64_t)h, (uint64_t)W, (uint64_t)H);
    px = AxisPoint(at.x, W, (long long)fit.width, 0, (long long)fit.width, w, w, false);
    py = AxisPoint(at.y, H, (long long)fit.height, 0, (long long)fit.height, h, h, true);
    return;
  }
  px = AxisPoint(at.x, W, m_nZoomedWidth, m_nOffsetX, m_nZoomNum, m_nZoomDen, w, false);
  py = AxisPoint(at.y, H, m_nZoomedHeight, m_nOffsetY, m_nZoomNum, m_nZoomDen, h, true);
}

void CImagePage::ApplyScaleAt(ZoomScale scale, int W, int H, int w, int h, const POINT& anchor) {
  // A pointer outside the client area counts as on its edge.
  const POINT at = {(LONG)Clamp(anchor.x, W), (LONG)Clamp(anchor.y, H)};
  long long px, py;
  PicturePointAt(W, H, w, h, at, px, py);
  const long long n = scale.num;
  const long long d = scale.den;
  SetScale(scale, W, H, w, h, px - ((long long)at.x * d) / n, py - ((long long)at.y * d) / n);
}

int CImagePage::OnZoomIn() {
  return ZoomIn(nullptr);
}

int CImagePage::OnZoomOut() {
  return ZoomOut(nullptr);
}

int CImagePage::ZoomIn(const POINT* anchor) {
  // 1. Window, list and held picture.
  RECT rc;
  if (!GetClientRect(&rc) || g_pImageFileList == nullptr || g_pImageFileList->m_hPicture == nullptr) return 0;
  int w = 0, h = 0;
  GetDibSize(g_pImageFileList->m_hPicture, w, h);
  const int W = rc.right - rc.left;
  const int H = rc.bottom - rc.top;
  // A window or picture without area has no scale to search for.
  if (W <= 0 || H <= 0 || w <= 0 || h <= 0) return 0;
  ZoomScale scale = {1, 1};
  int cx, cy;
  if (m_bFitMode == 1) {
    // 2. From fit: the smallest ladder value at which the limiting side is
    // still larger than the window.
    cx = w / 2;
    cy = h / 2;
    const bool heightLimits = (long long)W * h > (long long)H * w;
    const bool windowLarger = heightLimits ? W > w : H > h;
    if (!windowLarger) {
      for (;;) {
        const ZoomScale t = ZoomStepDown(scale);
        const bool stillLarger =
            heightLimits ? (long long)t.den * H < (long long)t.num * h : (long long)t.den * W < (long long)t.num * w;
        if (!stillLarger) break;
        scale = t;
      }
    }
  } else {
    // 3. From zoomed: keep the centre, one step up, never past 1/1.
    if (m_nZoomNum >= m_nZoomDen) return 0;
    CentreToKeep(W, H, w, h, cx, cy);
    scale = ZoomStepUp(ZoomScale{m_nZoomNum, m_nZoomDen});
  }
  // 4. Apply; 5. repaint at once: the picture grows over what was there.
  if (anchor != nullptr) {
    ApplyScaleAt(scale, W, H, w, h, *anchor);
  } else {
    ApplyScale(scale, W, H, w, h, cx, cy);
  }
  RedrawNow();
  return 1;
}

int CImagePage::ZoomOut(const POINT* anchor) {
  RECT rc;
  if (!GetClientRect(&rc) || g_pImageFileList == nullptr || g_pImageFileList->m_hPicture == nullptr) return 0;
  if (m_bFitMode == 1) return 0;
  int w = 0, h = 0;
  GetDibSize(g_pImageFileList->m_hPicture, w, h);
  const int W = rc.right - rc.left;
  const int H = rc.bottom - rc.top;
  int cx, cy;
  CentreToKeep(W, H, w, h, cx, cy);
  const ZoomScale scale = ZoomStepDown(ZoomScale{m_nZoomNum, m_nZoomDen});
  // The whole picture would be smaller than the window both ways: fit.
  if (((long long)scale.num * w) / scale.den < W && ((long long)scale.num * h) / scale.den < H) {
    ResetZoom();
    InvalidatePage();
    return 1;
  }
  if (anchor != nullptr) {
    ApplyScaleAt(scale, W, H, w, h, *anchor);
  } else {
    ApplyScale(scale, W, H, w, h, cx, cy);
  }
  InvalidatePage();  // the picture shrinks: repaint later, with erase
  return 1;
}

void CImagePage::ShowActualSize() {
  RECT rc;
  if (!GetClientRect(&rc) || g_pImageFileList == nullptr || g_pImageFileList->m_hPicture == nullptr) return;
  if (m_bFitMode == 0 && m_nZoomNum >= m_nZoomDen) return;  // at 1:1 already
  int w = 0, h = 0;
  GetDibSize(g_pImageFileList->m_hPicture, w, h);
  const int W = rc.right - rc.left;
  const int H = rc.bottom - rc.top;
  if (W <= 0 || H <= 0 || w <= 0 || h <= 0) return;
  // The picture point at the middle stays there, as with Zoom In.
  int cx = w / 2, cy = h / 2;
  if (m_bFitMode == 0) CentreToKeep(W, H, w, h, cx, cy);
  ApplyScale(ZoomScale{1, 1}, W, H, w, h, cx, cy);
  RedrawNow();  // the largest scale: the picture only grows
}

void CImagePage::ShowFitted() {
  if (m_bFitMode == 1) return;
  ResetZoom();
  InvalidatePage();
}

BOOL CImagePage::GetView(PictureView* view) {
  RECT rc;
  if (view == nullptr || g_pImageFileList == nullptr || g_pImageFileList->m_hPicture == nullptr) return FALSE;
  if (!GetClientRect(&rc)) return FALSE;
  int w = 0, h = 0;
  GetDibSize(g_pImageFileList->m_hPicture, w, h);
  view->width = w;
  view->height = h;
  view->scaleNum = 1;
  view->scaleDen = 1;
  if (m_bFitMode == 0) {
    view->scaleNum = m_nZoomNum;
    view->scaleDen = m_nZoomDen;
    return TRUE;
  }
  // Fitted: the side that limits gives the scale; never enlarged.
  const long long W = rc.right - rc.left;
  const long long H = rc.bottom - rc.top;
  if (w <= 0 || h <= 0 || (w <= W && h <= H)) return TRUE;
  const bool widthLimits = W * h <= H * w;
  view->scaleNum = widthLimits ? W : H;
  view->scaleDen = widthLimits ? w : h;
  return TRUE;
}

void CImagePage::OnLButtonDown(UINT flags, const POINT& point) {
  m_bDragging = 1;
  CPage::OnLButtonDown(flags, point);
}

void CImagePage::OnMouseMove(UINT /*flags*/, const POINT& point) {
  // 1. Only while dragging a zoomed, held picture.
  RECT rc;
  if (m_bDragging != 1 || !GetClientRect(&rc) || m_bFitMode == 1) return;
  if (g_pImageFileList == nullptr || g_pImageFileList->m_hPicture == nullptr) return;
  int w = 0, h = 0;
  GetDibSize(g_pImageFileList->m_hPicture, w, h);
  const long long W = rc.right - rc.left;
  const long long H = rc.bottom - rc.top;
  const long long n = m_nZoomNum;
  const long long d = m_nZoomDen;
  if (n <= 0 || d <= 0) return;
  // 2. Nothing to pan when the whole picture is visible.
  if (W * d >= n * w && H * d >= n * h) return;
  // 3. Small movements add up until one reaches 3 pixels.
  const long long dx = (long long)point.x - m_ptDown.x;
  const long long dy = (long long)point.y - m_ptDown.y;
  if (dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2) return;
  // 4. The picture follows the stylus.
  m_nOffsetX = ClampOffset(m_nOffsetX - (dx * d) / n, w - (W * d) / n);
  m_nOffsetY = ClampOffset(m_nOffsetY - (dy * d) / n, h - (H * d) / n);
  // 5. The next movement is measured from here; the picture moves at once.
  m_ptDown = point;
  RedrawNow();
}

void CImagePage::OnLButtonUp(UINT /*flags*/, const POINT& /*point*/) {
  RECT rc;
  if (GetClientRect(&rc)) m_bDragging = 0;
}

void CImagePage::OnKeyDown(UINT /*virtualKey*/, UINT /*repeat*/, UINT /*flags*/) {}
void CImagePage::OnChar(UINT /*character*/, UINT /*repeat*/, UINT /*flags*/) {}
void CImagePage::OnDeadChar(UINT /*character*/, UINT /*repeat*/, UINT /*flags*/) {}

void CImagePage::OnKeyUp(UINT virtualKey, UINT /*repeat*/, UINT /*flags*/) {
  if (virtualKey == VK_LEFT || virtualKey == VK_UP) StepPicture(false);
  if (virtualKey == VK_RIGHT || virtualKey == VK_DOWN) StepPicture(true);
  // The desktop's keys for the toolbar's commands and the folder's ends.
  if (virtualKey == VK_OEM_PLUS || virtualKey == VK_ADD) OnZoomIn();
  if (virtualKey == VK_OEM_MINUS || virtualKey == VK_SUBTRACT) OnZoomOut();
  if (virtualKey == VK_HOME) ShowPictureAt(0);
  if (virtualKey == VK_END && g_pImageFileList != nullptr) ShowPictureAt(g_pImageFileList->GetCount() - 1);
  if (virtualKey == VK_ESCAPE || virtualKey == VK_BACK) OnBack();
  if (m_settings.fitAndActualSizeKeys) {
    if (virtualKey == 'F' || virtualKey == '0' || virtualKey == kVkNumpad0) ShowFitted();
    if (virtualKey == '1' || virtualKey == kVkNumpad1) ShowActualSize();
  }
}

void CImagePage::OnMouseWheel(UINT flags, int delta) {
  if ((flags & MK_CONTROL) == 0) {
    CPage::OnMouseWheel(flags, delta);
    return;
  }
  for (int n = delta / WHEEL_DELTA; n > 0; --n) OnZoomIn();
  for (int n = delta / WHEEL_DELTA; n < 0; ++n) OnZoomOut();
}

void CImagePage::OnMouseWheelAt(UINT flags, int delta, const POINT& point) {
  if ((flags & MK_CONTROL) == 0 || !m_settings.zoomAtPointer) {
    OnMouseWheel(flags, delta);
    return;
  }
  for (int n = delta / WHEEL_DELTA; n > 0; --n) ZoomIn(&point);
  for (int n = delta / WHEEL_DELTA; n < 0; ++n) ZoomOut(&point);
}

int CImagePage::StepTarget(bool forward) const {
  const CImageFileList* list = g_pImageFileList;
  if (list == nullptr) return -1;
  const int count = list->GetCount();
  const int current = list->m_nCurrent;
  if (forward) {
    if (current + 1 >= 0 && current + 1 < count) return current + 1;
    return current + 1 == count ? 0 : -1;  // wrap-around after the last
  }
  if (current - 1 >= 0 && current - 1 < count) return current - 1;
  return current == 0 && count > 0 ? count - 1 : -1;  // and before the first
}

void CImagePage::StepPicture(bool forward) {
  CImageFileList* list = g_pImageFileList;
  if (list == nullptr) return;
  if (!list->SetCurrent(StepTarget(forward))) return;
  StopAnimation();
  m_nFailedIndex = -1;
  m_bStepForward = forward;
  CDib picture = list->TakeReadyPicture();
  if (picture != nullptr) {
    // Read ahead: nothing is decoded, and the old picture goes once the new
    // one is on the screen.
    list->RetireHeldPicture();
  } else {
    // The old picture goes before the next is decoded: one at a time. One
    // being read ahead for this step is waited for instead of a decode.
    list->SetHeldPicture(nullptr);
    BeginWait();
    picture = list->LoadCurrentPicture();
    EndWait();
  }
  list->SetHeldPicture(picture);
  ResetZoom();
  InvalidatePage();
}

void CImagePage::ShowPictureAt(int index) {
  CImageFileList* list = g_pImageFileList;
  if (list == nullptr || !list->SetCurrent(index)) return;
  StopAnimation();
  m_nFailedIndex = -1;
  // The held picture goes first, as in a step: one decoded picture at a time.
  list->SetHeldPicture(nullptr);
  BeginWait();
  CDib picture = list->LoadCurrentPicture();
  EndWait();
  list->SetHeldPicture(picture);
  ResetZoom();
  InvalidatePage();
}

void CImagePage::ReadAhead(CDib shown) {
  // Only while a picture is shown, in the direction of the last step.
  if (shown != nullptr && g_pImageFileList != nullptr) g_pImageFileList->ReadAhead(StepTarget(m_bStepForward));
}

void CImagePage::Activate() {
  // 1. The base clears the scroll bars.
  CPage::Activate();
  // 2. Browser hidden; Zoom In, Zoom Out and Back shown.
  SetButtonState(ID_BROWSER, TBSTATE_HIDDEN);
  SetButtonState(ID_ZOOM_IN, TBSTATE_ENABLED);
  SetButtonState(ID_ZOOM_OUT, TBSTATE_ENABLED);
  SetButtonState(ID_BACK, TBSTATE_ENABLED);
  // 3. Every picture starts fitted.
  ResetZoom();
  StopAnimation();
  m_nFailedIndex = -1;
  // The first picture read ahead is the next one.
  m_bStepForward = true;
}

BOOL CImagePage::CanDeactivate(int /*nextPage*/) {
  StopAnimation();
  m_nFailedIndex = -1;
  if (g_pImageFileList != nullptr) {
    g_pImageFileList->SetHeldPicture(nullptr);
    g_pImageFileList->DropReadAhead();
  }
  return TRUE;
}

void CImagePage::OnBack() {
  SwitchTo(PAGE_BROWSER);
}

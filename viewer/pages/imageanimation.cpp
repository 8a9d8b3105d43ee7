// The picture page's animations: a GIF or WebP held picture plays once it
// is on the screen, one frame per timer, redrawn at the zoom and place the
// user has chosen; stepping, leaving the page and a list change stop it.
// A frame that cannot be read ends it with the page's message, as a
// picture that cannot be decoded shows it.
#include "filelist/imagefilelist.h"
#include "filelist/pictureload.h"
#include "filelist/picturereport.h"
#include "imaging/picturedecode.h"
#include "pages/imagepage.h"
#include "platform/window/wnd.h"

void CImagePage::StartAnimation(CDib shown) {
  CImageFileList* list = g_pImageFileList;
  if (!m_settings.playAnimations || list == nullptr || shown == nullptr) return;
  if (shown == m_animCanvas && list->m_nCurrent == m_nAnimIndex) return;  // playing, or played
  StopAnimation();
  m_animCanvas = shown;
  m_nAnimIndex = list->m_nCurrent;
  CString path;
  if (!list->GetPath(list->m_nCurrent, path)) return;
  std::unique_ptr<CPictureAnimation> animation(new (std::nothrow) CPictureAnimation);
  if (animation == nullptr) return;
  const int step = animation->Start(path.c_str(), shown, GetAutoRotate());
  if (step == ANIMATION_FAILED) {
    FailAnimation();
    return;
  }
  if (step != ANIMATION_NEXT || View() == nullptr) return;
  m_pAnimation = std::move(animation);
  View()->SetTimer(kAnimationTimer, m_pAnimation->Delay());
}

void CImagePage::EndAnimation() {
  if (m_pAnimation != nullptr && View() != nullptr) View()->KillTimer(kAnimationTimer);
  m_pAnimation.reset();
}

void CImagePage::StopAnimation() {
  EndAnimation();
  m_animCanvas = nullptr;
  m_nAnimIndex = -1;
}

void CImagePage::FailAnimation() {
  CImageFileList* list = g_pImageFileList;
  EndAnimation();
  if (list == nullptr) return;
  CString path;
  list->GetPath(list->m_nCurrent, path);
  ReportPictureProblem(path, PictureDecodeLastError());
  // The picture goes, and stays gone until the user comes back to it.
  list->SetHeldPicture(nullptr);
  m_animCanvas = nullptr;
  m_nFailedIndex = list->m_nCurrent;
  list->SetError(LIST_ERROR_NO_MEMORY);
  InvalidatePage();
}

void CImagePage::OnTimer(UINT id) {
  if (id != kAnimationTimer) return;
  CImageFileList* list = g_pImageFileList;
  // The canvas is the held picture: gone or replaced, the animation goes.
  if (m_pAnimation == nullptr || list == nullptr || list->m_hPicture != m_animCanvas ||
      list->m_nCurrent != m_nAnimIndex) {
    StopAnimation();
    return;
  }
  const int step = m_pAnimation->Advance();
  if (step == ANIMATION_FAILED) {
    FailAnimation();
    return;
  }
  if (step == ANIMATION_DONE) {
    EndAnimation();
    return;
  }
  if (View() != nullptr) View()->SetTimer(kAnimationTimer, m_pAnimation->Delay());
  RedrawNow();
}

void CImagePage::OnListChanged() {
  StopAnimation();
  m_nFailedIndex = -1;
}

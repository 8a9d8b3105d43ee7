// The text field's selection, kept within its text.
#include "editctrl.h"

void CEditCtrl::SetSel(int start, int end) {
  const int length = (int)GetWindowText().size();
  if (end < 0 || end > length) end = length;
  if (start < 0) start = 0;
  if (start > end) start = end;
  m_nSelStart = start;
  m_nSelEnd = end;
}

int CEditCtrl::GetSelEnd() const {
  const int length = (int)GetWindowText().size();
  return m_nSelEnd < 0 || m_nSelEnd > length ? length : m_nSelEnd;
}

int CEditCtrl::GetSelStart() const {
  const int end = GetSelEnd();
  return m_nSelStart > end ? end : m_nSelStart;
}

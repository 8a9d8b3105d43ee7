// A one-line text field of a dialog ("EDIT"): its text and selection are
// the model; the host shows them, puts the selection in place when the
// field takes the focus, and writes the user's typing back.
#pragma once

#include "dialog.h"

class CEditCtrl : public CControlWnd {
 public:
  // Selects the characters from `start` up to `end` (end excluded); -1 for
  // `end` is the end of the text. Clamped to the text.
  void SetSel(int start, int end);
  // The selection, within the text as it is now (all of it until set).
  int GetSelStart() const;
  int GetSelEnd() const;

 private:
  int m_nSelStart = 0;
  int m_nSelEnd = -1;
};

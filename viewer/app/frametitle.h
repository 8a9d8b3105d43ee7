// The main frame's caption: where the user is. On the grid the folder shown
// ("Holiday — Vimbra", the device root as "My Device"); on the picture page
// the picture and its place in the folder ("IMG_0022 (17 of 63) — Vimbra").
#pragma once

#include "platform/wstr.h"

class CImageFileList;

// The caption for `list` (null: the bare title) on the picture page or on
// the grid; `title` is the frame's own title.
CString MakeFrameTitle(const CString& title, const CImageFileList* list, bool picturePage);

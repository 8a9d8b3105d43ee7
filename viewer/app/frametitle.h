// The main frame's caption: where the user is. On the grid the folder shown
// ("Holiday — Vimbra"; the device root by the name of its host folder, which
// is what the user opened); on the picture page the picture and its place in
// the folder ("IMG_0022 (17 of 63) — Vimbra").
#pragma once

#include "platform/base/wstr.h"

class CImageFileList;

// The caption for `list` (null: the bare title) on the picture page or on
// the grid; `title` is the frame's own title, `rootName` the device root's.
CString MakeFrameTitle(const CString& title, const CImageFileList* list, bool picturePage, const CString& rootName);

// The name of the device root's host folder; "My Device", as the Select
// Folder dialog calls the root, when it has none that is valid UTF-8.
CString DeviceRootName();

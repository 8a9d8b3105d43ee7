// The main frame's caption: where the user is. On the grid the folder shown
// ("Holiday — Vimbra"; the device root by the name of its host folder, which
// is what the user opened); on the picture page the picture and its place in
// the folder ("IMG_0022 (17 of 63) — Vimbra"), and in the desktop program
// its size and zoom ("IMG_0022 (17 of 63) · 4000 × 3000 · 25 % — Vimbra").
#pragma once

#include "platform/base/wstr.h"

class CImageFileList;
struct PictureView;

// The caption for `list` (null: the bare title) on the picture page or on
// the grid; `title` is the frame's own title, `rootName` the device root's.
// `view`, when given, is the picture shown on the picture page. With
// `folderPath` the grid's caption names the folder by its path from the
// root ("Pictures/Holiday/2024 — Vimbra").
CString MakeFrameTitle(const CString& title, const CImageFileList* list, bool picturePage, const CString& rootName,
                       const PictureView* view = nullptr, bool folderPath = false);

// `caption` with `note` as one more part before the frame's own title
// ("IMG_0022 (17 of 63) · … · Slideshow — Vimbra").
CString WithCaptionNote(const CString& caption, const CString& note);

// A scale as the caption gives it: whole percents ("25 %", "67 %") from 10 %
// up, tenths below ("8.3 %"), each rounded to the nearest; a scale below
// 1:1 never reads as "100 %", and none as "0 %".
CString ZoomPercentText(long long scaleNum, long long scaleDen);

// The name of the device root's host folder; "My Device", as the Select
// Folder dialog calls the root, when it has none that is valid UTF-8.
CString DeviceRootName();

// The grid's one thumbnail recipe, followed alike on the user-interface
// thread and by the workers, so that both give the same pixels: the picture
// decoded towards the decode box (from its Exif thumbnail when it has one),
// then reduced into the thumbnail box by block averaging.
#pragma once

#include "filelist/gridsizes.h"
#include "imaging/dib.h"
#include "platform/base/wintypes.h"

struct ThumbnailParts {
  // The picture decoded towards the decode box; empty when the file gives no
  // picture (PictureLastError says why) or memory ran out for it.
  CDibOwner reduced;
  // `reduced` fitted into the thumbnail box; empty when there is no reduced
  // picture or the memory for the thumbnail could not be had.
  CDibOwner thumbnail;
};

ThumbnailParts MakeThumbnailParts(const WCHAR* path, const GridSizes& sizes);

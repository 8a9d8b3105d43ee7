// The grid's one thumbnail recipe, followed alike on the user-interface
// thread and by the workers, so that both give the same pixels: the picture
// decoded towards the decode box (from its Exif thumbnail when it has one),
// then reduced into the thumbnail box by block averaging. With the shared
// thumbnail cache, every cell is reduced from a standard-size thumbnail:
// one found in the cache, or one made from the picture and written back.
#pragma once

#include <string>

#include "filelist/gridsizes.h"
#include "imaging/dib.h"
#include "platform/base/wintypes.h"

class CThumbCache;

struct ThumbnailParts {
  // The picture decoded towards the decode box (or the cache's thumbnail);
  // empty when the file gives no picture or memory ran out for it.
  CDibOwner reduced;
  // `reduced` fitted into the thumbnail box; empty when there is no reduced
  // picture or the memory for the thumbnail could not be had.
  CDibOwner thumbnail;
  // Why there is no picture: the decoder's words, or those of a failure
  // recorded in the cache; empty when there is one.
  std::string failure;
};

// `cache` (null: none) is asked first and given what is made. It is used
// only while pictures are turned upright, as the cache's thumbnails are.
ThumbnailParts MakeThumbnailParts(const WCHAR* path, const GridSizes& sizes, CThumbCache* cache = nullptr);

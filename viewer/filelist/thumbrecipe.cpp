// The thumbnail recipe: decode towards the box, reduce into the cell.
#include "filelist/thumbrecipe.h"

#include "filelist/pictureload.h"
#include "imaging/dibdraw.h"

ThumbnailParts MakeThumbnailParts(const WCHAR* path, const GridSizes& sizes) {
  ThumbnailParts parts;
  parts.reduced.Reset(LoadPictureTowards(path, sizes.decodeBox, sizes.decodeBox));
  if (parts.reduced) parts.thumbnail.Reset(MakeDibThumbnail(parts.reduced.Get(), sizes.thumb, sizes.thumb));
  return parts;
}

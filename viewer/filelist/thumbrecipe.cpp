// The thumbnail recipe: decode towards the box, reduce into the cell; through
// the shared cache, a standard thumbnail found or made, then the cell.
#include "filelist/thumbrecipe.h"

#include <algorithm>

#include "filelist/pictureload.h"
#include "filelist/thumbcache.h"
#include "imaging/dibdraw.h"

namespace {

ThumbnailParts MakeFromPicture(const WCHAR* path, const GridSizes& sizes) {
  ThumbnailParts parts;
  parts.reduced.Reset(LoadPictureTowards(path, sizes.decodeBox, sizes.decodeBox));
  if (parts.reduced) {
    parts.thumbnail.Reset(MakeDibThumbnail(parts.reduced.Get(), sizes.thumb, sizes.thumb));
  } else {
    parts.failure = PictureLastError();
  }
  return parts;
}

ThumbnailParts MakeThroughCache(const WCHAR* path, const GridSizes& sizes, CThumbCache* cache,
                                const ThumbCacheKey& key) {
  ThumbnailParts parts;
  // 1. An entry found: the cell from it, nothing of the picture decoded.
  CachedThumbnail cached = cache->Find(key, sizes.thumb);
  if (cached.picture) {
    parts.reduced = std::move(cached.picture);
    parts.thumbnail.Reset(MakeDibThumbnail(parts.reduced.Get(), sizes.thumb, sizes.thumb));
    return parts;
  }
  if (cached.failed) {
    parts.failure = cached.reason;
    return parts;
  }
  // 2. One decode, towards the larger of the grid's box and the standard
  //    size, for both reductions.
  const int standardSide = CThumbCache::StandardSide(sizes.thumb);
  const int box = std::max(sizes.decodeBox, standardSide);
  parts.reduced.Reset(LoadPictureTowards(path, box, box));
  if (!parts.reduced) {
    parts.failure = PictureLastError();
    // Only a damaged or refused file is recorded: memory, a stopped decode
    // or a file that could not be opened may fare better next time.
    if (PictureLastFailure() == PICTURE_FAILURE_DAMAGED && CThumbCache::Unchanged(path, key)) {
      cache->StoreFailure(key, parts.failure);
    }
    return parts;
  }
  // 3. The standard thumbnail, then the cell from it exactly as from an entry
  //    found, so that a cell looks the same before and after it is cached.
  CDibOwner standard(MakeDibThumbnail(parts.reduced.Get(), standardSide, standardSide));
  if (!standard) return parts;
  parts.thumbnail.Reset(MakeDibThumbnail(standard.Get(), sizes.thumb, sizes.thumb));
  // 4. Written back unless the file changed while it was read.
  if (parts.thumbnail && CThumbCache::Unchanged(path, key)) cache->Store(key, standardSide, standard.Release());
  return parts;
}

}  // namespace

ThumbnailParts MakeThumbnailParts(const WCHAR* path, const GridSizes& sizes, CThumbCache* cache) {
  ThumbCacheKey key;
  if (cache == nullptr || !GetAutoRotate() || !cache->KeyOf(path, &key)) return MakeFromPicture(path, sizes);
  return MakeThroughCache(path, sizes, cache, key);
}

// The launch values of the programs' command lines, profile by profile.
#include "startup/launch.h"

#include "platform/device/cachefolder.h"

ViewerLaunch LaunchFromCommandLine(const CommandLine& options, const StartPlace* place, const KeptSettings& kept) {
  ViewerLaunch launch;
  const bool desktop = !options.handheld;
  launch.profile = desktop ? PROFILE_DESKTOP : PROFILE_HANDHELD;
  launch.list.threads = options.threads > 0 ? options.threads : GetProcessorCount();
  launch.autoRotate = options.autoRotate ? TRUE : FALSE;
  launch.noAutoRotate = options.noAutoRotate ? TRUE : FALSE;
  launch.fullScreen = options.fullScreen ? TRUE : FALSE;
  // The thumbnail side: the handheld's 64 always; on the desktop the
  // command line's, else the one kept from the last run, else 128.
  launch.thumbnailSize = kHandheldThumb;
  if (desktop) {
    launch.thumbnailSize = options.thumbnailSize > 0 ? options.thumbnailSize
                           : kept.thumbnailSize > 0  ? kept.thumbnailSize
                                                     : kDesktopThumbnailSize;
  }
  if (desktop) launch.slideshowPaceMs = (UINT)options.slideshowSeconds * 1000u;
  // The desktop's order is the one kept; the handheld lists in name order.
  if (desktop) launch.list.sortOrder = kept.sortOrder;
  // The shared thumbnail cache is the desktop's; the handheld writes nothing.
  if (desktop && !options.noThumbnailCache) launch.list.thumbnailCache = DefaultThumbnailFolder();
  if (place != nullptr) {
    launch.list.hasStartFolder = place->hasStartFolder;
    launch.list.startFolder = place->startFolder;
    launch.startPicture = place->startPicture;
  }
  return launch;
}

void ShotAreaSize(const CommandLine& options, int* width, int* height) {
  if (options.width > 0 && options.height > 0) {
    *width = options.width;
    *height = options.height;
  } else if (options.handheld) {
    *width = kHandheldAreaWidth;
    *height = kHandheldAreaHeight;
  } else {
    *width = kShotDesktopAreaWidth;
    *height = kShotDesktopAreaHeight;
  }
}

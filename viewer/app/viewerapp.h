// The viewer's application object: brings the program up on the thumbnail
// browser page and handles the About and Browser commands. It keeps no
// settings from one run to the next.
#pragma once

#include "filelist/imagefilelist.h"
#include "platform/window/app.h"

// The viewer as the handheld had it, or the desktop program built on it.
enum ViewerProfile { PROFILE_HANDHELD, PROFILE_DESKTOP };

// What the command line chose for one run; the defaults are the handheld's.
struct ViewerLaunch {
  // Which viewer: the desktop's additions are switched on by the profile
  // when the viewer starts, each through the settings of the floor it
  // belongs to.
  ViewerProfile profile = PROFILE_HANDHELD;
  // Where the list starts and how many workers make its thumbnails.
  ListSettings list;
  // Pictures are stood upright by their Exif orientation (--auto-rotate):
  // the desktop's default, the handheld's only when asked. noAutoRotate
  // (--no-auto-rotate) shows them as stored in either profile, and wins.
  BOOL autoRotate = FALSE;
  BOOL noAutoRotate = FALSE;
  // The frame starts full screen.
  BOOL fullScreen = FALSE;
  // A picture of the start folder, opened as if tapped; empty for none.
  CString startPicture;
  // The side of the grid's thumbnails, 64 (the handheld's) to 256. Taken in
  // either profile: a launcher that keeps the desktop's settings leaves it
  // at 64 for the handheld.
  int thumbnailSize = kHandheldThumb;
  // The desktop slideshow's pace in milliseconds (--slideshow SECONDS); 0
  // for its default. The handheld has no slideshow.
  UINT slideshowPaceMs = 0;
};

class CViewerApp : public CWinApp {
 public:
  CViewerApp();
  // Set before InitInstance.
  ViewerLaunch m_launch;
  BOOL InitInstance() override { return StartViewer(); }
  BOOL StartViewer();
  BOOL OnCmdMsg(UINT id) override;
  // The grid's thumbnail side now: the launch value, then the last one the
  // user picked. It outlives the frame, so it can be kept at exit.
  int CurrentThumbnailSize() const { return m_nThumbnailSize; }
  // The list's order now: the launch value, then the last one the user
  // picked (the handheld's is always name order). Kept at exit likewise.
  const SortOrder& CurrentSortOrder() const { return m_sortOrder; }

 private:
  int m_nThumbnailSize = kHandheldThumb;
  SortOrder m_sortOrder;
};

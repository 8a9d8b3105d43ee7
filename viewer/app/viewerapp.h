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
  // Pictures are turned upright by their Exif orientation.
  BOOL autoRotate = FALSE;
  // The frame starts full screen.
  BOOL fullScreen = FALSE;
  // A picture of the start folder, opened as if tapped; empty for none.
  CString startPicture;
};

class CViewerApp : public CWinApp {
 public:
  CViewerApp();
  // Set before InitInstance.
  ViewerLaunch m_launch;
  BOOL InitInstance() override { return StartViewer(); }
  BOOL StartViewer();
  BOOL OnCmdMsg(UINT id) override;
};

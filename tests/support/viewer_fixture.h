// A viewer started on the headless host over a temporary device root, with
// the user's actions as one-line helpers. Tests prepare the device, call
// Start, act, and read the canvas, the command bar and the list.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/mainframe.h"
#include "app/viewerapp.h"
#include "filelist/imagefilelist.h"
#include "platform/controls/cmdbar.h"
#include "platform/draw/canvas.h"
#include "platform/headless/headless_host.h"
#include "support/temp_device.h"

class ViewerFixture : public ::testing::Test {
 protected:
  void TearDown() override;

  // Starts the viewer as the program does; the device must be ready.
  void Start(int width = 240, int height = 268);
  void Quit();

  CMainFrame* Frame() const;
  CViewerWnd& Viewer() const;
  CImageFileList* List() const { return g_pImageFileList; }
  Canvas& Screen() const { return *Viewer().GetCanvas(); }
  CCommandBar& Bar() const { return Frame()->GetCommandBar(); }

  // User actions; each lets a second pass since the last, so that taps never
  // become double taps by accident, and runs pending paints afterwards.
  void Tap(int x, int y);
  void Drag(int x0, int y0, int x1, int y1);
  void Key(unsigned vk);
  void Command(unsigned id);
  void VScroll(unsigned code, int position = 0);
  void Pump() { host->Pump(); }

  TempDevice device;
  // Thumbnail workers the viewer starts with (1: made inside the paint).
  int threads = 1;
  // Pictures turned upright by their Exif orientation (--auto-rotate).
  bool autoRotate = false;
  // The viewer the program starts: the handheld's unless a test asks.
  ViewerProfile profile = PROFILE_HANDHELD;
  // The desktop slideshow's pace (--slideshow); 0 for its default.
  UINT slideshowPaceMs = 0;
  // The order the launch asks the list for (the desktop's kept one).
  SortOrder sortOrder;
  std::unique_ptr<CHeadlessHost> host;
  std::unique_ptr<CViewerApp> app;
};

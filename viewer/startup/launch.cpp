// The launch values of the programs' command lines.
#include "startup/launch.h"

ViewerLaunch LaunchFromCommandLine(const CommandLine& options, const StartPlace* place) {
  ViewerLaunch launch;
  launch.list.threads = options.threads > 0 ? options.threads : GetProcessorCount();
  launch.autoRotate = options.autoRotate ? TRUE : FALSE;
  launch.fullScreen = options.fullScreen ? TRUE : FALSE;
  if (place != nullptr) {
    launch.list.hasStartFolder = place->hasStartFolder;
    launch.list.startFolder = place->startFolder;
    launch.startPicture = place->startPicture;
  }
  return launch;
}

// vimbra: the viewer in a window. Reads the command line, picks the device
// folder, the start folder and the heap budget, opens the window as the
// desktop profile kept it, hands over to the wx host and keeps it again.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/heap.h"
#include "platform/wx/wxentry.h"
#include "startup/launch.h"

namespace {

void Usage(FILE* out) {
  std::fprintf(out,
               "Usage: vimbra [OPTION]... [PATH]\n"
               "Shows the pictures of a folder.\n\n"
               "PATH a folder: the viewer starts there; without --device it is the device.\n"
               "PATH a picture: the same for its folder, and the picture opens.\n"
               "Neither PATH nor --device: the device is the user's pictures folder\n"
               "(XDG_PICTURES_DIR of ~/.config/user-dirs.dirs, else ~/Pictures) when it\n"
               "exists, else $XDG_DATA_HOME/vimbra/device, made when missing.\n\n"
               "Options (--opt VALUE or --opt=VALUE):\n"
               "  --device DIR          folder that serves as the device's file system;\n"
               "                        a PATH must then lie inside it\n"
               "  --memory MB           heap budget for pictures (default %lld)\n"
               "  --size WxH            size of the viewer area in pixels (default: as it was\n"
               "                        when last closed, else two thirds of the screen;\n"
               "                        240x268 with --handheld)\n"
               "  --threads N           thumbnail worker threads, 1 to %d (default: one per\n"
               "                        core; 1 makes thumbnails inside the paint)\n"
               "  --fullscreen          start in full screen\n"
               "  --handheld            the handheld's viewer: JPEG only, pictures as stored,\n"
               "                        64-pixel thumbnails, its keys, 240x268, no settings\n"
               "                        and no files written\n"
               "  --auto-rotate         turn pictures upright by their Exif orientation\n"
               "                        (the desktop's default)\n"
               "  --no-auto-rotate      show pictures as stored (the handheld's default)\n"
               "  --thumbnail-size N    the grid's thumbnails, 64 to 256 pixels (default: the\n"
               "                        size last used, else 128; not with --handheld)\n"
               "  --no-thumbnail-cache  neither read nor write the shared thumbnail cache\n"
               "                        ($XDG_CACHE_HOME/thumbnails)\n"
               "  --slideshow SECONDS   the pace of F5's slideshow, 1 to 3600 seconds\n"
               "                        (default 4; not with --handheld)\n"
               "  --help                show this text\n"
               "  --version             show the version\n\n"
               "Keys (the grid's act when pressed, the picture page's when released;\n"
               "F5, F11 and Ctrl+Q when pressed):\n"
               "  grid     Left/Right move the current picture, Up/Down a row, Page Up/Down\n"
               "           a page, Home/End to the first/last; Return or Space open it;\n"
               "           + and - (also with Ctrl) or Ctrl+wheel change the thumbnail size\n"
               "  picture  Left/Right (Up/Down) previous/next; Home/End first/last; f or 0\n"
               "           fit, 1 actual size; + = keypad+ or Ctrl+wheel up zoom in, - keypad-\n"
               "           or Ctrl+wheel down zoom out (the wheel about the pointer); Esc or\n"
               "           BackSpace back to the grid\n"
               "  always   F11 full screen on and off, Ctrl+Q quit\n"
               "  F5       the slideshow from the current picture, on and off: Space\n"
               "           pauses and resumes, Left/Right step (the wait starts again),\n"
               "           Esc ends it; the window stays as it is (full screen after F11\n"
               "           or --fullscreen)\n"
               "With --handheld there is no slideshow; the grid's Up/Down and Page\n"
               "Up/Down scroll a page and Home/End go to the top/bottom, on release;\n"
               "the picture page has no f, 0 or 1 and zooms about the centre.\n\n"
               "Files:\n"
               "  $XDG_CONFIG_HOME/vimbra/settings (else ~/.config/vimbra/settings): the\n"
               "  window's size and place and the thumbnail size, written when the window\n"
               "  closes (not with --handheld)\n\n"
               "Environment:\n"
               "  VIMBRA_PROBE=FILE  append a report of windows, input, paints and idle\n"
               "                     moments to FILE (used by the end-to-end tests)\n",
               (long long)(kDefaultHeapBudget >> 20), kMaxThreads);
}

// Where the frame opens: --size, else (the desktop's) the kept size, else
// two thirds of the screen; the kept place in the desktop profile.
HostWindowPlace StartWindowPlace(const CommandLine& options, const KeptSettings& kept) {
  HostWindowPlace start;
  if (options.width > 0 && options.height > 0) {
    start.areaWidth = options.width;
    start.areaHeight = options.height;
    start.exact = true;
  } else if (options.handheld) {
    start.areaWidth = kHandheldAreaWidth;
    start.areaHeight = kHandheldAreaHeight;
    start.exact = true;
  } else {
    start.areaWidth = kept.areaWidth;
    start.areaHeight = kept.areaHeight;
  }
  start.placed = kept.placed;
  start.x = kept.x;
  start.y = kept.y;
  return start;
}

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // before any thread: the budget bounds the whole process
  // 1. The command line.
  CommandLine options;
  std::string error;
  switch (ParseCommandLine(PROGRAM_VIEWER, argc, argv, &options, &error)) {
    case COMMAND_LINE_HELP:
      Usage(stdout);
      return 0;
    case COMMAND_LINE_VERSION:
      std::printf("vimbra %s\n", VIMBRA_VERSION);
      return 0;
    case COMMAND_LINE_BAD:
      std::fprintf(stderr, "%s\n%s\n", error.c_str(), CommandLineTryHelp(PROGRAM_VIEWER).c_str());
      return kExitUsage;
    case COMMAND_LINE_RUN:
      break;
  }

  // 2. The device folder and where the viewer starts in it.
  StartPlace place;
  const int placed = SetUpStartPlace(options.device, options.operands.empty() ? nullptr : &options.operands[0],
                                     !options.handheld, &place, &error);
  if (!place.note.empty()) std::fprintf(stderr, "%s\n", place.note.c_str());
  if (placed != 0) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return placed;
  }

  // 3. What the desktop kept from its last run; the handheld keeps nothing.
  KeptSettings kept;
  const std::string settingsPath = options.handheld ? std::string() : SettingsFilePath();
  std::string note;
  if (!options.handheld) kept = LoadSettings(settingsPath, &note);
  if (!note.empty()) std::fprintf(stderr, "%s\n", note.c_str());

  // 4. The heap budget and the viewer's launch values.
  if (options.memoryMb >= 0) HeapSetBudget((size_t)options.memoryMb << 20);
  TheViewerApp().m_launch = LaunchFromCommandLine(options, &place, kept);

  // 5. The window host runs the viewer until it closes.
  HostWindowPlace closed;
  const int status = RunWxHost(argv[0], StartWindowPlace(options, kept), &closed);

  // 6. The desktop keeps the window as it closed, the thumbnail size and
  //    the sort order.
  if (!options.handheld && closed.areaWidth > 0 && closed.areaHeight > 0) {
    KeptSettings now;
    now.areaWidth = closed.areaWidth;
    now.areaHeight = closed.areaHeight;
    now.placed = closed.placed;
    now.x = closed.x;
    now.y = closed.y;
    now.thumbnailSize = TheViewerApp().CurrentThumbnailSize();
    now.sortOrder = TheViewerApp().CurrentSortOrder();
    if (!SaveSettings(settingsPath, now, &error)) std::fprintf(stderr, "%s\n", error.c_str());
  }
  return status;
}

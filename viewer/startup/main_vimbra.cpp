// vimbra: the viewer in a window. Reads the command line, picks the device
// folder, the start folder and the heap budget, and hands over to the wx host.
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
               "Shows the JPEG pictures of a folder.\n\n"
               "PATH a folder: the viewer starts there; without --device it is the device.\n"
               "PATH a picture: the same for its folder, and the picture opens.\n"
               "Neither PATH nor --device: the device is the user's pictures folder\n"
               "(XDG_PICTURES_DIR of ~/.config/user-dirs.dirs, else ~/Pictures) when it\n"
               "exists, else $XDG_DATA_HOME/vimbra/device, made when missing.\n\n"
               "Options (--opt VALUE or --opt=VALUE):\n"
               "  --device DIR   folder that serves as the device's file system;\n"
               "                 a PATH must then lie inside it\n"
               "  --memory MB    heap budget for pictures (default %lld)\n"
               "  --size WxH     size of the viewer area in pixels (default 240x268)\n"
               "  --threads N    thumbnail worker threads, 1 to %d (default: one per core;\n"
               "                 1 makes thumbnails inside the paint)\n"
               "  --fullscreen   start in full screen\n"
               "  --auto-rotate  turn pictures upright by their Exif orientation\n"
               "  --help         show this text\n"
               "  --version      show the version\n\n"
               "Keys (they act when released; F11 and Ctrl+Q when pressed):\n"
               "  grid     Up/Down, Page Up/Page Down a page; Home/End top/bottom\n"
               "  picture  Left/Right (Up/Down) previous/next; Home/End first/last;\n"
               "           + = keypad+ or Ctrl+wheel up zoom in; - keypad- or Ctrl+wheel\n"
               "           down zoom out; Esc or BackSpace back to the grid\n"
               "  always   F11 full screen on and off, Ctrl+Q quit\n\n"
               "Environment:\n"
               "  VIMBRA_PROBE=FILE  append a report of windows, input, paints and idle\n"
               "                     moments to FILE (used by the end-to-end tests)\n",
               (long long)(kDefaultHeapBudget >> 20), kMaxThreads);
}

}  // namespace

int main(int argc, char** argv) {
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
  const int placed =
      SetUpStartPlace(options.device, options.operands.empty() ? nullptr : &options.operands[0], &place, &error);
  if (!place.note.empty()) std::fprintf(stderr, "%s\n", place.note.c_str());
  if (placed != 0) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return placed;
  }

  // 3. The heap budget and the viewer's launch values.
  if (options.memoryMb >= 0) HeapSetBudget((size_t)options.memoryMb << 20);
  TheViewerApp().m_launch = LaunchFromCommandLine(options, &place);

  // 4. The window host runs the viewer until it closes.
  return RunWxHost(argv[0], options.width, options.height);
}

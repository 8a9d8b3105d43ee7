// vimbra-shot: runs the viewer on the headless host over a device root,
// replays events and writes PNG screenshots of the viewer window. It keeps
// no settings: its area comes from --size or the profile.
#include <iostream>
#include <string>
#include <vector>

#include "platform/base/heap.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "platform/window/app.h"
#include "platform/window/frame.h"
#include "startup/eventwords.h"
#include "startup/launch.h"
#include "startup/replay.h"

namespace {

void Usage(std::ostream& out) {
  out << "Usage: vimbra-shot --device DIR [OPTION]... [EVENT]...\n"
         "Runs the viewer without a display and writes screenshots of its window.\n\n"
         "Options (--opt VALUE or --opt=VALUE), before the events:\n"
         "  --device DIR          folder that serves as the device's file system\n"
         "  --size WxH            viewer area in pixels (default 1280x800; 240x268 with\n"
         "                        --handheld)\n"
         "  --handheld            the handheld's viewer: JPEG only, pictures as stored,\n"
         "                        64-pixel thumbnails, its keys, no files written\n"
         "  --scrollbar-width N   width of the vertical scroll bar (default "
      << kDefaultScrollBarWidth
      << ", as vimbra's)\n"
         "  --memory MB           heap budget (default "
      << (kDefaultHeapBudget >> 20)
      << ")\n"
         "  --threads N           thumbnail worker threads, 1 to "
      << kMaxThreads
      << " (default: one per core;\n"
         "                        1 makes thumbnails inside the paint)\n"
         "  --auto-rotate         turn pictures upright by their Exif orientation (the\n"
         "                        desktop's default)\n"
         "  --no-auto-rotate      show pictures as stored (the handheld's default)\n"
         "  --thumbnail-size N    the grid's thumbnails, 64 to 256 pixels (default 128;\n"
         "                        the handheld's are 64)\n"
         "  --no-thumbnail-cache  neither read nor write the shared thumbnail cache\n"
         "                        ($XDG_CACHE_HOME/thumbnails)\n"
         "  --slideshow SECONDS   the slideshow's pace, 1 to 3600 (default 4; not with\n"
         "                        --handheld)\n"
         "  --script FILE         read events from FILE, one per line\n"
         "  --out FILE            screenshot written at the end (default: none if the\n"
         "                        events took one, else vimbra-shot.png)\n"
         "  --time                print each event's wall time in milliseconds\n"
         "  --trace               print each event with the list's state, and the\n"
         "                        window's title at the end\n"
         "  --help\n\n"
         "Every word from the first event on is an event word (so 'move -5 10'\n"
         "works); '--' ends the options early.\n\n"
      << Replay::Help();
}

int Bad(const std::string& error) {
  std::cerr << error << "\n" << CommandLineTryHelp(PROGRAM_SHOT) << "\n";
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // before any thread: the budget bounds the whole process
  // 1. The command line.
  CommandLine options;
  std::string error;
  switch (ParseCommandLine(PROGRAM_SHOT, argc, argv, &options, &error)) {
    case COMMAND_LINE_HELP:
    case COMMAND_LINE_VERSION:
      Usage(std::cout);
      return 0;
    case COMMAND_LINE_BAD:
      return Bad(error);
    case COMMAND_LINE_RUN:
      break;
  }
  if (!DeviceSetRoot(options.device)) return Bad("vimbra-shot: --device " + options.device + ": not a folder");
  if (options.memoryMb >= 0) HeapSetBudget((size_t)options.memoryMb << 20);

  // 2. The events: the script's lines, then the command line's words.
  std::vector<std::string> lines;
  if (!options.script.empty() && !EventWords::ReadScript(options.script, &lines, &error)) {
    return Bad("vimbra-shot: " + error);
  }
  for (const std::string& line : EventWords::JoinArguments(options.operands)) lines.push_back(line);

  // 3. The viewer on the headless host.
  TheViewerApp().m_launch = LaunchFromCommandLine(options, nullptr);
  int width = 0, height = 0;
  ShotAreaSize(options, &width, &height);
  CHeadlessHost host(width, height, options.scrollBarWidth >= 0 ? options.scrollBarWidth : kDefaultScrollBarWidth);
  if (AfxGetApp() == nullptr || !AfxGetApp()->InitInstance()) {
    std::cerr << "vimbra-shot: the viewer could not start\n";
    return 1;
  }

  // 4. Replay, the final screenshot and the title.
  Replay replay(host, options.trace ? &std::cout : nullptr);
  if (options.timing) replay.SetTiming(&std::cout);
  const bool ok = replay.RunAll(lines, &error);
  if (!ok) std::cerr << "vimbra-shot: " << error << "\n";
  host.WaitForBackgroundWork();
  if (ok && (!options.out.empty() || replay.ShotsWritten() == 0) && host.Frame() != nullptr) {
    const std::string path = options.out.empty() ? "vimbra-shot.png" : options.out;
    if (!host.WritePng(path)) {
      std::cerr << "vimbra-shot: cannot write " << path << "\n";
      return 1;
    }
  }
  if (options.trace) std::cout << "title " << EventWords::Quote(Utf8FromWide(host.FrameText())) << "\n";
  // The process ends: close the frame as Quit would.
  if (host.Frame() != nullptr) host.Frame()->SendMessage(WM_CLOSE);
  return ok ? 0 : 1;
}

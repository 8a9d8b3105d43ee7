// vimbra-shot: runs the viewer on the headless host over a device root,
// replays events and writes PNG screenshots of the viewer window.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/devicefs.h"
#include "platform/frame.h"
#include "platform/headless/headless_host.h"
#include "platform/heap.h"
#include "replay.h"

namespace {

void Usage(std::ostream& out) {
  out << "Usage: vimbra-shot --device DIR [options] [EVENT ...]\n"
         "Runs the viewer without a display and writes screenshots of its window.\n\n"
         "Options:\n"
         "  --device DIR          folder that serves as the device's file system\n"
         "  --size WxH            viewer area in pixels (default 240x268)\n"
         "  --scrollbar-width N   width of the vertical scroll bar (default "
      << kDefaultScrollBarWidth
      << ", as vimbra's)\n"
         "  --memory MB           heap budget (default 1024)\n"
         "  --script FILE         read events from FILE, one per line\n"
         "  --out FILE            screenshot written at the end (default: none if the\n"
         "                        events took one, else vimbra-shot.png)\n"
         "  --threads N           thumbnail worker threads (default: one per core;\n"
         "                        1 makes thumbnails inside the paint)\n"
         "  --auto-rotate         turn pictures upright by their Exif orientation\n"
         "  --time                print each event's wall time in milliseconds\n"
         "  --trace               print each event with the list's state\n"
         "  --help\n\n"
      << Replay::Help();
}

bool ParseSize(const char* text, int* w, int* h) {
  return std::sscanf(text, "%dx%d", w, h) == 2 && *w >= 0 && *h >= 0 && *w <= 16384 && *h <= 16384;
}

}  // namespace

int main(int argc, char** argv) {
  std::string device, script, out;
  int width = 240, height = 268, barWidth = kDefaultScrollBarWidth;
  long long memoryMb = (long long)(kDefaultHeapBudget >> 20);
  bool trace = false;
  bool timing = false;
  int threads = GetProcessorCount();
  std::vector<std::string> events;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::cerr << "vimbra-shot: " << name << " needs a value\n";
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      Usage(std::cout);
      return 0;
    } else if (arg == "--device") {
      device = value("--device");
    } else if (arg == "--size") {
      if (!ParseSize(value("--size"), &width, &height)) {
        std::cerr << "vimbra-shot: --size takes WxH\n";
        return 2;
      }
    } else if (arg == "--scrollbar-width") {
      barWidth = std::atoi(value("--scrollbar-width"));
    } else if (arg == "--memory") {
      memoryMb = std::atoll(value("--memory"));
    } else if (arg == "--script") {
      script = value("--script");
    } else if (arg == "--out") {
      out = value("--out");
    } else if (arg == "--trace") {
      trace = true;
    } else if (arg == "--time") {
      timing = true;
    } else if (arg == "--auto-rotate") {
      if (AfxGetApp() != nullptr) AfxGetApp()->m_bAutoRotate = TRUE;
    } else if (arg == "--threads") {
      threads = std::atoi(value("--threads"));
      if (threads < 1 || threads > 256) {
        std::cerr << "vimbra-shot: --threads takes a number from 1 to 256\n";
        return 2;
      }
    } else if (arg.rfind("--", 0) == 0) {
      std::cerr << "vimbra-shot: unknown option " << arg << "\n";
      return 2;
    } else {
      // An event and its words: everything up to the next known verb.
      events.push_back(arg);
    }
  }
  if (device.empty() || !DeviceSetRoot(device)) {
    std::cerr << "vimbra-shot: --device must name an existing folder\n";
    return 2;
  }
  if (memoryMb < 0) memoryMb = 0;
  HeapSetBudget((size_t)memoryMb << 20);

  // Events on the command line come as separate words: join each verb with
  // the words that follow it.
  std::vector<std::string> lines;
  if (!script.empty()) {
    std::ifstream in(script);
    if (!in) {
      std::cerr << "vimbra-shot: cannot read " << script << "\n";
      return 2;
    }
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  // A verb starts a new event once the event before has its arguments.
  static const struct {
    const char* verb;
    size_t arguments;
  } kVerbs[] = {{"tap", 2},     {"dbltap", 2}, {"down", 2},   {"move", 2},    {"up", 2},     {"key", 1},
                {"keydown", 1}, {"keyup", 1},  {"scroll", 1}, {"command", 1}, {"folder", 0}, {"folder-cancel", 0},
                {"resize", 2},  {"wait", 1},   {"pump", 0},   {"idle", 0},    {"shot", 1},   {"wheel", 1}};
  size_t pending = 0;  // arguments the current event still needs
  for (const std::string& word : events) {
    const auto* known =
        std::find_if(std::begin(kVerbs), std::end(kVerbs), [&](const auto& v) { return word == v.verb; });
    if (known != std::end(kVerbs) && pending == 0) {
      lines.push_back(word);
      pending = known->arguments;
    } else if (lines.empty()) {
      lines.push_back(word);
    } else {
      lines.back() += " " + word;
      if (pending > 0) --pending;
    }
  }

  if (AfxGetApp() != nullptr) AfxGetApp()->m_nWorkerThreads = threads;
  CHeadlessHost host(width, height, barWidth);
  if (AfxGetApp() == nullptr || !AfxGetApp()->InitInstance()) {
    std::cerr << "vimbra-shot: the viewer could not start\n";
    return 1;
  }
  Replay replay(host, trace ? &std::cout : nullptr);
  if (timing) replay.SetTiming(&std::cout);
  std::string error;
  const bool ok = replay.RunAll(lines, &error);
  if (!ok) std::cerr << "vimbra-shot: " << error << "\n";
  host.WaitForBackgroundWork();
  if (ok && (!out.empty() || replay.ShotsWritten() == 0) && host.Frame() != nullptr) {
    const std::string path = out.empty() ? "vimbra-shot.png" : out;
    if (!host.WritePng(path)) {
      std::cerr << "vimbra-shot: cannot write " << path << "\n";
      return 1;
    }
  }
  // The process ends: close the frame as Quit would.
  if (host.Frame() != nullptr) host.Frame()->SendMessage(WM_CLOSE);
  return ok ? 0 : 1;
}

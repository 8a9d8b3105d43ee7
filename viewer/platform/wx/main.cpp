// vimbra: the viewer on the wx (GTK 3) host. Reads the command line, picks
// the device folder and heap budget, checks for a display and runs wx.
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/app.h"
#include "platform/devicefs.h"
#include "platform/heap.h"
#include "wxapp.h"
#include "wxprobe.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;
constexpr int kMaxSide = 16384;

struct Options {
  std::string device;
  long long memoryMb = (long long)(kDefaultHeapBudget >> 20);
  int width = 240;
  int height = 268;
  int threads = 0;  // 0: one per core
};

void Usage(FILE* out) {
  std::fprintf(out,
               "Usage: vimbra [--device DIR] [--memory MB] [--size WxH] [--threads N] [--help] [--version]\n"
               "Shows the JPEG pictures of a device folder.\n\n"
               "Options:\n"
               "  --device DIR   folder that serves as the device's file system\n"
               "                 (default: $XDG_DATA_HOME/vimbra/device, made when missing)\n"
               "  --memory MB    heap budget for pictures (default %lld)\n"
               "  --size WxH     size of the viewer area in pixels (default 240x268)\n"
               "  --threads N    thumbnail worker threads (default: one per core;\n"
               "                 1 makes thumbnails inside the paint)\n"
               "  --auto-rotate  turn pictures upright by their Exif orientation\n"
               "  --help         show this text\n"
               "  --version      show the version\n\n"
               "Environment:\n"
               "  VIMBRA_PROBE=FILE  append a report of windows, input, paints and idle\n"
               "                     moments to FILE (used by the end-to-end tests)\n",
               (long long)(kDefaultHeapBudget >> 20));
}

bool ParseSize(const char* text, int* width, int* height) {
  char tail = 0;
  return std::sscanf(text, "%dx%d%c", width, height, &tail) == 2 && *width > 0 && *height > 0 && *width <= kMaxSide &&
         *height <= kMaxSide;
}

bool ParseMegabytes(const char* text, long long* value) {
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || *end != 0 || v < 0 || v > (1ll << 40)) return false;
  *value = v;
  return true;
}

// 0 when the options are good, else the exit status (-1: stop with 0).
int ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return -1;
    } else if (arg == "--version") {
      std::printf("vimbra %s\n", VIMBRA_VERSION);
      return -1;
    } else if (arg == "--auto-rotate") {
      if (CWinApp* app = AfxGetApp()) app->m_bAutoRotate = TRUE;
    } else if (arg == "--device" && hasValue) {
      options->device = argv[++i];
    } else if (arg == "--memory" && hasValue) {
      if (!ParseMegabytes(argv[++i], &options->memoryMb)) {
        std::fprintf(stderr, "vimbra: --memory takes a number of megabytes\n");
        return kExitUsage;
      }
    } else if (arg == "--threads" && hasValue) {
      long long threads = 0;
      if (!ParseMegabytes(argv[++i], &threads) || threads < 1 || threads > 256) {
        std::fprintf(stderr, "vimbra: --threads takes a number from 1 to 256\n");
        return kExitUsage;
      }
      options->threads = (int)threads;
    } else if (arg == "--size" && hasValue) {
      if (!ParseSize(argv[++i], &options->width, &options->height)) {
        std::fprintf(stderr, "vimbra: --size takes WxH, each from 1 to %d\n", kMaxSide);
        return kExitUsage;
      }
    } else {
      std::fprintf(stderr, "vimbra: %s %s\n", arg.c_str(),
                   arg == "--device" || arg == "--memory" || arg == "--size" || arg == "--threads"
                       ? "needs a value"
                       : "is not an option");
      Usage(stderr);
      return kExitUsage;
    }
  }
  return 0;
}

// The per-user device folder: $XDG_DATA_HOME/vimbra/device, with
// ~/.local/share standing in for an unset or relative XDG_DATA_HOME.
std::string DefaultDeviceFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/vimbra/device";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) return std::string();
  return std::string(home) + "/.local/share/vimbra/device";
}

bool HaveDisplayVariable() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && x11[0] != 0) || (wayland != nullptr && wayland[0] != 0);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int parsed = ParseOptions(argc, argv, &options);
  if (parsed != 0) return parsed < 0 ? 0 : parsed;

  // 1. A display, checked before GTK starts so that its absence is one line.
  if (!HaveDisplayVariable()) {
    std::fprintf(stderr,
                 "vimbra: no display: neither DISPLAY nor WAYLAND_DISPLAY is set "
                 "(run it in a desktop session, or under Xvfb)\n");
    return kExitFailure;
  }
  // GTK reads this once, at start-up: classic scroll bars that take room.
  setenv("GTK_OVERLAY_SCROLLING", "0", 1);

  // 2. The device folder.
  if (options.device.empty()) {
    options.device = DefaultDeviceFolder();
    std::error_code error;
    if (!options.device.empty()) std::filesystem::create_directories(options.device, error);
    if (options.device.empty() || error) {
      std::fprintf(stderr, "vimbra: cannot make the device folder %s\n", options.device.c_str());
      return kExitFailure;
    }
  }
  if (!DeviceSetRoot(options.device)) {
    std::fprintf(stderr, "vimbra: %s is not a folder\n", options.device.c_str());
    return kExitFailure;
  }

  // 3. The heap budget and the thumbnail workers.
  HeapSetBudget((size_t)options.memoryMb << 20);
  if (CWinApp* app = AfxGetApp()) app->m_nWorkerThreads = options.threads > 0 ? options.threads : GetProcessorCount();

  // 4. wx starts GTK (which opens the display) and runs the viewer; it owns
  // and deletes the application object.
  Probe::Open();
  Probe::Line("start t=%lld", (long long)Probe::EpochMicros());
  wxApp::SetInstance(new CWxApp(wxSize(options.width, options.height)));
  int wxArgc = 1;
  char* wxArgv[] = {argv[0], nullptr};
  if (!wxEntryStart(wxArgc, wxArgv)) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "vimbra: cannot open the display \"%s\"\n",
                 display != nullptr && display[0] != 0 ? display : std::getenv("WAYLAND_DISPLAY"));
    return kExitFailure;
  }
  int status = kExitFailure;
  if (wxTheApp->CallOnInit()) status = wxTheApp->OnRun();
  wxTheApp->OnExit();
  wxEntryCleanup();
  Probe::Line("exit-status %d", status);
  return status;
}

// The shared thumbnail cache. Starts of the desktop viewer, each in a fresh
// process, headless at 1500 × 900 with its default 128-pixel cells, on one
// folder of 200 pictures of 12 MP without Exif thumbnails: with
// --no-thumbnail-cache, the first start (an empty cache, which it writes)
// and the second (which reads it), interleaved; each timed from the start of
// the process to the first paint and to the last visible thumbnail drawn,
// with the process's processor time. Google Benchmark's table times one cell
// from a cache entry and the writing of one entry's PNG.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/viewerapp.h"
#include "benchutil.h"
#include "filelist/listobserver.h"
#include "filelist/pictureload.h"
#include "filelist/thumbcache.h"
#include "filelist/thumbrecipe.h"
#include "imaging/diblayout.h"
#include "imaging/thumbpng.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "platform/window/app.h"
#include "platform/window/frame.h"
#include "support/scenes.h"
#include "support/temp_device.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPictures = 200;
constexpr int kDistinct = 8;
constexpr int kRuns = 5;

// 200 names in \Camera, hard links to eight distinct 12 MP camera pictures
// without Exif thumbnails: every decode is real, every name its own entry.
struct Device {
  TempDevice device;
  std::string cache;
  Device() {
    cache = device.Root() + ".cache";
    device.MakeFolder("\\Camera");
    CameraShotOptions options;
    options.thumbnailWidth = 0;
    for (int k = 0; k < kDistinct; ++k) {
      device.WriteFile("\\src" + std::to_string(k) + ".bin", CameraShot(k % kSceneCount, 4000, 3000, 70 + k, options));
    }
    for (int i = 0; i < kPictures; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "\\Camera\\IMG_%04d.JPG", i);
      fs::create_hard_link(device.HostPath("\\src" + std::to_string(i % kDistinct) + ".bin"), device.HostPath(name));
    }
  }
  ~Device() { fs::remove_all(cache); }
};

Device& TheDevice() {
  static Device device;
  return device;
}

double ProcessorSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Passes the list's notices on to the viewer's own observer, noting when the
// last thumbnail came and the processor time spent by then.
class ReadyClock : public CFileListObserver {
 public:
  ReadyClock(CFileListObserver* next, std::chrono::steady_clock::time_point start) : m_next(next), m_start(start) {}
  void OnFileListEvent(int code) override { m_next->OnFileListEvent(code); }
  void OnThumbnailReady(int index, CDib thumbnail) override {
    m_next->OnThumbnailReady(index, thumbnail);
    ++cells;
    lastCell = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    lastCellProcessor = ProcessorSeconds();
  }
  int cells = 0;
  double lastCell = 0;
  double lastCellProcessor = 0;

 private:
  CFileListObserver* m_next;
  std::chrono::steady_clock::time_point m_start;
};

// The child: one start of the desktop viewer. Prints, in microseconds, the
// first paint, the last visible cell, the processor time by then, the end
// of the background work (the cache's writes) and the cells drawn.
int StartRun(const char* root, const char* cacheFolder, int threads) {
  const auto start = std::chrono::steady_clock::now();
  const double processorAtStart = ProcessorSeconds();
  HeapConfigureProcess();
  DeviceSetRoot(root);
  TickSetManual(1000000);
  CHeadlessHost host(1500, 900, 13);
  CViewerApp app;
  app.m_launch.profile = PROFILE_DESKTOP;
  app.m_launch.thumbnailSize = 128;
  app.m_launch.list.threads = threads;
  app.m_launch.list.hasStartFolder = TRUE;
  app.m_launch.list.startFolder = u"\\Camera";
  app.m_launch.list.thumbnailCache = std::strcmp(cacheFolder, "-") != 0 ? cacheFolder : "";
  if (!app.InitInstance()) return 1;
  // The first paint ends inside the start (the frame's UpdateWindow); the
  // workers' results reach the list only through the host's loop, after this.
  const double firstPaint = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ReadyClock clock(g_pImageFileList->m_pObserver, start);
  g_pImageFileList->m_pObserver = &clock;
  host.WaitForBackgroundWork();
  const double settled = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld %ld %ld %ld %d\n", (long)(firstPaint * 1e6), (long)(clock.lastCell * 1e6),
              (long)((clock.lastCellProcessor - processorAtStart) * 1e6), (long)(settled * 1e6), clock.cells);
  g_pImageFileList->m_pObserver = nullptr;
  host.Frame()->SendMessage(WM_CLOSE);
  return 0;
}

struct Start {
  double firstPaint, lastCell, processor, settled;
  int cells;
};

// Runs StartRun in a fresh process.
bool RunStart(const char* self, const std::string& cacheFolder, Start* start) {
  long v[5] = {};
  if (!benchutil::ChildFiguresOf(self, "--start-run",
                                 {TheDevice().device.Root(), cacheFolder, std::to_string(GetProcessorCount())}, v, 5)) {
    return false;
  }
  *start = Start{v[0] / 1e6, v[1] / 1e6, v[2] / 1e6, v[3] / 1e6, (int)v[4]};
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Series {
  std::vector<double> firstPaint, lastCell, processor, settled;
  int cells = 0;
  void Add(const Start& s) {
    firstPaint.push_back(s.firstPaint);
    lastCell.push_back(s.lastCell);
    processor.push_back(s.processor);
    settled.push_back(s.settled);
    cells = s.cells;
  }
  void Print(const char* what) const {
    std::printf(
        "  %-34s first paint %6.3f s, last visible cell %6.3f s (%d cells, +%.3f s), processor %6.3f s, "
        "settled %6.3f s\n",
        what, Median(firstPaint), Median(lastCell), cells, Median(lastCell) - Median(firstPaint), Median(processor),
        Median(settled));
  }
};

// ---- Google Benchmark: one cell from an entry, one entry's PNG -------------

void BM_CellFromEntry(benchmark::State& state) {
  Device& device = TheDevice();
  DeviceSetRoot(device.device.Root());
  SetAutoRotate(TRUE);
  CThumbCache cache(device.cache + "/bench-thumbnails");
  ThumbnailParts parts = MakeThumbnailParts(u"\\Camera\\IMG_0000.JPG", GridSizesFor(128), &cache);
  while (cache.IsBusy()) usleep(1000);
  for (auto _ : state) {
    parts = MakeThumbnailParts(u"\\Camera\\IMG_0000.JPG", GridSizesFor(128), &cache);
    benchmark::DoNotOptimize(parts.thumbnail.Get());
  }
}
BENCHMARK(BM_CellFromEntry)->Unit(benchmark::kMicrosecond);

void BM_EntryPng(benchmark::State& state) {
  const Picture picture = RenderScene(1, 128, 96, 5);
  CDibOwner dib(MemAlloc(40 + 128 * 3 * 96));
  WriteDibHeader(dib.Get(), 128, 96, 24);
  BYTE* rows = (BYTE*)MemLock(dib.Get()) + 40;
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 128; ++x) {
      for (int c = 0; c < 3; ++c) rows[(95 - y) * 384 + x * 3 + c] = picture.At(x, y)[2 - c];
    }
  }
  const PngTextList text = {{"Thumb::URI", "file:///home/ann/Pictures/IMG_0000.JPG"}, {"Thumb::MTime", "1700000000"}};
  std::string png;
  for (auto _ : state) {
    EncodeThumbnailPng(dib.Get(), text, &png);
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["bytes"] = (double)png.size();
}
BENCHMARK(BM_EntryPng)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--start-run") == 0) return StartRun(argv[2], argv[3], std::atoi(argv[4]));
  HeapConfigureProcess();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  Device& device = TheDevice();
  const std::string cache = device.cache + "/thumbnails";

  std::printf(
      "\nStarts of the desktop viewer, 1500 x 900, 128-pixel cells, %d pictures of 12 MP without Exif "
      "thumbnails, %d workers (median of %d, interleaved; from the start of the process):\n",
      kPictures, GetProcessorCount(), kRuns);
  Series without, first, second;
  for (int run = 0; run < kRuns; ++run) {
    Start s;
    if (!RunStart(argv[0], "-", &s)) return 1;
    without.Add(s);
    fs::remove_all(cache);
    if (!RunStart(argv[0], cache, &s)) return 1;
    first.Add(s);
    if (!RunStart(argv[0], cache, &s)) return 1;
    second.Add(s);
  }
  without.Print("--no-thumbnail-cache");
  first.Print("first start (writes the cache)");
  second.Print("second start (reads it)");
  size_t entries = 0;
  for (const auto& entry : fs::recursive_directory_iterator(cache)) entries += entry.is_regular_file() ? 1 : 0;
  std::printf("  %-34s %zu\n", "entries in the cache", entries);
  std::printf("  %-58s %10.3f s   (target: at most 0.3 s)\n", "second start: first paint to last visible cell",
              Median(second.lastCell) - Median(second.firstPaint));
  std::printf("  %-58s %10.3f s   (target: at most 0.5 s)\n", "second start: processor time", Median(second.processor));
  std::printf("  %-58s %10.3f     (target: at most 1.05)\n", "first start / --no-thumbnail-cache, last visible cell",
              Median(first.lastCell) / Median(without.lastCell));
  std::printf("  %-58s %10.3f     (no target)\n", "first start / --no-thumbnail-cache, processor time",
              Median(first.processor) / Median(without.processor));
  if (std::system("command -v nsxiv >/dev/null 2>&1") != 0) {
    std::printf("  nsxiv is not installed: no warm start of it to compare with\n");
  } else {
    std::printf("  nsxiv is installed: time its warm start on %s by hand (it needs a display)\n",
                device.device.HostPath("\\Camera").c_str());
  }
  benchmark::Shutdown();
  return 0;
}

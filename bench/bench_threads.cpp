// Work on worker threads. The first full grid: 198 cells of 1280 × 960 filled
// with 12 MP camera pictures, from the start of the paint to the last cell
// drawn, with N workers against the paint's own synchronous way (1), in the
// same run; with and without embedded Exif thumbnails; and the budgeted
// heap's peak while the grid fills. Stepping through 24 MP pictures: a step
// to a picture read ahead, one taken before the reading ended, and one that
// decodes; and the peak resident memory while stepping through eight.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/mainframe.h"
#include "app/viewerapp.h"
#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "platform/window/app.h"
#include "support/scenes.h"
#include "support/temp_device.h"

namespace {

constexpr int kCells = 198;  // 18 × 11 at 1280 × 960
constexpr int kDistinct = 6;

// 198 names in each folder, hard links to six distinct 12 MP pictures: the
// decodes are real (nothing is cached by file), the disk holds six.
struct Device {
  TempDevice device;
  Device() {
    Fill("\\Plain", 0);
    Fill("\\Exif", 160);
    device.MakeFolder("\\Big");
    for (int k = 0; k < 8; ++k) {
      device.WriteFile("\\Big\\BIG_" + std::to_string(k) + ".JPG",
                       CameraShot(k % kSceneCount, 6000, 4000, (uint32_t)(40 + k)));
    }
  }
  void Fill(const std::string& folder, int thumbnailWidth) {
    device.MakeFolder(folder);
    CameraShotOptions options;
    options.thumbnailWidth = thumbnailWidth;
    for (int k = 0; k < kDistinct; ++k) {
      device.WriteFile(folder + "\\src" + std::to_string(k) + ".bin",
                       CameraShot(k % kSceneCount, 4000, 3000, (uint32_t)(11 + k), options));
    }
    for (int i = 0; i < kCells; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "\\IMG_%04d.JPG", i);
      std::filesystem::create_hard_link(device.HostPath(folder + "\\src" + std::to_string(i % kDistinct) + ".bin"),
                                        device.HostPath(folder + name));
    }
  }
};

Device& TheDevice() {
  static Device device;
  return device;
}

struct Viewer {
  std::unique_ptr<CHeadlessHost> host;
  std::unique_ptr<CViewerApp> app;
  Viewer(int threads, const char16_t* folder) {
    TheDevice();
    TickSetManual(1000000);
    host = std::make_unique<CHeadlessHost>(1280, 960, 13);
    app = std::make_unique<CViewerApp>();
    app->m_launch.list.threads = threads;
    app->InitInstance();
    g_pImageFileList->SelectFolder(folder);
    host->WaitForBackgroundWork();
  }
  ~Viewer() {
    if (host->Frame() != nullptr) host->Frame()->SendMessage(WM_CLOSE);
  }
  // From an empty cache: paint, then every thumbnail drawn.
  void FillGrid() {
    while (g_pImageFileList->ReleaseThumbnailBlock()) {
    }
    static_cast<CMainFrame*>(app->m_pMainWnd)->GetViewerWnd().Invalidate(TRUE);
    host->Pump();
    host->WaitForBackgroundWork();
  }
};

void BM_FirstGrid(benchmark::State& state) {
  Viewer viewer((int)state.range(0), state.range(1) != 0 ? u"\\Exif" : u"\\Plain");
  for (auto _ : state) viewer.FillGrid();
}
BENCHMARK(BM_FirstGrid)
    ->ArgNames({"threads", "exif"})
    ->ArgsProduct({{1, 2, 4}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

struct Fill {
  double seconds;
  size_t peakBytes;
};

// Median of `runs` fills from an empty cache, and the largest heap peak.
Fill Measure(int threads, const char16_t* folder, int runs) {
  Viewer viewer(threads, folder);
  Fill fill{0, 0};
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    while (g_pImageFileList->ReleaseThumbnailBlock()) {
    }
    HeapResetPeak();
    const size_t before = HeapBytesInUse();
    times.push_back(benchutil::MedianSeconds([&] { viewer.FillGrid(); }, 1));
    fill.peakBytes = std::max(fill.peakBytes, HeapPeakBytes() - before);
  }
  std::sort(times.begin(), times.end());
  fill.seconds = times[times.size() / 2];
  return fill;
}

// Steps on the picture page of \Big, 1280 × 960: the time of one key, from
// the key to the end of the paint. `settle` lets the reading ahead finish
// before each step.
double StepSeconds(int threads, bool settle) {
  Viewer viewer(threads, u"\\Big");
  CViewerWnd& wnd = static_cast<CMainFrame*>(viewer.app->m_pMainWnd)->GetViewerWnd();
  g_pImageFileList->SetCurrent(0);
  wnd.SwitchPage(PAGE_IMAGE);
  viewer.host->Pump();
  std::vector<double> times;
  for (int i = 0; i < 7; ++i) {
    if (settle) viewer.host->WaitForBackgroundWork();
    const auto start = std::chrono::steady_clock::now();
    wnd.HostKey(FALSE, VK_RIGHT);
    viewer.host->Pump();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The child: steps through the eight 24 MP pictures, letting each read ahead
// arrive, and prints its resident memory before the first, its peak, and
// the heap's peak meanwhile (KB).
int MemoryRun(const char* root, int threads) {
  DeviceSetRoot(root);
  TickSetManual(1000000);
  CHeadlessHost host(1280, 960, 13);
  CViewerApp app;
  app.m_launch.list.threads = threads;
  app.InitInstance();
  g_pImageFileList->SelectFolder(u"\\Big");
  host.WaitForBackgroundWork();
  const long before = benchutil::CurrentRssKb();
  benchutil::ResetPeakRss();
  HeapResetPeak();
  CViewerWnd& wnd = static_cast<CMainFrame*>(app.m_pMainWnd)->GetViewerWnd();
  g_pImageFileList->SetCurrent(0);
  wnd.SwitchPage(PAGE_IMAGE);
  host.Pump();
  for (int i = 0; i < 7; ++i) {
    host.WaitForBackgroundWork();
    wnd.HostKey(FALSE, VK_RIGHT);
    host.Pump();
  }
  host.WaitForBackgroundWork();
  std::printf("%ld %ld %zu\n", before, benchutil::PeakRssKb(), HeapPeakBytes() >> 10);
  host.Frame()->SendMessage(WM_CLOSE);
  return 0;
}

struct Growth {
  double resident;  // growth of the peak over the start, MB
  double heapPeak;  // MB
};

// Runs MemoryRun in a fresh process.
Growth MemoryGrowth(const char* self, int threads) {
  long values[3] = {};
  if (!benchutil::ChildFigures(self, {TheDevice().device.Root(), std::to_string(threads)}, values, 3)) return {-1, -1};
  return {(values[1] - values[0]) / 1024.0, values[2] / 1024.0};
}

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // as the programs start
  if (argc == 4 && std::strcmp(argv[1], "--memory-run") == 0) return MemoryRun(argv[2], std::atoi(argv[3]));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  TheDevice();

  std::printf("\nSteps on the picture page, 24 MP pictures, 1280 x 960 (median of 7):\n");
  const double decoding = StepSeconds(1, false);
  const double readAhead = StepSeconds(2, true);
  const double early = StepSeconds(2, false);
  benchutil::Line("a step that decodes (--threads 1)", decoding);
  benchutil::Line("a step to a picture read ahead", readAhead);
  benchutil::Line("a step at once after the last (reading ahead not done)", early);
  benchutil::Ratio("step that decodes / step read ahead", decoding / readAhead, "target: at least 5");
  benchutil::Ratio("step before the reading ended / step that decodes", early / decoding, "target: at most 1.05");
  const double picture = (40.0 + 6000.0 * 3 * 4000) / (1024 * 1024);
  const Growth today = MemoryGrowth(argv[0], 1);
  const Growth ahead = MemoryGrowth(argv[0], 2);
  std::printf("  %-58s %10.1f MB\n", "peak growth stepping through 8 pictures, --threads 1", today.resident);
  // Two pictures and today's overhead; the worker thread brings a stack of
  // its own, well under a megabyte, and shares the C library's arenas.
  const double target = today.resident + picture + 1.0;
  std::printf("  %-58s %10.1f MB   (target: below %.1f MB: a second picture, 1 MB for the worker: %s)\n",
              "peak growth stepping through 8, reading ahead", ahead.resident, target,
              ahead.resident < target ? "met" : "NOT met");
  // The heap counts whole blocks from their allocation: a third picture at
  // its peak is the picture just left, freed only after the paint, while
  // the next one is already being read; the rows read by then are resident.
  std::printf("  %-58s %4.1f / %5.1f MB   (%.2f / %.2f pictures)\n",
              "heap peak while stepping: --threads 1 / reading ahead", today.heapPeak, ahead.heapPeak,
              today.heapPeak / picture, ahead.heapPeak / picture);

  const int cores = GetProcessorCount();
  std::printf("\nFirst full grid of %d cells, 1280 x 960, 12 MP pictures (median of 3, with Exif of 21); %d cores:\n",
              kCells, cores);
  const Fill plainOne = Measure(1, u"\\Plain", 3);
  const Fill exifOne = Measure(1, u"\\Exif", 21);
  benchutil::Line("without Exif thumbnails, --threads 1", plainOne.seconds);
  benchutil::Line("with Exif thumbnails, --threads 1", exifOne.seconds);
  std::vector<int> counts = {2, 4};
  if (cores > 4) counts.push_back(cores);
  for (int n : counts) {
    const Fill plain = Measure(n, u"\\Plain", 3);
    const Fill exif = Measure(n, u"\\Exif", 21);
    char what[96];
    std::snprintf(what, sizeof what, "without Exif thumbnails, --threads %d", n);
    benchutil::Line(what, plain.seconds);
    std::snprintf(what, sizeof what, "with Exif thumbnails, --threads %d", n);
    benchutil::Line(what, exif.seconds);
    char target[96];
    std::snprintf(target, sizeof target, n <= cores ? "target: at least %.2f" : "more threads than cores: no target",
                  0.8 * n);
    std::snprintf(what, sizeof what, "speed-up without Exif thumbnails, %d threads", n);
    benchutil::Ratio(what, plainOne.seconds / plain.seconds, target);
    std::snprintf(what, sizeof what, "speed-up with Exif thumbnails, %d threads", n);
    benchutil::Ratio(what, exifOne.seconds / exif.seconds, "target: at least 1.00 (never slower)");
    // One fit decode of a 4000 × 3000 picture: 1/8, 500 × 375, 24 bits.
    const double decode = 40.0 + 1500.0 * 375;
    std::snprintf(what, sizeof what, "heap peak while filling, %d threads (1 thread: %.2f MB)", n,
                  plainOne.peakBytes / 1048576.0);
    std::printf("  %-58s %10.2f MB   (target: below %.2f MB, + one decode a thread)\n", what,
                plain.peakBytes / 1048576.0, (plainOne.peakBytes + n * decode) / 1048576.0);
  }
  benchmark::Shutdown();
  return 0;
}

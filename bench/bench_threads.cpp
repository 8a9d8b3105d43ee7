// The first full grid with thumbnail workers: 198 cells of 1280 × 960 filled
// with 12 MP camera pictures, from the start of the paint to the last cell
// drawn, with N workers against the paint's own synchronous way (1), in the
// same run; with and without embedded Exif thumbnails; and the budgeted
// heap's peak while the grid fills.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/mainframe.h"
#include "app/viewerapp.h"
#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "platform/app.h"
#include "platform/headless/headless_host.h"
#include "platform/heap.h"
#include "platform/tick.h"
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
    app->m_nWorkerThreads = threads;
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
    ->ArgsProduct({{1, 2, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

struct Fill {
  double seconds;
  size_t peakBytes;
};

Fill Measure(int threads, const char16_t* folder) {
  Viewer viewer(threads, folder);
  Fill fill{benchutil::MedianSeconds([&] { viewer.FillGrid(); }, 3), 0};
  while (g_pImageFileList->ReleaseThumbnailBlock()) {
  }
  HeapResetPeak();
  const size_t before = HeapBytesInUse();
  viewer.FillGrid();
  fill.peakBytes = HeapPeakBytes() - before;
  return fill;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();

  const int cores = GetProcessorCount();
  std::printf("\nFirst full grid of %d cells, 1280 x 960, 12 MP pictures (median of 3); %d cores:\n", kCells, cores);
  const Fill plainOne = Measure(1, u"\\Plain");
  const Fill exifOne = Measure(1, u"\\Exif");
  benchutil::Line("without Exif thumbnails, --threads 1", plainOne.seconds);
  benchutil::Line("with Exif thumbnails, --threads 1", exifOne.seconds);
  std::vector<int> counts = {2, 4};
  if (cores > 4) counts.push_back(cores);
  for (int n : counts) {
    const Fill plain = Measure(n, u"\\Plain");
    const Fill exif = Measure(n, u"\\Exif");
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
